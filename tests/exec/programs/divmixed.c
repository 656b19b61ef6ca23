/* A byte compound-divided by a negative short; two fields of one storage byte subtracted
   (they are different values, never x - x). */
#include "target.h"

u8 x = 50;
volatile i16 y = -5;
u8 r_x[2];

struct fx {
    unsigned x1 : 1;
    unsigned x2 : 2;
    unsigned x3 : 3;
};
u8 r_f[2];

static void fields(u8 p, u8 q, u8 s)
{
    struct fx a;
    struct fx b;
    struct fx *c = &b;
    a.x1 = p; a.x2 = q; a.x3 = s;
    b.x1 = p; b.x2 = q; b.x3 = s;
    r_f[0] = (u8)(a.x2 - a.x1);
    r_f[1] = (u8)(c->x3 - c->x2);
}

int main(void)
{
    u8 z = 200;
    x /= y;
    r_x[0] = x;
    z %= y;
    r_x[1] = z;
    fields(1, 2, 3);
    STOP();
    return 0;
}
