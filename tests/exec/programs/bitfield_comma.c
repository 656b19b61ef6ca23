/* Comma expressions whose later operands read bit-fields that the earlier ones change: by a
   store to the field, a call, a store to the byte under a union, in an argument, and as a
   statement of its own. Each read must see what the operands before it did. */
#include "target.h"

struct fl { unsigned a : 3; unsigned b : 4; unsigned c : 1; };
union ub { u8 byte; struct fl f; };

struct fl s;
union ub u;
u8 y;
u8 r[10];

static void set_a(u8 v) { s.a = v; }
static u8 pair(u8 p, u8 q) { return (u8)(p * 16 + q); }

int main(void)
{
    s.a = 1; s.b = 2;
    y = 5;
    r[0] = (set_a(3), s.a + y);                         /* 3 + 5 */
    r[1] = (y++, s.b + y);                              /* 2 + 6 */
    r[2] = pair((set_a(2), s.a), (y++, s.b));           /* 2 * 16 + 2 */
    r[3] = (u.byte = 0x55, u.f.b);                      /* bits 3-6 of 55h */
    r[4] = (set_a(7), s.a) + (u.byte = 0x0A, u.f.a);    /* 7 + 2 */
    r[5] = (s.a = 3, y++, s.a + y);                     /* 3 + 8 */
    set_a(4), r[6] = s.a;                               /* a statement of two */
    r[7] = (s.b = s.a + 1, s.c = 1, s.b * 2 + s.c);     /* 5 * 2 + 1 */
    r[8] = (s.b++, s.b);                                /* 6 */
    r[9] = y ? (set_a(1), s.a) : s.b;                   /* 1 */
    STOP();
    return 0;
}
