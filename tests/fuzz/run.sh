#!/usr/bin/env bash
# Runs every fuzz target of the fuzz build for FUZZ_SECONDS (default 60)
# each. Any sanitizer report ends the target with a failure, and so the run;
# the input that caused it is kept in the build folder.
set -euo pipefail
build=$(realpath "${1:-build-fuzz}")
seconds=${FUZZ_SECONDS:-60}
here=$(dirname "$(realpath "$0")")
# The settings target writes a settings file for every input: in memory
# where there is a memory file system.
scratch=$(mktemp -d "$( [ -d /dev/shm ] && echo /dev/shm || echo "${TMPDIR:-/tmp}")/quorvane-fuzz.XXXXXX")
trap 'rm -rf "$scratch"' EXIT
export TMPDIR=$scratch
export ASAN_OPTIONS=halt_on_error=1
export UBSAN_OPTIONS=halt_on_error=1:print_stacktrace=1
export LSAN_OPTIONS=suppressions=$here/../lsan.supp:print_suppressions=0
for target in "$build"/fuzz-*; do
    [ -x "$target" ] || continue
    name=${target##*/}
    mkdir -p "$scratch/$name"
    echo "== $name: $seconds s"
    if ! "$target" -max_total_time="$seconds" -max_len=4096 -print_final_stats=1 \
        -artifact_prefix="$build/$name-" "$scratch/$name" >"$scratch/$name.log" 2>&1; then
        cat "$scratch/$name.log"
        exit 1
    fi
    grep -E '^Done [0-9]+ runs|^stat::(number_of_executed_units|new_units_added|peak_rss_mb)' "$scratch/$name.log"
    echo "corpus: $(find "$scratch/$name" -type f | wc -l) inputs"
done
