/* Calls through function pointers with word and long arguments and results: members of a
   structure and a local pointer. */
#include "target.h"

static i16 wsub(i16 a, i16 b) { return (i16)((uw)a - (uw)b); }
static u32 lmix(u8 a, u32 b, u16 c) { return b + a + c; }
static i32 lneg(i32 v) { return (i32)(0UL - (ul)v); }

struct ops { i16 (*sub)(i16, i16); u32 (*mix)(u8, u32, u16); } g_ops;

i16 r_w[2];
u32 r_l;
i32 r_n;

int main(void)
{
    i32 (*n)(i32);

    g_ops.sub = wsub;
    g_ops.mix = lmix;
    r_w[0] = g_ops.sub(-32768, 1);
    r_w[1] = g_ops.sub(100, -200);
    r_l = g_ops.mix(0xFF, 0xFFFFFF01UL, 0x1234);
    n = lneg;
    /* one call through the pointer a statement: argument areas are filled before the call */
    r_n = n(-2147483647L - 1);
    r_n = (i32)((ul)r_n + (ul)n(5));
    STOP();
    return 0;
}
