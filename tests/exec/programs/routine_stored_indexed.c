/* Results of the run-time routines (multiply, divide, modulo, shifts by a variable count),
   which come back in the scratch bytes, read through a conversion that keeps their bytes in
   place (a change of sign, a narrowing) and stored at a variable index: the index must not
   be scaled in the scratch bytes that still hold the result. */
#include "target.h"

u8 k0 = 0, k1 = 1, three = 3;

#if PART(1) || PART(2)
u32 a32 = 100000UL, b32 = 3;
#endif
#if PART(1)
i32 r_l[2];
#endif
#if PART(2)
u32 r_u[2];
#endif

#if PART(3) || PART(4)
u16 a16 = 1000, b16 = 7;
#endif
#if PART(3)
i16 r_w[2];
u16 r_v[2];
#endif
#if PART(4)
u8 a8 = 13, b8 = 5;
u8 r_b[4];
u8 r_c;
#endif

int main(void)
{
#if PART(1)
    r_l[k1] = (i32)(a32 * b32);
    r_l[k0] = (i32)(a32 << three);
#endif
#if PART(2)
    r_u[(u8)(three + three) & 1] = (u32)(i32)(a32 / b32);
    r_u[k1] = (u32)(i32)(a32 % 7UL);
#endif
#if PART(3)
    r_w[k1] = (i16)((uw)a16 * (uw)b16);
    r_w[k0] = (i16)((uw)a16 / (uw)b16);
    r_v[k1] = (u16)((uw)a16 << three);
    r_v[k0] = (u16)((uw)a16 % (uw)b16);
#endif
#if PART(4)
    r_b[three] = (u8)((uw)a8 * (uw)b8);
    r_b[k1] = (u8)((uw)a16 * (uw)b16);
    r_b[k0] = (u8)((uw)a16 >> three);
    /* a narrowed product compared as a byte */
    r_c = (u8)((u8)((uw)a16 * (uw)b16) < (u8)((uw)a8 * (uw)b8));
#endif
    STOP();
    return 0;
}
