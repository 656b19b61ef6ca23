/* Increments, decrements and compound assignments used as values, before and after, at
   every width: with the optimiser they stay inside the expression. */
#include "target.h"

#if PART(1) || PART(2)
u16 w = 0x00FF;
#endif
#if PART(1)
u16 r_pre, r_post, r_cmp, r_and;
#endif
#if PART(2)
i32 l = 0;
i32 r_lpost, r_lpre, r_lcmp;
#endif
#if PART(3)
u8 c = 0xFF;
u8 r_cpre, r_cpost, r_ccmp;
#endif

int main(void)
{
#if PART(1)
    r_pre = ++w;                      /* 0100 */
    r_post = w++;                     /* 0100, w = 0101 */
    r_cmp = (w += 0x00FF);            /* 0200 */
    r_and = (w &= 0x0F00U);           /* 0200 */
    r_and = (u16)(r_and + (w ^= 0x8001U));
#endif
#if PART(2)
    r_lpost = l--;                    /* 0, l = -1 */
    r_lpre = --l;                     /* -2 */
    r_lcmp = (l -= (i32)w);
    r_lcmp = r_lcmp + (l |= 0x10000L);
#endif
#if PART(3)
    r_cpre = ++c;                     /* 00 */
    r_cpost = c--;                    /* 00, c = FF */
    r_ccmp = (u8)(c += 2);            /* 01 */
    r_ccmp ^= (u8)(c ^= 0x80);         /* 01 ^ 7F */
#endif
    STOP();
    return 0;
}
