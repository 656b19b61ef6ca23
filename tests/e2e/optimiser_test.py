#!/usr/bin/env python3
"""The per-function optimiser against the plain path: one program built with --opt=none and with
the default options runs in gpsim to the same values (worked out by hand from the source) on
the 16F877A; the optimised code selects banks less often and drops the block nothing reaches.
Functions far larger than a user writes (5,000 statements, 300 labels, a switch of 511 cases)
still compile."""
import re

from e2e import Workdir, check, finish, need
from pictarget import build_both_ways

need("gpsim")

PROGRAM = r"""
unsigned char g0, r0, r1, r2, r3, done;
bank1 unsigned char b1, c1;
unsigned char touch(void) { b1++; return b1; }
void main(void) {
    unsigned char i;
    g0 = 5;
    if (g0 == 5) b1 = 3; else c1 = 4;
    r0 = b1;
    for (i = 0; i < 3; i++) { c1 += i; r1 += c1; }
    if (touch() == 4) r2 = 1;
    r2 += b1;
    goto skip;
again:
    r3 = 99;
    goto again;
skip:
    r3 += 7;
    done = 1;
    while (1) ;
}
"""
# b1 = 3 then 4 after touch(); c1 = 0 + 0 + 1 + 2; r1 = 0 + 1 + 3; r2 = 1 + 4; r3 = 7.
EXPECTED = {"_g0": 5, "_r0": 3, "_b1": 4, "_c1": 3, "_r1": 4, "_r2": 5, "_r3": 7}


def bank_selects(text):
    return sum(1 for line in text.splitlines() if "status,5" in line or "status,6" in line)


def test_program():
    with Workdir() as w:
        w.write("opt.c", PROGRAM)
        texts = build_both_ways(w, "16F877A", "opt.c", EXPECTED, check)
        if len(texts) == 2:
            plain, optimised = texts["none"], texts["default"]
            check(bank_selects(optimised) < bank_selects(plain),
                  "the optimised code selects banks less often (%d, plain %d)" % (bank_selects(optimised), bank_selects(plain)))
            check("movlw\t063h" in plain and "movlw\t063h" not in optimised,
                  "the loop nothing enters is dropped (99 is stored only by the plain code)")


UNSET = r"""
unsigned char g, h;
struct pt { unsigned char x, y; };
void main(void) {
    unsigned char a, b, c, i, *q;
    volatile unsigned char v;
    struct pt p;
    if (g) a = 1;
    h = a;
    b = 2;
    h += b;
    for (i = 0; i < 3; i++) c = i;
    h += c;
    p.x = 1;
    h += p.y;
    h += v;
    q = &h;
    *q = 3;
    while (1) ;
}
"""


def test_used_before_set():
    """748 for a (set on one way only, read on line 9) and c (the loop may not run, line 13);
    b is set first; the structure, the volatile and the pointer are not followed; -W1 or the
    optimiser off gives none."""
    with Workdir() as w:
        w.write("unset.c", UNSET)
        for options, expected in (([], [(9, "_a"), (13, "_c")]), (["-W1"], []), (["--opt=none"], [])):
            r = w.ormcl("--chip=16F877A", "-S", *options, "unset.c")
            got = [(int(m.group(1)), m.group(2)) for m in
                   re.finditer(r"unset\.c: (\d+): \(748\) variable \"(\w+)\" may be used before set", r.stdout + r.stderr)]
            check(r.returncode == 0 and got == expected, "748 with %s: %s" % (options, got))


def big_function(name, body, decls=""):
    return "unsigned char g0, g1;\nunsigned int w;\n%svoid %s(void) {\n%s}\nvoid main(void) { %s(); }\n" % (
        decls, name, body, name)


def test_large_functions():
    statements = "".join("    g%d += %d;\n" % (i % 2, i % 251) for i in range(5000))
    labels = "".join("    if (g0 == %d) goto l%d;\n    g1++;\nl%d:\n    g0++;\n" % (i % 256, i, i) for i in range(300))
    cases = "    switch (w) {\n%s    default: g1 = 0;\n    }\n" % "".join(
        "    case %d: g0 = %d; break;\n" % (i, i & 255) for i in range(511))
    with Workdir() as w:
        for what, body in (("5000 statements", statements), ("300 labels", labels), ("511 cases", cases)):
            w.write("big.c", big_function("f", body))
            # The optimiser on, the assembler's own optimisation off: -S stops after the code
            # generator, whose output is what is checked (a switch this long needs more than
            # one page of tables, which the assembler refuses).
            r = w.ormcl("-Q", "--chip=16F877A", "-S", "--opt=9,space", "big.c")
            check(r.returncode == 0 and w.exists("big.as") and "_f:" in w.read("big.as").replace("_f\n", "_f:\n"),
                  "a function of %s compiles: %s" % (what, (r.stdout + r.stderr)[-600:]))


SWITCH = r"""
unsigned int w, g;
unsigned char r0, r1, r2, r3, r4, r5, done;
unsigned char pick(void) {
    g = 1000;
    switch (w) {
%s    }
    return (unsigned char)(g ^ (g >> 8));
}
void main(void) {
    w = 0; r0 = pick();
    w = 255; r1 = pick();
    w = 256; r2 = pick();
    w = 300; r3 = pick();
    w = 510; r4 = pick();
    w = 511; r5 = pick();
    done = 1;
    while (1) ;
}
""" % "".join("    case %d:%s\n" % (i, " g = %d; break;" % (i // 16 * 7 + 3) if i % 16 == 15 or i == 510 else "")
              for i in range(511))


def test_long_switch_builds():
    """A 511-case switch with the default options gets through the assembler: its tables never
    outgrow their 256-word section. Each run of 16 cases shares a body leaving g = 7 * (w / 16)
    + 3 (1000 by default, so that the code fits a page); the result is g's low byte xor its
    high byte, worked out here."""
    values = {"_r0": 0, "_r1": 255, "_r2": 256, "_r3": 300, "_r4": 510, "_r5": None}
    expected = {}
    for name, v in values.items():
        g = 1000 if v is None else 7 * (v // 16) + 3
        expected[name] = (g ^ (g >> 8)) & 0xff
    with Workdir() as w:
        w.write("sw.c", SWITCH)
        build_both_ways(w, "16F877A", "sw.c", expected, check)


test_program()
test_used_before_set()
test_large_functions()
test_long_switch_builds()
finish()
