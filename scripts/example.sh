#!/usr/bin/env bash
# Builds the toolchain and compiles the example C program for a PIC16F877 into a hex file.
set -euo pipefail
cd "$(dirname "$0")/.."
jobs=$(nproc 2>/dev/null || echo 4)
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=Debug >/dev/null
cmake --build build -j "$jobs"
if [ -x build/bin/ormcl ]; then
    # What the toolchain can do so far: list the chips, then show every pass's command line
    # for the example program (the passes are not run).
    build/bin/ormcl --chipinfo
    build/bin/ormcl --chip=16F877 -V --noexec examples/blink.c
else
    echo "example: the driver ormcl is not built yet"
fi
