/* Byte values negated or complemented through casts ((u8)-(uw)(u8)x), which only W holds,
   meeting another value that only W holds or a compare; and products, negations and mixed
   operands passed as the argument that travels in W to functions whose result comes back
   wider than a byte (in the scratch bytes the multiply routine also uses). */
#include "target.h"

struct rec_t { i8 f0; i8 f1; u8 f2; };
struct rec_t rec = {-3, 1, 128};
u8 g_b = 200;
i8 g_s = -26;

#if PART(1) || PART(3)
static u8 inc(u8 x) { return (u8)(x + 1); }
#endif
#if PART(1) || PART(2)
static u16 widen(u8 x) { return (u16)(x + 1000); }
#endif

#if PART(1) || PART(2)
i32 g_l = -1;
#endif
#if PART(1) || PART(3)
u16 g_w = 0x1234;
#endif

#if PART(1)
u8 r_neg[5];

/* negations meeting a narrowed wider value, each other, and a constant in a compare */
static void negations(void)
{
    u8 p = g_b, q = g_b;
    r_neg[0] = (u8)(g_l ^ (u8)-(uw)(u8)inc(1));
    r_neg[1] = (u8)((u8)-(uw)(u8)(p == q) & (u8)-(uw)(u8)rec.f2);
    r_neg[(uw)(u8)(g_b + 2) & 3] = (u8)((u8)-(uw)(u8)rec.f1 > (u8)-(uw)(u8)128);
    r_neg[3] = (u8)((i8)widen(3) + (i8)~(uw)(i8)rec.f2);
    r_neg[4] = (u8)((i8)g_w & (i8)~(uw)(i8)(u8)g_s);
}
#endif

#if PART(2)
u16 r_wide[3];

static u16 wsum(u8 a, u8 b, u8 c) { return (u16)((u16)a * 256u + b + c); }
static u16 (*wsum_p)(u8, u8, u8) = wsum;

/* the argument in W a product, a negated value, a mix of narrowed operands */
static void wide_results(void)
{
    r_wide[0] = widen((u8)((uw)g_b * (uw)g_s));
    r_wide[1] = wsum_p((u8)((uw)(u8)g_l * (uw)(u8)g_b), (u8)g_s, 3);
    r_wide[2] = (u16)(wsum((u8)((uw)rec.f2 * (uw)3), 1, 2) + widen((u8)-(uw)(u8)g_b));
}
#endif

#if PART(4)
i32 r_long;

static i32 lwiden(i8 a, i8 b, i8 c) { return (i32)a - (i32)b + c - 70000L; }

static void long_result(void)
{
    r_long = lwiden((i8)((uw)rec.f2 * (uw)g_s), (i8)((uw)(i8)0 * (uw)(i8)-1), (i8)(rec.f1 ? g_s : 1));
}
#endif

#if PART(3)
i16 r_swide[2];
u8 r_byte[2];

static i16 swiden(i8 x) { return (i16)(x - 1000); }
static u8 mod_u8(u8 a, u8 b) { return b ? (u8)(a % b) : a; }

/* A parameter and a local take part in the operands, as in the shapes found. */
static void in_function(u8 p, i8 m)
{
    i8 l = m;
    r_swide[0] = swiden((i8)((uw)(i8)-(uw)(i8)g_w * (uw)g_s));
    r_swide[1] = swiden((i8)((uw)(i8)((uw)l * (uw)(i8)rec.f2) * (uw)(g_b ? m : l)));
    r_byte[0] = inc((u8)((uw)(u8)g_w * (uw)(u8)-(uw)(u8)rec.f0));
    r_byte[1] = mod_u8((u8)((u8)g_w | (u8)((uw)p - (uw)(u8)rec.f1)), (u8)rec.f2);
}
#endif

int main(void)
{
#if PART(1)
    negations();
#endif
#if PART(2)
    wide_results();
#endif
#if PART(3)
    in_function(7, -3);
#endif
#if PART(4)
    long_result();
#endif
    STOP();
    return 0;
}
