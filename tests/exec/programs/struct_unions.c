/* Unions of 1 and 3 bytes returned by value, assigned and a member read from the call, and
   a 5-byte structure's members read from the call, passed on (f(g())) and used in
   arithmetic. */
#include "target.h"

struct s5 { u8 a; u8 b; i16 c; u8 d; };
union u1 { u8 b; i8 s; };
union u3 { u8 b[3]; i16 w; };

i16 r_five[4];
u8 r_u[5];
BANK1 union u3 r_far;

static struct s5 five(u8 a, i16 c)
{
    struct s5 t;
    t.a = a;
    t.b = (u8)~a;
    t.c = c;
    t.d = 0x80;
    return t;
}

static i16 five_in(struct s5 t) { return (i16)(t.c - t.d); }

static union u1 fu1(i8 s) { union u1 u; u.s = s; return u; }
static union u3 fu3(i16 w) { union u3 u; u.b[2] = 0x80; u.w = w; return u; }

int main(void)
{
    union u1 x;
    union u3 y;

    r_five[0] = five(0x80, -2).c;
    r_five[1] = five_in(five(0xFF, 300));
    r_five[2] = (i16)(five(1, -100).c * 2 + five(2, 7).b);
    r_five[3] = five(0, 0).d + five(0x0F, 0).b;

    x = fu1(-128);
    r_u[0] = x.b;
    r_u[1] = (u8)fu1(-1).s;
    y = fu3(0x1280);
    r_u[2] = y.b[0];
    r_u[3] = y.b[2];
    r_u[4] = (u8)(fu3(0x7F80).w >> 8);
    r_far = fu3(-32768);
    r_u[2] = (u8)(r_u[2] + r_far.b[1]);
    STOP();
    return 0;
}
