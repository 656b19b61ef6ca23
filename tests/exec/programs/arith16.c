/* Integer operators on ints, with the results left in globals (one program per width fits the smallest chips). */
#include "target.h"

u16 r_u16[8];
i16 r_i16[6];

u16 a16 = 50000U, b16 = 300;
i16 c16 = -20000, d16 = 77;

int main(void)
{
    r_u16[0] = (u16)((uw)a16 + b16);
    r_u16[1] = (u16)((uw)a16 * b16);
    r_u16[2] = (u16)(a16 / b16);
    r_u16[3] = (u16)(a16 % b16);
    r_u16[4] = (u16)((uw)a16 << 5);
    r_u16[5] = (u16)(a16 >> 9);
    r_u16[6] = (u16)((a16 ^ b16) | (uw)(a16 & 0xF0F0U));
    r_u16[7] = (u16)~(uw)a16;
    r_i16[0] = (i16)(c16 / d16);
    r_i16[1] = (i16)(c16 % d16);
    r_i16[2] = (i16)(c16 >> 3);
    r_i16[3] = (i16)(c16 < d16 && d16 > 0);
    r_i16[4] = (i16)(u16)((uw)c16 * (uw)d16);
    r_i16[5] = (i16)(c16 == -20000 ? 1 : 2);
    STOP();
    return 0;
}
