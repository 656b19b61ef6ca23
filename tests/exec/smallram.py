"""What a random program takes of bank 0 as the build lays it out, for the chips with the least
RAM (randprog.py's small-RAM profile): the fixed bytes, the globals, and the compiled stack,
whose frames hold the parameters, the locals and the code generator's temporaries.

The temporaries are estimated from the statement text (the generator's fully parenthesised
expressions): a value the code generator cannot take in place as an operand of an integer
operation, a comparison, a store or a switch is computed into a temporary of the width it is
used at first: a widened variable or element, a bit-field, a call's result, a 0-or-1 value
(a comparison, && || !) and a choice (?:) take about that width, a nested integer operation
about half of it. A byte operation needs none but for calls and choices (the result waits
in a byte). Inside an argument or a choice's arm half of that. --opt=none lets the
statements of a function share one area of temporaries but gives every local its own bytes:
a frame holds the locals, the parameters and the largest statement's temporaries (the
default options never take more)."""
import re

# temp (the run-time library's scratch bytes: the multiply of the folding), checksum, orm_done
FIXED = 12 + 4 + 1
# the start-up code's pointer into program memory, to copy initialised data
CODE_PTR = 2
# mix(u8): the byte and the u32 it is widened to
MIX_FRAME = 5
SIZE = {"u8": 1, "i8": 1, "u16": 2, "i16": 2, "u32": 4, "i32": 4, "uw": 2, "ul": 4}
TOKEN = re.compile(r"\s*(\d+[UL]*|[A-Za-z_]\w*|&&|\|\||<<|>>|<=|>=|==|!=|\+\+|--|[-+*/%&|^~!<>?:()\[\],.])")
BINARY = {"||": 1, "&&": 2, "|": 3, "^": 4, "&": 5, "==": 6, "!=": 6, "<": 7, "<=": 7, ">": 7, ">=": 7,
          ">>": 8, "+": 9, "-": 9, "*": 10}
ZERO_OR_ONE = {"&&", "||", "==", "!=", "<", "<=", ">", ">="}
COMPARE = {"==", "!=", "<", "<=", ">", ">="}


def helper_frame(name):
    """The frame of a division or shift helper (div_u16 ..): its parameters."""
    kind, t = name.split("_")
    return 2 * SIZE[t] if kind in ("div", "mod") else SIZE[t] + 1


class Parser:
    """Nodes (kind, bytes, ...): ("const", n), ("var", n, name), ("cast", n, node),
    ("un", n, op, node), ("bin", n, op, left, right), ("cond", n, test, a, b),
    ("call", n, [arguments]), ("index", n, index node). `sizes` gives the bytes of a
    variable's, an element's, a field's (rec.f0) or a function's value; bf.* is a bit-field."""

    def __init__(self, text, sizes):
        self.tokens, self.at, self.sizes = [], 0, sizes
        text = text.rstrip()
        at = 0
        while at < len(text):
            m = TOKEN.match(text, at)
            if not m:
                raise ValueError("cannot read %r" % text[at:])
            self.tokens.append(m.group(1))
            at = m.end()

    def peek(self, k=0):
        return self.tokens[self.at + k] if self.at + k < len(self.tokens) else None

    def take(self, expected=None):
        token = self.tokens[self.at]
        if expected and token != expected:
            raise ValueError("%s where %s was expected" % (token, expected))
        self.at += 1
        return token

    def expr(self, prec=0):
        left = self.unary()
        while True:
            op = self.peek()
            if op == "?" and prec == 0:
                self.take()
                a = self.expr()
                self.take(":")
                b = self.expr()
                left = ("cond", max(a[1], b[1]), left, a, b)
                continue
            if op not in BINARY or BINARY[op] <= prec:
                return left
            self.take()
            right = self.expr(BINARY[op])
            if left[0] == "const" and right[0] == "const":
                left = ("const", max(left[1], right[1]))
            else:
                left = ("bin", 2 if op in ZERO_OR_ONE else max(left[1], right[1], 2), op, left, right)

    def unary(self):
        token = self.peek()
        if token in ("-", "~", "!", "+"):
            self.take()
            a = self.unary()
            return ("const", a[1]) if a[0] == "const" else ("un", 2 if token == "!" else max(a[1], 2), token, a)
        if token == "(" and self.peek(1) in SIZE and self.peek(2) == ")":
            size = SIZE[self.peek(1)]
            self.at += 3
            a = self.unary()
            return ("const", size) if a[0] == "const" else ("cast", size, a)
        return self.postfix()

    def postfix(self):
        token = self.take()
        if token == "(":
            node = self.expr()
            self.take(")")
        elif token[0].isdigit():
            node = ("const", 4 if "L" in token else 2)
        else:
            node = ("var", self.sizes.get(token, 2), token)
        while self.peek() in ("(", "[", "."):
            token = self.take()
            if token == "(":
                args = []
                while self.peek() != ")":
                    args.append(self.expr())
                    if self.peek() == ",":
                        self.take()
                self.take(")")
                node = ("call", self.sizes.get(node[2], 2) if node[0] == "var" else 2, args)
            elif token == "[":
                index = self.expr()
                self.take("]")
                # an element of a table of function pointers is called, never read
                node = ("index", self.sizes.get(node[2], 2), index) if node[0] == "var" else node
            else:
                field = node[2] + "." + self.take()
                node = ("var", self.sizes.get(field, 2), field)
        return node


def parse(text, sizes):
    p = Parser(text, sizes)
    node = p.expr()
    if p.peek() is not None:
        raise ValueError("%r left over in %r" % (p.peek(), text))
    return node


def bare(node):
    """The node under its conversions and the fewest bytes they keep of it."""
    kept = node[1]
    while node[0] == "cast":
        node = node[2]
        kept = min(kept, node[1])
    return node, kept


def operand_cost(node, width, half, stored=False):
    """The temporary an operand used at `width` bytes takes (see the top); `stored`: the
    value a statement stores (a call's result of that width is copied there directly)."""
    core, kept = bare(node)
    kind = core[0]
    if kind == "const":
        return 0
    if kind == "var" and core[2].startswith("bf."):
        kind = "bitfield"
    elif kind in ("var", "index"):
        # an element of more than a byte is read into a temporary (FSR holds its address)
        if kept >= width and (kind == "var" or core[1] == 1):
            return 0
        kind = "widened"
    elif kind in ("bin", "un"):
        kind = "zero_or_one" if core[2] in ZERO_OR_ONE or core[2] == "!" else "operation"
    if kind == "call":
        # the result is copied out of the callee's return bytes whole
        cost = 0 if stored and core[1] == width else max(core[1], width, 2)
    elif width >= 2:
        cost = width + (kind in ("zero_or_one", "cond"))
    else:
        cost = {"cond": 2, "zero_or_one": 1}.get(kind, 0)
    return (cost + 1) // 2 if half else cost


def inner_cost(node, need, truth=False, top=False):
    """The temporaries inside `node`, computed at `need` bytes (its truth value only: `truth`)."""
    kind = node[0]
    if kind == "const":
        return 0
    if kind == "var":
        return 0
    if kind == "index":
        return inner_cost(node[2], 1) + operand_cost(node[2], 1, False)
    if kind == "cast":
        return inner_cost(node[2], node[1] if truth else min(node[1], need), truth, top)
    if kind == "un":
        if node[2] == "!":
            return inner_cost(node[3], node[3][1], True)
        width = min(need, node[1]) if top else node[1]
        return operand_cost(node[3], width, False) + inner_cost(node[3], width)
    if kind == "bin":
        op, a, b = node[2:]
        if op in ("&&", "||"):
            return inner_cost(a, a[1], True) + inner_cost(b, b[1], True)
        width = max(a[1], b[1]) if op in COMPARE else min(need, node[1]) if top else node[1]
        return sum(operand_cost(x, width, False) + inner_cost(x, width) for x in (a, b))
    if kind == "cond":
        width = min(need, node[1])
        return inner_cost(node[2], node[2][1], True) + sum(operand_cost(x, width, True) + inner_cost(x, width)
                                                             for x in node[3:])
    if kind == "call":
        return sum(operand_cost(x, x[1], True) + inner_cost(x, x[1]) for x in node[2])
    raise ValueError(kind)


def value_cost(text, width, sizes, half=False, stored=False):
    """The temporaries of the expression `text` whose value is used at `width` bytes (and
    stored there: `stored`)."""
    node = parse(text, sizes)
    return operand_cost(node, width, half, stored) + inner_cost(node, width, top=True)


# The statement lines of the generator, by what they compute.
NOTHING = re.compile(r"^(?:case .*:|default:|break;|continue;|\}|\} else \{|do \{|k\d = 0;|k\d\+\+;|\(void\)\w+;|"
                     r"for \(k\d = 0; k\d < \d+; k\d\+\+\) \{|(?:u8|i8|u16|i16|u32|i32) [\w, ]+;|"
                     r"fp_\d+ = fn_\d+;|[\w.]+(?:\+\+|--);|STOP\(\);|return 0;|mix\(\(\(u8 \*\)&[\w.\[\]]+\)\[\d\]\);)$")
CONDITION = re.compile(r"^(?:if|while) \((.*)\) (?:\{|break;|continue;)$|^\} while \((.*)\);$")


def statement_cost(line, sizes, fields):
    """The temporaries of one statement line of the generator: (its own, the bit-fields').
    `fields` gives the bits of each bit-field (bf.b0 ..)."""
    s = line.strip()
    m = re.match(r"^(bf\.b\d+)(\+\+;| = (.*);)$", s)
    if m and m.group(3) is None:
        # a field narrower than a byte is stepped in a word
        return 0, 1 + (fields.get(m.group(1), 8) < 8)
    if m:
        # the value waits in a byte of the bit-fields' while the field's bits are merged
        return value_cost(m.group(3), 1, sizes), bitfield_reads(m.group(3)) + 1
    return own_cost(s, sizes), bitfield_reads(s)


def bitfield_reads(text):
    """The bit-fields a statement reads: each into a byte of the function's own for them."""
    return len(re.findall(r"\bbf\.b\d+\b", text))


def own_cost(s, sizes):
    """The temporaries of statement line `s` but for the bit-fields'."""
    if NOTHING.match(s):
        return 0
    m = CONDITION.match(s)
    if m:
        text = m.group(1) or m.group(2)
        return value_cost(text, parse(text, sizes)[1], sizes, half=True)
    m = re.match(r"^switch \((.*)\) \{$", s)
    if m:
        return value_cost(m.group(1), parse(m.group(1), sizes)[1], sizes)
    m = re.match(r"^return (.*);$", s) or re.match(r"^(?:u8|i8|u16|i16|u32|i32) \w+ = (.*);$", s)
    if m:
        # a local's initial value or the returned one: stored at the width of its own value
        return value_cost(m.group(1), parse(m.group(1), sizes)[1], sizes)
    m = re.match(r"^(\w+\(.*\));$", s)
    if m:
        return inner_cost(parse(m.group(1), sizes), 1)
    m = re.match(r"^(.+?) (=|\+=|-=|\*=|&=|\|=|\^=) (.*);$", s)
    if not m:
        raise ValueError("no statement the generator makes: %r" % s)
    target, op, value = m.groups()
    element = re.match(r"^(\w+)\[(.*)\]$", target)
    if element:
        # a value of more than a byte waits in a temporary while FSR takes the address
        width = sizes.get(element.group(1), 1)
        return inner_cost(parse(element.group(2), sizes), 1) + value_cost(value, width, sizes) + width * (width >= 2)
    node = parse(value, sizes)
    width = sizes.get(target, 1)
    # x op= v: v computed into a temporary first, where it is more than a byte
    combined = width if op != "=" and width >= 2 and bare(node)[0][0] != "var" and node[0] != "const" else 0
    return value_cost(value, width, sizes, stored=op == "=") + combined


def temporaries(lines, sizes, fields):
    """The temporaries of a function whose statements are `lines`: its largest statement's,
    and beside them the bytes it keeps for bit-fields, as many as one statement needs."""
    costs = [statement_cost(line, sizes, fields) for line in lines] or [(0, 0)]
    return max(own for own, _ in costs) + max(fields for _, fields in costs)


def stack(name, frames, calls, seen=()):
    """The bytes of the compiled stack from function `name` down its deepest chain of calls:
    `frames` gives a function's frame (the helpers' are known), `calls` what a call of it may
    lead to (its body's calls and those inside its arguments; "(*)" the functions pointers
    hold)."""
    if name in seen:
        return 0
    own = frames[name] if name in frames else helper_frame(name) if re.match(r"^(?:div|mod|shl|shr)_", name) else 0
    below = [stack(c, frames, calls, seen + (name,)) for c in calls.get(name, ())]
    return own + max(below or [0])
