#!/usr/bin/env bash
# The intermediate-code reader over code nobody here wrote: GCC's C89 execute tests (from
# Debian's gcc-12-source at test time) through ormpre and ormparse; every file the parser
# accepts must be read by ormcg without a reader error (714, 715, 722, 724, 730, 731).
# Usage: run_reader.sh BUILD_DIR   (exit 77 when the source package is missing and CI is not set)
set -uo pipefail
build="${1:?build directory}"
tarball="$(ls /usr/src/gcc-12/gcc-12*.tar.* 2>/dev/null | head -1)"
if [ -z "$tarball" ]; then
    echo "gcc-12-source is not installed"
    [ "${CI:-}" = true ] && exit 1
    exit 77
fi
work="$build/cg_torture"
suite="$work/execute"
if [ ! -d "$suite" ]; then
    mkdir -p "$work"
    top="$(tar -tf "$tarball" | head -1 | cut -d/ -f1)"
    tar -xf "$tarball" -C "$work" --wildcards "$top/gcc/testsuite/gcc.c-torture/execute/*.c" 2>/dev/null
    mv "$work/$top/gcc/testsuite/gcc.c-torture/execute" "$suite"
    rm -rf "${work:?}/$top"
fi
# The same C89 filter as the parser's own torture test.
excluded='long long|#include|__|asm|typeof|_Complex|_Bool|inline|restrict|\(\{|//|\[[^]]*\] *=|\.[a-zA-Z_]+ *=[^=]|\bfor *\( *(int|char|long|unsigned)|_Pragma|#pragma|goto *\*|&&[a-zA-Z_]|\blong double\b|\(\([a-z ]*\) *\{|\bsizeof *\(\w+\) *\[|\.\.\.\)|0x[0-9a-fA-F]*\.|[0-9]\.[0-9]*p'
mapfile -t files < <(cd "$suite" && grep -L -E "$excluded" ./*.c | sed 's|^\./||' | sort)
out="$work/results"
rm -rf "$out"
mkdir -p "$out"
export build suite out
check_one() {
    local f="$1" name="${1%.c}" edf="--edf=$build/dat/en_msgs.txt"
    "$build/bin/ormpre" -S1,2,2,4,2,4,4 "$edf" "$suite/$f" "$out/$name.pre" 2> /dev/null || { echo "skip $f"; return; }
    if ! "$build/bin/ormparse" "$edf" -D -Z1,2,2,4,2,4,4 "$out/$name.pre" "$out/$name.ic" "$out/$name.str" \
        2> "$out/$name.perr" || grep -v '(warning)' "$out/$name.perr" | grep -q -E '\([0-9]+\) '; then
        echo "skip $f"
        return
    fi
    "$build/bin/ormcg" "$edf" -D"$out/$name.sdb" "$out/$name.ic" "$out/$name.as" 2> "$out/$name.err"
    if grep -q -E '\((714|715|722|724|730|731)\)' "$out/$name.err"; then echo "fail $f"; else echo "pass $f"; fi
}
export -f check_one
printf '%s\n' "${files[@]}" | xargs -P 4 -I{} bash -c 'check_one "$@"' _ {} > "$out/summary"
passed=$(grep -c '^pass' "$out/summary")
skipped=$(grep -c '^skip' "$out/summary")
failed=$(grep -c '^fail' "$out/summary")
grep '^fail' "$out/summary" | while read -r _ f; do
    echo "FAILED: $f"
    grep -E '\((714|715|722|724|730|731)\)' "$out/${f%.c}.err" | head -3 | sed 's/^/    /'
done
echo "$passed read cleanly, $failed with reader errors, $skipped not accepted by the parser"
[ "$failed" -eq 0 ] && [ "$passed" -gt 0 ]
