#!/usr/bin/env bash
# Installs whatever the build, the tests and the benchmarks need and this
# machine lacks. A fresh minimal Debian has only make, so the tool chain is
# in the list too. The validators of the menu entry and the metainfo run as
# tests; the package tools only for `make package`.
set -euo pipefail

packages=(
  g++ cmake make pkg-config ca-certificates
  qt6-base-dev qt6-base-private-dev libgl-dev libzstd-dev libqt6sql6-sqlite sqlite3
  libgtest-dev googletest libbenchmark-dev
  fonts-liberation fonts-dejavu-core
  iproute2 procps nftables libcap2-bin util-linux
  xvfb xauth imagemagick
  dbus-daemon dbus-bin dbus-session-bus-common dunst
  at-spi2-core python3-pyatspi xdotool
  desktop-file-utils appstream
)
[ "${QUORVANE_FUZZ_DEPS:-0}" = 1 ] && packages+=(clang libclang-rt-14-dev)
[ "${QUORVANE_PACKAGE_DEPS:-0}" = 1 ] && packages+=(dpkg-dev file)

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0

sudo=()
[ "$(id -u)" -ne 0 ] && sudo=(sudo)
export DEBIAN_FRONTEND=noninteractive
echo "Installing: ${missing[*]}"
if ! "${sudo[@]}" apt-get install -y --no-install-recommends "${missing[@]}"; then
  "${sudo[@]}" apt-get update
  "${sudo[@]}" apt-get install -y --no-install-recommends "${missing[@]}"
fi
