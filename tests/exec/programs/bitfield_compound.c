/* Compound assignments to bit-fields whose value is an expression of other fields, through a
   pointer and directly: unsigned fields of widths 1 to 8 at several positions, signed fields
   reaching their sign bit, results cut to the field's width, neighbours left alone. */
#include "target.h"

struct u { unsigned x1 : 3; unsigned x2 : 4; unsigned top : 1; unsigned x3 : 5; unsigned x4 : 2; unsigned w8 : 8; };
struct s { signed int a : 4; signed int b : 3; unsigned int hi : 1; };

struct u ua, uc;
struct s sa;

u8 r_u[8];
i8 r_s[4];
u8 r_keep[3];

static void bump(struct u *c)
{
    c->x3 += (ua.x2 - ua.x1) * c->x2;
}

static void mix(struct u *c, struct s *p)
{
    c->w8 -= c->x1 + c->x2 + c->x4;
    c->x4 ^= c->x1 | ua.top << 1;
    p->a -= p->b * 2;
    p->b += c->x4 - 3;
}

int main(void)
{
    ua.x1 = 1; ua.x2 = 5; ua.top = 1; ua.w8 = 0xFF;
    uc.x1 = 7; uc.x2 = 3; uc.top = 1; uc.x3 = 2; uc.x4 = 3; uc.w8 = 10;
    bump(&uc);                  /* 2 + 4 * 3 */
    r_u[0] = uc.x3;
    bump(&uc);                  /* 14 + 12 = 26 */
    r_u[1] = uc.x3;
    bump(&uc);                  /* 38 cut to 5 bits */
    r_u[2] = uc.x3;
    ua.x3 = 31;
    ua.x3 += (uc.x2 - uc.x1) * ua.x2;   /* negative product, cut */
    r_u[3] = ua.x3;
    sa.a = -8; sa.b = 3; sa.hi = 1;
    mix(&uc, &sa);
    r_u[4] = uc.w8;             /* 10 - 13 wraps */
    r_u[5] = uc.x4;
    r_s[0] = sa.a;
    r_s[1] = sa.b;
    ua.w8 *= ua.x2 - ua.x1;     /* 255 * 4 */
    r_u[6] = ua.w8;
    ua.top &= uc.x1 >> 2;
    r_u[7] = ua.top;
    sa.a = 7;
    sa.a += sa.b - sa.hi;       /* 7 + (-2 - 1) */
    r_s[2] = sa.a;
    sa.b = -4;
    sa.b -= sa.a / 2 - 3;
    r_s[3] = sa.b;
    r_keep[0] = uc.x1;
    r_keep[1] = uc.x2;
    r_keep[2] = (u8)(sa.hi + ua.x1);
    STOP();
    return 0;
}
