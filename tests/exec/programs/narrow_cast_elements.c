/* Byte operations between an array element read through a pointer and a wider variable, or
   that variable's low byte taken by a cast: the element needs the pointer register, loaded
   through W, while the other operand must stay a plain memory operand. Each width and sign,
   elements with and without their top bit, and the operation as a value stored, passed and
   written into a member. */
#include "target.h"

#if PART(1) || PART(2) || PART(5) || PART(7)
u8 ua[2] = {0x9A, 0x3C};
#endif
#if PART(3) || PART(4) || PART(6)
i8 sa[2] = {-0x66, 0x3C};
#endif
#if PART(1) || PART(5) || PART(7)
u16 w = 0xA5C3;
#endif
#if PART(2) || PART(5)
u32 l = 0x8234F6E1UL;
#endif
#if PART(3) || PART(6)
i16 sw = -0x5A3D;
#endif
#if PART(4) || PART(6) || PART(7)
i32 sl = -0x7DCB091FL;
#endif

#if PART(5) || PART(6)
u8 ix = 1;
#endif

#if PART(1)
u8 r_w[4];
#endif
#if PART(2)
u8 r_l[4];
#endif
#if PART(3)
i8 r_sw[4];
#endif
#if PART(4)
i8 r_sl[2];
u8 r_slu[2];
#endif
#if PART(5)
u16 r_wide[2];
u32 r_long;
#endif
#if PART(6)
i16 r_swide[2];
i32 r_slong;
#endif
#if PART(7)
u8 b7 = 0x35;
struct pair { u8 lo; i8 hi; } rec;
u8 r_misc[4];

static u8 twice(u8 v) { return (u8)(v + v); }
#endif

int main(void)
{
    u8 k;
    for (k = 0; k < 2; k++) {
#if PART(1)
        r_w[k] = ua[k] & (u8)w;
        r_w[k + 2] = (u8)w + ua[k];
#endif
#if PART(2)
        r_l[k] = (u8)l | ua[k];
        r_l[k + 2] = ua[k] ^ (u8)l;
#endif
#if PART(3)
        r_sw[k] = sa[k] & (i8)sw;
        r_sw[k + 2] = (i8)sw + sa[k];
#endif
#if PART(4)
        r_sl[k] = (i8)sl ^ sa[k];
        r_slu[k] = (u8)sa[k] | (u8)sl;
#endif
#if PART(5)
        /* The whole variable: only its low byte can survive the mask. */
        r_wide[k] = w & ua[k];
        if (k)
            r_long = l & ua[k];
#endif
#if PART(6)
        /* A signed element is sign-extended: the high bytes survive a negative one. */
        r_swide[k] = sw & sa[k];
        if (!k)
            r_slong = sl & sa[k];
#endif
#if PART(7)
        r_misc[k] = twice(ua[k] ^ (u8)sl);
        rec.lo = ua[k] | (u8)w;
        rec.hi = (i8)sl & (i8)ua[k];
        r_misc[k + 2] = (u8)(rec.lo + (u8)rec.hi);
#endif
    }
#if PART(5)
    /* Into the variable itself. */
    w = w & ua[ix];
#endif
#if PART(6)
    sl = sl & sa[ix - 1];
#endif
#if PART(7)
    b7 = (u8)w + (u8)~b7;
#endif
    STOP();
    return 0;
}
