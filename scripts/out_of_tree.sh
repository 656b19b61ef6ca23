#!/usr/bin/env bash
# Builds the tree in folders outside the sources, once in Debug (with the sanitizers) and once in
# Release, and runs the tests of each twice in a row (each build's default tier, as scripts/test.sh
# runs it): the tests must not depend on where the build folder lies, nor on what an earlier run
# left behind, and must leave nothing in it.
#   scripts/out_of_tree.sh [CTEST_REGEX]    (JOBS=n sets the parallel jobs, 3 by default)
set -euo pipefail
cd "$(dirname "$0")/.."
jobs=${JOBS:-3}
filter=()
[ $# -gt 0 ] && filter=(-R "$1")
launcher=()
if command -v ccache >/dev/null; then
    launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache -DCMAKE_C_COMPILER_LAUNCHER=ccache)
fi
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
status=0
for config in Debug Release; do
    tree=$(mktemp -d "${TMPDIR:-/tmp}/orm_out_of_tree_${config}_XXXXXX")
    options=(-DCMAKE_BUILD_TYPE="$config")
    # the default tier of each build, as scripts/test.sh runs it (the Windows checks aside)
    excluded="wine|windows|norel|full"
    if [ "$config" = Debug ]; then
        options+=(-DORM_SANITIZE=ON)
        excluded="wine|windows|nosan|full"
    fi
    cmake -S . -B "$tree" -G Ninja "${options[@]}" "${launcher[@]}" >/dev/null
    cmake --build "$tree" -j "$jobs"
    # What the build made; the tests may add nothing but CTest's own logs.
    find "$tree" -path "$tree/Testing" -prune -o -type f -print | sort > "$tree.files"
    for run in 1 2; do
        echo "== $config, run $run, in $tree"
        if ! ctest --test-dir "$tree" -j "$jobs" --output-on-failure --timeout 1800 -LE "$excluded" "${filter[@]}"; then
            status=1
        fi
    done
    left=$(find "$tree" -path "$tree/Testing" -prune -o -type f -print | sort | comm -13 "$tree.files" -)
    if [ -n "$left" ]; then
        echo "files the tests left in the build tree:"
        echo "$left"
        status=1
    fi
    rm -f "$tree.files"
    rm -rf "$tree"
done
exit $status
