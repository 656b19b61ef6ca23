/* Integer operators on unsigned longs, with the results left in globals: sum and product,
   quotient and remainder, shifts. */
#include "target.h"

u32 a32 = 3000000000UL;
#if PART(1) || PART(2)
u32 b32 = 65537UL;
#endif
#if PART(1)
u32 r_u32[2];
#endif
#if PART(2)
u32 r_div[2];
#endif
#if PART(3)
u32 r_shift[2];
#endif

int main(void)
{
#if PART(1)
    r_u32[0] = a32 + b32;
    r_u32[1] = a32 * b32;
#endif
#if PART(2)
    r_div[0] = a32 / b32;
    r_div[1] = a32 % b32;
#endif
#if PART(3)
    r_shift[0] = a32 << 7;
    r_shift[1] = a32 >> 13;
#endif
    STOP();
    return 0;
}
