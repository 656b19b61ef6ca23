/* Both operands of one operator are call results: the left one's result, in W or btemp, must
   not be overwritten by the right one's call. */
#include "target.h"

#if PART(1)
u8 a8 = 200, b8 = 7;
u8 r_b[3];
static u8 twice8(u8 x) { return (u8)(x + x); }
static u8 next8(u8 x) { return (u8)(x + 1); }
#endif
#if PART(2)
u16 a16 = 40000u, b16 = 999;
u16 r_w[3];
static u16 twice16(u16 x) { return (u16)(x + x); }
static u16 next16(u16 x) { return (u16)(x + 1); }
#endif
#if PART(3) || PART(4) || PART(5)
i32 a32 = 100000L, b32 = -7;
static i32 twice32(i32 x) { return x + x; }
static i32 next32(i32 x) { return x + 1; }
#endif
#if PART(3)
i32 r_l0;
#endif
#if PART(4)
i32 r_l1;
#endif
#if PART(5)
i32 r_l2;
#endif

int main(void)
{
#if PART(1)
    r_b[0] = (u8)(twice8(a8) + next8(b8));
    r_b[1] = (u8)(twice8(b8) - next8(a8));
    r_b[2] = (u8)((twice8(b8) ^ next8(b8)) + 1);
#endif
#if PART(2)
    r_w[0] = (u16)(twice16(a16) + next16(b16));
    r_w[1] = (u16)(twice16(b16) - next16(a16));
    r_w[2] = (u16)(next16(b16) + twice16(b16) + 3);
#endif
#if PART(3)
    r_l0 = twice32(a32) + next32(b32);
#endif
#if PART(4)
    r_l1 = twice32(b32) - next32(a32);
#endif
#if PART(5)
    r_l2 = (twice32(a32) & next32(b32)) | 1;
#endif
    STOP();
    return 0;
}
