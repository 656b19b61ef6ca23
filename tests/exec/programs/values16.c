/* 16-bit values: moves, constants, + - & | ^ ~ and negation, compound assignments and
   increments, with carries and borrows across the byte boundary. */
#include "target.h"

u16 ones = 0xFFFFU, one = 1, maxi = 0x7FFF, mini = 0x8000U, low = 0x00FF;
i16 minus1 = -1, most_neg = -32768;

u16 r_chain, r_csub, r_add, r_add2, r_sub, r_sub2, r_logic, r_compl, r_inc, r_dec, r_ops, r_const;
i16 r_neg, r_neg2, r_sinc, r_sdec;

int main(void)
{
    r_add = ones + one;               /* carry out of both bytes */
    r_add2 = (u16)(maxi + 0x0101U);   /* carry from the low byte */
    r_sub = one - ones;               /* borrow through both bytes */
    r_sub2 = mini - 0x0001U;          /* borrow from the high byte */
    r_logic = (u16)((ones ^ maxi) | (mini & 0x00F0U));
    r_compl = (u16)~low;
    r_neg = (i16)-(uw)most_neg;       /* the most negative value is its own negation */
    r_neg2 = (i16)-(uw)minus1;
    r_const = 0;
    r_const = 0x1234;
    r_inc = low;
    r_inc++;                          /* 00FF -> 0100 */
    ++r_inc;
    r_dec = 0x0100;
    r_dec--;                          /* 0100 -> 00FF */
    --r_dec;
    r_ops = 0x00FF;
    r_ops += 0x0001;
    r_ops -= one;
    r_ops += low;
    r_ops -= 0x0102;
    r_ops |= 0x8001U;
    r_ops &= maxi;
    r_ops ^= low;
    r_sinc = minus1;
    r_sinc += 1;
    r_sdec = 0;
    r_sdec -= 1;
    r_csub = 5 - one;                 /* a constant less a variable */
    r_csub = (u16)(0x0100U - r_csub);
    r_chain = r_const = maxi;         /* an assignment's value */
    STOP();
    return 0;
}
