/* Bit-fields of every width and position in a byte: stores, reads, compound assignments,
   conditions and values in arithmetic, directly and through a pointer, in both banks. */
#include "target.h"

struct flags {
    unsigned a : 1;
    unsigned b : 3;
    unsigned c : 4;
    unsigned d : 5;
    unsigned e : 8;
    unsigned f : 2;
    unsigned g : 7;
};

struct flags v;
BANK1 struct flags w1;

u8 r_b[8];
u8 r_p[4];
u16 r_sum;

static void bump(struct flags *p)
{
    p->c += 9;       /* wraps at 4 bits */
    p->g = p->g - 1; /* 0 - 1 wraps to 127 */
    if (p->a)
        p->f ^= 3;
}

int main(void)
{
    u8 i;

    v.a = 1;
    v.b = 5;
    v.c = 15;
    v.d = 17;
    v.e = 0xA5;
    v.f = 2;
    v.g = 0;
    r_b[0] = (u8)(v.b + v.d);            /* 22 */
    r_b[1] = (u8)(v.a | (v.c << 1));
    v.c += 3;                            /* 15 + 3 wraps to 2 */
    r_b[2] = v.c;
    v.d = (u8)(v.d * 3);                 /* 51 truncated to 5 bits */
    r_b[3] = v.d;
    r_b[4] = v.e;
    v.b = 0;
    for (i = 0; i < 10; i++)
        v.b++;                           /* 10 wraps to 2 */
    r_b[5] = v.b;
    r_b[6] = 0;
    if (v.a && v.f == 2)
        r_b[6] = 1;
    if (!v.b)
        r_b[6] |= 2;
    r_b[7] = (u8)(v.g + v.a + v.f);

    w1.a = 0;
    w1.c = 7;
    w1.f = 1;
    w1.g = 0;
    bump(&v);
    bump(&w1);
    r_p[0] = v.c;
    r_p[1] = (u8)(v.g + v.f);
    r_p[2] = w1.c;
    r_p[3] = (u8)(w1.g + w1.f);
    r_sum = (u16)((uw)v.e * 3 + v.g);    /* a field in word arithmetic */
    STOP();
    return 0;
}
