/* Float constants converted to integers, out of their range and rounded to the double:
   folded in code and in initialisers they give what the same conversion of a variable gives
   at run time. */
#include "target.h"

#if PART(1)
u16 c_u16;
u8 c_u8;
u32 c_u32, c_big;
i8 c_i8;
i32 c_i32, c_round;
u16 c_top;
#endif
#if PART(2)
u16 i_u16 = (u16)(-40000.0);
u32 i_u32 = (u32)(-3.5);
i32 i_i32 = (i32)(3e10);
u8 i_u8 = (u8)(300.0);
i32 i_round = (i32)(-2500000.0);
#endif
#if PART(3)
double v = -40000.0, w = -3.5;
u16 r_u16;
u32 r_u32;
#endif

int main(void)
{
#if PART(1)
    c_u16 = (u16)(-40000.0);
    c_u8 = (u8)(-3.5);
    c_u32 = (u32)(-3.5);
    c_big = (u32)(5e9);
    c_i8 = (i8)(300.0);
    c_i32 = (i32)(-3e10);
    c_round = (i32)(-2500000.0);
    c_top = (u16)(65535.9);
#endif
#if PART(3)
    r_u16 = (u16)v;
    r_u32 = (u32)w;
#endif
    STOP();
}
