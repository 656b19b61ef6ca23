/* Comparisons and logical operators as values at 4 bytes, signed and unsigned. */
#include "target.h"

static u32 a32 = 70000UL, b32 = 0xFFFFFFFFUL;
static i32 sl = -2147483647L - 1, tl = 5;

i32 r_l, r_l2, r_q;
u8 r_b;

static i32 add1(i32 v)
{
    return v + 1;
}

int main(void)
{
    r_l = (i32)((sl < tl) + 10 + (a32 > b32) * 2);
    r_l2 = (i32)((a32 >= b32) - 3 + !sl + !(a32 - 70000UL) * 4);
    r_q = add1((tl ? sl : 7)) + (sl <= -2147483647L - 1);
    r_b = (u8)((b32 == 0xFFFFFFFFUL) * 2 + (sl != 0 && a32 > 65535UL) + (sl > 0 || tl < 0) * 4);
    STOP();
    return 0;
}
