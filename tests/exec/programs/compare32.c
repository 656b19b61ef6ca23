/* Compares of 32-bit values, as jumps: every operator on ordered pairs of edge values (both
   operands in memory) and against constants (0, -1, the extremes, high bytes alone). Each
   result byte holds one bit a test. */
#include "target.h"

static u8 bits;

#include "compare.h"

#if PART(1) || PART(2)
PAIR(u32)

static u8 konst_u32(void)
{
    bits = 0;
    if (x_u32 == 0) bits |= 1;
    if (x_u32 != 0x010000FFUL) bits |= 2;
    if (x_u32 < 0x01000000UL) bits |= 4;
    if (x_u32 > 0xFFFFFFFEUL) bits |= 8;
    if (x_u32 >= 0x100UL) bits |= 16;
    if (x_u32 <= 0xFFUL) bits |= 32;
    return bits;
}
#endif

#if PART(3) || PART(4)
PAIR(i32)

static u8 konst_i32(void)
{
    bits = 0;
    if (x_i32 == 0) bits |= 1;
    if (x_i32 < 0) bits |= 2;
    if (x_i32 >= 0) bits |= 4;
    if (x_i32 < -1) bits |= 8;
    if (x_i32 > -16777216L) bits |= 16;
    if (x_i32 >= 2147483646L) bits |= 32;
    if (x_i32 <= -2147483647L) bits |= 64;
    return bits;
}
#endif

#if PART(1)
u8 r_u32_00, r_u32_01, r_u32_02, r_u32_k0, r_u32_10, r_u32_11, r_u32_12, r_u32_k1;
#endif
#if PART(2)
u8 r_u32_20, r_u32_21, r_u32_22, r_u32_k2;
#endif
#if PART(3)
u8 r_i32_00, r_i32_01, r_i32_02, r_i32_k0, r_i32_10, r_i32_11, r_i32_12, r_i32_k1;
#endif
#if PART(4)
u8 r_i32_20, r_i32_21, r_i32_22, r_i32_k2;
#endif

int main(void)
{
#if PART(1)
    x_u32 = 0xFFUL;
    y_u32 = 0xFFUL;
    r_u32_00 = pair_u32();
    y_u32 = 0x010000FFUL;
    r_u32_01 = pair_u32();
    y_u32 = 0xFFFFFFFFUL;
    r_u32_02 = pair_u32();
    r_u32_k0 = konst_u32();
    x_u32 = 0x010000FFUL;
    y_u32 = 0xFFUL;
    r_u32_10 = pair_u32();
    y_u32 = 0x010000FFUL;
    r_u32_11 = pair_u32();
    y_u32 = 0xFFFFFFFFUL;
    r_u32_12 = pair_u32();
    r_u32_k1 = konst_u32();
#endif
#if PART(2)
    x_u32 = 0xFFFFFFFFUL;
    y_u32 = 0xFFUL;
    r_u32_20 = pair_u32();
    y_u32 = 0x010000FFUL;
    r_u32_21 = pair_u32();
    y_u32 = 0xFFFFFFFFUL;
    r_u32_22 = pair_u32();
    r_u32_k2 = konst_u32();
#endif
#if PART(3)
    x_i32 = -2147483647L - 1;
    y_i32 = -2147483647L - 1;
    r_i32_00 = pair_i32();
    y_i32 = -1L;
    r_i32_01 = pair_i32();
    y_i32 = 0x00FFFFFFL;
    r_i32_02 = pair_i32();
    r_i32_k0 = konst_i32();
    x_i32 = -1L;
    y_i32 = -2147483647L - 1;
    r_i32_10 = pair_i32();
    y_i32 = -1L;
    r_i32_11 = pair_i32();
    y_i32 = 0x00FFFFFFL;
    r_i32_12 = pair_i32();
    r_i32_k1 = konst_i32();
#endif
#if PART(4)
    x_i32 = 0x00FFFFFFL;
    y_i32 = -2147483647L - 1;
    r_i32_20 = pair_i32();
    y_i32 = -1L;
    r_i32_21 = pair_i32();
    y_i32 = 0x00FFFFFFL;
    r_i32_22 = pair_i32();
    r_i32_k2 = konst_i32();
#endif
    STOP();
    return 0;
}
