// The two floating formats of the target: 32-bit values are IEEE-754 single precision, 24-bit
// ones the same cut to its top 24 bits (sign, 8-bit exponent, 15-bit fraction), rounded to
// nearest. The code generator's data and the assembler's fcf directive both build them here.
#pragma once
#include <cfloat>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <limits>

// The bit pattern of v in `size` bytes (3 or 4), in the low bits of the result.
inline uint32_t float_pattern(double v, int size) {
    float f;
    if (std::isnan(v)) f = std::numeric_limits<float>::quiet_NaN();
    else if (v > FLT_MAX) f = std::numeric_limits<float>::infinity();
    else if (v < -FLT_MAX) f = -std::numeric_limits<float>::infinity();
    else f = static_cast<float>(v);
    uint32_t bits;
    std::memcpy(&bits, &f, 4);
    if (size != 3) return bits;
    // A carry out of the fraction raises the exponent, as rounding should; infinities and
    // NaNs keep their pattern.
    if ((bits & 0x7f800000u) == 0x7f800000u) return bits >> 8;
    return (bits + 0x80) >> 8;
}
