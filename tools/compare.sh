#!/usr/bin/env bash
# Usage: compare.sh [BUILD]        (make compare)
#
# Runs the monitor offscreen with ten hosts of the test network beside
# `fping -l -p 1000` on the same hosts (and noping, where it is installed),
# one program at a time, alternating, and prints for each the CPU time per
# answered echo, the wake-ups per second and the threads while polling; then
# the time from start to first paint of the monitor against a minimal Qt
# Widgets window. Needs root (the test network) and the build's
# quorvane, quorvane-test-responder and compare/ programs.
#
#   QV_COMPARE_SECONDS  measured seconds per run (30)
#   QV_COMPARE_ROUNDS   runs of each program, alternating (1)
#   QV_COMPARE_STARTS   start-ups of each program to take the median of (5)
#
# CPU time is utime+stime of /proc/PID/stat (finished threads included), in
# clock ticks of 10 ms: the CPU column shows the total, so the precision
# is plain. Wake-ups are the voluntary and involuntary context switches of
# every thread, from /proc/PID/task/*/status (those of threads that ended
# during the run are lost, so a program with short-lived threads is
# undercounted). Answered echoes: the monitor's success records with
# "Write log" on, fping's reply lines; noping shows no count, so it is
# taken to have every echo answered.
set -euo pipefail

readonly SECONDS_PER_RUN=${QV_COMPARE_SECONDS:-30}
readonly ROUNDS=${QV_COMPARE_ROUNDS:-1}
readonly STARTS=${QV_COMPARE_STARTS:-5}
readonly WARM_UP=3

cd "$(dirname "$0")/.."
build=$(realpath "${1:-build}")

if [[ ${QV_COMPARE_INSIDE:-} != 1 ]]; then
    if ! command -v fping >/dev/null; then
        apt-get install -y fping >/dev/null || { echo "compare: fping is missing and cannot be installed" >&2; exit 1; }
    fi
    QV_COMPARE_INSIDE=1 exec tests/net/with-testnet.sh --responder "$build/tests/quorvane-test-responder" \
        -- bash "$0" "$build"
fi

# Ten more addresses of the kernel-answered host behind the router.
hosts=()
for i in $(seq 20 29); do
    ip -n "$QV_NETNS_FAST" address add "198.18.1.$i/32" dev to-router
    hosts+=("198.18.1.$i")
done

work=$(mktemp -d)
pid=
cleanup() {
    [[ -z $pid ]] || { kill -KILL "$pid" 2>/dev/null; wait "$pid" 2>/dev/null; } || true
    rm -rf "$work"
}
trap cleanup EXIT

# The monitor as a user runs it, portable: log file beside the program.
mkdir -p "$work/monitor/config/Halvetor"
# The test network keeps the ping sockets closed: the monitor starts its ICMP
# helper, whose CPU time and wake-ups count as the monitor's.
cp "$build/quorvane" "$build/quorvane-icmp" "$work/monitor/"
printf '%s\n' "${hosts[@]}" >"$work/monitor/hosts.txt"
printf '[General]\ninterval=1\nwritelog=yes\n' >"$work/monitor/config/Halvetor/Quorvane.conf"

# A program and its children (the monitor's ICMP helper).
family() {
    echo "$1" $(cat /proc/"$1"/task/*/children 2>/dev/null)
}

cpu_ticks() {
    local stat total=0 p
    for p in $(family "$1"); do
        stat=$(<"/proc/$p/stat") || continue
        read -r -a fields <<<"${stat##*) }"
        total=$((total + fields[11] + fields[12]))
    done
    echo "$total"
}

context_switches() {
    local p
    for p in $(family "$1"); do
        cat /proc/"$p"/task/*/status 2>/dev/null
    done | awk '/^(non)?voluntary_ctxt_switches/ { sum += $2 } END { print sum + 0 }'
}

thread_count() {
    find "/proc/$1/task" -mindepth 1 -maxdepth 1 | wc -l
}

answered_monitor() {
    cat "$work"/monitor/*.log 2>/dev/null | grep -cE ', [0-9]+ bytes, -?[0-9]+ms, ' || true
}

answered_fping() {
    grep -c ' bytes, ' "$work/fping.out" || true
}

answered_noping() {
    echo $(($(date +%s) * ${#hosts[@]}))
}

# Totals per program over all its runs: ticks echoes switches seconds min max.
declare -A totals

# measure NAME COUNTER: the program runs as $pid; after a warm-up, one
# measured run of SECONDS_PER_RUN.
measure() {
    local name=$1 counter=$2 ticks echoes switches low=1000000 high=0 n end
    sleep "$WARM_UP"
    ticks=$(cpu_ticks "$pid")
    echoes=$($counter)
    switches=$(context_switches "$pid")
    end=$((SECONDS + SECONDS_PER_RUN))
    while ((SECONDS < end)); do
        n=$(thread_count "$pid")
        ((n < low)) && low=$n
        ((n > high)) && high=$n
        sleep 0.2
    done
    ticks=$(($(cpu_ticks "$pid") - ticks))
    echoes=$(($($counter) - echoes))
    switches=$(($(context_switches "$pid") - switches))
    kill -TERM "$pid"
    wait "$pid" 2>/dev/null || true
    pid=
    read -r t e s secs lo hi <<<"${totals[$name]:-0 0 0 0 1000000 0}"
    totals[$name]="$((t + ticks)) $((e + echoes)) $((s + switches)) $((secs + SECONDS_PER_RUN)) $((lo < low ? lo : low)) $((hi > high ? hi : high))"
}

run_monitor() {
    (cd "$work/monitor" && XDG_CONFIG_HOME="$work/monitor/config" QT_QPA_PLATFORM=offscreen \
        exec ./quorvane hosts.txt >/dev/null 2>&1) &
    pid=$!
    measure "quorvane (offscreen)" answered_monitor
}

run_fping() {
    stdbuf -oL fping -l -p 1000 "${hosts[@]}" >"$work/fping.out" 2>&1 &
    pid=$!
    measure "fping -l -p 1000" answered_fping
}

run_noping() {
    TERM=xterm script -qfc "exec noping -i 1 ${hosts[*]}" /dev/null >/dev/null 2>&1 &
    local wrapper=$!
    sleep 0.5
    pid=$(pgrep -P "$wrapper" noping)
    measure "noping -i 1" answered_noping
    kill -TERM "$wrapper" 2>/dev/null || true
    wait "$wrapper" 2>/dev/null || true
}

programs=(run_monitor run_fping)
command -v noping >/dev/null && programs+=(run_noping)
for ((round = 1; round <= ROUNDS; round++)); do
    for program in "${programs[@]}"; do
        echo "round $round: ${program#run_}, ${SECONDS_PER_RUN} s" >&2
        $program
    done
done

# Milliseconds from exec to the first flush of a window, median of STARTS.
first_paint_ms() {
    local times=() t0 t1 i
    for ((i = 0; i < STARTS; i++)); do
        rm -f "$work/painted"
        t0=${EPOCHREALTIME/./}
        (cd "$work/monitor" && XDG_CONFIG_HOME="$work/monitor/config" QT_QPA_PLATFORM=offscreen \
            QV_FIRST_PAINT_FILE="$work/painted" LD_PRELOAD="$build/compare/libquorvane-first-paint-probe.so" \
            timeout 30 "$@" >/dev/null 2>&1) || true
        t1=$(<"$work/painted")
        times+=($(((t1 - t0) / 1000)))
    done
    printf '%s\n' "${times[@]}" | sort -n | sed -n "$(((STARTS + 1) / 2))p"
}

# The log of the polling runs must not count the start-ups' echoes.
rm -f "$work"/monitor/*.log
monitor_ms=$(first_paint_ms ./quorvane hosts.txt)
minimal_ms=$(first_paint_ms "$build/compare/quorvane-minimal-window")

echo
printf '%-22s %14s %12s %9s %8s %8s\n' program "CPU per echo" "wake-ups/s" threads echoes "CPU ms"
for name in "quorvane (offscreen)" "fping -l -p 1000" "noping -i 1"; do
    [[ -n ${totals[$name]:-} ]] || continue
    read -r t e s secs lo hi <<<"${totals[$name]}"
    ticks_per_second=$(getconf CLK_TCK)
    awk -v name="$name" -v t="$t" -v e="$e" -v s="$s" -v secs="$secs" -v lo="$lo" -v hi="$hi" -v hz="$ticks_per_second" \
        'BEGIN { ms = t * 1000 / hz; per = e > 0 ? sprintf("%.0f us", ms * 1000 / e) : "-";
                 printf "%-22s %14s %12.1f %9s %8d %8.0f\n", name, per, s / secs, lo == hi ? lo : lo "-" hi, e, ms }'
done
echo
printf 'start-up to first paint, median of %d: quorvane %d ms, minimal Qt window %d ms (%.2fx)\n' \
    "$STARTS" "$monitor_ms" "$minimal_ms" "$(awk -v a="$monitor_ms" -v b="$minimal_ms" 'BEGIN { print a / b }')"
