/* A bit-field stored from a value that calls a function of several arguments: the value
   waits in a temporary, and the argument stores the compare's other operand let go first
   must still come before the call, not after the temporary. Fields at offset 0 and inside
   the byte, a signed field, and a neighbour that must keep its bits. */
#include "target.h"

struct bits_t { unsigned lo : 6; unsigned mid : 4; signed int s : 3; unsigned keep : 1; };
struct bits_t bf;
u32 g = 0;
u16 w = 7;

u8 r_b[6];
i8 r_s;

static u32 mod_u32(u32 a, u32 b)
{
    if (b == 0)
        return a;
    return a % b;
}

static u16 pick(u16 a, u8 b, u16 c)
{
    return b ? a : c;
}

int main(void)
{
    bf.keep = 1;
    /* a computed operand beside the call: its own evaluation is what moved the first store */
    bf.lo = (u8)((u32)-(ul)g < mod_u32(2UL, g));
    r_b[0] = bf.lo;
    bf.mid = (u8)((u32)~g > mod_u32(5UL, g + 3));
    r_b[1] = bf.mid;
    bf.mid = (u8)(pick(40000U, 1, w) - (uw)w);
    r_b[2] = bf.mid;
    bf.lo = (u8)((uw)(w + 1) == pick(3U, 0, 8U));
    r_b[3] = bf.lo;
    bf.s = (i8)((i16)-(i16)w + (i16)pick(5U, 1, 0U));
    r_s = bf.s;
    r_b[4] = bf.keep;
    /* the same stored through a compound assignment */
    bf.mid += (u8)((u32)-(ul)g < mod_u32(9UL, g + 4));
    r_b[5] = bf.mid;
    STOP();
    return 0;
}
