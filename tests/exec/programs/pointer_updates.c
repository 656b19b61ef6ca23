/* Words updated through pointers with a byte or computed operand (*p |= b,
   *p = *p * 3 + 1, s->b = s->a / 3): the value is worked out before the store's address,
   with carries, borrows and signs at the edges. */
#include "target.h"

#if PART(1) || PART(2)
static i16 w[2] = {-2, 0x7F00};
static u8 g = 0xF0;
#endif
#if PART(1)
i16 r_w[2];
#endif
#if PART(2)
i16 r_x[2];
#endif
#if PART(3)
static u16 u = 0xFFFFu;
u16 r_up;
#endif
#if PART(4)
typedef struct {
    u16 a, b, c, d;
} quad;

static quad q;
u16 r_u[4];

static void fill(quad *ps)
{
    ps->a = 10000;
    ps->b = ps->a / 3;
    ps->c = 65535u;
    ps->d = ps->c % 7;
}
#endif

int main(void)
{
#if PART(1) || PART(2)
    i16 *p = &w[0];
#endif
#if PART(3)
    u16 *up = &u;
#endif

#if PART(1)
    *p |= g;            /* -2 | 0xF0 */
    r_w[0] = *p;
    *p &= g;
    r_w[1] = *p;
#endif
#if PART(2)
    p = &w[1];
    *p += g;            /* 0x7FF0 */
    r_x[0] = *p;
    *p -= (i16)g * 3;
    r_x[1] = *p;
#endif
#if PART(3)
    *up = *up * 3u + 1u;
    r_up = *up;
#endif
#if PART(4)
    fill(&q);
    r_u[0] = q.a;
    r_u[1] = q.b;
    r_u[2] = q.c;
    r_u[3] = q.d;
#endif
    STOP();
    return 0;
}
