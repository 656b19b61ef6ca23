/* Compares of 16-bit values, as jumps: every operator on ordered pairs of edge values (both
   operands in memory) and against constants (0, -1, the extremes, high bytes alone). Each
   result byte holds one bit a test. Where RAM is short each pair of rows runs alone. */
#include "target.h"

static u8 bits;

#include "compare.h"

#if PART(1) || PART(2)
PAIR(u16)

static u8 konst_u16(void)
{
    bits = 0;
    if (x_u16 == 0) bits |= 1;
    if (x_u16 != 0x0100) bits |= 2;
    if (x_u16 < 0x0100) bits |= 4;
    if (x_u16 <= 0x00FF) bits |= 8;
    if (x_u16 > 0xFFFE) bits |= 16;
    if (x_u16 >= 0x01FF) bits |= 32;
    if (x_u16 < 1) bits |= 64;
    if (x_u16 == 0xFFFF) bits |= 128;
    return bits;
}
#endif

#if PART(3) || PART(4)
PAIR(i16)

static u8 konst_i16(void)
{
    bits = 0;
    if (x_i16 == 0) bits |= 1;
    if (x_i16 < 0) bits |= 2;
    if (x_i16 >= 0) bits |= 4;
    if (x_i16 < -1) bits |= 8;
    if (x_i16 > -1) bits |= 16;
    if (x_i16 <= -32767) bits |= 32;
    if (x_i16 >= 32766) bits |= 64;
    if (x_i16 < 0x0200) bits |= 128;
    return bits;
}
#endif

#if PART(1)
u8 r_u16_00, r_u16_01, r_u16_02, r_u16_03, r_u16_k0, r_u16_10, r_u16_11, r_u16_12, r_u16_13, r_u16_k1;
#endif
#if PART(2)
u8 r_u16_20, r_u16_21, r_u16_22, r_u16_23, r_u16_k2, r_u16_30, r_u16_31, r_u16_32, r_u16_33, r_u16_k3;
#endif
#if PART(3)
u8 r_i16_00, r_i16_01, r_i16_02, r_i16_03, r_i16_k0, r_i16_10, r_i16_11, r_i16_12, r_i16_13, r_i16_k1;
#endif
#if PART(4)
u8 r_i16_20, r_i16_21, r_i16_22, r_i16_23, r_i16_k2, r_i16_30, r_i16_31, r_i16_32, r_i16_33, r_i16_k3;
#endif

int main(void)
{
#if PART(1)
    x_u16 = 0x00FF;
    y_u16 = 0x00FF;
    r_u16_00 = pair_u16();
    y_u16 = 0x0100;
    r_u16_01 = pair_u16();
    y_u16 = 0xFFFF;
    r_u16_02 = pair_u16();
    y_u16 = 0x01FF;
    r_u16_03 = pair_u16();
    r_u16_k0 = konst_u16();
    x_u16 = 0x0100;
    y_u16 = 0x00FF;
    r_u16_10 = pair_u16();
    y_u16 = 0x0100;
    r_u16_11 = pair_u16();
    y_u16 = 0xFFFF;
    r_u16_12 = pair_u16();
    y_u16 = 0x01FF;
    r_u16_13 = pair_u16();
    r_u16_k1 = konst_u16();
#endif
#if PART(2)
    x_u16 = 0xFFFF;
    y_u16 = 0x00FF;
    r_u16_20 = pair_u16();
    y_u16 = 0x0100;
    r_u16_21 = pair_u16();
    y_u16 = 0xFFFF;
    r_u16_22 = pair_u16();
    y_u16 = 0x01FF;
    r_u16_23 = pair_u16();
    r_u16_k2 = konst_u16();
    x_u16 = 0x01FF;
    y_u16 = 0x00FF;
    r_u16_30 = pair_u16();
    y_u16 = 0x0100;
    r_u16_31 = pair_u16();
    y_u16 = 0xFFFF;
    r_u16_32 = pair_u16();
    y_u16 = 0x01FF;
    r_u16_33 = pair_u16();
    r_u16_k3 = konst_u16();
#endif
#if PART(3)
    x_i16 = -32767 - 1;
    y_i16 = -32767 - 1;
    r_i16_00 = pair_i16();
    y_i16 = 32767;
    r_i16_01 = pair_i16();
    y_i16 = -1;
    r_i16_02 = pair_i16();
    y_i16 = 0x01FF;
    r_i16_03 = pair_i16();
    r_i16_k0 = konst_i16();
    x_i16 = 32767;
    y_i16 = -32767 - 1;
    r_i16_10 = pair_i16();
    y_i16 = 32767;
    r_i16_11 = pair_i16();
    y_i16 = -1;
    r_i16_12 = pair_i16();
    y_i16 = 0x01FF;
    r_i16_13 = pair_i16();
    r_i16_k1 = konst_i16();
#endif
#if PART(4)
    x_i16 = -1;
    y_i16 = -32767 - 1;
    r_i16_20 = pair_i16();
    y_i16 = 32767;
    r_i16_21 = pair_i16();
    y_i16 = -1;
    r_i16_22 = pair_i16();
    y_i16 = 0x01FF;
    r_i16_23 = pair_i16();
    r_i16_k2 = konst_i16();
    x_i16 = 0x01FF;
    y_i16 = -32767 - 1;
    r_i16_30 = pair_i16();
    y_i16 = 32767;
    r_i16_31 = pair_i16();
    y_i16 = -1;
    r_i16_32 = pair_i16();
    y_i16 = 0x01FF;
    r_i16_33 = pair_i16();
    r_i16_k3 = konst_i16();
#endif
    STOP();
    return 0;
}
