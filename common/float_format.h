// The two floating formats of the target: 32-bit values are IEEE-754 single precision, 24-bit
// ones the same cut to its top 24 bits (sign, 8-bit exponent, 15-bit fraction). A constant is
// rounded once, from the exact value to the target size, to nearest with ties to even, and
// meets the range rules of the run-time float package: a rounded exponent above 254 gives
// infinity of the value's sign, one below 1 a zero of its sign (the package has no
// subnormals). The code generator's data and the assembler's fcf directive both build them here.
#pragma once
#include <cmath>
#include <cstdint>

// The bit pattern of v in `size` bytes (3 or 4), in the low bits of the result.
inline uint32_t float_pattern(double v, int size) {
    const int frac_bits = 8 * size - 9;
    if (std::isnan(v)) return uint32_t{255} << frac_bits | uint32_t{1} << (frac_bits - 1);  // a quiet NaN
    const uint32_t sign = std::signbit(v) ? uint32_t{1} << (8 * size - 1) : 0;
    const uint32_t infinity = sign | uint32_t{255} << frac_bits;
    if (std::isinf(v)) return infinity;
    if (v == 0) return sign;
    int exp2 = 0;
    // |v| = m * 2^exp2 with m in [0.5, 1); scaling m by a power of two is exact, so the part
    // below the kept fraction is exact too.
    double scaled = std::ldexp(std::frexp(std::fabs(v), &exp2), frac_bits + 1);
    double whole = std::floor(scaled);
    double rest = scaled - whole;
    uint32_t mant = static_cast<uint32_t>(whole);
    if (rest > 0.5 || (rest == 0.5 && (mant & 1))) ++mant;
    int exponent = exp2 - 1 + 127;
    if (mant == uint32_t{1} << (frac_bits + 1)) {  // the rounding carried out of the fraction
        mant >>= 1;
        ++exponent;
    }
    if (exponent < 1) return sign;
    if (exponent > 254) return infinity;
    return sign | static_cast<uint32_t>(exponent) << frac_bits | (mant & ((uint32_t{1} << frac_bits) - 1));
}

// The value of a pattern of `size` bytes, as the run-time float package reads it: an exponent
// of 0 is zero, one of all ones an ordinary number.
inline double float_value(uint32_t pattern, int size) {
    const int frac_bits = 8 * size - 9;
    const uint32_t exponent = pattern >> frac_bits & 255;
    const uint32_t fraction = pattern & ((uint32_t{1} << frac_bits) - 1);
    const double magnitude =
        exponent ? std::ldexp(1.0 + std::ldexp(static_cast<double>(fraction), -frac_bits), static_cast<int>(exponent) - 127)
                 : 0.0;
    return pattern >> (8 * size - 1) & 1 ? -magnitude : magnitude;
}
