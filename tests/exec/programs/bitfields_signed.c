/* Signed bit-fields: every width from 1 to 8 at several positions, read back sign-extended,
   stored values cut to the field's width, neighbours left alone, compound assignments. */
#include "target.h"

struct a { signed int f1 : 1; signed int f2 : 2; signed int f5 : 5; };
struct b { unsigned int lo : 1; signed int f7 : 7; };
struct c { unsigned int lo : 2; signed int f6 : 6; };
struct d { signed int f3 : 3; signed int f4 : 4; unsigned int hi : 1; };
struct e { signed int f8 : 8; };

struct a va;
struct b vb;
struct c vc;
struct d vd;
struct e ve;

#if PART(1)
i8 r_min[8];
#endif
#if PART(2)
i8 r_max[8];
#endif
#if PART(3)
i8 r_cut[8];
#endif
#if PART(4)
u8 r_raw[4];
i8 r_ops[4];
#endif

#if PART(3) || PART(4)
static void fill(i8 v)
{
    va.f1 = v; va.f2 = v; va.f5 = v;
    vb.f7 = v; vc.f6 = v;
    vd.f3 = v; vd.f4 = v;
    ve.f8 = v;
}
#endif

#if PART(1) || PART(2) || PART(3)
static void read(i8 *to)
{
    to[0] = va.f1; to[1] = va.f2; to[2] = va.f5; to[3] = vb.f7;
    to[4] = vc.f6; to[5] = vd.f3; to[6] = vd.f4; to[7] = ve.f8;
}
#endif

int main(void)
{
#if PART(3) || PART(4)
    i8 t;
#endif
    vb.lo = 1; vc.lo = 3; vd.hi = 1;
    /* the most negative value of each width, then the largest (the neighbours' group stores
       them all before it reads the neighbours) */
#if PART(1) || PART(4)
    va.f1 = -1; va.f2 = -2; va.f5 = -16; vb.f7 = -64; vc.f6 = -32; vd.f3 = -4; vd.f4 = -8; ve.f8 = -128;
#endif
#if PART(1)
    read(r_min);
#endif
#if PART(2) || PART(4)
    va.f1 = 0; va.f2 = 1; va.f5 = 15; vb.f7 = 63; vc.f6 = 31; vd.f3 = 3; vd.f4 = 7; ve.f8 = 127;
#endif
#if PART(2)
    read(r_max);
#endif
#if PART(3) || PART(4)
    /* 0x55 cut to each width */
    t = 0x55;
    fill(t);
#endif
#if PART(3)
    read(r_cut);
#endif
#if PART(4)
    r_raw[0] = vb.lo;
    r_raw[1] = vc.lo;
    r_raw[2] = vd.hi;
    fill(-1);
    r_raw[3] = vc.lo;
    va.f5 = -3;
    va.f5 += 5;
    r_ops[0] = va.f5;
    vd.f4 = 7;
    vd.f4 += 1;
    r_ops[1] = vd.f4;
    vc.f6 = -32;
    vc.f6 -= 1;
    r_ops[2] = vc.f6;
    t = -100;
    vb.f7 = t;
    r_ops[3] = (i8)(vb.f7 + vd.f3);
#endif
    STOP();
    return 0;
}
