#!/usr/bin/env bash
# Usage: instructions.sh [BUILD]        (make bench-instructions; make compare)
#
# Instructions per echo, which no load of the machine bends: callgrind's Ir
# over all threads of the monitor (offscreen, so its graphs are still
# painted; "Write log" on) in steady state, against the floor
# (compare/quorvane-echo-floor: the same pings on a ping socket, a socket
# notifier and one log line per reply), for ten hosts and for one, pinged
# every second. The monitor runs as it starts by default (keeping its
# history), then with a metrics file too, then with neither: the last two
# give the share of the history and the metrics. The programs take
# turns at starting first. Everything runs in a network namespace of its
# own, on loopback, with the ping sockets open; needs root (or unprivileged
# user namespaces) and valgrind.
#
#   QV_INSTR_SECONDS   measured seconds per run (30)
#   QV_INSTR_WARM_UP   seconds of polling before measuring starts (15): what
#                      is done once (the history's file opened and checked,
#                      the first paint) stays out of the count
set -euo pipefail

readonly SECONDS_PER_RUN=${QV_INSTR_SECONDS:-30}
readonly WARM_UP=${QV_INSTR_WARM_UP:-15}
readonly PAYLOAD=56

cd "$(dirname "$0")/.."
build=$(realpath "${1:-build}")

if [[ ${QV_INSTR_INSIDE:-} != 1 ]]; then
    if ! command -v callgrind_control >/dev/null; then
        apt-get install -y valgrind >/dev/null || { echo "instructions: valgrind is missing and cannot be installed" >&2; exit 1; }
    fi
    user=()
    [[ $EUID -eq 0 ]] || user=(--map-root-user)
    QV_INSTR_INSIDE=1 exec unshare --net "${user[@]}" bash "$0" "$build"
fi

ip link set lo up
sysctl -qw net.ipv4.ping_group_range="0 2147483647"

work=$(mktemp -d)
pid=
cleanup() {
    [[ -z $pid ]] || { kill -KILL "$pid" 2>/dev/null; wait "$pid" 2>/dev/null; } || true
    rm -rf "$work"
}
trap cleanup EXIT

# The monitor as a user runs it, portable: log file beside the program.
mkdir -p "$work/monitor/config/Halvetor"
cp "$build/quorvane" "$build/quorvane-icmp" "$work/monitor/"

records() {
    { cat "$work"/monitor/*.log "$work"/floor.log 2>/dev/null || true; } | wc -l
}

# measure NAME HOSTS: the program runs as $pid under callgrind; once it has
# logged WARM_UP records per host, the counters are zeroed, and dumped
# SECONDS_PER_RUN later.
measure() {
    local name=$1 hosts=$2 before after deadline dump ir
    deadline=$((SECONDS + 600))
    while (($(records) < WARM_UP * hosts)); do
        ((SECONDS < deadline)) && kill -0 "$pid" 2>/dev/null || { echo "instructions: $name logged nothing" >&2; exit 1; }
        sleep 1
    done
    callgrind_control -z "$pid" >/dev/null 2>&1
    before=$(records)
    sleep "$SECONDS_PER_RUN"
    callgrind_control -d "$pid" >/dev/null 2>&1
    after=$(records)
    kill -TERM "$pid"
    wait "$pid" 2>/dev/null || true
    pid=
    # The first dump on request holds what ran after the zeroing.
    dump=$(ls "$work"/callgrind.out.*.1 | head -1)
    ir=$(awk '/^(summary|totals):/ { print $2; exit }' "$dump")
    rm -f "$work"/callgrind.out.* "$work"/monitor/*.log "$work"/floor.log
    echo "$name $ir $((after - before))"
}

callgrind() {
    valgrind --tool=callgrind --callgrind-out-file="$work/callgrind.out.%p" "$@" >/dev/null 2>&1 &
    pid=$!
}

# monitor NAME EXTRAS HOST...: EXTRAS are settings lines.
monitor() {
    local name=$1 extras=$2
    shift 2
    printf '[General]\ninterval=1\nwritelog=yes\npayload=%d\n%s' "$PAYLOAD" "$extras" \
        >"$work/monitor/config/Halvetor/Quorvane.conf"
    printf '%s\n' "$@" >"$work/monitor/hosts.txt"
    rm -f "$work"/monitor/history.sqlite*
    cd "$work/monitor"
    XDG_CONFIG_HOME="$work/monitor/config" QT_QPA_PLATFORM=offscreen callgrind ./quorvane hosts.txt
    cd - >/dev/null
    measure "$name" $#
}

run_monitor() {
    monitor quorvane "" "$@"
}

run_full() {
    monitor full "keephistory=yes"$'\n'"metricsfile=$work/quorvane.prom"$'\n' "$@"
}

run_bare() {
    monitor bare "keephistory=no"$'\n' "$@"
}

run_floor() {
    QT_QPA_PLATFORM=offscreen callgrind "$build/compare/quorvane-echo-floor" "$work/floor.log" "$@"
    measure floor $#
}

ten=()
for i in $(seq 1 10); do
    ten+=("127.0.0.$i")
done

declare -A per_echo
round=0
for set in 10 1; do
    hosts=("${ten[@]:0:$set}")
    order=(run_monitor run_floor run_full run_bare)
    ((round++ % 2 == 0)) || order=(run_bare run_full run_floor run_monitor)
    for program in "${order[@]}"; do
        echo "instructions: ${program#run_}, $set host(s), ${SECONDS_PER_RUN} s under callgrind" >&2
        read -r name ir echoes < <($program "${hosts[@]}")
        per_echo[$set|$name]=$(awk -v ir="$ir" -v e="$echoes" 'BEGIN { printf "%.0f", (e > 0 ? ir / e : 0) }')
        echo "instructions: $name: $ir Ir over $echoes echoes" >&2
    done
done

echo
ratio() {
    awk -v q="$1" -v f="$2" 'BEGIN { if (f > 0) printf "%.1fx", q / f; else printf "-" }'
}
printf '%-6s %10s %18s %22s %24s %26s\n' hosts floor "quorvane (default)" "without history" \
    "with history, metrics" "history and metrics add"
for set in 10 1; do
    f=${per_echo[$set|floor]}
    q=${per_echo[$set|quorvane]}
    b=${per_echo[$set|bare]}
    m=${per_echo[$set|full]}
    printf '%-6s %10s %18s %22s %24s %26s\n' "$set" "$f" "$q $(ratio "$q" "$f")" "$b $(ratio "$b" "$f")" \
        "$m $(ratio "$m" "$f")" "$(awk -v m="$m" -v b="$b" 'BEGIN { if (b > 0) printf "%d (%.0f %%)", m - b, 100 * (m - b) / b; else printf "-" }')"
done
echo "(instructions per echo over all threads; the ratios are to the floor)"
