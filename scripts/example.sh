#!/usr/bin/env bash
# The main job: builds the toolchain in Release (as users get it), compiles examples/blink.c
# for a PIC16F877A into build/example/blink.hex with plain ormcl, and runs it in gpsim, showing
# PORTB after each write to it: bit 0 toggles.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)
jobs=$(nproc 2>/dev/null || echo 4)
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build build -j "$jobs"

out=build/example
rm -rf "$out" && mkdir -p "$out" && cd "$out"
cp "$root/examples/blink.c" .

echo "== ormcl --chip=16F877A examples/blink.c"
"$root/build/bin/ormcl" --chip=16F877A blink.c
test -s blink.hex

echo "== gpsim: PORTB after each write to it"
commands="break w 0x06"$'\n'
for _ in 1 2 3 4 5 6 7 8; do commands+="run"$'\n'"reg(0x06)"$'\n'; done
commands+="reg(0x86)"$'\n'"quit"$'\n'
values=$(gpsim -i -p p16f877a blink.hex <<<"$commands" | sed -n 's/.*\] = \$\([0-9a-fA-F]*\).*/\1/p' | tr '\n' ' ')
trisb=$(echo "$values" | awk '{print $NF}')
values=$(echo "$values" | awk '{$NF=""; print}')
echo "PORTB: $values"
echo "TRISB: $trisb"
if [ "$((16#$trisb & 1))" != 0 ]; then
    echo "example: PORTB bit 0 is not an output (TRISB = $trisb)" >&2
    exit 1
fi
# Bit 0 must change at every write.
prev=""
count=0
for v in $values; do
    bit=$((16#$v & 1))
    if [ -n "$prev" ] && [ "$bit" = "$prev" ]; then
        echo "example: PORTB bit 0 did not toggle" >&2
        exit 1
    fi
    prev=$bit
    count=$((count + 1))
done
if [ "$count" -lt 4 ]; then
    echo "example: gpsim showed too few writes to PORTB" >&2
    exit 1
fi
echo "example: wrote $out/blink.hex; PORTB bit 0 toggles"
