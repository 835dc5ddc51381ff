#!/usr/bin/env bash
# Starts the monitor on the sample host list. Until the window exists, each
# host of the list gets one echo from the command-line tool, with the inputs
# the monitor will use (payload 32, time-out 5000 ms, TTL 32).
set -uo pipefail
cd "$(dirname "$0")/.."
hosts=${1:-hosts.txt}
status=0
while IFS= read -r line || [ -n "$line" ]; do
    host=${line%%;*}
    host=${host%$'\r'}
    [ -n "$host" ] || continue
    echo "== $line"
    build/quorvane-echo "$host" -s 32 -w 5000 -t 32 || status=1
done < <(head -n 10 "$hosts")
exit $status
