/* Results wider than W stored at a variable index or through a pointer: the destination's
   address is worked out in the scratch bytes that bring the result back, so the result must
   be kept elsewhere first. */
#include "target.h"

struct pair { u8 a, b; };

u8 src[3] = {0x80, 0xFF, 0x01};
u16 r_w[2];
u32 r_l[2];
i16 r_s[2];
struct pair r_q[2];
u8 r_b[2];

static u16 two(const u8 *p) { u16 r = p[0]; r = (u16)(r << 8); r |= p[1]; return r; }
static u32 four(const u8 *p) { u32 r = two(p); r <<= 16; r |= p[2]; return r; }
static i16 neg(u8 v) { return (i16)-(i16)v; }
static struct pair mk(const u8 *p) { struct pair t; t.a = p[2]; t.b = p[0]; return t; }
static u8 one(const u8 *p) { return p[1]; }

static void at(u8 i)
{
    r_w[i] = two(&src[0]);
    r_l[i] = four(&src[0]);
    r_s[i] = neg(src[i]);
    r_q[i] = mk(&src[0]);
    r_b[i] = one(&src[i]);
}

static void through(u16 *pw, u32 *pl, i16 *ps)
{
    *pw = two(&src[1]);
    *pl = four(&src[0]) + 1;
    *ps = neg(3);
}

int main(void)
{
    at(1);
    through(&r_w[0], &r_l[0], &r_s[0]);
    at(0);
    r_w[0] ^= two(&src[1]);
    STOP();
    return 0;
}
