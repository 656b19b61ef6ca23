/* Conversions between 1, 2 and 4 bytes: unsigned values zero-extended, signed ones
   sign-extended, narrowing keeps the low bytes; casts between signed and unsigned. */
#include "target.h"

u8 ub = 0xFF;
i8 sb = -128, sb_pos = 0x7F;
u16 uw16 = 0x8001U;
i16 sw = -2;
u32 ul32 = 0x89ABCDEFUL;

u16 r_ub_w, r_sum_w;
i16 r_sb_w, r_pos_w;
u32 r_ub_l, r_uw_l;
i32 r_sb_l, r_sw_l, r_uw_sl;
u8 r_lb, r_wb, r_nb;
i8 r_ng;
u16 r_lw;

int main(void)
{
    r_ub_w = ub;                  /* 00FF */
    r_sb_w = sb;                  /* FF80 */
    r_pos_w = sb_pos;             /* 007F */
    r_ub_l = ub;                  /* 000000FF */
    r_sb_l = sb;                  /* FFFFFF80 */
    r_sw_l = sw;                  /* FFFFFFFE */
    r_uw_l = uw16;                /* 00008001 */
    r_uw_sl = (i32)(i16)uw16;     /* FFFF8001 */
    r_lw = (u16)ul32;             /* CDEF */
    r_lb = (u8)ul32;              /* EF */
    r_wb = (u8)sw;                /* FE */
    r_sum_w = (u16)((uw)ub + (uw)(u8)sb);
    r_nb = (u8)~ub;               /* 00 */
    r_ng = (i8)-sb_pos;           /* -127 */
    r_nb = (u8)(r_nb + (u8)sw + (u8)ul32);   /* bytes of wider variables */
    STOP();
    return 0;
}
