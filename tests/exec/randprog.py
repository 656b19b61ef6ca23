#!/usr/bin/env python3
"""Random C89 programs for differential runs (target in gpsim against the host build).

Each program uses the integer types of target.h, every operator, loops, arrays, a structure and
calls (an acyclic call graph), and folds every global into the u32 global `checksum` before
STOP(). The programs are free of undefined behaviour on both sides by construction: arithmetic
that could overflow a signed type is done in the unsigned working types `uw`/`ul`, division,
modulo and shifts go through guarded helper functions, shift counts are masked below the
width, array indexes are masked to the array, every intermediate result is cast back to its
type, and functions write only their locals, so the order of evaluation cannot matter.

    randprog.py SEED    writes the program of that seed on standard output
"""
import random
import sys

TYPES = ["u8", "i8", "u16", "i16", "u32", "i32"]
BITS = {"u8": 8, "i8": 8, "u16": 16, "i16": 16, "u32": 32, "i32": 32}
SIGNED = {"i8", "i16", "i32"}
MIN = {"i8": "(-127 - 1)", "i16": "(-32767 - 1)", "i32": "(-2147483647L - 1)"}
ARRAY_LEN = 8


def work_type(t):
    """The unsigned type in which t's arithmetic is done."""
    return "ul" if BITS[t] == 32 else "uw"


def constant(rng, t):
    bits = BITS[t]
    v = rng.choice([0, 1, 2, 3, rng.getrandbits(bits), (1 << bits) - 1, 1 << (bits - 1),
                    (1 << (bits - 1)) - 1, rng.getrandbits(4)])
    if t in SIGNED and v >= 1 << (bits - 1):
        v -= 1 << bits
    if bits == 32:
        text = "%dL" % v if t in SIGNED else "%dUL" % v
        if v == -(1 << 31):
            text = "(-2147483647L - 1)"
    else:
        text = "%d" % v if v >= -32767 else "(-32767 - 1)"
        if t == "u16" and v > 32767:
            text = "%dU" % v
    return "((%s)%s)" % (t, text)


class Scope:
    """Variables an expression may read and a statement may write, by type."""

    def __init__(self, readable, writable):
        self.readable = readable      # [(name, type)]
        self.writable = writable

    def of(self, t, names):
        return [n for n, vt in names if vt == t]


class Generator:
    def __init__(self, seed):
        self.rng = random.Random(seed)
        self.globals = []              # (name, type)
        self.arrays = []               # (name, type)
        self.fields = []               # (name, type) of struct rec
        self.functions = []            # (name, return type, [parameter types])
        self.loop_depth = 0
        self.counter = 0

    def fresh(self, prefix):
        self.counter += 1
        return "%s%d" % (prefix, self.counter)

    # Expressions: text whose value has type t, free of side effects on globals.
    def expr(self, t, scope, depth):
        rng = self.rng
        if depth <= 0 or rng.random() < 0.25:
            return self.leaf(t, scope)
        w = work_type(t)
        kind = rng.choice(["arith", "arith", "bitwise", "unary", "divmod", "shift", "compare",
                           "logical", "ternary", "cast", "call", "index"])
        a = self.expr(t, scope, depth - 1)
        if kind == "arith":
            return "((%s)((%s)%s %s (%s)%s))" % (t, w, a, rng.choice("+-*"), w, self.expr(t, scope, depth - 1))
        if kind == "bitwise":
            return "((%s)(%s %s %s))" % (t, a, rng.choice("&|^"), self.expr(t, scope, depth - 1))
        if kind == "unary":
            op = rng.choice(["-", "~", "!", "+"])
            if op == "!":
                return "((%s)!%s)" % (t, a)
            return "((%s)%s(%s)%s)" % (t, op, w, a)
        if kind == "divmod":
            return "%s_%s(%s, %s)" % (rng.choice(["div", "mod"]), t, a, self.expr(t, scope, depth - 1))
        if kind == "shift":
            count = self.expr("u8", scope, depth - 1) if rng.random() < 0.5 else str(rng.randint(0, 40))
            return "%s_%s(%s, %s)" % (rng.choice(["shl", "shr"]), t, a, count)
        if kind == "compare":
            s = rng.choice(TYPES)
            return "((%s)(%s %s %s))" % (t, self.expr(s, scope, depth - 1), rng.choice(["<", "<=", ">", ">=", "==", "!="]),
                                         self.expr(s, scope, depth - 1))
        if kind == "logical":
            return "((%s)(%s %s %s))" % (t, a, rng.choice(["&&", "||"]), self.expr(rng.choice(TYPES), scope, depth - 1))
        if kind == "ternary":
            return "(%s ? %s : %s)" % (self.expr(rng.choice(TYPES), scope, depth - 1), a, self.expr(t, scope, depth - 1))
        if kind == "cast":
            return "((%s)%s)" % (t, self.expr(rng.choice(TYPES), scope, depth - 1))
        if kind == "call" and self.functions:
            name, ret, params = rng.choice(self.functions)
            args = ", ".join(self.expr(p, scope, depth - 1) for p in params)
            return "((%s)%s(%s))" % (t, name, args)
        if kind == "index" and self.arrays:
            name, at = rng.choice(self.arrays)
            return "((%s)%s[(uw)%s & %d])" % (t, name, self.expr("u8", scope, depth - 1), ARRAY_LEN - 1)
        return a

    def leaf(self, t, scope):
        rng = self.rng
        same = scope.of(t, scope.readable)
        choice = rng.random()
        if same and choice < 0.5:
            return rng.choice(same)
        if scope.readable and choice < 0.7:
            name, _ = rng.choice(scope.readable)
            return "((%s)%s)" % (t, name)
        if self.fields and choice < 0.8:
            name, _ = rng.choice(self.fields)
            return "((%s)rec.%s)" % (t, name)
        return constant(rng, t)

    # Statements: lines of text at the given indentation.
    def statements(self, scope, count, depth, indent):
        out = []
        for _ in range(count):
            out += self.statement(scope, depth, indent)
        return out

    def statement(self, scope, depth, indent):
        rng, pad = self.rng, "    " * indent
        kinds = ["assign", "assign", "compound", "incdec"]
        if depth > 0:
            kinds += ["if", "for", "while", "do", "switch"]
        if scope.writable is self.main_writable:
            kinds += ["array", "field"]
        kind = rng.choice(kinds)
        if kind == "assign" or kind in ("compound", "incdec"):
            name, t = rng.choice(scope.writable)
            if kind == "compound":
                ops = ["&=", "|=", "^="] + (["+=", "-="] if t not in SIGNED else []) + (["*="] if t == "u32" else [])
                return [pad + "%s %s %s;" % (name, rng.choice(ops), self.expr(t, scope, 2))]
            if kind == "incdec" and t not in SIGNED:
                return [pad + "%s%s;" % (name, rng.choice(["++", "--"]))]
            return [pad + "%s = %s;" % (name, self.expr(t, scope, 3))]
        if kind == "array":
            name, t = rng.choice(self.arrays)
            return [pad + "%s[(uw)%s & %d] = %s;" % (name, self.expr("u8", scope, 1), ARRAY_LEN - 1, self.expr(t, scope, 2))]
        if kind == "field":
            name, t = rng.choice(self.fields)
            return [pad + "rec.%s = %s;" % (name, self.expr(t, scope, 2))]
        if kind == "if":
            out = [pad + "if (%s) {" % self.expr(rng.choice(TYPES), scope, 2)]
            out += self.statements(scope, rng.randint(1, 3), depth - 1, indent + 1)
            if rng.random() < 0.5:
                out += [pad + "} else {"] + self.statements(scope, rng.randint(1, 2), depth - 1, indent + 1)
            return out + [pad + "}"]
        if kind in ("for", "while", "do"):
            i = "k%d" % self.loop_depth     # loop counters: never written by the bodies
            self.loop_depth += 1
            blocks = [self.statement(scope, depth - 1, indent + 1) for _ in range(rng.randint(1, 3))]
            if rng.random() < 0.3:
                # between whole statements, so that it never skips an inner loop's count
                blocks.insert(rng.randint(0, len(blocks)), [pad + "    if (%s) %s;" % (
                    self.expr("u8", scope, 1), rng.choice(["break", "continue"]))])
            body = [line for block in blocks for line in block]
            self.loop_depth -= 1
            n = rng.randint(1, 6)
            if kind == "for":
                return [pad + "for (%s = 0; %s < %d; %s++) {" % (i, i, n, i)] + body + [pad + "}"]
            if kind == "while":
                return [pad + "%s = 0;" % i, pad + "while (%s < %d) {" % (i, n), pad + "    %s++;" % i] + body + [pad + "}"]
            return [pad + "%s = 0;" % i, pad + "do {", pad + "    %s++;" % i] + body + [pad + "} while (%s < %d);" % (i, n)]
        # switch on a 1-, 2- or 4-byte value
        t = rng.choice(TYPES)
        out = [pad + "switch (%s) {" % self.expr(t, scope, 1)]
        values = set()
        for _ in range(rng.randint(1, 4)):
            v = constant(rng, t)
            if v in values:
                continue
            values.add(v)
            out += [pad + "case %s:" % v] + self.statements(scope, rng.randint(1, 2), depth - 1, indent + 1)
            if rng.random() < 0.7:
                out.append(pad + "    break;")
        out += [pad + "default:"] + self.statements(scope, 1, 0, indent + 1) + [pad + "    break;", pad + "}"]
        return out

    def helpers(self):
        """Guarded division, modulo and shifts of every type."""
        out = []
        for t in TYPES:
            bits, w = BITS[t], work_type(t)
            guard = "b == 0" + (" || (a == %s && b == -1)" % MIN[t] if t in SIGNED and bits >= 16 else "")
            # Statements rather than ?: so that the helpers stay plain code every program needs.
            out += ["static %s div_%s(%s a, %s b)" % (t, t, t, t), "{",
                    "    if (%s)" % guard, "        return a;", "    return (%s)(a / b);" % t, "}",
                    "static %s mod_%s(%s a, %s b)" % (t, t, t, t), "{",
                    "    if (%s)" % guard, "        return a;", "    return (%s)(a %% b);" % t, "}",
                    "static %s shl_%s(%s a, u8 n)" % (t, t, t), "{",
                    "    n &= %d;" % (bits - 1), "    return (%s)((%s)a << n);" % (t, w), "}",
                    "static %s shr_%s(%s a, u8 n)" % (t, t, t), "{",
                    "    n &= %d;" % (bits - 1), "    return (%s)(a >> n);" % t, "}"]
        return out

    def program(self):
        rng = self.rng
        out = ["/* Generated by randprog.py: the differential run compares checksum. */",
               '#include "target.h"', "", "u32 checksum;"]
        for t in TYPES:
            for _ in range(rng.randint(1, 2)):
                name = self.fresh("g_")
                self.globals.append((name, t))
                out.append("%s %s = %s;" % (t, name, constant(rng, t)))
        for t in rng.sample(TYPES, 2):
            name = self.fresh("arr_")
            self.arrays.append((name, t))
            out.append("%s %s[%d];" % (t, name, ARRAY_LEN))
        self.fields = [("f%d" % i, t) for i, t in enumerate(rng.sample(TYPES, 3))]
        out.append("struct rec_t {%s };" % "".join(" %s %s;" % (t, n) for n, t in self.fields))
        out += ["struct rec_t rec;", ""] + self.helpers() + [""]
        self.main_writable = None
        for _ in range(rng.randint(1, 4)):
            out += self.function()
        self.main_writable = list(self.globals)
        scope = Scope(self.globals + self.main_locals(out), self.main_writable)
        body = self.statements(scope, rng.randint(4, 10), 3, 1)
        fold = ["    checksum = checksum * 31UL + (u32)%s;" % n for n, _ in self.globals]
        for name, _ in self.arrays:
            fold += ["    for (k0 = 0; k0 < %d; k0++) checksum = checksum * 31UL + (u32)%s[k0];" % (ARRAY_LEN, name)]
        fold += ["    checksum = checksum * 31UL + (u32)rec.%s;" % n for n, _ in self.fields]
        out += ["int main(void)", "{", "    u8 k0, k1, k2, k3;"] + self.main_local_decls + body + fold + \
               ["    (void)k1;", "    (void)k2;", "    (void)k3;", "    STOP();", "    return 0;", "}", ""]
        return "\n".join(out)

    def main_locals(self, out):
        del out
        locals_ = [(self.fresh("m_"), self.rng.choice(TYPES)) for _ in range(2)]
        self.main_local_decls = ["    %s %s = %s;" % (t, n, constant(self.rng, t)) for n, t in locals_]
        return locals_

    def function(self):
        rng = self.rng
        name, ret = self.fresh("fn_"), rng.choice(TYPES)
        params = [(self.fresh("p_"), rng.choice(TYPES)) for _ in range(rng.randint(0, 3))]
        locals_ = [(self.fresh("l_"), rng.choice(TYPES)) for _ in range(rng.randint(1, 3))]
        # Reads globals, writes only its own locals and parameters.
        scope = Scope(params + locals_ + self.globals, params + locals_)
        out = ["static %s %s(%s)" % (ret, name, ", ".join("%s %s" % (t, n) for n, t in params) or "void"), "{",
               "    u8 k0, k1, k2, k3;"]
        out += ["    %s %s = %s;" % (t, n, self.expr(t, Scope(params + self.globals, []), 2)) for n, t in locals_]
        out += self.statements(scope, rng.randint(1, 4), 2, 1)
        out += ["    (void)k0;", "    (void)k1;", "    (void)k2;", "    (void)k3;",
                "    return %s;" % self.expr(ret, scope, 3), "}", ""]
        self.functions.append((name, ret, [t for _, t in params]))
        return out


def generate(seed):
    return Generator(seed).program()


if __name__ == "__main__":
    if len(sys.argv) != 2:
        sys.exit("usage: randprog.py SEED")
    sys.stdout.write(generate(int(sys.argv[1])))
