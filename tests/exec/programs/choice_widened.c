/* c ? a : b under a conversion, inside a compare or arithmetic: the chosen value keeps its
   own width in its temporary (it is not a 0-or-1 value like a compare's). */
#include "target.h"

#define ABS(x) ((x) >= 0 ? (x) : -(x))

#if PART(1) || PART(4)
i32 g_x = 1023, g_y = -16384;
#endif
#if PART(1)
u8 r_ge, r_lt;
#endif
#if PART(4)
u8 r_abs_ge;
#endif
#if PART(2)
i16 g_w = -300;
u32 r_sum;
i32 r_wide;
#endif
#if PART(2) || PART(3)
u8 g_k = 1;
#endif
#if PART(3)
u16 r_word;

static u16 twice(u16 v) { return (u16)(v * 2); }
#endif

int main(void)
{
#if PART(1) || PART(4)
    i32 b = g_x, yy = g_y;
#endif
#if PART(1)
    r_ge = (u8)((u32)b >= (u32)ABS(yy));
    r_lt = (u8)((u32)ABS(yy) < 0x10000UL);
#endif
#if PART(4)
    r_abs_ge = (u8)((u32)ABS(b) >= (u32)ABS(yy) || (i32)(b * 2) != 2046);
#endif
#if PART(2)
    r_sum = (u32)(g_k ? g_w : 7) + 1000UL;
    r_wide = (i32)(g_k == 0 ? 5 : g_w) * 3;
#endif
#if PART(3)
    r_word = twice((u16)(g_k ? 0x1234 : 0x55));
#endif
    STOP();
    return 0;
}
