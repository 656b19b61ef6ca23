/* Both operands of one operator are call results: the left one's result, in W or btemp, must
   not be overwritten by the right one's call. */
#include "target.h"

u8 a8 = 200, b8 = 7;
u16 a16 = 40000u, b16 = 999;
i32 a32 = 100000L, b32 = -7;
u8 r_b[3];
u16 r_w[3];
i32 r_l[3];

static u8 twice8(u8 x) { return (u8)(x + x); }
static u8 next8(u8 x) { return (u8)(x + 1); }
static u16 twice16(u16 x) { return (u16)(x + x); }
static u16 next16(u16 x) { return (u16)(x + 1); }
static i32 twice32(i32 x) { return x + x; }
static i32 next32(i32 x) { return x + 1; }

int main(void)
{
    r_b[0] = (u8)(twice8(a8) + next8(b8));
    r_b[1] = (u8)(twice8(b8) - next8(a8));
    r_b[2] = (u8)((twice8(b8) ^ next8(b8)) + 1);
    r_w[0] = (u16)(twice16(a16) + next16(b16));
    r_w[1] = (u16)(twice16(b16) - next16(a16));
    r_w[2] = (u16)(next16(b16) + twice16(b16) + 3);
    r_l[0] = twice32(a32) + next32(b32);
    r_l[1] = twice32(b32) - next32(a32);
    r_l[2] = (twice32(a32) & next32(b32)) | 1;
    STOP();
    return 0;
}
