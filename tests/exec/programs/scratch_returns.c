/* Returned values that no rule computes into the return bytes as they stand: a negated or
   masked shift, and a shift or product widened to a long. */
#include "target.h"

i16 s = -1234, m = 1;
i16 r_s[3];
u32 r_l;

static i16 neg_sign(i16 x) { return -(x >> 15); }
static i16 neg_var(i16 x) { i16 y = 15; return -(x >> y); }
static i16 low_or(i16 x) { return ((x << 8) & 0xFFFF) | 255; }
static u32 widened(i16 a) { return (u32)(a - 2) * 4; }
static i32 product(u16 i, u16 off) { return (i32)(i * 0xce2fu + off); }

int main(void)
{
    r_s[0] = neg_sign(s) + neg_sign(m) * 2;
    r_s[1] = neg_var(-5) + neg_var(s) * 2 + neg_var(m) * 4;
    r_s[2] = low_or(0x174);
    r_l = widened(7) + (u32)product(1, 2) + (u32)product(0, 3);
    STOP();
    return 0;
}
