# Sourced by the torture tests: GCC's C89 execute tests, taken from Debian's gcc-12-source at
# test time and unpacked into a work folder of the caller's own.
# c89_corpus WORK [stdarg]: sets `suite` (the folder of .c files) and `files` (those that pass the
# C89 filter, sorted). With "stdarg" the filter also keeps variadic functions and <stdarg.h>,
# which only a caller that compiles with the installed headers can use. Without the source
# package it exits 77, or 1 when CI=true.
c89_corpus() {
    local work="$1" with_stdarg="${2:-}" tarball top
    tarball="$(ls /usr/src/gcc-12/gcc-12*.tar.* 2>/dev/null | head -1)"
    if [ -z "$tarball" ]; then
        echo "gcc-12-source is not installed; skipped"
        [ "${CI:-}" = true ] && exit 1
        exit 77
    fi
    suite="$work/execute"
    if [ -z "$(ls "$suite"/*.c 2>/dev/null | head -1)" ]; then
        rm -rf "$suite"
        mkdir -p "$work"
        top="$(tar -tf "$tarball" | head -1 | cut -d/ -f1)"
        tar -xf "$tarball" -C "$work" --wildcards "$top/gcc/testsuite/gcc.c-torture/execute/*.c" 2>/dev/null
        mv "$work/$top/gcc/testsuite/gcc.c-torture/execute" "$suite"
        rm -rf "${work:?}/$top"
    fi
    # C89 without extensions: no long long, no includes, no GCC keywords or builtins, no C99 forms.
    # A designated initializer is a designator list after `{`, `,` or a line's start, so that
    # plain assignments like `a[i] = ` and `s.x = ` keep their files.
    local excluded='long long|#include|__|asm|typeof|_Complex|_Bool|inline|restrict|\(\{|//|(^|[{,])[[:space:]]*(\[[^]]*\]|\.[a-zA-Z_]+)+[[:space:]]*=[^=]|\bfor *\( *(int|char|long|unsigned)|_Pragma|#pragma|goto *\*|&&[a-zA-Z_]|\blong double\b|\(\([a-z ]*\) *\{|\bsizeof *\(\w+\) *\[|\.\.\.\)|0x[0-9a-fA-F]*\.|[0-9]\.[0-9]*p'
    if [ "$with_stdarg" != stdarg ]; then
        mapfile -t files < <(cd "$suite" && grep -L -E "$excluded" ./*.c | sed 's|^\./||' | sort)
        return
    fi
    excluded="${excluded/'|\.\.\.\)'/}"
    mapfile -t files < <(cd "$suite" && for f in ./*.c; do
        sed '/^[[:space:]]*#[[:space:]]*include[[:space:]]*<stdarg\.h>/d' "$f" | grep -q -E "$excluded" || echo "${f#./}"
    done | sort)
}
