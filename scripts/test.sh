#!/usr/bin/env bash
# Builds everything (Debug, AddressSanitizer and UndefinedBehaviorSanitizer) and the two Windows
# trees (build-win32: i686, the delivered programs; build-win64: x86_64, run under wine64), then
# runs the native tests and the wine tests. Prints the time of each stage.
set -euo pipefail
cd "$(dirname "$0")/.."
jobs=$(nproc 2>/dev/null || echo 4)
launcher=()
if command -v ccache >/dev/null; then
    launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache -DCMAKE_C_COMPILER_LAUNCHER=ccache)
fi

stage_start=$SECONDS
stage() {   # stage NAME: ends the running stage and prints its time
    echo "== stage time: $1: $((SECONDS - stage_start)) s"
    stage_start=$SECONDS
}

cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=Debug -DORM_SANITIZE=ON "${launcher[@]}" >/dev/null
cmake --build build -j "$jobs"
stage "native build"

# The cross builds make their run-time libraries with the native ormasm and ormarch.
for target in i686:win32 x86_64:win64; do
    cpu=${target%%:*} tree=build-${target##*:}
    cmake -S . -B "$tree" -G Ninja -DCMAKE_TOOLCHAIN_FILE="cmake/mingw-$cpu.cmake" -DCMAKE_BUILD_TYPE=Release \
          -DORM_NATIVE_BIN_DIR="$PWD/build/bin" "${launcher[@]}" >/dev/null
    cmake --build "$tree" -j "$jobs"
    stage "$cpu cross build"
done

# Leak checking stays on; intended leaks are listed in testsupport/leaks.supp.
unset ASAN_OPTIONS
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
ctest --test-dir build -j "$jobs" --output-on-failure --timeout 900 -LE wine
stage "native tests"
ctest --test-dir build --output-on-failure -L wine
stage "wine tests"
