#!/usr/bin/env bash
# Builds the toolchain twice and the two Windows trees, and runs the tests of each build:
#   build      Release, the build users get: every test but the fuzz loop;
#   build-san  Debug with AddressSanitizer and UndefinedBehaviorSanitizer: the unit and
#              end-to-end tests, the fuzz loop and the 16F877A's execution tables (the long
#              tables, the torture corpus and the random programs stay in build: they run the
#              same passes many times over, at a twentieth of the cost);
#   build-win32 (i686, the delivered programs) and build-win64 (x86_64, run under wine64): the
#              wine tests, and the Windows program and installer checks.
#   scripts/test.sh           the default tier (the README's test command, what CI runs)
#   scripts/test.sh --full    adds the whole execution table on every chip, every torture shard
#                             and the long random runs (test labels: see tests/CMakeLists.txt)
# The two native trees' tests run side by side, and the Windows trees build beside them. Prints
# the time of each stage.
set -euo pipefail
cd "$(dirname "$0")/.."
full=0
case "${1:-}" in
    --full) full=1 ;;
    "") ;;
    *) echo "usage: scripts/test.sh [--full]" >&2; exit 2 ;;
esac
jobs=$(nproc 2>/dev/null || echo 4)
launcher=()
if command -v ccache >/dev/null; then
    launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache -DCMAKE_C_COMPILER_LAUNCHER=ccache)
fi
started=$SECONDS
stage_start=$SECONDS
stage() {   # stage NAME: ends the running stage and prints its time
    echo "== stage time: $1: $((SECONDS - stage_start)) s"
    stage_start=$SECONDS
}

cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=Release "${launcher[@]}" >/dev/null
cmake --build build -j "$jobs"
stage "release build"
cmake -S . -B build-san -G Ninja -DCMAKE_BUILD_TYPE=Debug -DORM_SANITIZE=ON "${launcher[@]}" >/dev/null
cmake --build build-san -j "$jobs"
stage "sanitizer build"

# Leak checking stays on; intended leaks are listed in testsupport/leaks.supp.
unset ASAN_OPTIONS
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
logs=$(mktemp -d "${TMPDIR:-/tmp}/orm_test_logs_XXXXXX")
trap 'rm -rf "$logs"' EXIT
excluded_tier=full
[ "$full" = 1 ] && excluded_tier=sample

# run_job NAME COMMAND...: runs the command in the background, its output and time into
# $logs/NAME; $logs/NAME.status holds its exit status when it has ended.
run_job() {
    local name="$1"
    shift
    (
        begin=$SECONDS
        status=0
        "$@" > "$logs/$name" 2>&1 || status=$?
        echo "== stage time: $name: $((SECONDS - begin)) s" >> "$logs/$name"
        echo "$status" > "$logs/$name.status"
        echo "== $name ended (status $status, $((SECONDS - begin)) s)"
    ) &
}

tests() {   # tests TREE EXCLUDED_LABELS [CTEST_OPTIONS...]
    ctest --test-dir "$1" -j "$jobs" --output-on-failure --timeout 1800 -LE "$2" "${@:3}"
}

# The cross builds make their run-time libraries with the native ormasm and ormarch; the wine
# tests and the Windows checks need both trees.
windows() {
    for target in i686:win32 x86_64:win64; do
        local cpu=${target%%:*} tree=build-${target##*:} begin=$SECONDS
        cmake -S . -B "$tree" -G Ninja -DCMAKE_TOOLCHAIN_FILE="cmake/mingw-$cpu.cmake" -DCMAKE_BUILD_TYPE=Release \
              -DORM_NATIVE_BIN_DIR="$PWD/build/bin" "${launcher[@]}" >/dev/null
        cmake --build "$tree" -j "$jobs"
        echo "== stage time: $cpu cross build: $((SECONDS - begin)) s"
    done
    tests build 'nothing' -L 'wine|windows'
}

run_job "release tests" tests build "wine|windows|norel|$excluded_tier"
run_job "sanitizer tests" tests build-san "wine|windows|nosan|$excluded_tier"
run_job "windows builds and tests" windows
wait

status=0
for name in "sanitizer tests" "release tests" "windows builds and tests"; do
    echo
    echo "==== $name"
    # what failed and the summary; of the passing tests only the longest
    grep -v -E '^ *(Start +[0-9]+:|[0-9]+/[0-9]+ Test +#[0-9]+: .* Passed )' "$logs/$name" || true
    echo "the longest:"
    grep -E ' Passed +[0-9.]+ sec' "$logs/$name" | awk '{print "   ", $(NF-1), "s", $4}' | sort -k1 -n -r | head -n 8 || true
    [ "$(cat "$logs/$name.status" 2>/dev/null || echo 1)" = 0 ] || status=1
done
stage "tests"
echo "== total time: $((SECONDS - started)) s"
exit $status
