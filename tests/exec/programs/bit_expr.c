/* Bit variables combined as bytes ((u8)(a | b << 1) and the like), three and more bit-field
   reads in one expression, and const function pointers in program memory, one of them null. */
#include "target.h"

BIT bit_a, bit_b, bit_c;

struct t { unsigned p : 1; unsigned q : 2; unsigned w : 3; unsigned h : 2; };
struct t tv;

static u8 seven(void) { return 7; }
u8 (*const gnull)(void) = 0;
u8 (*const gseven)(void) = seven;

u8 r_b[8];
u8 r_f[4];
u8 r_p[3];

static void combine(u8 i)
{
    r_b[i] = (u8)(bit_a | bit_b << 1);
    r_b[i + 4] = (u8)(bit_a + bit_b + bit_c) | (u8)(bit_c << 2) | (u8)(bit_b ^ bit_a) << 3;
}

int main(void)
{
    bit_a = 0; bit_b = 0; bit_c = 0;
    combine(0);
    bit_a = 1;
    combine(1);
    bit_a = 0; bit_b = 1; bit_c = 1;
    combine(2);
    bit_a = 1;
    combine(3);
    tv.p = 1; tv.q = 3; tv.w = 7; tv.h = 2;
    r_f[0] = (u8)(tv.p + tv.q + tv.w);
    r_f[1] = (u8)(tv.p - tv.h + tv.q * tv.w);
    r_f[2] = (u8)((tv.w << 2) | tv.q | tv.h << 5 | tv.p << 7);
    tv.w = 0; tv.q = 0;
    r_f[3] = (u8)(tv.p + tv.q + tv.w + tv.h);
    r_p[0] = gnull == 0;
    r_p[1] = gseven();
    r_p[2] = (u8)(gseven() + gseven());
    STOP();
    return 0;
}
