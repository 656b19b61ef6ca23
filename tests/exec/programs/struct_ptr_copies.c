/* Structures of 5 bytes and more copied where one side or both are reached through a pointer
   or an index: *p = s, s = *p, p->inner = s, q[i] = s, *p = *q, q[i] = q[j], p->inner =
   q->inner, and a copy onto itself; 3-byte ones (copied bytewise, not by the block copy)
   read through a pointer to a variable and copied between two pointers. The arrays themselves are the results: an off-by-one
   copy or a neighbour overwritten shows in them. */
#include "target.h"

struct s5 { u8 a; u8 b[3]; u8 d; };
struct s8 { u8 k; struct s5 in; };
struct s3 { u8 a, b, c; };

#if PART(1)
struct s5 q5[3];
static void put(struct s5 *p, struct s5 *from) { *p = *from; }
static void put_at(u8 i, u8 j) { q5[i] = q5[j]; }
#endif
#if PART(2)
struct s8 q8[2];
static void inner_of(struct s8 *p, struct s8 *q) { p->in = q->in; }
#endif
#if PART(3)
struct s3 q3[2];
static void put3(struct s3 *p, struct s3 *q) { *p = *q; }
static void threes(u8 i)
{
    struct s3 t3;

    q3[0].a = 0x80;
    q3[0].b = 0xFF;
    q3[0].c = 0x01;
    put3(&q3[1], &q3[0]);
    t3 = q3[i];                     /* to an auto from a variable index */
    t3.a = (u8)(t3.a + t3.c);
    q3[0] = t3;
}
#endif
#if PART(1) || PART(2)
static void set(struct s5 *p, u8 a, u8 d)
{
    p->a = a;
    p->b[0] = (u8)(a ^ 0x5A);
    p->b[1] = (u8)(a + d);
    p->b[2] = d;
    p->d = d;
}
#endif

int main(void)
{
#if PART(1) || PART(2)
    struct s5 t;
    struct s5 *p;
#endif
#if PART(1)
    u8 i;

    set(&t, 0xFF, 0x80);
    p = &q5[1];
    *p = t;                         /* to a pointer from an auto */
    set(&q5[2], 0x80, 0);
    t = *(p + 1);                   /* from a pointer */
    i = 0;
    q5[i] = t;                      /* at a variable index */
    put_at(2, 1);                   /* both at variable indexes */
    put(&q5[1], &q5[0]);            /* both through pointers */
    put(&q5[0], &q5[0]);            /* onto itself */
#endif

#if PART(2)
    set(&q8[1].in, 0x22, 0x55);
    q8[1].k = 0x11;
    q8[0].k = 0x77;
    inner_of(&q8[0], &q8[1]);       /* a member on each side through a pointer */
    p = &q8[1].in;
    set(&t, 1, 0xFF);
    *p = t;                         /* into a member through a pointer */
#endif

#if PART(3)
    threes(1);
#endif

    STOP();
    return 0;
}
