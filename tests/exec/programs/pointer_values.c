/* Values read and stepped through pointers inside larger expressions: a chained assignment
   between two structures, a read through a pointer to const in arithmetic, a post-step of
   the object a pointer leads to used as a value, a volatile variable given a 0-or-1 value,
   a volatile object read for its effect alone, and a function's address as a number.
   Groups run one at a time on the chips with the least RAM. */
#include "target.h"

#if PART(1)
typedef struct {
    u8 tag;
    i16 w;
} pair;

static pair pa = {1, -300}, pb = {2, 0x1234};
static i16 a16;
static u8 a8;
BANK1 i16 r_chain[4];

static void chain(pair *x, pair *y)
{
    x->w = a16 = y->w;
    r_chain[0] = x->w;
    r_chain[1] = a16;
    /* stored through a byte: the byte's value goes on, not the word's */
    y->w = a8 = x->w;
    r_chain[2] = y->w;
    r_chain[3] = a8;
}
#endif

#if PART(2)
static const i16 rom_w[2] = {0x7FFF, -1};
static i16 ram_w = -32768;
static u16 wx = 0xA55Au;
BANK1 i16 r_const[5];
u8 r_byte[2];

static i16 plus_one(const i16 *p) { return (i16)((uw)*p + 1u); }

static void through_const(const i16 *p, const i16 *q)
{
    r_const[0] = plus_one(p);
    r_const[1] = plus_one(q);
    r_const[2] = (i16)((uw)r_const[0] + (uw)*q);
    r_const[3] = (i16)((uw)1 - (uw)*p);
}
#endif

#if PART(3)
BANK1 i16 r_step[5];

static u8 count_down(i16 *pn)
{
    u8 n = 0;
    while ((*pn)--)
        n++;
    return n;
}
#endif

#if PART(4)
u8 r_copy[4];

static void copy_bytes(u8 **pp, const u8 *q, u8 n)
{
    while (n--)
        *(*pp++)++ = *q++;
}
#endif

#if PART(5)
static volatile i16 vb;
static volatile u8 vbyte = 0x5A;
static volatile i16 vword = 77;
static i16 e16, c16;
BANK1 i16 r_logic[3];
u8 r_void[2];
u8 r_fn;

static void read_only(volatile u8 *vp, volatile i16 *vw)
{
    (void)*vp;
    (void)*vw;
}

static void target_fn(void) { }
static void (*fp)(void) = target_fn;
#endif

int main(void)
{
#if PART(1)
    chain(&pa, &pb);
#endif
#if PART(2)
    through_const(&rom_w[0], &rom_w[1]);
    r_const[4] = plus_one(&ram_w);
    r_byte[0] = *(const u8 *)&wx;   /* the low byte: both sides are little-endian */
    r_byte[1] = *((const u8 *)&wx + 1);
#endif
#if PART(3)
    {
    i16 n = 5;
    i16 m = -2;

    r_step[0] = count_down(&n);
    r_step[1] = n;
    r_step[2] = (i16)((uw)(*&m)++ + 5u);
    r_step[3] = m;
    {
        i16 *pm = &m;
        r_step[4] = (i16)((uw)((*pm)--) * 3u);
        r_step[4] = (i16)((uw)r_step[4] + (uw)m);
    }
    }
#endif
#if PART(4)
    {
    u8 src[4] = {9, 8, 7, 0xFF};
    u8 *dst[2];

    dst[0] = &r_copy[0];
    dst[1] = &r_copy[2];
    copy_bytes(dst, src, 2);
    copy_bytes(dst, src + 2, 2);
    }
#endif
#if PART(5)
    e16 = 3;
    c16 = 0;
    vb = e16 && c16;
    r_logic[0] = vb;
    c16 = -1;
    vb = e16 && c16;
    r_logic[1] = vb;
    vb = c16 || e16;
    r_logic[2] = vb;

    read_only(&vbyte, &vword);
    r_void[0] = vbyte;
    r_void[1] = (u8)vword;

    r_fn = (u8)(((unsigned long)target_fn == (unsigned long)fp) + 2 * ((unsigned long)target_fn != 0));
#endif
    STOP();
    return 0;
}
