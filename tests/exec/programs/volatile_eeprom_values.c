/* Compound assignments to the bit-fields of volatile structures used for their values (the
   field's new value, cut to its width, sign-extended for a signed field; the structure read
   once for it, never read back), directly and through a pointer, fields of several widths
   in the first byte and in later ones; and pointer members of structures in the data EEPROM
   (the pointers kept there, what they point at in RAM), also read through a pointer to such
   a structure, beside pointers declared in the EEPROM and pointers to EEPROM bytes. */
#include "target.h"

#if PART(1) || PART(2)
struct vflags {
    unsigned a : 3;
    unsigned b : 5;
    signed int c : 4;
    unsigned d : 1;
    unsigned e : 3;
    unsigned f : 7;
    signed int g : 8;
};
volatile struct vflags vf;
u8 twice(u8 x) { return (u8)(x + x); }
#endif

#if PART(1)
u8 r_u1[6];
i8 r_s1[3];
u8 r_raw1[4];
#endif
#if PART(2)
volatile struct vflags *vp;
u8 g_m = 0x41, g_k = 3;
u8 r_u2[5];
i8 r_s2[3];
u8 r_raw2[4];
#endif

#if PART(3) || PART(4)
struct holder { u8 *p; i16 *q; u8 tag; };
EEPROM struct holder eh;
u8 x8, y8;
i16 w16[3];
#endif
#if PART(3)
u8 r_p3[4];
i16 r_q3[2];
u8 r_tag3;
#endif
#if PART(4)
EEPROM struct holder *hp;
u8 * EEPROM eep[2];   /* the pointers in the EEPROM */
EEPROM u8 ee_byte;
EEPROM u8 *pe;        /* a RAM pointer to an EEPROM byte */
u8 g_i = 1;
u8 r_p4[5];
i16 r_q4;
#endif

int main(void)
{
#if PART(1)
    vf.a = 5; vf.b = 30; vf.c = -3; vf.d = 0; vf.e = 6; vf.f = 100; vf.g = -100;
    r_u1[0] = (vf.b += 3);            /* 33 cut to 5 bits: 1 */
    r_u1[1] = (vf.a <<= 1);           /* 10 cut to 3 bits: 2 */
    r_s1[0] = (vf.c -= 6);            /* -9 as 4 bits: 7 */
    r_s1[1] = (vf.c += 1);            /* 8 as 4 bits: -8 */
    r_u1[2] = twice(vf.d ^= 1);       /* 1, doubled */
    r_u1[3] = (vf.e |= 9);            /* 15 cut to 3 bits: 7 */
    r_u1[4] = (vf.f += 30);           /* 130 cut to 7 bits: 2 */
    r_s1[2] = (vf.g -= 30);           /* -130 as 8 bits: 126 */
    r_u1[5] = twice(vf.f *= 3);       /* 6 */
    r_raw1[0] = vf.a; r_raw1[1] = vf.b; r_raw1[2] = (u8)vf.e; r_raw1[3] = vf.f;
#endif
#if PART(2)
    vp = &vf;
    vp->a = 1; vp->b = 17; vp->c = 5; vp->d = 1; vp->e = 0; vp->f = 127; vp->g = 127;
    r_u2[0] = (vp->b |= g_m);         /* 0x51 cut to 5 bits: 17 */
    r_s2[0] = (vp->c += g_k);         /* 8 as 4 bits: -8 */
    r_u2[1] = twice(vp->f -= g_m);    /* 62, doubled */
    r_s2[1] = (vp->g += 1);           /* 128 as 8 bits: -128 */
    r_u2[2] = (vp->d += 1);           /* 2 cut to 1 bit: 0 */
    r_u2[3] = (vp->e -= 1);           /* -1 cut to 3 bits: 7 */
    r_s2[2] = (vp->c >>= 2);          /* -8 >> 2: -2 */
    r_u2[4] = (vp->a += vp->e);       /* 8 cut to 3 bits: 0 */
    r_raw2[0] = vf.b; r_raw2[1] = vf.f; r_raw2[2] = (u8)vf.g; r_raw2[3] = vf.d;
#endif
#if PART(3)
    x8 = 11; y8 = 22;
    w16[0] = -1; w16[1] = 300; w16[2] = -400;
    eh.tag = 0x5A;
    eh.p = &x8;
    eh.q = w16;
    *eh.p = (u8)(*eh.p + 5);          /* x8 = 16 */
    r_p3[0] = x8;
    r_q3[0] = eh.q[1];
    eh.q[2] += 7;
    r_q3[1] = w16[2];
    eh.p = &y8;
    r_p3[1] = *eh.p;
    r_p3[2] = (u8)(eh.p == &y8);
    r_p3[3] = (u8)(eh.q == &w16[0]);
    r_tag3 = eh.tag;                  /* the pointers' neighbour keeps its value */
#endif
#if PART(4)
    x8 = 3; y8 = 4;
    w16[0] = 1000;
    hp = &eh;
    hp->p = &y8;
    hp->q = &w16[0];
    *hp->p += 2;                      /* y8 = 6 */
    r_p4[0] = y8;
    r_q4 = *hp->q;
    eep[0] = &x8;
    eep[1] = &y8;
    *eep[g_i] = 9;
    r_p4[1] = y8;
    r_p4[2] = *eep[0];
    pe = &ee_byte;
    *pe = 0x77;
    r_p4[3] = ee_byte;
    r_p4[4] = (u8)(*eh.p + *eep[0]);  /* 9 + 3 */
#endif
    STOP();
    return 0;
}
