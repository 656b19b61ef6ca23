/* Bit-fields and bits combined with constants: "|" and "^" keep the constant's bits beyond the
   field's width, a signed field's sign spreads over them (for "&" too), and a signed one-bit
   field holds 0 and -1, never 1. Compound assignments keep only the field's own bits. */
#include "target.h"
#ifndef __ORMC__
/* The host knows a signed one-bit field never equals 1: that is what is checked here. */
#pragma GCC diagnostic ignored "-Wtype-limits"
#endif

struct u_t { unsigned a : 1; unsigned b : 3; unsigned c : 4; unsigned d : 7; };
struct s_t { signed int a : 1; signed int b : 3; signed int c : 5; };
struct u_t u = { 1, 5, 9, 100 };
struct s_t s = { -1, -3, 7 };

#if PART(1)
u8 r_u[10];
u16 r_w[2];
i8 g_and = 3;
#endif
#if PART(2)
i8 r_s[8];
u8 r_cmp[6];
i8 r_asg[4];
#endif

int main(void)
{
#if PART(1)
    r_u[0] = (u8)(u.a ^ 0x95);
    r_u[1] = (u8)(u.a | 0x94);
    r_u[2] = (u8)(u.b ^ 0x0F);
    r_u[3] = (u8)(u.b | 0xF0);
    r_u[4] = (u8)(u.c ^ 0xFF);
    r_u[5] = (u8)(u.d | 0x80);
    r_u[6] = (u8)((u8)u.a ^ (u8)5);
    r_u[7] = (u8)(u.a & 0xF3);
    r_u[8] = (u8)((u8)u.b | (u8)7);
    r_u[9] = (u8)(u.c & 0x30);
    r_w[0] = (u16)(u.d ^ 0x1234);
    r_w[1] = (u16)(u.a ^ 1);
    /* Found by the random run: the field's value was complemented, whatever the constant. */
    g_and &= (i8)(((i8)u.a) ^ ((i8)-107));
#endif
#if PART(2)
    r_s[0] = (i8)(s.a & 0x70);
    r_s[1] = (i8)(s.b & 0x70);
    r_s[2] = (i8)(s.a ^ 0x01);
    r_s[3] = (i8)(s.b | 0x40);
    r_s[4] = (i8)(s.c ^ 0x1F);
    r_s[5] = (i8)(s.b ^ 0x07);
    r_s[6] = (i8)((i8)s.a | (i8)1);
    r_s[7] = (i8)(s.c & 0x1F);
    r_cmp[0] = s.a == -1;
    r_cmp[1] = s.a == 1;
    r_cmp[2] = s.a != 0;
    r_cmp[3] = s.a < 0;
    r_cmp[4] = u.a == 1;
    r_cmp[5] = (s.a & 2) != 0;
    u.b |= 0x0C;
    u.c ^= 0x1F;
    s.b ^= 0x0F;
    s.c |= 0x30;
    r_asg[0] = (i8)u.b;
    r_asg[1] = (i8)u.c;
    r_asg[2] = (i8)s.b;
    r_asg[3] = (i8)s.c;
#endif
    STOP();
    return 0;
}
