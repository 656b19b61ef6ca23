/* Words updated through pointers with a byte or computed operand (*p |= b,
   *p = *p * 3 + 1, s->b = s->a / 3): the value is worked out before the store's address,
   with carries, borrows and signs at the edges. */
#include "target.h"

typedef struct {
    u16 a, b, c, d;
} quad;

static i16 w[2] = {-2, 0x7F00};
static u16 u = 0xFFFFu;
static u8 g = 0xF0;
static quad q;

i16 r_w[4];
u16 r_u[5];

static void fill(quad *ps)
{
    ps->a = 10000;
    ps->b = ps->a / 3;
    ps->c = 65535u;
    ps->d = ps->c % 7;
}

int main(void)
{
    i16 *p = &w[0];
    u16 *up = &u;

    *p |= g;            /* -2 | 0xF0 */
    r_w[0] = *p;
    *p &= g;
    r_w[1] = *p;
    p = &w[1];
    *p += g;            /* 0x7FF0 */
    r_w[2] = *p;
    *p -= (i16)g * 3;
    r_w[3] = *p;
    *up = *up * 3u + 1u;
    r_u[0] = *up;
    fill(&q);
    r_u[1] = q.a;
    r_u[2] = q.b;
    r_u[3] = q.c;
    r_u[4] = q.d;
    STOP();
    return 0;
}
