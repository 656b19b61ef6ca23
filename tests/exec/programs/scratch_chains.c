/* A value worked out in the scratch bytes (a shift, a product, a negation around one) that a
   run-time routine or a shift then takes as its left operand. */
#include "target.h"

#if PART(1) || PART(2)
u16 u = 924;
#endif
#if PART(1)
u16 r_w[3];
#endif
#if PART(2)
u16 k = 3;
u16 r_v[3];
#endif
#if PART(3)
i16 s = -1234, m = 1;
i16 r_s[2];
#endif
#if PART(4)
u32 l = 1;
u32 r_l;
#endif

int main(void)
{
#if PART(1)
    r_w[0] = ((u * 2 + 4) - 8u) / 2;
    r_w[1] = ((u * 2 - 4u) + 2) / 2;
    r_w[2] = (u16)(0u - u / 2) / 2;
#endif
#if PART(2)
    r_v[0] = (u16)(0u - k / 2) >> 3;
    r_v[1] = ((u << 2) + k) % 7;
    r_v[2] = (u16)((u + k) * 3 + 1) >> 1;
#endif
#if PART(3)
    r_s[0] = (80 - 4 * m) / 20;
    r_s[1] = (s * 3 - 1) / 5;
#endif
#if PART(4)
    r_l = ((l * 8192) - 216) / 16;
#endif
    STOP();
    return 0;
}
