/* Structures of one to three bytes passed by value to functions defined in the old style and
   called without a prototype, beside a char argument, which such a call widens to int. */
#include "target.h"

struct one { u8 x; };
struct two { i8 a; u8 b; };
struct three { u8 a; i16 w; };

u8 r_one[2];
i16 r_two[2];
i16 r_three[2];

static struct one bump_one(s, by)
    struct one s;
    u8 by;
{
    s.x = (u8)(s.x + by);
    return s;
}

static i16 sum_two(c, s)
    i8 c;
    struct two s;
{
    return s.a + s.b + c;
}

static i16 sum_three(s, c)
    struct three s;
    u8 c;
{
    return s.w - s.a + c;
}

int main(void)
{
    struct one o, p;
    struct two t;
    struct three h;
    o.x = 250;
    p = bump_one(o, 9);
    r_one[0] = o.x;
    r_one[1] = p.x;
    t.a = -5;
    t.b = 200;
    r_two[0] = sum_two(-3, t);
    r_two[1] = t.a;
    h.a = 7;
    h.w = -1000;
    r_three[0] = sum_three(h, 255);
    r_three[1] = h.w;
    STOP();
    return 0;
}
