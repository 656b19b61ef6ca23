#!/usr/bin/env bash
# Parses one large generated translation unit with ormparse and prints its time next to
# gcc -fsyntax-only on the same text, as a ratio. Usage: bench_parse.sh [ORMPARSE] [FUNCTIONS]
# (a Release build of ormparse gives the meaningful figure; the sanitised Debug build is slower).
set -euo pipefail
root="$(cd "$(dirname "$0")/../../.." && pwd)"
parser="${1:-$root/build/bin/ormparse}"
functions="${2:-3000}"
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
unit="$work/unit.c"
{
    echo "struct rec { int key; long total; char name[8]; struct rec *next; };"
    echo "extern int printf(const char *fmt, ...);"
    echo "static struct rec pool[16];"
    for ((i = 0; i < functions; i++)); do
        cat <<C
static int helper$i(int a, int b)
{
    int i, sum = 0;
    for (i = 0; i < a; i++) {
        if ((i & 3) == 1) sum += b * i - (a >> 1);
        else sum ^= pool[i & 15].key;
    }
    switch (sum & 7) { case 0: sum++; break; case 1: sum--; break; default: sum = -sum; }
    while (sum > 1000) sum /= 3;
    return sum;
}
long entry$i(struct rec *r, unsigned n)
{
    long t = 0;
    do { t += r->total + helper$i((int)n, r->key); r = r->next; } while (r && --n);
    return t ? t : (long)sizeof(struct rec);
}
C
    done
} > "$unit"
lines=$(wc -l < "$unit")
measure() {
    local start end
    start=$(date +%s.%N)
    "$@" > /dev/null 2>&1 || true
    end=$(date +%s.%N)
    awk -v a="$start" -v b="$end" 'BEGIN { printf "%.3f", b - a }' 
}
ours=$(measure "$parser" "--edf=$root/dat/en_msgs.txt" -W9 "$unit" "$work/unit.ic" "$work/unit.str")
theirs=$(measure gcc -fsyntax-only -w "$unit")
ratio=$(awk -v a="$ours" -v b="$theirs" 'BEGIN { printf "%.2f", a / b }')
printf 'unit: %d lines, %d functions\normparse: %.3f s\ngcc -fsyntax-only: %.3f s\nratio: %s\n' \
    "$lines" "$((functions * 2))" "$ours" "$theirs" "$ratio"
