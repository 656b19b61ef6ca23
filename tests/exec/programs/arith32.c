/* Integer operators on unsigned longs, with the results left in globals (one program per width fits the smallest chips). */
#include "target.h"

u32 r_u32[6];

u32 a32 = 3000000000UL, b32 = 65537UL;

int main(void)
{
    r_u32[0] = a32 + b32;
    r_u32[1] = a32 * b32;
    r_u32[2] = a32 / b32;
    r_u32[3] = a32 % b32;
    r_u32[4] = a32 << 7;
    r_u32[5] = a32 >> 13;
    STOP();
    return 0;
}
