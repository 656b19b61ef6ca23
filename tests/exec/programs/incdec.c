/* Increments, decrements and compound assignments used as values, before and after, at
   every width: with the optimiser they stay inside the expression. */
#include "target.h"

u16 w = 0x00FF;
i32 l = 0;
u8 c = 0xFF;

u16 r_pre, r_post, r_cmp, r_and;
i32 r_lpost, r_lpre, r_lcmp;
u8 r_cpre, r_cpost, r_ccmp;

int main(void)
{
    r_pre = ++w;                      /* 0100 */
    r_post = w++;                     /* 0100, w = 0101 */
    r_cmp = (w += 0x00FF);            /* 0200 */
    r_and = (w &= 0x0F00U);           /* 0200 */
    r_and = (u16)(r_and + (w ^= 0x8001U));
    r_lpost = l--;                    /* 0, l = -1 */
    r_lpre = --l;                     /* -2 */
    r_lcmp = (l -= (i32)w);
    r_lcmp = r_lcmp + (l |= 0x10000L);
    r_cpre = ++c;                     /* 00 */
    r_cpost = c--;                    /* 00, c = FF */
    r_ccmp = (u8)(c += 2);            /* 01 */
    r_ccmp ^= (u8)(c ^= 0x80);         /* 01 ^ 7F */
    STOP();
    return 0;
}
