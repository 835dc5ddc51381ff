#!/usr/bin/env bash
# Usage: compare.sh [BUILD]        (make compare)
#
# Runs the monitor, its window shown on an Xvfb display, beside
# `fping -l -p 1000` on the same hosts (and noping, where it is installed),
# one program at a time, taking turns at starting first, for two host sets:
# ten loopback addresses and one. Every program sends 56 bytes of payload
# (noping its own default, which is the same); the monitor writes its log
# file. For each it prints the CPU time per answered echo, the wake-ups per
# second and the threads while polling; then the time from start to first
# paint on the same display of the monitor against a minimal Qt Widgets
# window, the two started in turn; then instructions per echo against a Qt
# floor (tools/instructions.sh), the one measure that no load of the machine
# bends. Needs root (a network namespace of its own, where the ping sockets
# stay closed as the kernel's default has them, so that the monitor runs
# its ICMP helper) and what `make build` builds.
#
#   QV_COMPARE_SECONDS  measured seconds per run (30)
#   QV_COMPARE_ROUNDS   runs of each program per host set (1)
#   QV_COMPARE_STARTS   start-up pairs (11)
#
# CPU time is the run time in nanoseconds the scheduler kept for every
# thread (/proc/PID/task/TID/schedstat), read every 0.2 s, so that a thread
# that ends during a run is counted to within its last 0.2 s. Answered
# echoes are counted by the kernel: the growth of InEchoReps of the network
# namespace the programs run in (/proc/net/snmp), where only the measured
# program pings. Wake-ups are the voluntary and involuntary context
# switches of every thread, from /proc/PID/task/*/status.
set -euo pipefail

readonly SECONDS_PER_RUN=${QV_COMPARE_SECONDS:-30}
readonly ROUNDS=${QV_COMPARE_ROUNDS:-1}
readonly STARTS=${QV_COMPARE_STARTS:-11}
readonly WARM_UP=5
readonly PAYLOAD=56

cd "$(dirname "$0")/.."
build=$(realpath "${1:-build}")

if [[ ${QV_COMPARE_INSIDE:-} != 1 ]]; then
    if ! command -v fping >/dev/null; then
        apt-get install -y fping >/dev/null || { echo "compare: fping is missing and cannot be installed" >&2; exit 1; }
    fi
    command -v Xvfb >/dev/null || { echo "compare: Xvfb is missing (make deps)" >&2; exit 1; }
    [[ $EUID -eq 0 ]] || { echo "compare: needs root for a network namespace of its own" >&2; exit 1; }
    QV_COMPARE_INSIDE=1 unshare --net bash "$0" "$build"
    exec bash tools/instructions.sh "$build"
fi

ip link set lo up
mixed=()
for i in $(seq 1 10); do
    mixed+=("127.0.0.$i")
done
single=("${mixed[0]}")

work=$(mktemp -d)
pid=
xvfb=
cleanup() {
    [[ -z $pid ]] || { kill -KILL "$pid" 2>/dev/null; wait "$pid" 2>/dev/null; } || true
    [[ -z $xvfb ]] || { kill -TERM "$xvfb" 2>/dev/null; wait "$xvfb" 2>/dev/null; } || true
    rm -rf "$work"
}
trap cleanup EXIT

# A display of our own, so that the window is shown and painted as on a
# desktop, and nobody else's display is touched.
display=:$((100 + $$ % 800))
Xvfb "$display" -screen 0 1280x1024x24 -nolisten tcp -noreset >/dev/null 2>&1 &
xvfb=$!
for _ in $(seq 50); do
    [[ -e /tmp/.X11-unix/X${display#:} ]] && break
    sleep 0.1
done
export DISPLAY=$display

# The monitor as a user runs it, portable: log file beside the program.
mkdir -p "$work/monitor/config/Halvetor"
# The test network keeps the ping sockets closed: the monitor starts its ICMP
# helper, whose CPU time and wake-ups count as the monitor's.
cp "$build/quorvane" "$build/quorvane-icmp" "$work/monitor/"
printf '[General]\ninterval=1\nwritelog=yes\npayload=%d\n' "$PAYLOAD" >"$work/monitor/config/Halvetor/Quorvane.conf"

echo_replies() {
    awk '/^Icmp:/ { if (!names) { for (i = 1; i <= NF; i++) col[$i] = i; names = 1 } else print $col["InEchoReps"] }' \
        /proc/net/snmp
}

# A program and its children (the monitor's ICMP helper).
family() {
    echo "$1" $(cat /proc/"$1"/task/*/children 2>/dev/null)
}

# Run time of every thread of the program and its children seen so far, in
# ns, by thread id.
declare -A ran_ns
sample_threads() {
    local task ns
    for task in $(for p in $(family "$1"); do echo /proc/"$p"/task/*; done); do
        read -r ns _ <"$task/schedstat" 2>/dev/null || continue
        ran_ns[${task##*/}]=$ns
    done
}

sum_ns() {
    local total=0 tid
    for tid in "${!ran_ns[@]}"; do
        total=$((total + ran_ns[$tid]))
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

# Totals per program and host set over all its runs:
# ns echoes switches seconds min-threads max-threads.
declare -A totals

# measure NAME: the program runs as $pid; after a warm-up, one measured run
# of SECONDS_PER_RUN.
measure() {
    local name=$1 start_ns ns echoes switches low=1000000 high=0 n end
    sleep "$WARM_UP"
    ran_ns=()
    sample_threads "$pid"
    start_ns=$(sum_ns)
    echoes=$(echo_replies)
    switches=$(context_switches "$pid")
    end=$((SECONDS + SECONDS_PER_RUN))
    while ((SECONDS < end)); do
        sample_threads "$pid"
        n=$(thread_count "$pid")
        ((n < low)) && low=$n
        ((n > high)) && high=$n
        sleep 0.2
    done
    sample_threads "$pid"
    ns=$(($(sum_ns) - start_ns))
    echoes=$(($(echo_replies) - echoes))
    switches=$(($(context_switches "$pid") - switches))
    kill -TERM "$pid"
    wait "$pid" 2>/dev/null || true
    pid=
    read -r t e s secs lo hi <<<"${totals[$name]:-0 0 0 0 1000000 0}"
    totals[$name]="$((t + ns)) $((e + echoes)) $((s + switches)) $((secs + SECONDS_PER_RUN)) $((lo < low ? lo : low)) $((hi > high ? hi : high))"
}

run_monitor() {
    local set=$1
    shift
    printf '%s\n' "$@" >"$work/monitor/hosts.txt"
    (cd "$work/monitor" && XDG_CONFIG_HOME="$work/monitor/config" exec ./quorvane hosts.txt >/dev/null 2>&1) &
    pid=$!
    measure "$set|quorvane (window)"
}

run_fping() {
    local set=$1
    shift
    fping -l -p 1000 -b "$PAYLOAD" "$@" >/dev/null 2>&1 &
    pid=$!
    measure "$set|fping -l -p 1000"
}

run_noping() {
    local set=$1 wrapper
    shift
    # noping takes no payload size; its default payload is 56 bytes.
    TERM=xterm script -qfc "exec noping -i 1 $*" /dev/null >/dev/null 2>&1 &
    wrapper=$!
    sleep 0.5
    pid=$(pgrep -P "$wrapper" noping)
    measure "$set|noping -i 1"
    kill -TERM "$wrapper" 2>/dev/null || true
    wait "$wrapper" 2>/dev/null || true
}

programs=(run_monitor run_fping)
command -v noping >/dev/null && programs+=(run_noping)
# The first program started costs more: each run of the programs begins one
# further along their list.
turn=0
for ((round = 1; round <= ROUNDS; round++)); do
    for set in 10 1; do
        hosts=("${mixed[@]}")
        [[ $set == 10 ]] || hosts=("${single[@]}")
        for ((i = 0; i < ${#programs[@]}; i++)); do
            program=${programs[(turn + i) % ${#programs[@]}]}
            echo "round $round: ${program#run_}, $set host(s), ${SECONDS_PER_RUN} s" >&2
            $program "$set" "${hosts[@]}"
        done
        turn=$((turn + 1))
    done
done

# Microseconds from exec to the first flush of a window.
first_paint_us() {
    local t0 t1
    rm -f "$work/painted"
    t0=${EPOCHREALTIME/./}
    (cd "$work/monitor" && XDG_CONFIG_HOME="$work/monitor/config" \
        QV_FIRST_PAINT_FILE="$work/painted" LD_PRELOAD="$build/compare/libquorvane-first-paint-probe.so" \
        timeout 30 "$@" >/dev/null 2>&1) || true
    t1=$(<"$work/painted")
    echo $((t1 - t0))
}

# In turn, so that both programs meet the same state of the machine; the
# ratio is that of the medians.
printf '%s\n' "${mixed[@]}" >"$work/monitor/hosts.txt"
monitor_us=()
minimal_us=()
for ((i = 0; i < STARTS; i++)); do
    if ((i % 2 == 0)); then
        monitor_us+=("$(first_paint_us ./quorvane hosts.txt)")
        minimal_us+=("$(first_paint_us "$build/compare/quorvane-minimal-window")")
    else
        minimal_us+=("$(first_paint_us "$build/compare/quorvane-minimal-window")")
        monitor_us+=("$(first_paint_us ./quorvane hosts.txt)")
    fi
done
median() {
    printf '%s\n' "$@" | sort -n | sed -n "$((($# + 1) / 2))p"
}

echo
printf '%-6s %-20s %14s %12s %9s %8s %10s\n' hosts program "CPU per echo" "wake-ups/s" threads echoes "CPU ms"
for set in "10" "1"; do
    for program in "quorvane (window)" "fping -l -p 1000" "noping -i 1"; do
        name="$set|$program"
        [[ -n ${totals[$name]:-} ]] || continue
        read -r t e s secs lo hi <<<"${totals[$name]}"
        awk -v set="$set" -v name="$program" -v t="$t" -v e="$e" -v s="$s" -v secs="$secs" -v lo="$lo" -v hi="$hi" \
            'BEGIN { per = e > 0 ? sprintf("%.1f us", t / 1000 / e) : "-";
                     printf "%-6s %-20s %14s %12.1f %9s %8d %10.1f\n", set, name, per, s / secs, lo == hi ? lo : lo "-" hi, e, t / 1e6 }'
    done
    read -r qt qe _ <<<"${totals[$set|quorvane (window)]}"
    read -r ft fe _ <<<"${totals[$set|fping -l -p 1000]}"
    awk -v set="$set" -v qt="$qt" -v qe="$qe" -v ft="$ft" -v fe="$fe" \
        'BEGIN { if (qe > 0 && fe > 0 && ft > 0) printf "%-6s quorvane / fping per echo: %.2fx\n", set, (qt / qe) / (ft / fe) }'
done
echo
monitor_median=$(median "${monitor_us[@]}")
minimal_median=$(median "${minimal_us[@]}")
printf 'start-up to first paint under Xvfb, %d starts of each in turn, median: quorvane %.1f ms, minimal Qt window %.1f ms (%.2fx)\n' \
    "$STARTS" "$(awk -v a="$monitor_median" 'BEGIN { print a / 1000 }')" \
    "$(awk -v b="$minimal_median" 'BEGIN { print b / 1000 }')" \
    "$(awk -v a="$monitor_median" -v b="$minimal_median" 'BEGIN { print a / b }')"
