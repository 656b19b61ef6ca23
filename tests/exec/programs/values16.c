/* 16-bit values: moves, constants, + - & | ^ ~ and negation, compound assignments and
   increments, with carries and borrows across the byte boundary. */
#include "target.h"

#if PART(1)
u16 ones = 0xFFFFU, mini = 0x8000U;
u16 r_add, r_add2, r_sub, r_sub2, r_logic;
#endif
#if PART(1) || PART(2)
u16 one = 1;
#endif
#if PART(2)
u16 low = 0x00FF;
u16 r_compl, r_inc, r_ops, r_csub;
#endif
u16 maxi = 0x7FFF;
#if PART(3)
i16 minus1 = -1, most_neg = -32768;
u16 r_chain, r_dec, r_const;
i16 r_neg, r_neg2, r_sinc, r_sdec;
#endif

int main(void)
{
#if PART(1)
    r_add = ones + one;               /* carry out of both bytes */
    r_add2 = (u16)(maxi + 0x0101U);   /* carry from the low byte */
    r_sub = one - ones;               /* borrow through both bytes */
    r_sub2 = mini - 0x0001U;          /* borrow from the high byte */
    r_logic = (u16)((ones ^ maxi) | (mini & 0x00F0U));
#endif
#if PART(2)
    r_compl = (u16)~low;
    r_inc = low;
    r_inc++;                          /* 00FF -> 0100 */
    ++r_inc;
    r_ops = 0x00FF;
    r_ops += 0x0001;
    r_ops -= one;
    r_ops += low;
    r_ops -= 0x0102;
    r_ops |= 0x8001U;
    r_ops &= maxi;
    r_ops ^= low;
    r_csub = 5 - one;                 /* a constant less a variable */
    r_csub = (u16)(0x0100U - r_csub);
#endif
#if PART(3)
    r_neg = (i16)-(uw)most_neg;       /* the most negative value is its own negation */
    r_neg2 = (i16)-(uw)minus1;
    r_const = 0;
    r_const = 0x1234;
    r_dec = 0x0100;
    r_dec--;                          /* 0100 -> 00FF */
    --r_dec;
    r_sinc = minus1;
    r_sinc += 1;
    r_sdec = 0;
    r_sdec -= 1;
    r_chain = r_const = maxi;         /* an assignment's value */
#endif
    STOP();
    return 0;
}
