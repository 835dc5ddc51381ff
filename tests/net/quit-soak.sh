#!/usr/bin/env bash
# Usage: quit-soak.sh BUILD_DIR
#
# Runs every way of quitting under load QV_QUIT_ROUNDS times (default 100):
# the two signals to the real program and the three commands inside the
# window. Each way runs on a test network of its own, all at once, so that
# the rounds take minutes rather than most of an hour; prints each way's
# figures and fails when any way does.
set -euo pipefail
build=$(realpath "${1:?usage: quit-soak.sh BUILD_DIR}")
here=$(dirname "$(realpath "$0")")
export QV_QUIT_ROUNDS=${QV_QUIT_ROUNDS:-100}
logs=$(mktemp -d)
trap 'rm -rf "$logs"' EXIT

ways=(
    '*QuitUnderLoadProgram.*/INT'
    '*QuitUnderLoadProgram.*/TERM'
    '*QuitUnderLoadWindow.*/QuitButton'
    '*QuitUnderLoadWindow.*/ExitMenuItem'
    '*QuitUnderLoadWindow.*/ClosingTheWindow'
)
echo "== quitting under load: ${#ways[@]} ways, $QV_QUIT_ROUNDS rounds each"
pids=()
for i in "${!ways[@]}"; do
    (cd "$build/tests/net" && "$here/with-testnet.sh" --responder "$build/tests/quorvane-test-responder" \
        ./quorvane-net-tests --gtest_filter="${ways[$i]}") >"$logs/$i.log" 2>&1 &
    pids+=($!)
done
failed=0
for i in "${!ways[@]}"; do
    if wait "${pids[$i]}"; then
        grep -h 'figures' "$logs/$i.log" || true
    else
        failed=1
        echo "== ${ways[$i]} failed:"
        cat "$logs/$i.log"
    fi
done
exit "$failed"
