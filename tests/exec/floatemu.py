"""Host emulation of the target's two floating formats, bit for bit as the run-time library
computes them. Values are patterns (ints): 24-bit floats are sign, 8-bit exponent (bias 127)
and 15-bit fraction; 32-bit floats are IEEE-754 single precision.

The library's rules, which differ from IEEE-754 where noted:
- every result is the exact result rounded to nearest, ties to even;
- an exponent of 0 reads as zero whatever the fraction (no subnormals); an exponent of all
  ones reads as an ordinary number 2^128 * 1.f (no NaNs; infinity is the pattern with fraction 0);
- a rounded result whose exponent would exceed 254 is infinity of its sign, one whose exponent
  would be below 1 is a zero of its sign; an exact zero from a cancellation is +0;
- a + 0 is a and 0 + b is b, patterns unchanged, but two zeros add to -0 only when both are -0
  (so that the sum does not depend on the operands' order); 0 * x and 0 / x are a zero of the sign of the
  product (also 0 / 0); x / 0 is infinity of that sign;
- conversions to integers truncate toward zero; out of range a signed result saturates to the
  most positive or negative 32-bit value, an unsigned one to all ones, and a negative value
  converted to unsigned gives 0 (8- and 16-bit results are the low bytes of the 32-bit one);
- all zeros compare equal."""
from fractions import Fraction

BIAS = 127
SIZES = (3, 4)


def frac_bits(size):
    return 8 * size - 9


def fields(p, size):
    fb = frac_bits(size)
    return p >> (8 * size - 1) & 1, p >> fb & 0xFF, p & ((1 << fb) - 1)


def is_zero(p, size):
    return fields(p, size)[1] == 0


def value(p, size):
    """The exact value of a pattern (Fraction); zero exponents are 0."""
    s, e, f = fields(p, size)
    if e == 0:
        return Fraction(0)
    fb = frac_bits(size)
    v = Fraction((1 << fb) | f) * Fraction(2) ** (e - BIAS - fb)
    return -v if s else v


def _pattern(sign, e, f, size):
    return sign << (8 * size - 1) | e << frac_bits(size) | f


def infinity(sign, size):
    return _pattern(sign, 255, 0, size)


def round_value(v, size, sign_of_zero=0):
    """The pattern nearest to the exact value v (ties to even), with the library's range rules."""
    if v == 0:
        return _pattern(sign_of_zero, 0, 0, size)
    sign = 1 if v < 0 else 0
    v = abs(v)
    fb = frac_bits(size)
    # v = m * 2^k with m in [2^fb, 2^(fb+1)).
    k = v.numerator.bit_length() - v.denominator.bit_length() - fb
    while v / Fraction(2) ** k >= 1 << (fb + 1):
        k += 1
    while v / Fraction(2) ** k < 1 << fb:
        k -= 1
    scaled = v / Fraction(2) ** k
    m = int(scaled)
    rest = scaled - m
    if rest > Fraction(1, 2) or (rest == Fraction(1, 2) and m & 1):
        m += 1
    if m == 1 << (fb + 1):
        m >>= 1
        k += 1
    e = k + fb + BIAS
    if e < 1:
        return _pattern(sign, 0, 0, size)
    if e > 254:
        return infinity(sign, size)
    return _pattern(sign, e, m - (1 << fb), size)


def add(a, b, size):
    if is_zero(b, size):
        if is_zero(a, size):
            return a & ~((fields(a, size)[0] & ~fields(b, size)[0]) << (8 * size - 1))
        return a
    if is_zero(a, size):
        return b
    return round_value(value(a, size) + value(b, size), size)


def sub(a, b, size):
    return add(a, b ^ 1 << (8 * size - 1), size)


def mul(a, b, size):
    sign = fields(a, size)[0] ^ fields(b, size)[0]
    if is_zero(a, size) or is_zero(b, size):
        return _pattern(sign, 0, 0, size)
    return round_value(value(a, size) * value(b, size), size, sign)


def div(a, b, size):
    sign = fields(a, size)[0] ^ fields(b, size)[0]
    if is_zero(a, size):
        return _pattern(sign, 0, 0, size)
    if is_zero(b, size):
        return infinity(sign, size)
    return round_value(value(a, size) / value(b, size), size, sign)


def compare(a, b, size):
    """-1, 0 or 1."""
    x, y = value(a, size), value(b, size)
    return (x > y) - (x < y)


def from_int(i, size):
    return round_value(Fraction(i), size)


def to_int(p, size, signed, bits=32):
    """The conversion to a 32-bit integer, then its low bits (two's complement pattern)."""
    v = value(p, size)
    t = int(v)          # truncates toward zero
    if signed:
        t = max(-(1 << 31), min((1 << 31) - 1, t))
    else:
        t = 0 if v < 0 else min((1 << 32) - 1, t)
    return t & ((1 << bits) - 1)


def narrow(p):
    """A 32-bit float rounded to the 24-bit format."""
    if is_zero(p, 4):
        return p >> 31 << 23
    return round_value(value(p, 4), 3)


def widen(p):
    """A 24-bit float as a 32-bit one (exact)."""
    return p << 8


def from_float(x, size):
    """The pattern of a Python float as the compiler writes a constant: the exact value rounded
    once to the target size, to nearest with ties to even, with the library's range rules."""
    import math
    if math.isinf(x):
        return infinity(1 if x < 0 else 0, size)
    return round_value(Fraction(x), size, 1 if math.copysign(1, x) < 0 else 0)


def to_float(p, size):
    """A pattern's value as a Python float (for messages)."""
    s, e, _ = fields(p, size)
    if e == 255 and p & ((1 << frac_bits(size)) - 1) == 0:
        return float("-inf") if s else float("inf")
    return float(value(p, size))
