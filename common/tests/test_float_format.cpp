// Constant floats as the run-time float package would round them: once, to nearest with ties
// to even, infinity above the largest exponent, a signed zero below the smallest.
#include "common/float_format.h"

#include <cfloat>
#include <cmath>
#include <gtest/gtest.h>

namespace {

double p2(int e) { return std::ldexp(1.0, e); }

TEST(float_pattern, ordinary_values) {
    EXPECT_EQ(float_pattern(1.5, 3), 0x3FC000u);
    EXPECT_EQ(float_pattern(1.5, 4), 0x3FC00000u);
    EXPECT_EQ(float_pattern(-2.0, 3), 0xC00000u);
    EXPECT_EQ(float_pattern(0.1, 4), 0x3DCCCCCDu);
    EXPECT_EQ(float_pattern(0.1, 3), 0x3DCCCDu);
    EXPECT_EQ(float_pattern(0.0, 3), 0u);
    EXPECT_EQ(float_pattern(-0.0, 3), 0x800000u);
    EXPECT_EQ(float_pattern(-0.0, 4), 0x80000000u);
}

// A value exactly halfway between two patterns goes to the one with an even fraction, in
// both directions and both signs; a value off the halfway point by less than a single's unit
// is rounded once from the exact value, not through single precision first.
TEST(float_pattern, ties_go_to_even) {
    EXPECT_EQ(float_pattern(1 + p2(-16), 3), 0x3F8000u);
    EXPECT_EQ(float_pattern(-(1 + p2(-16)), 3), 0xBF8000u);
    EXPECT_EQ(float_pattern(1 + 3 * p2(-16), 3), 0x3F8002u);
    EXPECT_EQ(float_pattern(-(1 + 3 * p2(-16)), 3), 0xBF8002u);
    EXPECT_EQ(float_pattern(1 + p2(-24), 4), 0x3F800000u);
    EXPECT_EQ(float_pattern(1 + 3 * p2(-24), 4), 0x3F800002u);
    EXPECT_EQ(float_pattern(-(1 + 3 * p2(-24)), 4), 0xBF800002u);
    EXPECT_EQ(float_pattern(1 + p2(-16) - p2(-40), 3), 0x3F8000u);
    EXPECT_EQ(float_pattern(1 + p2(-16) + p2(-40), 3), 0x3F8001u);
    // a tie whose rounding carries into the exponent
    EXPECT_EQ(float_pattern(2 - p2(-16), 3), 0x400000u);
}

TEST(float_pattern, overflow_gives_infinity_only_past_the_largest_pattern) {
    EXPECT_EQ(float_pattern(FLT_MAX, 4), 0x7F7FFFFFu);
    EXPECT_EQ(float_pattern(FLT_MAX * (1 + p2(-26)), 4), 0x7F7FFFFFu);
    EXPECT_EQ(float_pattern(-FLT_MAX * (1 + p2(-26)), 4), 0xFF7FFFFFu);
    EXPECT_EQ(float_pattern(FLT_MAX + p2(103), 4), 0x7F800000u);  // the tie rounds up
    EXPECT_EQ(float_pattern((2 - p2(-15)) * p2(127), 3), 0x7F7FFFu);
    EXPECT_EQ(float_pattern(FLT_MAX, 3), 0x7F8000u);
    EXPECT_EQ(float_pattern(DBL_MAX, 4), 0x7F800000u);
    EXPECT_EQ(float_pattern(-DBL_MAX, 3), 0xFF8000u);
    EXPECT_EQ(float_pattern(INFINITY, 3), 0x7F8000u);
    EXPECT_EQ(float_pattern(-INFINITY, 4), 0xFF800000u);
    EXPECT_EQ(float_pattern(NAN, 4), 0x7FC00000u);
}

TEST(float_pattern, underflow_gives_a_signed_zero) {
    EXPECT_EQ(float_pattern(p2(-126), 4), 0x00800000u);
    EXPECT_EQ(float_pattern(p2(-126) * (1 - p2(-30)), 4), 0x00800000u);  // rounds up into range
    EXPECT_EQ(float_pattern(p2(-127), 4), 0u);
    EXPECT_EQ(float_pattern(-p2(-130), 3), 0x800000u);
    EXPECT_EQ(float_pattern(1e-300, 4), 0u);
}

TEST(float_value, reads_patterns_as_the_package_does) {
    EXPECT_EQ(float_value(0x3F8000u, 3), 1.0);
    EXPECT_EQ(float_value(0xC0100000u, 4), -2.25);
    // what a constant holds after rounding to the 24-bit double
    EXPECT_EQ(float_value(float_pattern(-2500000.0, 3), 3), -2499968.0);
    EXPECT_EQ(float_value(float_pattern(65535.9, 3), 3), 65536.0);
    EXPECT_EQ(float_value(float_pattern(65535.9, 4), 4), 65535.8984375);
    // an exponent of 0 is zero whatever the fraction; all ones is an ordinary number
    EXPECT_EQ(float_value(0x0000FFu, 3), 0.0);
    EXPECT_EQ(float_value(0x7F8000u, 3), p2(128));
    EXPECT_EQ(float_value(0xFF800000u, 4), -p2(128));
}

}  // namespace
