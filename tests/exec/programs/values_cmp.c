/* Comparisons, && || ! and ?: used as values inside arithmetic and as arguments, at 1 byte,
   signed and unsigned; the right operand of && || is called only when needed. */
#include "target.h"

#if PART(1) || PART(2)
static u8 a8 = 3, z8 = 0;
#endif
#if PART(1)
static u8 b8 = 200;
u8 r_lt, r_arg, r_q, r_not;

static u8 twice(u8 v)
{
    return (u8)(v + v);
}
#endif

#if PART(2)
static u8 calls;
u8 r_sides, r_calls;

static u8 side(void)
{
    calls++;
    return 1;
}
#endif

#if PART(3)
static i8 sa = -128, sb = 127;
u8 r_sbyte;
#endif

int main(void)
{
#if PART(1)
    r_lt = (u8)((a8 < b8) + 1);
    r_arg = (u8)(twice(a8 == b8) + twice(a8 != b8) * 4);
    r_q = (u8)((z8 ? a8 : b8) + 1);
    r_not = 5;
    r_not += !z8;
    r_not = (u8)(r_not + !b8 * 16);
#endif
#if PART(2)
    r_sides = (u8)((z8 && side()) + (a8 || side()) * 2 + (a8 && side()) * 4 + (z8 || side()) * 8);
    r_calls = calls;
#endif
#if PART(3)
    r_sbyte = (u8)((sa > sb) * 3 + (sa < sb) + (sb >= 127) * 8 + (sa <= -128) * 16);
#endif
    STOP();
    return 0;
}
