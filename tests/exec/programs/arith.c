/* Integer operators on bytes, with the results left in globals (one program per width fits the smallest chips). */
#include "target.h"

u8 r_u8[6];
i8 r_i8[4];

u8 a8 = 200, b8 = 7;
i8 c8 = -100, d8 = 9;

int main(void)
{
    r_u8[0] = (u8)((uw)a8 + b8);
    r_u8[1] = (u8)((uw)a8 * b8);
    r_u8[2] = (u8)(a8 / b8);
    r_u8[3] = (u8)(a8 % b8);
    r_u8[4] = (u8)((uw)a8 << 3);
    r_u8[5] = (u8)(a8 >> 2);
    r_i8[0] = (i8)(c8 / d8);
    r_i8[1] = (i8)(c8 % d8);
    r_i8[2] = (i8)(c8 >> 2);
    r_i8[3] = (i8)(c8 < d8);
    STOP();
    return 0;
}
