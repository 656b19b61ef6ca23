/* Calls through function pointers with word and long arguments and results: members of a
   structure and a local pointer. */
#include "target.h"

#if PART(1) || PART(2)
static i16 wsub(i16 a, i16 b) { return (i16)((uw)a - (uw)b); }
static u32 lmix(u8 a, u32 b, u16 c) { return b + a + c; }

struct ops { i16 (*sub)(i16, i16); u32 (*mix)(u8, u32, u16); } g_ops;
#endif
#if PART(1)
i16 r_w[2];
#endif
#if PART(2)
u32 r_l;
#endif
#if PART(3)
static i32 lneg(i32 v) { return (i32)(0UL - (ul)v); }
i32 r_n;
#endif

int main(void)
{
#if PART(3)
    i32 (*n)(i32);
#endif

#if PART(1) || PART(2)
    g_ops.sub = wsub;
    g_ops.mix = lmix;
#endif
#if PART(1)
    r_w[0] = g_ops.sub(-32768, 1);
    r_w[1] = g_ops.sub(100, -200);
#endif
#if PART(2)
    r_l = g_ops.mix(0xFF, 0xFFFFFF01UL, 0x1234);
#endif
#if PART(3)
    n = lneg;
    /* one call through the pointer a statement: argument areas are filled before the call */
    r_n = n(-2147483647L - 1);
    r_n = (i32)((ul)r_n + (ul)n(5));
#endif
    STOP();
    return 0;
}
