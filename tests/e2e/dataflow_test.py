#!/usr/bin/env python3
"""Constants and liveness of auto variables in the per-function optimiser: one program built
with --opt=none and with the default options runs in gpsim to the same values (worked out by
hand from the source) on the 16F877A, and the optimised code shows the folding: a compound
assignment after a constant one stores the sum, a test of a known value keeps only its taken
branch, a dead store goes but its call stays."""
from e2e import Workdir, check, finish, need
from pictarget import build_both_ways

need("gpsim")

PROGRAM = r"""
unsigned char g, calls, r0, r1, r2, r3, r4, r5, r6, r7, r8, r9, done;
unsigned int rw;
unsigned char touch(void) { calls++; return calls + 40; }
unsigned char pick(unsigned char c) {
    unsigned char x;
    if (c) x = 1; else x = 2;   /* two constants meet: the read keeps the variable */
    return x;
}
void main(void) {
    unsigned char x, y, i, acc;
    signed char s;
    unsigned int w;
    volatile unsigned char v;
    x = 3;
    x += 22;                    /* 25 */
    r0 = x;
    r1 = pick(g) + pick(1);     /* g is 0: 2 + 1 */
    x = 5;
    if (x == 5) r2 = 7; else r2 = 171;
    y = touch();                /* dead: overwritten below, but the call stays */
    y = 9;
    r3 = y;
    x = 3;
    y = x++;
    r4 = y;                     /* 3 */
    r5 = x;                     /* 4 */
    s = -5;
    s >>= 1;                    /* -3 */
    r6 = s;
    acc = 0;
    for (i = 0; i < 4; i++) acc += i;   /* the loop head meets 0 and i + 1: not constant */
    r7 = acc;                   /* 6 */
    w = 300;
    w *= 3;
    rw = w;                     /* 900 */
    v = 4;
    v += 1;
    r8 = v;                     /* 5, through memory */
    x = 200;
    x += 100;                   /* wraps to 44 */
    r9 = x;
    done = 1;
    while (1) ;
}
"""
EXPECTED = {"_r0": 25, "_r1": 3, "_r2": 7, "_r3": 9, "_calls": 1, "_r4": 3, "_r5": 4, "_r6": 0xFD, "_r7": 6,
            "_rw": 900 & 0xFF, "_rw+1": 900 >> 8, "_r8": 5, "_r9": 44}


def test_program():
    with Workdir() as w:
        w.write("df.c", PROGRAM)
        texts = build_both_ways(w, "16F877A", "df.c", EXPECTED, check)
        if len(texts) == 2:
            plain, optimised = texts["none"], texts["default"]
            check("movlw\t016h" in plain and "movlw\t016h" not in optimised and "movlw\t019h" in optimised,
                  "3 then += 22 is stored as 25 by the optimised code")
            check("movlw\t0ABh" in plain and "movlw\t0ABh" not in optimised,
                  "the branch a known 5 never takes is dropped (171 is stored only by the plain code)")
            check(optimised.count("_touch") == plain.count("_touch"), "the call of a dead store stays")


test_program()
finish()
