/* Structures and unions passed by value and returned (2 and 5 bytes), as first and later
   arguments, returned from locals and parameters, and the callee's copy changed without
   touching the caller's. The rest of structure returns is in structret.c. */
#include "target.h"

struct one { u8 b; u8 c; };
struct point { i16 x; i16 y; u8 tag; };
union word { u16 w; u8 b[2]; };

i16 r_mid[2];
u8 r_tag;
u8 r_one[2];
u16 r_word;

static struct point middle(struct point a, struct point b)
{
    struct point m;
    m.x = (i16)((a.x + b.x) / 2);
    m.y = (i16)((a.y + b.y) / 2);
    m.tag = (u8)(a.tag ^ b.tag);
    return m;
}

static struct one bump(struct one o)
{
    o.b = (u8)(o.b + 1);   /* the caller's copy stays as it was */
    return o;
}

static union word swap(union word u)
{
    u8 t = u.b[0];
    u.b[0] = u.b[1];
    u.b[1] = t;
    return u;
}

int main(void)
{
    struct point p, q;
    struct one o, o2;
    union word u;

    p.x = -300; p.y = 40; p.tag = 0x5A;
    q.x = 100; q.y = 41; q.tag = 0x0F;
    p = middle(p, q);
    r_mid[0] = p.x;
    r_mid[1] = p.y;
    r_tag = p.tag;

    o.b = 255;
    o.c = 1;
    o2 = bump(o);
    r_one[0] = o2.b;
    r_one[1] = o.b;

    u.w = 0x12FE;
    u = swap(u);
    r_word = u.w;
    STOP();
    return 0;
}
