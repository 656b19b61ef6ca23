#!/usr/bin/env bash
# Preprocesses a generated source of 100,000 lines (macros, includes, conditionals) with
# ormpre and with the host's cpp, and prints the ratio of their times.
# Usage: benchmark.sh [build-dir]
set -euo pipefail
build=${1:-build}
ormpre=$(cd "$build" && pwd)/bin/ormpre
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

python3 - "$work" <<'PY'
import os, random, sys
work = sys.argv[1]
random.seed(7)
os.makedirs(os.path.join(work, "inc"), exist_ok=True)
for h in range(20):
    with open(os.path.join(work, "inc", f"h{h}.h"), "w") as f:
        f.write(f"#ifndef H{h}\n#define H{h}\n")
        for i in range(200):
            f.write(f"#define K{h}_{i} ({i} + {h})\n")
        f.write(f"#define F{h}(a, b) ((a) * K{h}_1 + (b) / 2)\n#endif\n")
lines = []
for h in range(20):
    lines.append(f'#include "h{h}.h"')
n = 0
while len(lines) < 100000:
    h = random.randrange(20)
    i = random.randrange(200)
    kind = random.randrange(6)
    if kind == 0:
        lines.append(f"int v{n} = F{h}(K{h}_{i}, v{n} + 3); /* comment {n} */")
    elif kind == 1:
        lines.append(f"#if K{h}_{i} > 100 && defined(H{h})")
        lines.append(f"long w{n} = K{h}_{i} << 2;")
        lines.append("#else")
        lines.append(f"short w{n} = {n};")
        lines.append("#endif")
    elif kind == 2:
        lines.append(f'char *s{n} = "text {n} with a \\"quote\\"";  // line comment')
    elif kind == 3:
        lines.append("")
    else:
        lines.append(f"x{n} = F{h}(F{(h + 1) % 20}(1, 2), K{h}_{i}) + y{n} * z{n};")
    n += 1
with open(os.path.join(work, "big.c"), "w") as f:
    f.write("\n".join(lines) + "\n")
PY

cd "$work"
time_of() {
    local start end
    start=$(date +%s.%N)
    "$@" >/dev/null
    end=$(date +%s.%N)
    echo "$end - $start" | bc -l
}
ours=$(time_of "$ormpre" -Iinc big.c out.i)
theirs=$(time_of cpp -Iinc big.c -o cpp.i)
printf 'ormpre %.3f s, cpp %.3f s, ratio %.2f\n' "$ours" "$theirs" "$(echo "$ours / $theirs" | bc -l)"
