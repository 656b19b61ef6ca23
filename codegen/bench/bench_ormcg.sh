#!/usr/bin/env bash
# ormcg's time on a large generated data module against ormparse's on the same source, at two
# sizes, so a reader or data writer that is not linear in its input shows as a growing ratio.
# Usage: bench_ormcg.sh BUILD_DIR [DECLARATIONS]
set -euo pipefail
build="${1:?build directory}"
n="${2:-4000}"
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
edf="--edf=$build/dat/en_msgs.txt"

generate() {   # count file
    {
        echo "struct rec { int a; unsigned b:3; unsigned c:5; char name[4]; };"
        echo "enum level { LOW, MID = 100, HIGH = 300 };"
        for ((i = 0; i < $1; i++)); do
            case $((i % 5)) in
            0) echo "int g$i = $i;" ;;
            1) echo "const unsigned char t$i[] = { $((i % 256)), 2, 3, 4 };" ;;
            2) echo "static struct rec r$i = { $i, 5, 17, \"ab\" };" ;;
            3) echo "char *s$i = \"text $i\";" ;;
            4) echo "enum level e$i = MID; long l$i;" ;;
            esac
        done
    } > "$2"
}

seconds() { python3 -c 'import sys,time,subprocess; t=time.perf_counter(); subprocess.run(sys.argv[1:], check=True, stderr=subprocess.DEVNULL); print("%.3f" % (time.perf_counter()-t))' "$@"; }

for count in "$n" "$((n * 4))"; do
    generate "$count" "$work/big.c"
    "$build/bin/ormpre" "$edf" "$work/big.c" "$work/big.pre" 2> /dev/null
    parse=$(seconds "$build/bin/ormparse" "$edf" -Z1,2,2,4,2,4,4 "$work/big.pre" "$work/big.ic" "$work/big.str")
    cg=$(seconds "$build/bin/ormcg" "$edf" -D"$work/big.sdb" -PORMC16F877A,0 "$work/big.ic" "$work/big.as")
    python3 -c "import sys; p, c = float(sys.argv[2]), float(sys.argv[3]); print('%6s declarations: ormparse %.3fs  ormcg %.3fs  ratio %.2f' % (sys.argv[1], p, c, c / p if p else 0))" "$count" "$parse" "$cg"
done
