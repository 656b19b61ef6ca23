/* Integer operators on signed longs, with the results left in globals (one program per width fits the smallest chips). */
#include "target.h"

i32 r_i32[6];

i32 c32 = -123456789L, d32 = 1000L;

int main(void)
{
    r_i32[0] = c32 / d32;
    r_i32[1] = c32 % d32;
    r_i32[2] = c32 >> 4;
    r_i32[3] = (i32)(u32)((ul)c32 * (ul)d32);
    r_i32[4] = -c32;
    r_i32[5] = c32 < d32;
    STOP();
    return 0;
}
