/* Words and longs computed by the run-time library (multiply, divide, modulo, variable shift)
   returned straight from a function: the result must survive the return unchanged, including
   carries across bytes and the most negative values. */
#include "target.h"

u16 w_a = 65535U;
i16 s_a = -32767 - 1;
u32 l_a = 0x10001UL;
i32 m_a = -2147483647L - 1;
u8 n = 9;

u16 r_w[3];
i16 r_s;
u32 r_l[3];
i32 r_m;

static u16 div_w(u16 a, u16 b) { return a / b; }
static u16 mul_w(u16 a, u16 b) { return (u16)(a * b); }
static u16 shr_w(u16 a, u8 k) { return a >> k; }
static i16 shr_s(i16 a, u8 k) { return (i16)(a >> k); }
static u32 mul_l(u32 a, u32 b) { return a * b; }
static u32 shl_l(u32 a, u8 k) { return a << k; }
static u32 div_l(u32 a, u32 b) { return a / b; }
static i32 mod_m(i32 a, i32 b) { return a % b; }

int main(void)
{
    r_w[0] = div_w(w_a, 3);
    r_w[1] = mul_w(w_a, 255);
    r_w[2] = shr_w(w_a, n);
    r_s = shr_s(s_a, n);
    r_l[0] = mul_l(l_a, l_a);
    r_l[1] = shl_l(l_a, (u8)(n + 14));
    r_l[2] = div_l(0xFFFFFFFFUL, l_a);
    r_m = mod_m(m_a, -3);
    STOP();
    return 0;
}
