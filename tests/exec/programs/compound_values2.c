/* Stores and steps used for their values where the object is an element at a variable
   index, reached through a pointer or a member: compound shifts, products and quotients of
   bytes, words and longs, signed and unsigned, also volatile, x = a[i]++, an assignment as a
   call's argument, d = t[d]++. Then reads and stores that reach their object through a computed
   address: a pointer converted to a pointer to const, a pointer read from a member and
   indexed, and arrays inside structures in program memory indexed by a member of their own.
   Each group runs alone (their data together exceed bank 0). */
#include "target.h"

u8 g_one = 1, g_two = 2, g_three = 3;

#if PART(1)
u8 b8[3] = {1, 0x90, 200};
u8 r_b[7];

static void bytes_group(void)
{
    u8 i = g_one, n = g_three;
    r_b[0] = (b8[i] <<= 1);       /* 0x20: the top bit goes */
    r_b[1] = (b8[i] >>= n);       /* 4 */
    r_b[2] = (b8[g_two] /= n);    /* 66 */
    r_b[3] = (b8[g_two] %= 7);    /* 3 */
    r_b[4] = (b8[0] *= n);        /* 3, at a constant index */
    r_b[5] = (b8[i - 1] <<= g_two);   /* 12 */
    r_b[6] = b8[i]++;             /* 4, b8[1] becomes 5 */
}
#endif

#if PART(2)
i8 s8[2] = {-3, 50};
i8 r_s[3];

static void signed_group(void)
{
    u8 i = g_one, n = g_three;
    r_s[0] = (s8[0] *= n);        /* -9 */
    r_s[1] = (s8[i] /= -7);       /* -7 */
    r_s[2] = --s8[i];             /* -8 */
}
#endif

#if PART(3)
i16 s16[2] = {-20, 100};
i16 r_sw[3];

/* The index and the factor as parameters. */
static void signed_words_group(u8 i, u8 n)
{
    r_sw[0] = (i16)(s16[i]++ - s16[0]);   /* 100 + 20 */
    r_sw[1] = (s16[0] *= n);      /* -60 */
    /* the quotient, not the stored word, meets the other operand */
    r_sw[2] = (i16)((s16[i] /= -4) * 2);  /* -50 */
}
#endif

#if PART(4)
u16 w16[2] = {0x1234, 7};
u16 r_w[3];

static void words_group(void)
{
    u8 i = g_one, n = g_three;
    r_w[0] = (w16[0] <<= n);      /* 0x91A0 */
    r_w[1] = (w16[i] *= 1000u);   /* 7000 */
    r_w[2] = (w16[i] >>= n);      /* 875 */
}
#endif

#if PART(5)
u16 wv[2] = {300, 9};
u16 r_wv[3];

static void word_values_group(void)
{
    u8 i = g_one;
    r_wv[0] = (wv[i - 1] %= 7u);  /* 6 */
    r_wv[1] = (wv[i] += 0x8000u); /* 0x8009 */
    r_wv[2] = wv[i]--;            /* 0x8009, then one less */
}
#endif

#if PART(6)
u32 l32[2] = {0x12345678ul, 5};
u32 r_l;

static void longs_group(void)
{
    u8 i = g_one, n = g_three;
    r_l = (l32[0] >>= n);         /* 0x02468ACF */
    r_l ^= (l32[i] <<= 20);       /* 0x00500000 */
    r_l += (l32[i] *= 3ul);       /* 0x00F00000 */
    r_l -= (l32[i - 1] %= 1000ul);   /* 0x02468ACF % 1000 */
}
#endif

#if PART(7)
i32 t32[2] = {-7, 70000l};
i32 r_sl;

static void signed_longs_group(void)
{
    u8 i = g_one, n = g_three;
    r_sl = (t32[0] *= n);         /* -21 */
    r_sl ^= (t32[i] /= -3l);      /* -23333 */
    t32[0] = t32[i]++;            /* -23333, t32[1] becomes -23332 */
}
#endif

#if PART(8)
struct rec {
    u8 b;
    u16 w;
    u8 a[2];
};
struct rec rec1 = {7, 0x0101, {1, 2}};
u16 r_m;
u8 r_mb[2];

static void members_group(void)
{
    struct rec *rp = &rec1;
    u8 i = g_one, n = g_three;
    r_m = (rp->w <<= n);          /* 0x0808 */
    r_mb[0] = (rp->a[i] += 7);    /* 9 */
    r_mb[1] = (rp->b *= n);       /* 21 */
}
#endif

#if PART(12)
struct lrec {
    u8 b;
    u32 l;
};
struct lrec lrec1 = {7, 0x80010000ul};
u32 r_ml;

static void long_members_group(void)
{
    struct lrec *rp = &lrec1;
    u32 *lp = &lrec1.l;
    r_ml = (rp->l *= g_three);        /* 0x80030000 */
    r_ml ^= (*lp >>= 31);             /* 1 */
}
#endif

#if PART(13)
struct cell {
    u8 a[2];
    u16 w;
};
struct cell cells[2] = {{{4, 5}, 6}, {{30, 20}, 0x4000}};
u16 r_cell;

static void cells_group(void)
{
    u8 i = g_one, k = g_one, n = g_three;
    r_cell = (cells[i].w >>= n);      /* 0x0800 */
    r_cell += (cells[i].a[k] /= n);   /* 6 */
    r_cell ^= cells[i].a[0]++;        /* 30 */
}
#endif

#if PART(14)
u16 r_p[2];

/* A parameter pointer and index: the element is reached through both. */
static u16 shift_in(u16 *p, u8 k, u8 c) { return (p[k] <<= c); }

static void params_group(void)
{
    u16 loc[2];
    u8 i = g_one, n = g_three;
    loc[0] = 0x0F0F;
    loc[1] = 12;
    r_p[0] = shift_in(loc, i, n);     /* 96 */
    r_p[1] = (loc[i - 1] *= 3u) + loc[i];   /* 0x2D2D + 96 */
}
#endif

#if PART(15)
/* Volatile objects: read once and written once, the value never read back. */
volatile u8 vb[2] = {3, 0x81};
volatile u16 vw[2] = {7, 0x1000};
u8 r_vb[2];
u16 r_vw[2];

static void volatile_group(void)
{
    u8 i = g_one, n = g_three;
    r_vb[0] = (vb[i] <<= 1);      /* 2 */
    r_vb[1] = vb[i - 1]++;        /* 3, then 4 */
    r_vw[0] = (vw[i] *= n);       /* 0x3000 */
    r_vw[1] = --vw[i - 1];        /* 6 */
}
#endif

#if PART(9)
/* ((const struct F *)x)->i on a RAM pointer, and a pointer read from a member and indexed. */
struct F {
    i16 i;
};
struct D {
    u16 next;
};
struct P {
    struct D *ring;
    u16 sk[2];
};
struct D ring[2];
struct P pe;
u8 r_loop;
u16 r_sk;

static u8 count_up(struct F *x, struct F *y)
{
    u8 times = 0;
    for (; ((const struct F *)x)->i < y->i; x->i++)
        times++;
    return times;
}

static void init_ring(struct P *ep)
{
    i16 i;
    for (i = 0; i < 2; i++) {
        ep->ring[i].next = 10 + (i + 1) * 2;
        ep->sk[i] = 7;
    }
    ep->ring[i - 1].next = 10;
}

static void pointers_group(void)
{
    struct F fx, fy;
    fx.i = -2;
    fy.i = 3;
    r_loop = count_up(&fx, &fy);      /* 5 */
    pe.ring = ring;
    init_ring(&pe);                   /* 12, 10 */
    r_sk = pe.sk[1];
}
#endif

#if PART(10)
i16 args[2] = {5, 6};
u8 args_b;
i16 t[2] = {2, 5};
i16 d;
i16 r_args;

static void take_two(i16 x, i16 y) { r_args = (i16)((uw)x + (uw)y); }
static i16 later(void) { return (i16)g_two; }

static void stores_group(void)
{
    args_b = g_one;
    take_two(args[args_b] = 0, later());   /* 0 + 2 */
    d = g_one;
    d = t[d]++;                       /* 5, t[1] becomes 6 */
}
#endif

#if PART(11)
/* Arrays inside structures in program memory, indexed by a member of their own. */
typedef struct {
    i16 c, l;
    char ch[3];
} pstr;
const pstr ao = {2, 1, "OK"};
const pstr *const ca = &ao;
struct cs {
    i16 a;
    u8 b[3];
};
const struct cs csa[2] = {{0x1234, {2, 3, 4}}, {-300, {6, 7, 8}}};
const i16 cw[3] = {0x1234, -2, 300};
u8 r_c[8];
i16 r_cw;

static void code_group(void)
{
    const char *cp = ca->ch;
    u8 i = g_one, k = g_two;
    r_c[0] = (u8)ca->ch[ca->l];       /* 'K' */
    r_c[1] = (u8)ao.ch[ao.l - 1];     /* 'O' */
    r_c[2] = csa[i].b[k];             /* 8 */
    r_c[3] = (u8)cw[i];               /* 0xFE: a word read from program memory, narrowed */
    r_c[4] = (u8)ca->c;               /* 2 */
    r_c[5] = (u8)cp[ca->l];           /* 'K' */
    r_c[6] = (u8)csa[i].a;            /* 0xD4 */
    r_c[7] = (u8)*(ca->ch + ca->l - 1);   /* 'O' */
    r_cw = csa[i - 1].a;
}
#endif

int main(void)
{
#if PART(1)
    bytes_group();
#endif
#if PART(2)
    signed_group();
#endif
#if PART(3)
    signed_words_group(g_one, g_three);
#endif
#if PART(4)
    words_group();
#endif
#if PART(5)
    word_values_group();
#endif
#if PART(6)
    longs_group();
#endif
#if PART(7)
    signed_longs_group();
#endif
#if PART(8)
    members_group();
#endif
#if PART(12)
    long_members_group();
#endif
#if PART(13)
    cells_group();
#endif
#if PART(14)
    params_group();
#endif
#if PART(15)
    volatile_group();
#endif
#if PART(9)
    pointers_group();
#endif
#if PART(10)
    stores_group();
#endif
#if PART(11)
    code_group();
#endif
    STOP();
    return 0;
}
