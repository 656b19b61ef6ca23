/* Conversions between 1, 2 and 4 bytes: unsigned values zero-extended, signed ones
   sign-extended, narrowing keeps the low bytes; casts between signed and unsigned. */
#include "target.h"

#if PART(1) || PART(3)
u8 ub = 0xFF;
#endif
#if PART(1) || PART(2)
i8 sb = -128;
#endif
#if PART(1) || PART(3)
i8 sb_pos = 0x7F;
#endif
#if PART(2)
u16 uw16 = 0x8001U;
#endif
#if PART(3)
i16 sw = -2;
u32 ul32 = 0x89ABCDEFUL;
#endif

#if PART(1)
u16 r_ub_w, r_sum_w;
i16 r_sb_w, r_pos_w;
u32 r_ub_l;
#endif
#if PART(2)
u32 r_uw_l;
i32 r_sb_l, r_uw_sl;
#endif
#if PART(3)
u8 r_lb, r_wb, r_nb;
i8 r_ng;
u16 r_lw;
i32 r_sw_l;
#endif

int main(void)
{
#if PART(1)
    r_ub_w = ub;                  /* 00FF */
    r_sb_w = sb;                  /* FF80 */
    r_pos_w = sb_pos;             /* 007F */
    r_ub_l = ub;                  /* 000000FF */
    r_sum_w = (u16)((uw)ub + (uw)(u8)sb);
#endif
#if PART(2)
    r_sb_l = sb;                  /* FFFFFF80 */
    r_uw_l = uw16;                /* 00008001 */
    r_uw_sl = (i32)(i16)uw16;     /* FFFF8001 */
#endif
#if PART(3)
    r_sw_l = sw;                  /* FFFFFFFE */
    r_lw = (u16)ul32;             /* CDEF */
    r_lb = (u8)ul32;              /* EF */
    r_wb = (u8)sw;                /* FE */
    r_nb = (u8)~ub;               /* 00 */
    r_ng = (i8)-sb_pos;           /* -127 */
    r_nb = (u8)(r_nb + (u8)sw + (u8)ul32);   /* bytes of wider variables */
#endif
    STOP();
    return 0;
}
