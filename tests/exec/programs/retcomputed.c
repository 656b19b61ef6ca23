/* Words and longs computed by the run-time library (multiply, divide, modulo, variable shift)
   returned straight from a function: the result must survive the return unchanged, including
   carries across bytes and the most negative values. */
#include "target.h"

#if PART(1)
u16 w_a = 65535U;
u16 r_w[3];
static u16 div_w(u16 a, u16 b) { return a / b; }
static u16 mul_w(u16 a, u16 b) { return (u16)(a * b); }
static u16 shr_w(u16 a, u8 k) { return a >> k; }
#endif
#if PART(1) || PART(2) || PART(4)
u8 n = 9;
#endif
#if PART(2)
i16 s_a = -32767 - 1;
i16 r_s;
static i16 shr_s(i16 a, u8 k) { return (i16)(a >> k); }
#endif
#if PART(3) || PART(4) || PART(5)
u32 l_a = 0x10001UL;
#endif
#if PART(3)
u32 r_l0;
static u32 mul_l(u32 a, u32 b) { return a * b; }
#endif
#if PART(4)
u32 r_l1;
static u32 shl_l(u32 a, u8 k) { return a << k; }
#endif
#if PART(5)
u32 r_l2;
static u32 div_l(u32 a, u32 b) { return a / b; }
#endif
#if PART(6)
i32 m_a = -2147483647L - 1;
i32 r_m;
static i32 mod_m(i32 a, i32 b) { return a % b; }
#endif

int main(void)
{
#if PART(1)
    r_w[0] = div_w(w_a, 3);
    r_w[1] = mul_w(w_a, 255);
    r_w[2] = shr_w(w_a, n);
#endif
#if PART(2)
    r_s = shr_s(s_a, n);
#endif
#if PART(3)
    r_l0 = mul_l(l_a, l_a);
#endif
#if PART(4)
    r_l1 = shl_l(l_a, (u8)(n + 14));
#endif
#if PART(5)
    r_l2 = div_l(0xFFFFFFFFUL, l_a);
#endif
#if PART(6)
    r_m = mod_m(m_a, -3);
#endif
    STOP();
    return 0;
}
