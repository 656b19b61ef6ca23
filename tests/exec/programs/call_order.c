/* Two calls in one statement whose callees share no call path, so the linker may give their
   argument areas the same bytes: each call's arguments must be stored after the other call has
   run. One call computes the element's index, the other the value stored there, an operand, or
   an argument. */
#include "target.h"

static u8 zero = 0, three = 3;
static u16 wide = 0x1234;
static u8 div_u8(u8 a, u8 b) { if (b == 0) return a; return (u8)(a / b); }
static u8 shl_u8(u8 a, u8 n) { return (u8)(a << (n & 7)); }
static u16 mix16(u16 a, u16 b) { return (u16)(a ^ (b << 1)); }
static u8 pick(u8 a, u8 b, u8 c) { return (u8)(a + b * c); }

u8 r_arr[4];
u16 r_warr[4];
u8 r_sum;
u16 r_w;
u8 r_arg;

int main(void)
{
    r_arr[div_u8(2, zero) & 3] = shl_u8(three, 25);
    r_warr[div_u8(7, three) & 3] = mix16(wide, 0x0101);
    r_warr[shl_u8(1, 1) & 3] = mix16(0x00F0, wide) + 1;
    r_sum = div_u8(9, zero) + shl_u8(three, 26);
    r_w = mix16(wide, 3) - mix16(0x8000, wide);
    r_arg = pick(div_u8(8, three), shl_u8(1, 3), 2);
    STOP();
    return 0;
}
