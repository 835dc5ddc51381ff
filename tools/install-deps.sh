#!/usr/bin/env bash
# Installs whatever the build, the tests and the benchmarks need and this
# machine lacks. A fresh minimal Debian has only make, so the tool chain is
# in the list too. The validators of the menu entry and the metainfo run as
# tests; the package tools only for `make package`.
set -euo pipefail

packages=(
  g++ cmake make pkg-config ca-certificates
  qt6-base-dev qt6-base-private-dev libgl-dev libxcb1-dev libzstd-dev libqt6sql6-sqlite libsqlite3-dev sqlite3
  libgtest-dev googletest libbenchmark-dev
  fonts-liberation fonts-dejavu-core
  iproute2 procps nftables libcap2-bin util-linux
  xvfb xauth imagemagick
  dbus-daemon dbus-bin dbus-session-bus-common dunst
  at-spi2-core python3-pyatspi xdotool
  desktop-file-utils appstream
  prometheus prometheus-node-exporter
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
# Prometheus and node_exporter come as services; the tests start their own
# on loopback, so no package may start (or, on a machine with an init, keep
# running) one of its own. Our policy-rc.d refuses every start for the
# install's duration and goes again after; one that was there stays.
policy=/usr/sbin/policy-rc.d
if [ ! -e "$policy" ]; then
  printf '#!/bin/sh\nexit 101\n' | "${sudo[@]}" tee "$policy" >/dev/null
  "${sudo[@]}" chmod 755 "$policy"
  trap '"${sudo[@]}" rm -f "$policy"' EXIT
fi
echo "Installing: ${missing[*]}"
if ! "${sudo[@]}" apt-get install -y --no-install-recommends "${missing[@]}"; then
  "${sudo[@]}" apt-get update
  "${sudo[@]}" apt-get install -y --no-install-recommends "${missing[@]}"
fi
# Nor left enabled for the next boot of a machine that has an init
# (update-rc.d disables the systemd unit as well).
for service in prometheus prometheus-node-exporter; do
  case " ${missing[*]} " in
  *" $service "*)
    "${sudo[@]}" update-rc.d "$service" disable >/dev/null 2>&1 || true
    ;;
  esac
done
