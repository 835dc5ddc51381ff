#!/usr/bin/env bash
# Installs the build into a throwaway folder and checks what a user meets
# there: the installed files, both programs' --help, --version and unknown
# options, and where the installed and the portable program keep their log
# files.
set -uo pipefail
build=$(cd "$1" && pwd)
id=example.quorvane.Grapher
version=$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' "$build/CMakeCache.txt")
world=$(mktemp -d)
trap 'rm -rf "$world"' EXIT
export XDG_CONFIG_HOME=$world/config XDG_DATA_HOME=$world/data QT_QPA_PLATFORM=offscreen
DESTDIR=$world/root cmake --install "$build" --prefix /usr >/dev/null || { echo "FAILED: cmake --install"; exit 1; }
usr=$world/root/usr
failures=0
fail() { echo "FAILED: $*"; failures=$((failures + 1)); }

for file in bin/quorvane bin/quorvane-echo lib/quorvane/quorvane-icmp share/applications/$id.desktop share/metainfo/$id.metainfo.xml \
            share/icons/hicolor/scalable/apps/$id.svg share/man/man1/quorvane.1.gz share/man/man1/quorvane-echo.1.gz \
            share/doc/quorvane/copyright share/doc/quorvane/changelog.gz; do
  [ -s "$usr/$file" ] || fail "$file is not installed"
done
grep -q "<release version=\"$version\"" "$usr/share/metainfo/$id.metainfo.xml" || fail "the metainfo names no release $version"
zcat "$usr/share/man/man1/quorvane.1.gz" | grep -qF "Quorvane Grapher $version" || fail "quorvane(1) is not of version $version"
for size in 48 256; do
  png=$usr/share/icons/hicolor/${size}x${size}/apps/$id.png
  side="0 0 $((size / 256)) $((size % 256))"
  [ "$(od -An -tu1 -j16 -N8 "$png" 2>/dev/null | xargs)" = "$side $side" ] || fail "$png is not $size x $size"
done

# program | arguments | exit status | a line its output must hold (grep -F)
while IFS='|' read -r program arguments status expected; do
  output=$("$program" $arguments 2>&1)
  actual=$?
  [ "$actual" = "$status" ] || fail "$program $arguments: status $actual, not $status"
  grep -qxF -- "$expected" <<<"$output" || fail "$program $arguments: no line \"$expected\" in: $output"
done <<ROWS
$usr/bin/quorvane|--version|0|quorvane (Quorvane Grapher) $version
$usr/bin/quorvane|-V|0|quorvane (Quorvane Grapher) $version
$usr/bin/quorvane-echo|--version|0|quorvane-echo (Quorvane Grapher) $version
$usr/bin/quorvane|--help|0|Usage: quorvane [OPTION]... [HOST-LIST]
$usr/bin/quorvane|hosts.txt --help|0|Settings are kept in $XDG_CONFIG_HOME/Halvetor/Quorvane.conf
$usr/bin/quorvane|--help|0|Log files (Options > Write log) are written to $XDG_DATA_HOME/Halvetor/Quorvane
$build/quorvane|--help|0|Log files (Options > Write log) are written to $build
$usr/bin/quorvane-echo|--help|0|Usage: quorvane-echo [-s PAYLOAD] [-w TIMEOUT_MS] [-t TTL] [-r] [-4|-6] [--] HOST
$usr/bin/quorvane|--frobnicate|2|quorvane: unknown option '--frobnicate' (try 'quorvane --help')
$usr/bin/quorvane|-platform|2|quorvane: option '-platform' needs a value (try 'quorvane --help')
$usr/bin/quorvane-echo|--frobnicate|2|quorvane-echo: unknown option --frobnicate (try 'quorvane-echo --help')
ROWS

# The installed program, polling this machine with "Write log" on, writes
# into the per-user data folder and nothing beside itself. A user who may not
# ping would meet the permission message box instead.
if ! "$usr/bin/quorvane-echo" 127.0.0.1 -w 1000 >/dev/null 2>&1; then
  echo "skipped the log folder run: this user may not ping (README, Permission to ping)"
else
  mkdir -p "$XDG_CONFIG_HOME/Halvetor" "$world/run"
  printf '[General]\ninterval=1\nwritelog=yes\n' >"$XDG_CONFIG_HOME/Halvetor/Quorvane.conf"
  printf '127.0.0.1;loopback\r\n' >"$world/run/hosts.txt"
  (cd "$world/run" && exec "$usr/bin/quorvane" hosts.txt) 2>/dev/null &
  monitor=$!
  log=$XDG_DATA_HOME/Halvetor/Quorvane/hosts.txt.log
  for _ in $(seq 100); do [ -s "$log" ] && break; sleep 0.1; done
  kill -TERM "$monitor" 2>/dev/null
  wait "$monitor"
  [ -s "$log" ] || fail "the installed program wrote no log file into $XDG_DATA_HOME/Halvetor/Quorvane"
  [ "$(ls "$usr/bin")" = "$(printf 'quorvane\nquorvane-echo')" ] || fail "the installed program wrote beside itself: $(ls "$usr/bin")"
fi

[ "$failures" -eq 0 ] && echo "install trial passed"
exit $((failures != 0))
