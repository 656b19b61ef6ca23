#!/usr/bin/env bash
# The intermediate-code reader over code nobody here wrote: GCC's C89 execute tests (from
# Debian's gcc-12-source at test time) through ormpre and ormparse; every file the parser
# accepts must be read by ormcg without a reader error (714, 715, 722, 724, 730, 731).
# Usage: run_reader.sh BUILD_DIR   (exit 77 when the source package is missing and CI is not set)
set -uo pipefail
build="${1:?build directory}"
. "$(cd "$(dirname "$0")/../../.." && pwd)/tests/torture/c89_corpus.sh"
c89_corpus
# Each file's outputs in a scratch folder, outside the build tree, removed at the end.
out="$(mktemp -d "${TMPDIR:-/tmp}/orm_cg_torture_XXXXXX")"
trap 'rm -rf "$out"' EXIT
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
