#!/usr/bin/env bash
# The real program under a screen reader's eyes: its own X server (Xvfb),
# its own session bus, on which the accessibility bus of at-spi2-core is
# started on demand, and atspi-tree.py reading the program's tree through
# pyatspi. Runs without a display, as root or not, in a network namespace of
# its own, where only loopback exists and atspi-tree.py may make a loopback
# host stop answering (nft) without touching the machine's network.
#   run-atspi.sh PROGRAM [SCREENSHOT.png]
set -euo pipefail
if [ -z "${QV_ATSPI_OWN_NETWORK:-}" ]; then
  export QV_ATSPI_OWN_NETWORK=1
  for tool in unshare ip nft; do
    command -v "$tool" >/dev/null || { echo "$tool is missing (tools/install-deps.sh installs it)"; exit 1; }
  done
  # Not root: a user namespace that maps us to root gives the same rights
  # over the new network, and over nothing else.
  if [ "$(id -u)" -eq 0 ]; then
    exec unshare --net -- "$0" "$@"
  fi
  exec unshare --net --map-root-user -- "$0" "$@"
fi
ip link set lo up
program=$(realpath "$1")
screenshot=${2:-}
here=$(dirname "$(realpath "$0")")

# Debian's own Python, where python3-pyatspi lives, whatever else is first
# on the path.
python=/usr/bin/python3
for tool in Xvfb xdotool dbus-run-session import "$python"; do
  command -v "$tool" >/dev/null || { echo "$tool is missing (tools/install-deps.sh installs it)"; exit 1; }
done
"$python" -c 'import pyatspi' 2>/dev/null || { echo "pyatspi is missing (package python3-pyatspi)"; exit 1; }

work=$(mktemp -d)
xserver=
cleanup() {
  if [ -n "$xserver" ]; then
    kill "$xserver" 2>/dev/null || true
    wait "$xserver" 2>/dev/null || true
  fi
  rm -rf "$work"
}
trap cleanup EXIT

# A display of our own, at a number taken at random and proven by a
# connection: the low numbers that Xvfb would pick itself may belong to
# another X server on the machine whose socket we cannot see.
for _ in $(seq 20); do
  display=":$((RANDOM % 900 + 100))"
  # -noreset: a server resets when its last client leaves, as the check
  # below does, and a program connecting meanwhile would find no display.
  Xvfb "$display" -screen 0 1280x1024x24 -nolisten tcp -noreset 2>"$work/xvfb.log" &
  xserver=$!
  for _ in $(seq 50); do
    kill -0 "$xserver" 2>/dev/null || break
    # Ours only when its lock names our server: a server that already held
    # the number would answer the connection while ours gives up.
    [ "$(tr -d ' ' 2>/dev/null <"/tmp/.X${display#:}-lock")" = "$xserver" ] &&
      DISPLAY="$display" xdotool getdisplaygeometry >/dev/null 2>&1 && break 2
    sleep 0.1
  done
  kill "$xserver" 2>/dev/null || true
  wait "$xserver" 2>/dev/null || true
  xserver=
done
[ -n "$xserver" ] || { echo "Xvfb did not start:"; cat "$work/xvfb.log"; exit 1; }
export DISPLAY="$display"
unset QT_QPA_PLATFORM WAYLAND_DISPLAY
export QT_LINUX_ACCESSIBILITY_ALWAYS_ON=1
# In a sanitizer build: libxkbcommon-x11 gives strndup key names that end at
# their length, not at a NUL, which strict string checks take for a read
# past the buffer although strndup reads no further than it is told.
if [ -n "${ASAN_OPTIONS:-}" ]; then
  export ASAN_OPTIONS="$ASAN_OPTIONS:strict_string_checks=0"
fi
export NO_AT_BRIDGE=0
# A throwaway home: the program's settings never touch the user's.
export HOME="$work/home" XDG_CONFIG_HOME="$work/home/.config" XDG_DATA_HOME="$work/home/.local/share"
export XDG_RUNTIME_DIR="$work/runtime"
mkdir -p "$HOME" "$XDG_RUNTIME_DIR"
chmod 700 "$XDG_RUNTIME_DIR"
dbus-run-session -- "$python" "$here/atspi-tree.py" "$program" "$work/hosts" "$screenshot"
