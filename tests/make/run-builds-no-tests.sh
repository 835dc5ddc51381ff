#!/usr/bin/env bash
# Fails when `make run` would build a test program or a benchmark. Make is
# asked what `make run` would do with this build tree (a dry run: nothing is
# installed, configured, built or started), each `cmake --build` it names is
# asked the same of the tree's own makefiles, and the targets that dry run
# reaches are looked at: none may be from tests/ or bench/, and the monitor
# and its ICMP helper must be among them.
#   run-builds-no-tests.sh SOURCE_DIR BUILD_DIR
set -uo pipefail
source=$(cd "$1" && pwd)
build=$(cd "$2" && pwd)
# A make that runs this test (make test) must not hand its own flags down.
unset MAKEFLAGS MFLAGS MAKELEVEL

generator=$(sed -n 's/^CMAKE_GENERATOR:INTERNAL=//p' "$build/CMakeCache.txt")
if [ "$generator" != "Unix Makefiles" ]; then
    echo "SKIPPED: the dry run reads Unix Makefiles, not $generator"
    exit 77
fi

plan=$(make --no-print-directory -n -C "$source" run BUILD="$build") || { echo "FAILED: make -n run"; exit 1; }
builds=$(grep -E '^cmake --build ' <<<"$plan")
[ -n "$builds" ] || { printf 'FAILED: make run names no cmake --build:\n%s\n' "$plan"; exit 1; }

reached=
while IFS= read -r command; do
    # The tree is built (CTest runs after the build), so the dry run goes
    # through every target it would build and names each.
    dry=$(bash -c "$command -- -n" 2>&1) || { printf 'FAILED: %s -- -n\n%s\n' "$command" "$dry"; exit 1; }
    reached+=$(grep -oE ' -f [^ ]+/CMakeFiles/[^ /]+\.dir/build\.make' <<<"$dry" | sed -E 's|^ -f ||; s|/build\.make$||')$'\n'
done <<<"$builds"
# The targets that run moc for a target go with it.
reached=$(sed '/^$/d; /_autogen\.dir$/d' <<<"$reached" | sort -u)

failures=0
for wanted in monitor/CMakeFiles/quorvane.dir icmp/CMakeFiles/quorvane-icmp.dir; do
    grep -qxF "$wanted" <<<"$reached" || { echo "FAILED: make run does not build ${wanted%.dir}"; failures=1; }
done
unwanted=$(grep -E '^(tests|bench)/' <<<"$reached")
if [ -n "$unwanted" ]; then
    echo "FAILED: make run builds test programs or benchmarks:"
    sed -E 's|^(.*)/CMakeFiles/(.*)\.dir$|  \2 (\1)|' <<<"$unwanted"
    failures=1
fi
[ "$failures" = 0 ] && echo "make run builds: $(sed -E 's|.*/||; s|\.dir$||' <<<"$reached" | tr '\n' ' ')"
exit "$failures"
