/* Integer operators on ints, with the results left in globals (arith32*.c do the longs). */
#include "target.h"

#if PART(1) || PART(2)
u16 a16 = 50000U, b16 = 300;
#endif
#if PART(1)
u16 r_u16[4];
#endif
#if PART(2)
u16 r_bits[4];
#endif
#if PART(3)
i16 r_i16[6];
i16 c16 = -20000, d16 = 77;
#endif

int main(void)
{
#if PART(1)
    r_u16[0] = (u16)((uw)a16 + b16);
    r_u16[1] = (u16)((uw)a16 * b16);
    r_u16[2] = (u16)(a16 / b16);
    r_u16[3] = (u16)(a16 % b16);
#endif
#if PART(2)
    r_bits[0] = (u16)((uw)a16 << 5);
    r_bits[1] = (u16)(a16 >> 9);
    r_bits[2] = (u16)((a16 ^ b16) | (uw)(a16 & 0xF0F0U));
    r_bits[3] = (u16)~(uw)a16;
#endif
#if PART(3)
    r_i16[0] = (i16)(c16 / d16);
    r_i16[1] = (i16)(c16 % d16);
    r_i16[2] = (i16)(c16 >> 3);
    r_i16[3] = (i16)(c16 < d16 && d16 > 0);
    r_i16[4] = (i16)(u16)((uw)c16 * (uw)d16);
    r_i16[5] = (i16)(c16 == -20000 ? 1 : 2);
#endif
    STOP();
    return 0;
}
