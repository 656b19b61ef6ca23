# Sourced by the torture tests: GCC's C89 execute tests, taken from Debian's gcc-12-source at
# test time. The suite is unpacked once a machine, outside every build tree, and shared by all
# the tests and build trees that use it (under a lock: they start side by side); the filtered
# lists are kept beside it, named after this file's content, so that a changed filter makes
# them anew.
# c89_corpus [stdarg]: sets `suite` (the folder of .c files) and `files` (those that pass the
# C89 filter, sorted). With "stdarg" the filter also keeps variadic functions and <stdarg.h>,
# which only a caller that compiles with the installed headers can use. Without the source
# package it exits 77, or 1 when CI=true. ORM_CORPUS_DIR names another folder to keep it in.
c89_corpus() {
    local with_stdarg="${1:-}" tarball root list key
    tarball="$(ls /usr/src/gcc-12/gcc-12*.tar.* 2>/dev/null | head -1)"
    if [ -z "$tarball" ]; then
        echo "gcc-12-source is not installed; skipped"
        [ "${CI:-}" = true ] && exit 1
        exit 77
    fi
    root="${ORM_CORPUS_DIR:-${TMPDIR:-/tmp}/orm_c89_corpus}/$(basename "$tarball")"
    suite="$root/execute"
    key="$(md5sum < "${BASH_SOURCE[0]}" | cut -c1-12)"
    list="$root/files-${with_stdarg:-plain}-$key.txt"
    mkdir -p "$root"
    {
        flock 9
        if [ ! -f "$root/unpacked" ]; then
            c89_corpus_unpack "$tarball" "$root" || { echo "could not unpack $tarball"; exit 1; }
        fi
        if [ ! -f "$list" ]; then
            c89_corpus_filter "$with_stdarg" > "$list.part" && mv "$list.part" "$list"
        fi
    } 9> "$root/.lock"
    mapfile -t files < "$list"
}

# c89_corpus_unpack TARBALL ROOT: the execute tests into ROOT/execute, marked whole by ROOT/unpacked.
c89_corpus_unpack() {
    local tarball="$1" root="$2" top scratch
    scratch="$(mktemp -d "$root/unpack.XXXXXX")"
    top="$(tar -tf "$tarball" | head -1 | cut -d/ -f1)"
    tar -xf "$tarball" -C "$scratch" --wildcards "$top/gcc/testsuite/gcc.c-torture/execute/*.c" 2>/dev/null
    rm -rf "$root/execute"
    mv "$scratch/$top/gcc/testsuite/gcc.c-torture/execute" "$root/execute" || return 1
    rm -rf "$scratch"
    touch "$root/unpacked"
}

# c89_corpus_filter [stdarg]: the names of the tests in $suite that pass the C89 filter, sorted.
c89_corpus_filter() {
    # C89 without extensions: no long long, no includes, no GCC keywords or builtins, no C99 forms.
    # A designated initializer is a designator list after `{`, `,` or a line's start, so that
    # plain assignments like `a[i] = ` and `s.x = ` keep their files.
    local excluded='long long|#include|__|asm|typeof|_Complex|_Bool|inline|restrict|\(\{|//|(^|[{,])[[:space:]]*(\[[^]]*\]|\.[a-zA-Z_]+)+[[:space:]]*=[^=]|\bfor *\( *(int|char|long|unsigned)|_Pragma|#pragma|goto *\*|&&[a-zA-Z_]|\blong double\b|\(\([a-z ]*\) *\{|\bsizeof *\(\w+\) *\[|\.\.\.\)|0x[0-9a-fA-F]*\.|[0-9]\.[0-9]*p'
    if [ "$1" != stdarg ]; then
        (cd "$suite" && grep -L -E "$excluded" ./*.c | sed 's|^\./||' | sort)
        return
    fi
    excluded="${excluded/'|\.\.\.\)'/}"
    (cd "$suite" && for f in ./*.c; do
        sed '/^[[:space:]]*#[[:space:]]*include[[:space:]]*<stdarg\.h>/d' "$f" | grep -q -E "$excluded" || echo "${f#./}"
    done | sort)
}
