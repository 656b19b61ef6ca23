/* Integer operators on signed longs, with the results left in globals: quotient and
   remainder, shift and product, negation and compare. */
#include "target.h"

i32 c32 = -123456789L;
#if PART(1) || PART(2) || PART(3)
i32 d32 = 1000L;
#endif
#if PART(1)
i32 r_i32[2];
#endif
#if PART(2)
i32 r_mix[2];
#endif
#if PART(3)
i32 r_neg[2];
#endif

int main(void)
{
#if PART(1)
    r_i32[0] = c32 / d32;
    r_i32[1] = c32 % d32;
#endif
#if PART(2)
    r_mix[0] = c32 >> 4;
    r_mix[1] = (i32)(u32)((ul)c32 * (ul)d32);
#endif
#if PART(3)
    r_neg[0] = -c32;
    r_neg[1] = c32 < d32;
#endif
    STOP();
    return 0;
}
