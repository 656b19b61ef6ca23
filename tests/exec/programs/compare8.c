/* Compares of 8-bit values, as jumps: every operator on ordered pairs of edge values (both
   operands in memory) and against constants (0, -1, the extremes, high bytes alone). Each
   result byte holds one bit a test. */
#include "target.h"

static u8 bits;

#include "compare.h"

#if PART(1)
PAIR(u8)

static u8 konst_u8(void)
{
    bits = 0;
    if (x_u8 == 0) bits |= 1;
    if (x_u8 != 0x80) bits |= 2;
    if (x_u8 < 0x80) bits |= 4;
    if (x_u8 <= 0x7F) bits |= 8;
    if (x_u8 > 0xFE) bits |= 16;
    if (x_u8 >= 1) bits |= 32;
    if (x_u8 < 1) bits |= 64;
    if (x_u8 >= 0x80) bits |= 128;
    return bits;
}

#endif

#if PART(2) || PART(3)
PAIR(i8)

static u8 konst_i8(void)
{
    bits = 0;
    if (x_i8 == 0) bits |= 1;
    if (x_i8 < 0) bits |= 2;
    if (x_i8 >= 0) bits |= 4;
    if (x_i8 < -1) bits |= 8;
    if (x_i8 > -1) bits |= 16;
    if (x_i8 <= -127) bits |= 32;
    if (x_i8 >= 126) bits |= 64;
    if (x_i8 > 0) bits |= 128;
    return bits;
}
#endif

#if PART(1)
u8 r_u8_00, r_u8_01, r_u8_02, r_u8_k0, r_u8_10, r_u8_11, r_u8_12, r_u8_k1, r_u8_20, r_u8_21, r_u8_22, r_u8_k2;
#endif
#if PART(2)
u8 r_i8_00, r_i8_01, r_i8_02, r_i8_03, r_i8_k0, r_i8_10, r_i8_11, r_i8_12, r_i8_13, r_i8_k1;
#endif
#if PART(3)
u8 r_i8_20, r_i8_21, r_i8_22, r_i8_23, r_i8_k2, r_i8_30, r_i8_31, r_i8_32, r_i8_33, r_i8_k3;
#endif

#if PART(1)
/* Widened before the compare: a sum that leaves the byte range, bytes of different signs. */
static u8 w_a = 200, w_b = 100, w_c = 44;
static i8 w_e = -56;
u8 r_wide;
#endif

int main(void)
{
#if PART(1)
    r_wide = 0;
    if (w_a + w_b == w_c) r_wide |= 1;
    if (w_a + w_b != w_c) r_wide |= 2;
    if (w_e == w_a) r_wide |= 4;
    if (w_e < w_a) r_wide |= 8;
    if (w_a + w_b > w_a) r_wide |= 16;
    x_u8 = 0;
    y_u8 = 0;
    r_u8_00 = pair_u8();
    y_u8 = 0x80;
    r_u8_01 = pair_u8();
    y_u8 = 0xFF;
    r_u8_02 = pair_u8();
    r_u8_k0 = konst_u8();
    x_u8 = 0x80;
    y_u8 = 0;
    r_u8_10 = pair_u8();
    y_u8 = 0x80;
    r_u8_11 = pair_u8();
    y_u8 = 0xFF;
    r_u8_12 = pair_u8();
    r_u8_k1 = konst_u8();
    x_u8 = 0xFF;
    y_u8 = 0;
    r_u8_20 = pair_u8();
    y_u8 = 0x80;
    r_u8_21 = pair_u8();
    y_u8 = 0xFF;
    r_u8_22 = pair_u8();
    r_u8_k2 = konst_u8();
#endif
#if PART(2)
    x_i8 = -128;
    y_i8 = -128;
    r_i8_00 = pair_i8();
    y_i8 = 127;
    r_i8_01 = pair_i8();
    y_i8 = -1;
    r_i8_02 = pair_i8();
    y_i8 = 0;
    r_i8_03 = pair_i8();
    r_i8_k0 = konst_i8();
    x_i8 = 127;
    y_i8 = -128;
    r_i8_10 = pair_i8();
    y_i8 = 127;
    r_i8_11 = pair_i8();
    y_i8 = -1;
    r_i8_12 = pair_i8();
    y_i8 = 0;
    r_i8_13 = pair_i8();
    r_i8_k1 = konst_i8();
#endif
#if PART(3)
    x_i8 = -1;
    y_i8 = -128;
    r_i8_20 = pair_i8();
    y_i8 = 127;
    r_i8_21 = pair_i8();
    y_i8 = -1;
    r_i8_22 = pair_i8();
    y_i8 = 0;
    r_i8_23 = pair_i8();
    r_i8_k2 = konst_i8();
    x_i8 = 0;
    y_i8 = -128;
    r_i8_30 = pair_i8();
    y_i8 = 127;
    r_i8_31 = pair_i8();
    y_i8 = -1;
    r_i8_32 = pair_i8();
    y_i8 = 0;
    r_i8_33 = pair_i8();
    r_i8_k3 = konst_i8();
#endif
    STOP();
    return 0;
}
