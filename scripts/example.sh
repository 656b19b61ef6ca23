#!/usr/bin/env bash
# Builds the toolchain and compiles the example C program for a PIC16F877 into a hex file.
set -euo pipefail
cd "$(dirname "$0")/.."
jobs=$(nproc 2>/dev/null || echo 4)
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=Debug >/dev/null
cmake --build build -j "$jobs"
if [ -x build/bin/ormcl ]; then
    build/bin/ormcl --help | head -20
else
    echo "example: the driver ormcl is not built yet"
fi
