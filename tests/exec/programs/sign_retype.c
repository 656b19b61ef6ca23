/* A conversion to the other signedness between a negation, a sum or a product and a value
   whose bits depend on its own sign: a right shift, a division or a remainder keeps the sign it
   was written with. In groups small enough for the 16C84. */
#include "target.h"

#if PART(1)
i16 r_neg, r_negw;
u16 r_ushift;
static i16 neg_top(u16 v) { return -((i16)(v >> 15)); }
static i16 neg_half(u16 v) { return -(i16)(v >> 1); }
static u16 shift_signed(i16 v) { return (u16)(v >> 2) + 1; }
#endif
#if PART(2)
i16 r_div, r_mod;
u16 r_udiv;
static i16 third(u16 v) { return (i16)(v / 3) + 1; }
static i16 thousandth(u16 v) { return (i16)(v % 1000) - 1; }
static u16 seventh(i16 v) { return (u16)(v / 7) * 3; }
#endif
#if PART(3)
i32 r_lneg;
u32 r_lshift;
static i32 neg_ltop(u32 v) { return -(i32)(v >> 31); }
static u32 lshift_signed(i32 v) { return (u32)(v >> 3) - 1; }
#endif
#if PART(4)
i32 r_ldiv;
static i32 fifth(u32 v) { return (i32)(v / 5) + 2; }
#endif
#if PART(5)
i8 r_bneg;
u8 r_bshift;
static i8 neg_nibble(u8 v) { return -(i8)(v >> 4); }
static u8 bshift_signed(i8 v) { return (u8)(v >> 1) + 1; }
#endif

int main(void)
{
#if PART(1)
    r_neg = neg_top(0xFFFF);
    r_negw = neg_half(0xFFFF);
    r_ushift = shift_signed(-8);
#endif
#if PART(2)
    r_div = third(0xFFF0);
    r_mod = thousandth(0xFFF0);
    r_udiv = seventh(-1000);
#endif
#if PART(3)
    r_lneg = neg_ltop(0xFFFFFFFFul);
    r_lshift = lshift_signed(-64);
#endif
#if PART(4)
    r_ldiv = fifth(0xFFFFFFF0ul);
#endif
#if PART(5)
    r_bneg = neg_nibble(0xF0);
    r_bshift = bshift_signed(-16);
#endif
    STOP();
    return 0;
}
