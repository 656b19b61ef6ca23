#!/usr/bin/env bash
# Builds everything (Debug, AddressSanitizer and UndefinedBehaviorSanitizer) and runs every test,
# after cross-building the platform layer and the common library for 32-bit Windows.
set -euo pipefail
cd "$(dirname "$0")/.."
jobs=$(nproc 2>/dev/null || echo 4)

if command -v i686-w64-mingw32-g++ >/dev/null; then
    cmake -S . -B build-win32 -G Ninja -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-i686.cmake \
          -DORM_LIBS_ONLY=ON -DCMAKE_BUILD_TYPE=Release >/dev/null
    cmake --build build-win32 -j "$jobs"
    echo "win32 cross-build: ok"
fi

cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=Debug -DORM_SANITIZE=ON >/dev/null
cmake --build build -j "$jobs"
export ASAN_OPTIONS=detect_leaks=0
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
ctest --test-dir build -j "$jobs" --output-on-failure --timeout 600
