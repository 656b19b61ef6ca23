/* Assignments, compound assignments and steps of bit-fields used for their values (the
   field's new value, cut to its width, or its old one), directly, through a pointer and at a
   variable index; unsigned fields of several widths and positions and signed ones, also
   with products, quotients and shifts by variables worked out by the run-time routines.
   Groups run one at a time on the chips with the least RAM or program memory. */
#include "target.h"

struct flags {
    unsigned a : 3;
    unsigned b : 5;
    unsigned c : 4;
    unsigned d : 4;
    signed int e : 6;
    signed int f : 2;
    unsigned g : 1;
};

struct flags fl, fla[2];
u8 g_one = 1, g_three = 3;
i8 g_minus = -5;

#if PART(1)
u8 r_u1[4], r_f1[3];
#endif
#if PART(2)
u8 r_u2[4], r_f2[2];
#endif
#if PART(3)
i16 r_s3[3];
#endif
#if PART(4)
i16 r_s4[3];
u8 r_f4;
#endif

int main(void)
{
    struct flags *fp = &fl;
    u8 i = g_one, n = g_three;
#if PART(1)
    r_u1[0] = (fl.a = n + 10u);        /* 13 cut to 5 */
    r_u1[1] = (fl.b += n) + 1;         /* 4 */
    r_u1[2] = (fp->c = n * 5u);        /* 15 */
    r_u1[3] = (fla[i].d <<= n) | 0x80; /* 0x80: 0 << 3 */
    r_f1[0] = fl.a;
    r_f1[1] = fl.b;
    r_f1[2] = fl.c;
#endif
#if PART(2)
    fl.b = 4;
    fla[i].d = 9;
    r_u2[0] = (fla[i].d *= n);         /* 27 cut to 11 */
    r_u2[1] = (fp->b /= n) + (fla[i].c = 6);   /* 1 + 6 */
    r_u2[2] = (fl.g ^= 1);             /* 1 */
    r_u2[3] = (fla[i - 1].a %= n) + fla[i].a++;   /* 0 + 0 */
    r_f2[0] = fla[1].d;
    r_f2[1] = fla[1].a;
#endif
#if PART(3)
    r_s3[0] = (fl.e = n + 37);         /* 40 cut to -24 */
    r_s3[1] = (fp->e -= g_minus * 3);  /* -9 */
    r_s3[2] = (fla[i].e *= n) - 1;     /* 0 - 1 */
#endif
#if PART(4)
    fl.e = -9;
    fla[i].e = -30;
    r_s4[0] = (fla[i].e /= n);         /* -10 */
    r_s4[1] = --fp->f;                 /* -1 */
    r_s4[2] = (fla[i].f = n) + (i16)(fp->e >>= 1);   /* -1 + -5 */
    r_f4 = (u8)fla[1].e;
#endif
    STOP();
    return 0;
}
