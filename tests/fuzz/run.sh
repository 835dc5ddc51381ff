#!/usr/bin/env bash
# Runs every fuzz target of the fuzz build for a fixed number of inputs.
set -euo pipefail
build=${1:-build-fuzz}
runs=${FUZZ_RUNS:-300000}
corpus=$(mktemp -d)
trap 'rm -rf "$corpus"' EXIT
for target in "$build"/fuzz-*; do
    [ -x "$target" ] || continue
    mkdir -p "$corpus/${target##*/}"
    echo "== ${target##*/}: $runs runs"
    "$target" -runs="$runs" -max_len=4096 "$corpus/${target##*/}" 2>&1 | tail -n 3
done
