/* Operations whose operands are all narrower than int: quotients, remainders, shifts and
   masks of bytes, next to the ones whose result needs the wider type (the most negative
   byte divided by -1, a signed byte masked with 0xFF, a constant with a ninth bit). */
#include "target.h"

#if PART(1)
u8 a = 200, b = 7, z = 0xFF;
u16 w = 0xABCD;
u16 r_div, r_mod, r_shr, r_and, r_orwide;
u8 r_nib, r_top;
#endif
#if PART(2)
i8 m = -128, n1 = -1, s = -7;
i16 r_sdiv, r_sdiv3, r_smod, r_smask, r_swide, r_sxor, r_sshr;
#endif

int main(void)
{
#if PART(1)
    r_div = a / b;                /* 28 */
    r_mod = a % b;                /* 4 */
    r_shr = a >> 3;               /* 25 */
    r_top = z >> 7;               /* 1 */
    r_and = a & w;                /* 0xC8 */
    r_orwide = (a | 0x100) / 3;   /* 152 */
    r_nib = (u8)(w >> 4) & 15;    /* 0xC */
#endif
#if PART(2)
    r_sdiv = m / n1;              /* 128 */
    r_sdiv3 = m / 3;              /* -42 */
    r_smod = m % n1;              /* 0 */
    r_smask = m & 0xFF;           /* 128 */
    r_swide = s & 127;            /* 121 */
    r_sxor = m ^ n1;              /* 127 */
    r_sshr = s >> 1;              /* -4 */
#endif
    STOP();
    return 0;
}
