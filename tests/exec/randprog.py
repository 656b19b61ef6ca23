#!/usr/bin/env python3
"""Random C89 programs for differential runs (target in gpsim against the host build).

Each program uses the integer types of target.h, every operator, loops, arrays, a structure and
calls (an acyclic call graph), and folds every global into the u32 global `checksum` before
STOP(). The programs are free of undefined behaviour on both sides by construction: arithmetic
that could overflow a signed type is done in the unsigned working types `uw`/`ul`, division,
modulo and shifts go through guarded helper functions, shift counts are masked below the
width, array indexes are masked to the array, every intermediate result is cast back to its
type, and functions write only their locals, so the order of evaluation cannot matter.

    randprog.py [--chip=CHIP] SEED
                        writes the program of that seed on standard output, its data within
                        the chip's RAM budget (the smallest chip's by default); the chips of
                        SMALL_RAM get a program of the small-RAM profile
    randprog.py [--chip=CHIP] --floats SEED
                        the same with a float part, then its expected results as comments
"""
import os
import random
import re
import sys

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import floatemu  # noqa: E402
import smallram  # noqa: E402

TYPES = ["u8", "i8", "u16", "i16", "u32", "i32"]
BITS = {"u8": 8, "i8": 8, "u16": 16, "i16": 16, "u32": 32, "i32": 32}
SIGNED = {"i8", "i16", "i32"}
MIN = {"i8": "(-127 - 1)", "i16": "(-32767 - 1)", "i32": "(-2147483647L - 1)"}
ARRAY_LEN = 8
# The bytes of RAM a program may take for its globals and the locals and parameters of its
# functions (counted as if none shared their bytes), by chip: bank 0 less the run-time library's
# scratch bytes and a margin for the code generator's temporaries. A chip not named here gets
# the smallest budget. The arguments of calls nested in arguments are not counted: a program
# whose locals still do not fit is reported as not fitting.
RAM_BUDGET = {"16F877A": 64, "16F877": 64, "16F690": 64, "16F684": 64, "16F627": 64, "16F627A": 64,
              "16F84A": 50, "16F84": 50, "12F675": 46, "12F629": 46}
SMALLEST_BUDGET = min(RAM_BUDGET.values())
# The chips with the least RAM, by the bytes of their bank 0, get integer programs of a
# small-RAM profile: a few globals of types drawn (every type over a range of seeds), an array
# of two elements and a structure now and then, bit-fields always, few locals and parameters,
# the counters a body uses, and statements, functions and calls only while the program's count
# of the bytes the build takes (smallram.py) stays within the chip's RAM; each global is folded
# into checksum a byte at a time, which keeps the folding function's frame to a byte and a u32.
# The budgets above fitted none of the 16C84's programs and few of the others' with --opt=none.
SMALL_RAM = {"16C84": 36, "12F629": 64, "12F675": 64, "16F84": 68, "16F84A": 68}
# The bytes of the globals of a small-RAM program: a share of what the fixed bytes leave (the
# frames take the rest), and main's frame as reserved while the functions are made.
SMALL_DATA_SHARE = 0.4
SMALL_MAIN_RESERVE = 3
# What main and the division and shift helpers take whatever else is drawn: k0..k3, two
# locals, the widest helper's parameters, checksum. (The folding function's parameter shares
# the helpers' bytes: it is called only after the statements.)
FIXED_COST = 4 + 2 * 4 + 2 * 4 + 4
# The program memory the statements of main and the functions may take, in the units of
# code_cost(), by chip: about 3 words a unit over some 400 words of start-up, checksum and
# run-time library, with a margin for --opt=none's larger code; 200 for the chips with 1K
# words, 440 for those with 2K. A chip not named here gets the smallest budget.
CODE_BUDGET = {"16F877A": 440, "16F877": 440, "16F690": 440, "16F684": 200, "16F627": 200, "16F627A": 200,
               "16F84A": 200, "16F84": 200, "12F675": 200, "12F629": 200}
SMALLEST_CODE_BUDGET = min(CODE_BUDGET.values())
# Beside a float part: a float operation or conversion takes up to four times the words of an
# integer one (its operands are copied to the routines' scratch bytes and its result back),
# and each float routine it calls is linked in once, at its size with the 32-bit double (in
# code_cost() units: "pack" rounds for the others); together they take more than half the
# program memory of the chips with 1K words. The float part leaves LEAN_MAIN_COST of the code
# budget to a lean main (its folding, and a few statements where RAM allows them).
FLOAT_WEIGHT = 4
FLOAT_ROUTINES = {"add": (r" [-+] ", 60), "mul": (r" \* ", 23), "div": (r" / ", 35),
                  "cmp": (r" (?:<|<=|>|>=|==|!=) ", 18), "from_int": (r"\(double\)", 10),
                  "to_int": (r"\(u32\)\((?:u8|i8|u16|i16|u32|i32)\)", 40)}
FLOAT_PACK = 29
LEAN_MAIN_COST = 50
# The bytes of the folding function's argument and temporaries: the float part's temporaries
# share them (main calls both).
FOLD_FRAME = 8


# Left out of the programs: what the code generator cannot compile yet (it stops with message
# 712, never with wrong code):
# - a call inside an argument of a call of the same function (message 742 by design);
# - compound assignments to bit-fields (bf.b |= x);
# - stores into an element of a table of function pointers at a computed index;
# - ?: inside the value of a compound assignment (x += c ? a : b);
# - an array element inside the index of another (a[b[i] & 3]);
# - calls that the linker's graph of argument areas takes for recursion: f(g(..)) where a call
#   of g may lead to a call of f (g's body calls f, or g(f(..)) elsewhere), or fp(g(..)) where a
#   call of g may lead to one of a function a pointer holds, message 471;
# - a switch on a constant selector (switch ((u32)((i16)32767))).
# A name in an expression other than a type's: the expression is not constant.
HELPERS_HERE = "/* helpers */"
CALLEE = r"\b((?:fn|div|mod|shl|shr)_\w+)\("
VARIABLE = r"\b(?!(?:u8|i8|u16|i16|u32|i32|uw|ul)\b)[A-Za-z_]\w*"


def code_cost(text):
    """A rough measure of the program memory `text` takes: its operators, more for 32-bit ones,
    and each division or shift helper it calls (a 32-bit division or modulo brings a run-time
    library routine too)."""
    helpers = set(re.findall(r"\b((?:div|mod|shl|shr)_\w+)\(", text))
    return (len(re.findall(r"[-+*/&|^~!<>=?]", text)) + 2 * len(re.findall(r"\((?:ul|u32|i32)\)", text)) +
            25 * len(helpers) + 60 * sum(h.endswith("32") for h in helpers))


def work_type(t):
    """The unsigned type in which t's arithmetic is done."""
    return "ul" if BITS[t] == 32 else "uw"


def constant(rng, t):
    return constant_valued(rng, t)[0]


def constant_valued(rng, t):
    """A constant of type t: (text, value)."""
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
    return "((%s)%s)" % (t, text), v


class Scope:
    """Variables an expression may read and a statement may write, by type."""

    def __init__(self, readable, writable):
        self.readable = readable      # [(name, type)]
        self.writable = writable

    def of(self, t, names):
        return [n for n, vt in names if vt == t]


class Generator:
    def __init__(self, seed, floats=False, ram=None, code=None, small=None):
        self.rng = random.Random(seed)
        # the bytes of RAM of a chip of SMALL_RAM (a float program keeps the budgets above)
        self.small = None if floats else small
        self.code_budget = SMALLEST_CODE_BUDGET if code is None else code
        self.program_text = []         # the lines of the program made so far
        self.code_text = []            # and those of the function being made, for code_cost()
        # bytes still free for globals and function frames (see RAM_BUDGET)
        self.room = (SMALLEST_BUDGET if ram is None else ram) - FIXED_COST
        self.array_len = ARRAY_LEN
        # the depth of the expressions of assignments and returns: the small chips' 1K words
        # of program memory hold shallower ones
        self.depth = 3 if self.room >= 40 else 2
        # and so do the float part's: each level holds a float temporary, of which the smallest
        # chips' bank 0 has room for few beside the float routines' scratch bytes
        self.float_depth = self.depth
        self.float_rng = random.Random(seed * 7919 + 1) if floats else None
        self.float_part = None
        # The float part's share is set aside first: left to what the integer part leaves, it
        # got nothing on the small chips.
        self.float_room = float_share(self.room) if floats else 0
        self.room -= self.float_room
        # Beside the float routines (up to some 640 words) a program memory of 1K or 2K words holds
        # only a lean integer part: no functions of its own, a few shallow statements in main.
        # The integer run covers the rest.
        self.lean = floats
        if self.lean:
            self.depth = 1
        self.globals = []              # (name, type)
        self.arrays = []               # (name, type), each of array_len elements
        self.fields = []               # (name, type) of struct rec
        self.functions = []            # (name, return type, [parameter types])
        self.bitfields = []            # (name, width) of struct bits_t
        self.pointers = []             # (name, table length or 0, [parameter types])
        self.pointer_targets = {}      # pointer name: functions it may hold
        self.busy = set()              # callees whose arguments are being made
        self.no_choice = 0             # inside a compound assignment's value: no ?:
        self.in_index = 0              # inside an index: no array elements
        # callee: what a call of it may lead to (calls in its body, calls inside arguments of
        # calls of it at any site; "(*)" for calls through pointers), and the function being made
        self.nested = {}
        self.current = None
        self.in_main = False
        self.initial = {}              # global: its initial value
        self.loop_depth = 0
        self.counter = 0
        # the small-RAM profile's count: the bytes of the globals, the frames of the functions
        # made, the parameters and locals of the one being made, and the bytes of the values of
        # names (smallram.Parser)
        self.data_bytes = 0
        self.frames = {}
        self.frame_decl = 0
        self.sizes = {"%s_%s" % (kind, t): BITS[t] // 8 for t in TYPES for kind in ("div", "mod", "shl", "shr")}
        self.sizes.update({"k%d" % i: 1 for i in range(4)})
        if self.small:
            self.depth = 2

    def take(self, size, keep=0):
        """Takes `size` bytes of the budget: False (taking none) when fewer than size + keep
        are free."""
        if size + keep > self.room:
            return False
        self.room -= size
        return True

    @staticmethod
    def fitting(types, room, count=1):
        """The types of which `count` fit in `room` bytes (the byte types at least)."""
        return [t for t in types if count * BITS[t] // 8 <= room] or ["u8", "i8"]

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
            name = "%s_%s" % (rng.choice(["div", "mod"]), t)
            return self.call_text(name, [lambda: a, lambda: self.expr(t, scope, depth - 1)]) or a
        if kind == "shift":
            name = "%s_%s" % (rng.choice(["shl", "shr"]), t)
            count = (lambda: self.expr("u8", scope, depth - 1)) if rng.random() < 0.5 else (lambda: str(rng.randint(0, 40)))
            return self.call_text(name, [lambda: a, count]) or a
        if kind == "compare":
            s = rng.choice(TYPES)
            return "((%s)(%s %s %s))" % (t, self.expr(s, scope, depth - 1), rng.choice(["<", "<=", ">", ">=", "==", "!="]),
                                         self.expr(s, scope, depth - 1))
        if kind == "logical":
            return "((%s)(%s %s %s))" % (t, a, rng.choice(["&&", "||"]), self.expr(rng.choice(TYPES), scope, depth - 1))
        if kind == "ternary" and not self.no_choice:
            return "(%s ? %s : %s)" % (self.expr(rng.choice(TYPES), scope, depth - 1), a, self.expr(t, scope, depth - 1))
        if kind == "cast":
            return "((%s)%s)" % (t, self.expr(rng.choice(TYPES), scope, depth - 1))
        if kind == "call" and self.functions:
            name, ret, params = rng.choice(self.functions)
            if self.in_main and self.pointers and rng.random() < 0.4:
                name, params = self.pointer_callee(scope, depth)
            call = self.call_text(name, [lambda p=p: self.expr(p, scope, depth - 1) for p in params])
            return "((%s)%s)" % (t, call) if call else a
        if kind == "index" and self.arrays and not self.in_index:
            name, at = rng.choice(self.arrays)
            return "((%s)%s[(uw)%s & %d])" % (t, name, self.index(scope, depth - 1), self.array_len - 1)
        return a

    def index(self, scope, depth):
        """An index expression: no element of an array inside it (see the list at the top)."""
        self.in_index += 1
        text = self.expr("u8", scope, depth)
        self.in_index -= 1
        return text

    def call_text(self, name, arguments):
        """name(arguments...), the arguments made by the given functions; None when the call
        would sit inside an argument of a call of the same function (or, for calls through
        pointers, of any call through a pointer): both would fill the one argument area."""
        pointer = name.startswith(("fp_", "ft_"))
        key = "(*)" if pointer else name
        if key in self.busy:
            return None
        self.busy.add(key)
        args = [make() for make in arguments]
        self.busy.discard(key)
        # an argument made before the call was chosen may hold such a call already
        if any(re.search(r"\bf[pt]_\d+\b" if pointer else r"\b%s\(" % name, a) for a in args):
            return None
        inner = set(re.findall(CALLEE, " ".join(args))) | ({"(*)"} if re.search(r"\bf[pt]_\d+\b", " ".join(args)) else set())
        # a call through a pointer fills the argument area of every function a pointer may hold
        goals = {key} | (set().union(*self.pointer_targets.values()) if pointer else set())
        if any(self.reaches(g, goal) for g in inner for goal in goals):
            return None
        self.nested.setdefault(key, set()).update(inner)
        if self.current is not None:
            self.nested.setdefault(self.current, set()).add(key)
        return "%s(%s)" % (name, ", ".join(args))

    def reaches(self, start, goal):
        """Whether a call of `start` may lead to one of `goal`: through the calls its body makes
        and those made inside the arguments of its calls, at any site."""
        seen, todo = set(), [start]
        while todo:
            f = todo.pop()
            if f == goal:
                return True
            if f not in seen:
                seen.add(f)
                todo += self.nested.get(f, ())
        return False

    def pointer_callee(self, scope, depth):
        """A call through a function pointer or a table of them: (callee text, parameter types)."""
        name, size, params = self.rng.choice(self.pointers)
        if not size:
            return name, params
        return "%s[(uw)%s & %d]" % (name, self.expr("u8", scope, min(depth - 1, 1)), size - 1), params

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
        if self.bitfields and choice < 0.85:
            name, _ = rng.choice(self.bitfields)
            return "((%s)bf.%s)" % (t, name)
        return constant(rng, t)

    # Statements: lines of text at the given indentation.
    def statements(self, scope, count, depth, indent):
        out = []
        for _ in range(count):
            out += self.statement(scope, depth, indent)
        return out

    def top_statements(self, scope, count, least, out=None):
        """The statements of a body: `count` drawn, those that would take the program past its
        code budget left out (but for the first `least`, which every program needs to use
        every construct in the long run), after those of `out`."""
        out = out or []
        for i in range(count):
            # a statement needed anyway: the first of a few draws that fits, else the smallest
            depth = (1 if self.lean else 3) if self.in_main else 2
            if self.small:
                out += self.small_statement(scope, depth, out, i < least)
                continue
            tries = [self.statement(scope, depth, 1) for _ in range(4 if i < least else 1)]
            costs = [code_cost("\n".join(self.code_text + out + lines)) for lines in tries]
            fitting = [lines for lines, cost in zip(tries, costs) if cost <= self.code_budget]
            if fitting or i < least:
                out += fitting[0] if fitting else tries[costs.index(min(costs))]
        return out

    def small_statement(self, scope, depth, body, needed):
        """A statement of a small-RAM program after `body`: the first of a few draws that fits
        both the code budget and the chip's RAM, else none (or, when `needed`, a constant
        stored). The calls of the draws left out are forgotten."""
        before = {k: set(v) for k, v in self.nested.items()}
        tries = []
        expression_depth = self.depth
        for attempt in range(4 if needed else 2):
            self.nested = {k: set(v) for k, v in before.items()}
            # the last draws of a needed statement are shallower
            self.depth = max(0, expression_depth - max(0, attempt - 1))
            lines = self.statement(scope, depth if attempt < 2 else 0, 1)
            self.depth = expression_depth
            ram = self.ram_taken(self.frame(self.locals_text + body + lines))
            code = code_cost("\n".join(self.code_text + body + lines))
            tries.append((code > self.code_budget, ram, lines, self.nested))
            if code <= self.code_budget and ram <= self.small:
                break
        fitting = [t for t in tries if not t[0] and t[1] <= self.small]
        if not fitting and needed:
            # a constant stored takes no temporary
            self.nested = before
            name, t = self.rng.choice(scope.writable)
            return ["    %s = %s;" % (name, constant(self.rng, t))]
        chosen = fitting[0] if fitting else None
        self.nested = chosen[3] if chosen else before
        return chosen[2] if chosen else []

    def small_calls(self, scope):
        """Statements of a small-RAM main that call the functions no call reaches yet, each
        while the program fits (through a pointer now and then): so that they run. Without
        them most functions were left uncalled, their frames laid over main's where a call
        would stack them."""
        out = []
        for name, ret, params in self.functions:
            if self.reaches("main", name):
                continue
            holders = [p for p, size, _ in self.pointers if not size and name in self.pointer_targets[p]]
            callee = self.rng.choice(holders) if holders and self.rng.random() < 0.5 else name
            before = {k: set(v) for k, v in self.nested.items()}
            call = self.call_text(callee, [lambda p=p: self.expr(p, scope, 0) for p in params])
            # into a global of the result's width where there is one: no temporary then
            same = [(n, t) for n, t in scope.writable if BITS[t] == BITS[ret]]
            target, t = self.rng.choice(same or scope.writable)
            lines = ["    %s = ((%s)%s);" % (target, t, call)] if call else []
            if not lines or self.ram_taken(self.frame(self.locals_text + out + lines)) > self.small or \
                    code_cost("\n".join(self.code_text + out + lines)) > self.code_budget:
                self.nested = before
                continue
            out += lines
        return out

    def frame(self, lines):
        """The frame of the function being made whose lines (its locals' too) are `lines`:
        its parameters and locals, the loop counters it uses and its largest statement's
        temporaries."""
        counters = set(re.findall(r"\bk[0-3]\b", "\n".join(lines)))
        fields = {"bf." + name: bits for name, bits in self.bitfields}
        return self.frame_decl + len(counters) + smallram.temporaries(lines, self.sizes, fields)

    def ram_taken(self, frame):
        """The bytes of bank 0 a small-RAM program takes with `frame` for the function being
        made: the fixed bytes, the globals and the compiled stack below main (main calls mix,
        and while a function is made, main's frame is a reserve that calls it)."""
        frames = dict(self.frames, mix=smallram.MIX_FRAME)
        frames.setdefault("main", SMALL_MAIN_RESERVE)
        calls = dict(self.nested)
        calls["main"] = set(self.nested.get("main", ())) | {"mix"}
        if self.current:
            frames[self.current] = frame
            calls["main"].add(self.current)
        # a function no call reaches is a root of its own, laid over main's
        roots = ["main"] + list(self.frames)
        return smallram.FIXED + smallram.CODE_PTR + self.data_bytes + max(smallram.stack(f, frames, calls) for f in roots)

    def statement(self, scope, depth, indent):
        rng, pad = self.rng, "    " * indent
        kinds = ["assign", "assign", "compound", "incdec"]
        if depth > 0:
            kinds += ["if", "for", "while", "do", "switch"]
        if scope.writable is self.main_writable:
            # (a small-RAM program may have no array or structure)
            kinds += ["array"] * bool(self.arrays) + ["field"] * bool(self.fields) + ["bitfield"] + \
                (["pointer"] if self.pointers else [])
        kind = rng.choice(kinds)
        if kind == "assign" or kind in ("compound", "incdec"):
            name, t = rng.choice(scope.writable)
            if kind == "compound":
                ops = ["&=", "|=", "^="] + (["+=", "-="] if t not in SIGNED else []) + (["*="] if t == "u32" else [])
                self.no_choice += 1
                value = self.expr(t, scope, 2)
                self.no_choice -= 1
                return [pad + "%s %s %s;" % (name, rng.choice(ops), value)]
            if kind == "incdec" and t not in SIGNED:
                return [pad + "%s%s;" % (name, rng.choice(["++", "--"]))]
            return [pad + "%s = %s;" % (name, self.expr(t, scope, self.depth))]
        if kind == "array":
            name, t = rng.choice(self.arrays)
            return [pad + "%s[(uw)%s & %d] = %s;" % (name, self.index(scope, 1), self.array_len - 1, self.expr(t, scope, 2))]
        if kind == "field":
            name, t = rng.choice(self.fields)
            return [pad + "rec.%s = %s;" % (name, self.expr(t, scope, 2))]
        if kind == "bitfield":
            # unsigned fields: a store keeps the low bits, ++ wraps within the width (no
            # compound assignments: see the list at the top)
            name, _ = rng.choice(self.bitfields)
            op = rng.choice(["=", "=", "++"])
            if op == "++":
                return [pad + "bf.%s++;" % name]
            return [pad + "bf.%s %s %s;" % (name, op, self.expr("u8", scope, 2))]
        if kind == "pointer":
            name, size, params = rng.choice([p for p in self.pointers if not p[1]] or self.pointers)
            if size:
                return [pad + "(void)%s;" % name]   # tables keep their initial values: see the list at the top
            return [pad + "%s = %s;" % (name, rng.choice(self.pointer_targets[name]))]
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
        selector = self.expr(t, scope, 1)
        while not re.search(VARIABLE, selector):     # see the list at the top
            selector = self.expr(t, scope, 1)
        out = [pad + "switch (%s) {" % selector]
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

    def data(self):
        """The globals: one or two of each type, two arrays, a structure and bit-fields."""
        rng = self.rng
        out = []
        self.room -= sum(BITS[t] // 8 for t in TYPES)     # one global of each type
        for t in TYPES:
            for i in range(rng.randint(1, 2)):
                if i and not self.take(BITS[t] // 8, keep=40):
                    break
                name = self.fresh("g_")
                self.globals.append((name, t))
                text, value = constant_valued(rng, t)
                self.initial[name] = value
                out.append("%s %s = %s;" % (t, name, text))
        # arrays: a shorter length and narrower elements where RAM is short
        if self.room < 60:
            self.array_len = 2 if self.lean else 4
        # beside a float part on the smallest chips, one array and two fields: their bank 0
        # holds the float routines' 15 scratch bytes too
        self.tight = tight = self.lean and self.float_depth < 3
        for _ in range(1 if tight else 2):
            t = rng.choice(self.fitting(TYPES, self.room // 4, self.array_len))
            self.take(self.array_len * BITS[t] // 8)
            name = self.fresh("arr_")
            self.arrays.append((name, t))
            out.append("%s %s[%d];" % (t, name, self.array_len))
        self.fields = [("f%d" % i, t) for i, t in enumerate([rng.choice(self.fitting(TYPES, self.room // 4, 3))
                                                         for _ in range(2 if tight else 3)])]
        self.take(sum(BITS[t] // 8 for _, t in self.fields))
        out.append("struct rec_t {%s };" % "".join(" %s %s;" % (t, n) for n, t in self.fields))
        out.append("struct rec_t rec;")
        count = rng.randint(1, 4)
        if tight:
            # a byte each: the smallest chips' bank 0 has none to spare beside a float part
            count = min(count, max(1, self.room))
        self.bitfields = [("b%d" % i, rng.randint(1, 8)) for i in range(count)]
        self.take(len(self.bitfields))
        out += ["struct bits_t {%s };" % "".join(" unsigned %s : %d;" % f for f in self.bitfields), "struct bits_t bf;"]
        return out

    def small_data(self):
        """The globals of a small-RAM program within their share of the RAM: two to four
        scalars of types drawn, now and then an array of two elements or a structure of one
        or two fields, and one or two bit-fields."""
        rng = self.rng
        share = int((self.small - smallram.FIXED - smallram.CODE_PTR) * SMALL_DATA_SHARE)
        out = []
        self.tight = False
        for t in rng.sample(TYPES, rng.randint(2, 4)):
            if self.globals and self.data_bytes + BITS[t] // 8 > share:
                continue
            name = self.fresh("g_")
            self.globals.append((name, t))
            text, value = constant_valued(rng, t)
            self.initial[name] = value
            self.sizes[name] = BITS[t] // 8
            self.data_bytes += BITS[t] // 8
            out.append("%s %s = %s;" % (t, name, text))
        self.array_len = 2
        if rng.random() < 0.5:
            t = rng.choice(self.fitting(TYPES, (share - self.data_bytes) // 2))
            if self.data_bytes + 2 * BITS[t] // 8 <= share:
                name = self.fresh("arr_")
                self.arrays.append((name, t))
                self.sizes[name] = BITS[t] // 8
                self.data_bytes += 2 * BITS[t] // 8
                out.append("%s %s[2];" % (t, name))
        if rng.random() < 0.5:
            for i in range(rng.randint(1, 2)):
                t = rng.choice(self.fitting(TYPES, share - self.data_bytes))
                if self.data_bytes + BITS[t] // 8 <= share:
                    self.fields.append(("f%d" % i, t))
                    self.sizes["rec.f%d" % i] = BITS[t] // 8
                    self.data_bytes += BITS[t] // 8
            if self.fields:
                out += ["struct rec_t {%s };" % "".join(" %s %s;" % (t, n) for n, t in self.fields), "struct rec_t rec;"]
        self.bitfields = [("b%d" % i, rng.randint(1, 8)) for i in range(rng.randint(1, 2))]
        self.data_bytes += 1 + (sum(w for _, w in self.bitfields) > 8)     # no field straddles a byte
        out += ["struct bits_t {%s };" % "".join(" unsigned %s : %d;" % f for f in self.bitfields), "struct bits_t bf;"]
        return out

    def byte_folds(self):
        """The folding of a small-RAM program's globals into checksum, a byte at a time."""
        values = [(n, t) for n, t in self.globals]
        values += [("%s[%d]" % (n, i), t) for n, t in self.arrays for i in range(self.array_len)]
        values += [("rec." + n, t) for n, t in self.fields]
        # The bytes are read in place, least significant first on the target and the host
        # alike: shifts by 8, 16 and 24 took some 30 words a byte.
        fold = []
        for name, t in values:
            fold.append("    mix((u8)%s);" % name)
            fold += ["    mix(((u8 *)&%s)[%d]);" % (name, i) for i in range(1, BITS[t] // 8)]
        return fold + ["    mix((u8)bf.%s);" % n for n, _ in self.bitfields]

    def program(self):
        rng = self.rng
        out = ["/* Generated by randprog.py: the differential run compares checksum. */",
               '#include "target.h"', "", "u32 checksum;"]
        out += self.small_data() if self.small else self.data()
        out += ["", HELPERS_HERE, ""]
        if self.float_rng:
            self.float_part = FloatPart(self.float_rng, [(n, t, self.initial[n]) for n, t in self.globals], self.fresh,
                                        self.float_depth)
            self.float_part.build(self.float_rng.randint(3, 8), self.float_room,
                                  max(0, self.code_budget - LEAN_MAIN_COST))
            out += self.float_part.text()
            # its text is counted once as part of the program text below
            self.code_budget -= self.float_part.code() - code_cost("\n".join(self.float_part.source()))
        self.main_writable = None
        signature = None
        self.program_text = out
        for i in range(rng.randint(1, 4)):
            # room for main's statements too; a lean (float) program has no functions of its own
            # (a small-RAM program's count of its RAM leaves out what does not fit)
            if self.lean or i and ((self.room < 12 and not self.small) or code_cost("\n".join(out)) > self.code_budget // 3):
                break
            # functions of one signature in a row, so that pointers have several to hold
            out += self.function(signature if rng.random() < 0.5 else None)
            signature = self.functions[-1][1:] if self.functions else None
        out += self.function_pointers()
        self.main_writable = list(self.globals)
        self.in_main = True
        if self.small:
            self.current = "main"
        scope = Scope(self.globals + self.main_locals(out), self.main_writable)
        # one function folds: written out at each of some twenty places, the 32-bit multiply
        # took half the small chips' program memory
        if self.small:
            out += ["static void mix(u8 v)", "{", "    checksum *= 31UL;", "    checksum += v;", "}", ""]
            fold = self.byte_folds()
        else:
            out += ["static void mix(u32 v)", "{", "    checksum = checksum * 31UL + v;", "}", ""]
            fold = ["    mix((u32)%s);" % n for n, _ in self.globals]
            for name, _ in self.arrays:
                fold += ["    for (k0 = 0; k0 < %d; k0++) mix((u32)%s[k0]);" % (self.array_len, name)]
            fold += ["    mix((u32)rec.%s);" % n for n, _ in self.fields]
            fold += ["    mix((u32)bf.%s);" % n for n, _ in self.bitfields]
        self.code_text = out + self.main_local_decls + fold
        # (the lines of main besides its statements, for the count of its frame)
        self.locals_text = self.main_local_decls + fold
        # a float program needs none: the integer run covers the constructs; on the smallest
        # chips none, whose temporaries the RAM budget does not count and bank 0 has no room for
        count = rng.randint(3, 3 + self.depth * 2)
        body = self.top_statements(scope, 0 if self.tight else count, 0 if self.lean else 1,
                                   self.small_calls(scope) if self.small else None)
        start = ["    FLOAT_PART();"] if self.float_part else []
        # --opt=none gives unused locals bytes too: a lean main declares the counters it uses,
        # and so does a small-RAM one (whose folding has no loops)
        used = [k for k in ("k0", "k1", "k2", "k3") if re.search(r"\b%s\b" % k, "\n".join(body))]
        if self.small:
            counters, unused = used, []
        else:
            counters = ["k0"] + [k for k in ("k1", "k2", "k3") if not self.lean or k in used]
            unused = counters[1:]
        out += ["int main(void)", "{"] + ["    u8 %s;" % ", ".join(counters)] * bool(counters) + self.main_local_decls + \
            start + body + fold + ["    (void)%s;" % k for k in unused] + ["    STOP();", "    return 0;", "}", ""]
        if self.small:
            self.ram_count = self.ram_taken(self.frame(self.locals_text + body))
        # only the helpers the program calls: unused ones would still take program memory
        text = "\n".join(out)
        helpers = []
        for definition in "\n".join(self.helpers()).split("\n}\n"):
            name = re.search(r"(\w+)\(", definition).group(1)
            if re.search(r"\b%s\(" % name, text):
                helpers.append(definition.rstrip("}\n") + "\n}")
        return text.replace(HELPERS_HERE, "\n".join(helpers))

    @staticmethod
    def frame_size(types):
        return sum(BITS[t] // 8 for t in types)

    def main_locals(self, out):
        del out
        # a small-RAM main: one local within half of what is left beside a counter
        room = (self.small - self.ram_taken(1)) // 2 if self.small else self.room // 2
        locals_ = [(self.fresh("m_"), self.rng.choice(self.fitting(TYPES, room)))
                   for _ in range(1 if self.lean or self.small else 2)]
        self.main_local_decls = ["    %s %s = %s;" % (t, n, constant(self.rng, t)) for n, t in locals_]
        self.sizes.update((n, BITS[t] // 8) for n, t in locals_)
        self.frame_decl = self.frame_size([t for _, t in locals_])
        self.locals_text = list(self.main_local_decls)
        return locals_

    def function_pointers(self):
        """Pointers to the functions, alone or in tables, each starting at one of its functions."""
        out = []
        by_signature = {}
        for name, ret, params in self.functions:
            by_signature.setdefault((ret, tuple(params)), []).append(name)
        for (ret, params), names in sorted(by_signature.items()):
            if self.rng.random() < 0.3:
                continue
            size = self.rng.choice([0, 0, 2, 4])
            if self.small:
                # a pointer's two bytes, a table's two an element, while the program fits
                left = self.small - self.ram_taken(SMALL_MAIN_RESERVE)
                size = size if 2 * size <= left else 0
                if left < 2:
                    continue
                self.data_bytes += 2 * max(size, 1)
            elif 2 * size > self.room:
                size = 0
            self.room -= 2 * max(size, 1)
            name = self.fresh("ft_" if size else "fp_")
            self.pointers.append((name, size, list(params)))
            self.pointer_targets[name] = names
            self.sizes[name] = BITS[ret] // 8
            self.nested.setdefault("(*)", set()).update(names)
            declared = "static %s (*%s%s)(%s)" % (ret, name, "[%d]" % size if size else "", ", ".join(params) or "void")
            if size:
                out.append("%s = {%s};" % (declared, ", ".join(self.rng.choice(names) for _ in range(size))))
            else:
                out.append("%s = %s;" % (declared, self.rng.choice(names)))
        return out + [""] if out else out

    def function(self, signature=None):
        if self.small:
            return self.small_function(signature)
        rng = self.rng
        name, ret = self.fresh("fn_"), rng.choice(TYPES)
        # its parameters and locals (and k0..k3) within a share of the budget left
        share = max(self.room // 2, 4)
        params = [(self.fresh("p_"), rng.choice(self.fitting(TYPES, share // 6))) for _ in range(rng.randint(0, 3))]
        if signature and self.frame_size(signature[1]) <= share // 2:
            ret, params = signature[0], [(self.fresh("p_"), t) for t in signature[1]]
        locals_ = [(self.fresh("l_"), rng.choice(self.fitting(TYPES, share // 6))) for _ in range(rng.randint(1, 3))]
        self.room -= 4 + self.frame_size([t for _, t in params + locals_])
        self.current = name
        # Reads globals, writes only its own locals and parameters.
        scope = Scope(params + locals_ + self.globals, params + locals_)
        out = ["static %s %s(%s)" % (ret, name, ", ".join("%s %s" % (t, n) for n, t in params) or "void"), "{",
               "    u8 k0, k1, k2, k3;"]
        out += ["    %s %s = %s;" % (t, n, self.expr(t, Scope(params + self.globals, []), 2)) for n, t in locals_]
        self.code_text = self.program_text + out
        out += self.top_statements(scope, rng.randint(1, 4), 0)
        out += ["    (void)k0;", "    (void)k1;", "    (void)k2;", "    (void)k3;",
                "    return %s;" % self.expr(ret, scope, self.depth), "}", ""]
        self.functions.append((name, ret, [t for _, t in params]))
        self.current = None
        return out

    def small_function(self, signature):
        """A function of a small-RAM program: up to two parameters and a local or two, the
        counters it uses, and statements while the program fits; none when not even its
        parameters, locals and return statement fit."""
        rng = self.rng
        before = {k: set(v) for k, v in self.nested.items()}
        left = self.small - self.ram_taken(0)
        name, ret = self.fresh("fn_"), rng.choice(TYPES)
        params = [(self.fresh("p_"), rng.choice(self.fitting(TYPES, left // 6))) for _ in range(rng.randint(0, 2))]
        if signature and self.frame_size(signature[1]) <= left // 3:
            ret, params = signature[0], [(self.fresh("p_"), t) for t in signature[1]]
        locals_ = [(self.fresh("l_"), rng.choice(self.fitting(TYPES, left // 6)))
                   for _ in range(rng.randint(1, 2 if left >= 24 else 1))]
        self.sizes.update((n, BITS[t] // 8) for n, t in params + locals_)
        self.sizes[name] = BITS[ret] // 8
        self.frame_decl = self.frame_size([t for _, t in params + locals_])
        self.current = name
        scope = Scope(params + locals_ + self.globals, params + locals_)
        self.locals_text = ["    %s %s = %s;" % (t, n, self.expr(t, Scope(params + self.globals, []), 2)) for n, t in locals_]
        result = "    return %s;" % self.expr(ret, scope, self.depth)
        self.locals_text.append(result)
        if self.ram_taken(self.frame(self.locals_text)) > self.small:
            self.nested, self.current = before, None
            return []
        self.code_text = self.program_text + self.locals_text
        body = self.top_statements(scope, rng.randint(1, 4), 0)
        self.frames[name] = self.frame(self.locals_text + body)
        counters = [k for k in ("k0", "k1", "k2", "k3") if re.search(r"\b%s\b" % k, "\n".join(body))]
        out = ["static %s %s(%s)" % (ret, name, ", ".join("%s %s" % (t, n) for n, t in params) or "void"), "{"]
        out += ["    u8 %s;" % ", ".join(counters)] if counters else []
        out += self.locals_text[:-1] + body + [result, "}", ""]
        self.functions.append((name, ret, [t for _, t in params]))
        self.current = None
        return out


# Floating point runs only on the target, where the host's own floats would not predict it:
# the generator works every float result out itself with the emulation of the run-time
# library (floatemu.py), for the 24- and the 32-bit double, and the runner compares the
# target's result globals with those patterns. The float code reads integer globals only
# before main changes them, so their values are the generator's constants.
FLOAT_CONSTANTS = [0.0, 1.0, -1.0, 0.5, 1.5, -2.25, 3.0, 10.0, 0.1, -0.375, 100.0, 1234.5, -65536.0,
                   3.14159, 1e-3, 2.5e6, -7.0e-5, 40000.0, 1e30, 3e-30]
FLOAT_OPS = ["+", "-", "*", "/"]
COMPARES = {"<": lambda c: c < 0, "<=": lambda c: c <= 0, ">": lambda c: c > 0, ">=": lambda c: c >= 0,
            "==": lambda c: c == 0, "!=": lambda c: c != 0}


def float_value(node, size, env):
    """The pattern of a float expression node for the double of `size` bytes."""
    kind = node[0]
    if kind == "const":
        return floatemu.from_float(node[2], size)
    if kind == "slot":
        return env[node[1]]
    if kind == "int":
        return floatemu.from_int(node[2], size)
    if kind == "neg":
        return float_value(node[1], size, env) ^ 1 << (8 * size - 1)
    if kind == "bin":
        a, b = float_value(node[2], size, env), float_value(node[3], size, env)
        return {"+": floatemu.add, "-": floatemu.sub, "*": floatemu.mul, "/": floatemu.div}[node[1]](a, b, size)
    if kind == "choose":
        return float_value(node[4] if float_true(node[1:4], size, env) else node[5], size, env)
    if kind == "call":
        inner = dict(env)
        inner.update({p: float_value(a, size, env) for p, a in zip(node[2], node[3])})
        return float_value(node[1], size, inner)
    raise ValueError(kind)


def constant_node(node):
    """Whether a float expression node reads no variable (the compiler may fold it)."""
    kind = node[0]
    if kind == "const":
        return True
    if kind == "neg":
        return constant_node(node[1])
    if kind == "bin":
        return constant_node(node[2]) and constant_node(node[3])
    if kind == "choose":
        return all(constant_node(n) for n in node[2:])
    return False


def computed(node):
    """Whether the code generator computes a float operand rather than reading it in place: a
    variable or a constant is read in place, anything else (a converted integer too) is computed."""
    return node[0] not in ("slot", "const")


def float_temps(node):
    """The float temporaries the code generator keeps for an expression node (an upper bound):
    a computed right operand waits in one while the left is computed, a negation and a choice
    each hold their result in one (a negated computed value and a negated or chosen left
    operand one more), and the operands' own add up (they are not shared)."""
    kind = node[0]
    if kind == "neg":
        return float_temps(node[1]) + 1 + computed(node[1])
    if kind == "bin":
        return compare_temps(node[1:])
    if kind == "choose":
        return compare_temps(node[1:4]) + float_temps(node[4]) + float_temps(node[5]) + 1
    if kind == "call":
        return sum(float_temps(a) for a in node[3])
    return 0


def compare_temps(compare):
    _, a, b = compare
    return float_temps(a) + (a[0] in ("neg", "choose")) + float_temps(b) + computed(b)


def float_true(compare, size, env):
    op, a, b = compare
    return COMPARES[op](floatemu.compare(float_value(a, size, env), float_value(b, size, env), size))


def float_to_int(p, size, t):
    """(u32)(t)p as the run-time library converts."""
    v = floatemu.to_int(p, size, t in SIGNED, BITS[t])
    if t in SIGNED and v >= 1 << (BITS[t] - 1):
        v -= 1 << BITS[t]
    return v & 0xFFFFFFFF


class FloatPart:
    """Float statements over result slots fv[i], each written once, and integer results fi[j]."""

    def __init__(self, rng, int_globals, fresh, depth=3):
        self.rng = rng
        self.depth = depth             # of a statement's expressions
        self.ints = int_globals        # (name, type, value at start)
        self.fresh = fresh
        self.slots = 0                 # fv[0 .. slots-1] written so far
        self.int_results = []          # (text, function of (size, env) giving the u32 value)
        self.lines = []
        self.functions = []            # (name, parameter names, body node)
        self.function_lines = []
        self.float_slots = []          # per slot: (guard or None, node, node)
        self.temps = []                # per statement: its float_temps()
        self.function_temps = []       # per function: its body's

    def leaf(self, env_names):
        rng = self.rng
        r = rng.random()
        if env_names and r < 0.5:
            name = rng.choice(env_names)
            return ("slot", name), name
        if self.ints and r < 0.75:
            name, t, v = rng.choice(self.ints)
            return ("int", name, v), "(double)%s" % name
        x = rng.choice(FLOAT_CONSTANTS)
        return ("const", None, x), repr(x) if "e" in repr(x) or "." in repr(x) else repr(x) + ".0"

    def expr(self, env_names, depth):
        """(node, text)."""
        rng = self.rng
        if depth <= 0 or rng.random() < 0.3:
            return self.leaf(env_names)
        kind = rng.choice(["bin", "bin", "bin", "neg", "choose", "call"])
        if kind == "neg":
            a, at = self.expr(env_names, depth - 1)
            return ("neg", a), "(- %s)" % at  # the space: "--2.25" would be a decrement
        if kind == "choose":
            c, ct = self.compare(env_names, depth - 1)
            a, at = self.expr(env_names, depth - 1)
            b, bt = self.expr(env_names, depth - 1)
            return ("choose",) + c + (a, b), "(%s ? %s : %s)" % (ct, at, bt)
        if kind == "call" and self.functions:
            name, params, body = rng.choice(self.functions)
            args = [self.expr(env_names, 0) for _ in params]
            return ("call", body, params, [a for a, _ in args]), "%s(%s)" % (name, ", ".join(t for _, t in args))
        op = rng.choice(FLOAT_OPS)
        a, at = self.expr(env_names, depth - 1)
        b, bt = self.expr(env_names, depth - 1)
        if constant_node(a) and constant_node(b):
            # the compiler folds constants at a higher precision than the run-time library (and
            # refuses a constant division by zero)
            return a, at
        return ("bin", op, a, b), "(%s %s %s)" % (at, op, bt)

    def compare(self, env_names, depth):
        op = self.rng.choice(sorted(COMPARES))
        a, at = self.expr(env_names, depth)
        b, bt = self.expr(env_names, depth)
        return (op, a, b), "%s %s %s" % (at, op, bt)

    def function(self, most):
        """A float function of 1 to `most` parameters."""
        name = self.fresh("ff_")
        params = [self.fresh("q_") for _ in range(self.rng.randint(1, most))]
        body, text = self.expr(params, 2)
        self.function_lines += ["static double %s(%s)" % (name, ", ".join("double " + p for p in params)), "{",
                                "    return %s;" % text, "}"]
        self.functions.append((name, params, body))
        self.function_temps.append(float_temps(body))

    def statement(self):
        rng = self.rng
        names = ["fv[%d]" % i for i in range(self.slots)]
        kind = rng.choice(["slot", "slot", "if", "int", "compare"])
        if kind in ("slot", "if"):
            target = "fv[%d]" % self.slots
            a, at = self.expr(names, self.depth)
            if kind == "if":
                c, ct = self.compare(names, 1)
                b, bt = self.expr(names, self.depth - 1)
                self.lines += ["    if (%s)" % ct, "        %s = %s;" % (target, at), "    else",
                               "        %s = %s;" % (target, bt)]
                self.float_slots.append(("choose",) + c + (a, b))
                # the two assignments share their temporaries, but not with the compare: the
                # temporaries of its negations and choices live through the whole function
                self.temps.append(compare_temps(c) + max(float_temps(a), float_temps(b)))
            else:
                self.lines.append("    %s = %s;" % (target, at))
                self.float_slots.append(a)
                self.temps.append(float_temps(a))
            self.slots += 1
            return
        if kind == "int":
            t = rng.choice(TYPES)
            a, at = self.expr(names, self.depth - 1)
            self.lines.append("    fi[%d] = (u32)(%s)%s;" % (len(self.int_results), t, at))
            self.int_results.append(lambda size, env, a=a, t=t: float_to_int(float_value(a, size, env), size, t))
            # a conversion to a narrower type goes through a 32-bit temporary
            self.temps.append(float_temps(a) + (BITS[t] < 32))
            return
        c, ct = self.compare(names, self.depth - 1)
        self.lines.append("    fi[%d] = (u32)(%s);" % (len(self.int_results), ct))
        self.int_results.append(lambda size, env, c=c: int(float_true(c, size, env)))
        self.temps.append(compare_temps(c))

    def build(self, count, room, code):
        """`count` statements drawn, those left out whose results, temporaries and the
        functions' parameters would take more than `room` bytes or whose code would take the
        part past `code` units (see code()); a part left with no statement of its own holds a
        filler result."""
        for _ in range(self.rng.randint(0, 2)):
            # the parameters, leaving room for a statement of its own
            most = min(3, (room - self.size() - 4) // 4)
            if most < 1:
                break
            lines = len(self.function_lines)
            self.function(most)
            if self.size() + 4 > room or self.code() > code:
                # its temporaries or its code leave no room
                del self.function_lines[lines:], self.functions[-1], self.function_temps[-1]
                break
        for _ in range(count):
            before = (list(self.lines), self.slots, len(self.int_results), len(self.temps))
            self.statement()
            if self.size() > room or self.code() > code:
                # past the RAM or the code budget: left out (a smaller statement may fit)
                self.lines, self.slots = before[0], before[1]
                del self.float_slots[self.slots:], self.int_results[before[2]:], self.temps[before[3]:]
        if not self.int_results:
            self.lines.append("    fi[0] = (u32)(fv[0] < fv[0]);" if self.slots else "    fi[0] = 0;")
            if self.code() > code:
                # a compare would link the compare routine
                self.lines[-1] = "    fi[0] = 0;"
            self.int_results.append(lambda size, env: 0)
        if not self.slots:
            self.lines.append("    fv[0] = 1.0;")
            self.float_slots.append(("const", None, 1.0))
            self.slots = 1

    def source(self):
        """The lines of its functions and statements."""
        return self.function_lines + self.lines

    def code(self):
        """The program memory its statements, functions and the float routines they call take,
        in code_cost() units: a conversion counts as an operator, so does each statement."""
        text = "\n".join(self.source())
        routines = [name for name, (pattern, _) in FLOAT_ROUTINES.items() if re.search(pattern, text)]
        packs = FLOAT_PACK if set(routines) - {"cmp", "to_int"} else 0
        return (FLOAT_WEIGHT * (code_cost(text) + len(re.findall(FLOAT_ROUTINES["from_int"][0], text)) + text.count(";")) +
                sum(FLOAT_ROUTINES[name][1] for name in routines) + packs)

    def size(self):
        """The bytes of its result globals, its functions' parameters and the temporaries (with
        the 32-bit double): the code generator does not always let statements share theirs."""
        params = sum(len(p) for _, p, _ in self.functions)
        temps = max(0, 4 * (sum(self.temps) + sum(self.function_temps)) - FOLD_FRAME)
        return 4 * (max(self.slots, 1) + max(len(self.int_results), 1) + params) + temps

    def expected(self, size):
        """[(global, byte offset, size, value)] for the double of `size` bytes."""
        env, out = {}, []
        for i, node in enumerate(self.float_slots):
            env["fv[%d]" % i] = float_value(node, size, env)
            out.append(("_fv", i * size, size, env["fv[%d]" % i]))
        for j, result in enumerate(self.int_results):
            out.append(("_fi", 4 * j, 4, result(size, env)))
        return out

    def text(self):
        return (["#ifdef __ORMC__", "double fv[%d];" % self.slots, "u32 fi[%d];" % len(self.int_results)] +
                self.function_lines + ["static void float_part(void)", "{"] + self.lines + ["}",
                "#define FLOAT_PART() float_part()", "#else", "#define FLOAT_PART() ((void)0)", "#endif", ""])


def budget(chip):
    return RAM_BUDGET.get(chip, SMALLEST_BUDGET)


def code_budget(chip):
    return CODE_BUDGET.get(chip, SMALLEST_CODE_BUDGET)


def float_share(room):
    """The bytes of the budget a program's float part takes (of `room` left after the fixed
    cost): a float and an integer result on the smallest chips, a second float result on the
    next ones."""
    return max(8, room // 2)


def small_ram(chip):
    """The bytes of RAM of a chip whose programs come from the small-RAM profile, else None."""
    return SMALL_RAM.get(chip)


def generate(seed, ram=None, code=None, small=None):
    """The program of `seed` whose data fits `ram` bytes (see RAM_BUDGET) and whose code about
    `code` units (see CODE_BUDGET; the smallest chip's of each by default); with `small`, the
    bytes of RAM of a chip of SMALL_RAM, one of the small-RAM profile that fits them."""
    return Generator(seed, ram=ram, code=code, small=small).program()


def generate_with_floats(seed, ram=None, code=None):
    """The program of `seed` with a float part: (text, {double size: expected results})."""
    g = Generator(seed, floats=True, ram=ram, code=code)
    text = g.program()
    return text, {size: g.float_part.expected(size) for size in floatemu.SIZES}


if __name__ == "__main__":
    args = sys.argv[1:]
    chip = None
    if args and args[0].startswith("--chip="):
        chip = args.pop(0)[len("--chip="):]
    ram = budget(chip) if chip else None
    code = code_budget(chip) if chip else None
    if len(args) == 2 and args[0] == "--floats":
        program, expected = generate_with_floats(int(args[1]), ram, code)
        sys.stdout.write(program)
        for size, results in expected.items():
            sys.stdout.write("/* %d-byte double: %s */\n" % (size, " ".join("%s+%d=0x%X" % (s, at, v) for s, at, _, v in results)))
    elif len(args) == 1:
        sys.stdout.write(generate(int(args[0]), ram, code, small_ram(chip)))
    else:
        sys.exit("usage: randprog.py [--chip=CHIP] [--floats] SEED")
