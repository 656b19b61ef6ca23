/* Const automatics whose values are known only at run time (one in a loop's block, its address
   passed on, one from a conditional), beside a constant one, and a switch on a signed char whose
   case label lies outside the char's range: promoted, the selector never equals it. */
#include "target.h"

#ifndef __ORMC__
/* gcc warns of the out-of-range label too; here it is meant. */
#pragma GCC diagnostic ignored "-Wswitch-outside-range"
#endif

i16 r_sum;
i16 r_low;
u8 r_fixed;
u8 r_minus;
u8 r_match;
u8 r_tail;

static i16 seen;

static void take(const i16 *p)
{
    i16 v = *p;
    seen += v;
}

static u8 pick(i8 c)
{
    switch (c) {
    case 255:
        return 9;
    case -1:
        return 1;
    default:
        return 2;
    }
}

static u8 never(i8 c)
{
    switch (c) {
    case 200:
        return 3;
    }
    return 4;
}

int main(void)
{
    i16 i;
    const u8 fixed = 40 + 2;
    for (i = 0; i < 4; i++) {
        const i16 j = i * 3;
        const i16 low = (j > 4 ? j - 4 : 0);
        take(&j);
        r_low += low;
    }
    r_sum = seen;
    r_fixed = fixed;
    r_minus = pick(-1);
    r_match = pick((i8)(seen - 17));
    r_tail = never((i8)200);
    STOP();
    return 0;
}
