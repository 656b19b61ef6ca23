"""Differential test of constant folding: random constant C expressions over char, unsigned
char, int, unsigned int, long and unsigned long with every operator go through ormpre, ormparse
and the code generator's rewriting; each folded value must equal what a host program computes
with the target's widths (8-bit char, 16-bit int, 32-bit long) written out as int8_t/int16_t/
int32_t casts and C's conversion rules. Seeded, so a failure repeats.

Arguments: build folder, number of expressions."""
import os
import random
import re
import sys

import ormtest

COUNT = int(sys.argv[2]) if len(sys.argv) > 2 else 4000
PER_FUNCTION = 250

# Target type: C name, host type, bits, signed.
TYPES = {
    "c": ("char", "int8_t", 8, True),
    "uc": ("unsigned char", "uint8_t", 8, False),
    "i": ("int", "int16_t", 16, True),
    "ui": ("unsigned int", "uint16_t", 16, False),
    "l": ("long", "int32_t", 32, True),
    "ul": ("unsigned long", "uint32_t", 32, False),
}
ARITH = ["+", "-", "*", "/", "%", "&", "|", "^"]
SHIFT = ["<<", ">>"]
COMPARE = ["<", "<=", ">", ">=", "==", "!="]
LOGICAL = ["&&", "||"]
UNARY = ["-", "~", "!"]


def promote(t):
    return "i" if t in ("c", "uc") else t


def usual(a, b):
    a, b = promote(a), promote(b)
    for t in ("ul", "l", "ui"):
        if t in (a, b):
            return t
    return "i"


def wide(t):
    """The host type an operation of type t is computed in before it is cut to t."""
    return "int64_t" if TYPES[t][3] else "uint64_t"


class Expr:
    def __init__(self, target, host, type_, leaf=False):
        self.target, self.host, self.type, self.leaf = target, host, type_, leaf


def literal(rng, t, low=None, high=None):
    name, host, bits, signed = TYPES[t]
    lo = -(1 << (bits - 1)) if signed else 0
    hi = (1 << (bits - 1)) - 1 if signed else (1 << bits) - 1
    # Edge values often: the extremes, -1, 0, 1.
    edges = [lo, hi, 0, 1, -1 if signed else hi, lo + 1]
    v = rng.choice(edges) if rng.random() < 0.3 else rng.randint(lo, hi)
    if low is not None:
        v = rng.randint(low, high)
    suffix = "UL" if t == "ul" else "L" if t == "l" else ""
    text = "(%d%s)" % (v, suffix) if v >= 0 else "(-%d%s-1)" % (-v - 1, suffix)
    return Expr("((%s)%s)" % (name, text), "((%s)INT64_C(%d))" % (host, v), t, True)


def gen(rng, depth):
    if depth == 0 or rng.random() < 0.2:
        return literal(rng, rng.choice(list(TYPES)))
    kind = rng.random()
    if kind < 0.45:
        op = rng.choice(ARITH)
        a = gen(rng, depth - 1)
        b = gen(rng, depth - 1)
        if op in "/%":
            # A divisor that is never zero; INT_MIN / -1 stays possible.
            one = literal(rng, "i", 1, 1)
            r = usual(b.type, "i")
            b = Expr("(%s | %s)" % (b.target, one.target),
                     "((%s)((uint64_t)(%s)(%s) | 1))" % (TYPES[r][1], TYPES[r][1], b.host), r)
        r = usual(a.type, b.type)
        hr, hw = TYPES[r][1], wide(r) if op in "/%" else "uint64_t"
        return Expr("(%s %s %s)" % (a.target, op, b.target),
                    "((%s)((%s)(%s)(%s) %s (%s)(%s)(%s)))" % (hr, hw, hr, a.host, op, hw, hr, b.host), r)
    if kind < 0.6:
        op = rng.choice(SHIFT)
        a = gen(rng, depth - 1)
        r = promote(a.type)
        n = literal(rng, rng.choice(list(TYPES)), 0, TYPES[r][2] - 1)
        hr = TYPES[r][1]
        hw = "uint64_t" if op == "<<" else wide(r)
        return Expr("(%s %s %s)" % (a.target, op, n.target),
                    "((%s)((%s)(%s)(%s) %s (%s)))" % (hr, hw, hr, a.host, op, n.host), r)
    if kind < 0.75:
        op = rng.choice(COMPARE)
        a, b = gen(rng, depth - 1), gen(rng, depth - 1)
        r = usual(a.type, b.type)
        hr = TYPES[r][1]
        return Expr("(%s %s %s)" % (a.target, op, b.target),
                    "((int16_t)((%s)(%s) %s (%s)(%s)))" % (hr, a.host, op, hr, b.host), "i")
    if kind < 0.8:
        op = rng.choice(LOGICAL)
        a, b = gen(rng, depth - 1), gen(rng, depth - 1)
        return Expr("(%s %s %s)" % (a.target, op, b.target), "((int16_t)((%s) %s (%s)))" % (a.host, op, b.host), "i")
    if kind < 0.9:
        op = rng.choice(UNARY)
        a = gen(rng, depth - 1)
        if op == "!":
            return Expr("(!%s)" % a.target, "((int16_t)!(%s))" % a.host, "i")
        r = promote(a.type)
        hr = TYPES[r][1]
        return Expr("(%s%s)" % (op, a.target), "((%s)(%s(uint64_t)(%s)(%s)))" % (hr, op, hr, a.host), r)
    if kind < 0.95:
        t = rng.choice(list(TYPES))
        a = gen(rng, depth - 1)
        if a.leaf:
            # The parser gives a cast of a literal the new type without cutting the value, so
            # a cast always applies to a computed value here.
            r = promote(a.type)
            hr = TYPES[r][1]
            a = Expr("(%s + 0)" % a.target, "((%s)((uint64_t)(%s)(%s) + 0))" % (hr, hr, a.host), r)
        return Expr("((%s)%s)" % (TYPES[t][0], a.target), "((%s)(%s))" % (TYPES[t][1], a.host), t)
    c, a, b = gen(rng, depth - 1), gen(rng, depth - 1), gen(rng, depth - 1)
    r = usual(a.type, b.type)
    hr = TYPES[r][1]
    return Expr("(%s ? %s : %s)" % (c.target, a.target, b.target),
                "((%s) ? (%s)(%s) : (%s)(%s))" % (c.host, hr, a.host, hr, b.host), r)


def main():
    if ormtest.missing("gcc"):
        ormtest.skip("gcc")
    rng = random.Random(17)
    exprs = [gen(rng, rng.randint(1, 4)) for _ in range(COUNT)]
    target = ["/* generated */"]
    host = ["#include <stdint.h>", "#include <stdio.h>", "int main(void) {"]
    for k, e in enumerate(exprs):
        target.append("%s r%d;" % (TYPES[e.type][0], k))
        host.append('printf("%%d %%lld\\n", %d, (long long)(%s)(%s));' % (k, TYPES[e.type][1], e.host))
    host.append("return 0; }")
    for f in range(0, COUNT, PER_FUNCTION):
        target.append("void f%d(void) {" % f)
        target.extend("r%d = %s;" % (k, exprs[k].target) for k in range(f, min(f + PER_FUNCTION, COUNT)))
        target.append("}")
    with ormtest.Workdir("orm_fold_") as w:
        src = w.write("t.c", "\n".join(target) + "\n")
        hsrc = w.write("host.c", "\n".join(host) + "\n")
        built = ormtest.run(["gcc", "-O0", "-w", "-o", w.file("host"), hsrc], timeout=600)
        if built.returncode != 0:
            print(built.stderr[-2000:])
            return 1
        expected = {}
        for line in ormtest.run([w.file("host")]).stdout.split("\n"):
            if line:
                k, v = line.split()
                expected[int(k)] = int(v)
        edf = "--edf=" + ormtest.message_file()
        pre = ormtest.run([ormtest.program("ormpre"), edf, src, w.file("t.pre")])
        if pre.returncode != 0:
            print("ormpre failed:", pre.stdout[-2000:], pre.stderr[-2000:])
            return 1
        parsed = ormtest.run([ormtest.program("ormparse"), edf, w.file("t.pre")], timeout=600)
        if parsed.returncode != 0:
            print("ormparse failed:", parsed.stdout[-3000:], parsed.stderr[-3000:])
            return 1
        dumped = ormtest.run([ormtest.program("cg_statement_dump")], stdin=parsed.stdout, timeout=600)
        if dumped.returncode != 0:
            print("statement dump failed:", dumped.stderr[-3000:])
            return 1
        errors = [m for m in dumped.stderr.split("\n") if m and "(warning)" not in m]
        got = {}
        for line in dumped.stdout.split("\n"):
            m = re.fullmatch(r"= _r(\d+) (-?\d+)", line)
            if m:
                got[int(m.group(1))] = int(m.group(2))
        bad = 0
        for k, e in enumerate(exprs):
            want = expected[k]
            have = got.get(k)
            if have is not None and TYPES[e.type][2] == 32:
                have, want = have & 0xffffffff, want & 0xffffffff
            if have != want:
                bad += 1
                if bad <= 10:
                    print("r%d (%s): folded %s, host %d: %s" % (k, e.type, got.get(k), expected[k], e.target))
        if errors:
            print("messages:", "\n".join(errors[:10]))
        print("%d constant expressions folded, %d differ from the host" % (COUNT, bad))
        return 1 if bad or errors else 0


if __name__ == "__main__":
    sys.exit(main())
