/* Const structures of 1 to 8 bytes copied from a pointer into a const table indexed by a
   variable (s = *cp, *p = *cp, f(*cp)) and through a pointer (*p = k); int and long elements
   at an index that subtracts a variable; a const structure parameter whose address is taken. */
#include "target.h"

#if PART(1) || PART(5) || PART(6) || PART(7)
struct s1 { u8 a; };
struct s2 { i16 w; };
struct s3 { u8 a; i16 w; };
struct s4 { u8 a, b; i16 w; };
struct s5 { u8 a; i32 l; };
struct s8 { i16 w; u8 b; u8 c; i32 l; };

const struct s1 t1[3] = {{1}, {2}, {3}};
const struct s2 t2[3] = {{-1}, {300}, {-300}};
const struct s3 t3[3] = {{4, 1000}, {5, -2000}, {6, 3000}};
const struct s4 t4[3] = {{7, 8, 9}, {10, 11, -12}, {13, 14, 15}};
const struct s5 t5[3] = {{16, 100000}, {17, -70000}, {18, 5}};
const struct s8 t8[3] = {{19, 20, 21, -1}, {22, 23, 24, 123456}, {25, 26, 27, -654321}};

#endif

#if PART(1)
u8 r_small[3];
i16 r_words[3];
#endif

#if PART(7)
i16 r_wide[2];
i32 r_longs[2];
#endif

#if PART(5)
u8 r_moved[2];
i16 r_mw;
i32 r_ml;
#endif

#if PART(6)
i16 r_aw;
i32 r_al;

static i16 sum3(struct s3 v) { return v.a + v.w; }
static i32 sum8(struct s8 v) { return v.w + v.b + v.c + v.l; }
#endif

#if PART(2)
struct k1 { u8 a; };
struct k2 { u8 a, b; };
struct k3 { u8 a, b, c; };
struct k4 { i16 w; u8 a, b; };

static const struct k1 c1 = {0x81};
static const struct k2 c2 = {0x82, 0x83};
static const struct k3 c3 = {0x84, 0x85, 0x86};
static const struct k4 c4 = {-5, 0x87, 0x88};

u8 r_kept[9];
i16 r_kw;

static void put3(struct k3 *p) { *p = c3; }
#endif

#if PART(3)
i16 r_iw[4];
i32 r_il[4];
static i16 wa[3] = {10, -20, 30};
static i32 la[3] = {100000, -200000, 300000};
#endif

#if PART(4)
struct pair { u8 lo, hi; i16 w; u8 tag; };
u8 r_param[4];
i16 r_pw;

static u8 second(const struct pair *q) { return q->hi; }
static u8 fold(const struct pair v)
{
    const struct pair *q = &v;
    return (u8)(q->lo + v.tag + second(&v));
}
static i16 word_of(const struct pair v) { return v.w + v.lo; }
#endif

#if PART(1)
/* Each group is a function of its own: their automatics share the same bytes. */
static void copy_from_pointer(void)
{
    u8 i;
    struct s1 a1;
    struct s2 a2;
    struct s3 a3;
    struct s4 a4;
    const struct s1 *c1p;
    const struct s2 *c2p;
    const struct s3 *c3p;
    const struct s4 *c4p;
    i = 2;
    c1p = &t1[i];
    c2p = &t2[i];
    c3p = &t3[i - 1];
    c4p = &t4[i];
    a1 = *c1p;
    a2 = *c2p;
    a3 = *c3p;
    a4 = *c4p;
    r_small[0] = a1.a;
    r_words[0] = a2.w;
    r_small[1] = a3.a;
    r_words[1] = a3.w;
    r_small[2] = a4.a + a4.b;
    r_words[2] = a4.w;
}
#endif

#if PART(7)
static void copy_wide(void)
{
    u8 i;
    struct s5 a5;
    struct s8 a8;
    const struct s5 *c5p;
    const struct s8 *c8p;
    i = 2;
    c5p = &t5[i - 1];
    c8p = t8 + i;
    a5 = *c5p;
    a8 = *c8p;
    r_wide[0] = a5.a;
    r_longs[0] = a5.l;
    r_wide[1] = a8.w + a8.b + a8.c;
    r_longs[1] = a8.l;
}
#endif

#if PART(5)
static void copy_moved(void)
{
    u8 i;
    struct s3 a3, *p3;
    struct s5 a5, b5, *p5;
    const struct s3 *c3p;
    const struct s5 *c5p;
    i = 2;
    a3.a = 0;
    a3.w = 0;
    a5.a = 99;
    a5.l = 0x12345678;
    /* through a RAM pointer, and as arguments */
    p3 = &a3;
    c3p = &t3[0];
    *p3 = *c3p;
    r_mw = a3.w + a3.a;
    p5 = &b5;
    c5p = &t5[i];
    *p5 = *c5p;
    r_ml = b5.l + b5.a;
    /* a const pointer to RAM: the same reader takes RAM addresses */
    c5p = &a5;
    b5 = *c5p;
    r_moved[0] = b5.a;
    r_moved[1] = (u8)b5.l;
}
#endif

#if PART(6)
static void copy_arguments(void)
{
    u8 i;
    const struct s3 *c3p;
    const struct s8 *c8p;
    i = 2;
    c3p = &t3[i - 2];
    r_aw = sum3(*c3p);
    c8p = &t8[i - 2];
    r_al = sum8(*c8p);
}
#endif

#if PART(2)
static void copy_const(void)
{
    struct k1 d1, *p1;
    struct k2 d2, *p2;
    struct k3 d3, e3, *p3;
    struct k4 d4, *p4;
    p1 = &d1;
    p2 = &d2;
    p3 = &d3;
    p4 = &d4;
    *p1 = c1;
    *p2 = c2;
    *p3 = c3;
    *p4 = c4;
    put3(&e3);
    r_kept[0] = d1.a;
    r_kept[1] = d2.a;
    r_kept[2] = d2.b;
    r_kept[3] = d3.a;
    r_kept[4] = d3.b;
    r_kept[5] = d3.c;
    r_kept[6] = d4.a + d4.b;
    r_kept[7] = e3.a + e3.c;
    r_kept[8] = e3.b;
    r_kw = d4.w;
}
#endif

#if PART(3)
static void subtracted_index(void)
{
    u8 i;
    r_iw[0] = 0;
    r_il[0] = 0;
    for (i = 0; i < 2; i++) {
        r_iw[0] += wa[1 - i];
        r_il[0] += la[2 - i];
    }
    i = 1;
    wa[2 - i] = 77;
    la[1 - i] = -5;
    wa[1 - i] += 1000;
    la[2 - i] -= 3;
    la[3 - i] ^= 0x10001;
    r_iw[1] = wa[0];
    r_iw[2] = wa[1];
    r_iw[3] = wa[2];
    r_il[1] = la[0];
    r_il[2] = la[1];
    r_il[3] = la[2];
}
#endif

#if PART(4)
static void const_params(void)
{
    struct pair g;
    g.lo = 3;
    g.hi = 40;
    g.w = -1000;
    g.tag = 7;
    r_param[0] = fold(g);
    g.hi = 200;
    r_param[1] = fold(g);
    r_pw = word_of(g);
    r_param[2] = g.hi;
    r_param[3] = g.tag;
}
#endif

int main(void)
{
#if PART(1)
    copy_from_pointer();
#endif
#if PART(5)
    copy_moved();
#endif
#if PART(6)
    copy_arguments();
#endif
#if PART(7)
    copy_wide();
#endif
#if PART(2)
    copy_const();
#endif
#if PART(3)
    subtracted_index();
#endif
#if PART(4)
    const_params();
#endif
    STOP();
    return 0;
}
