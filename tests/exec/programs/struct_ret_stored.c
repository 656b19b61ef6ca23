/* Structures returned and stored through a pointer or at an index: *p = f(), q[i] = f() and
   p->m = f() (3 bytes), with 3-byte results (which come back in the scratch bytes) and 5-byte ones
   (which come back in a shared area), from functions that themselves read through pointers,
   so that the destination's address cannot wait in FSR across the call. */
#include "target.h"

struct s3 { u8 a, b, c; };
struct s6 { u8 a; u8 c[3]; u8 z; };
struct hold { u8 k; struct s3 t; };

u8 src[4] = { 0x80, 0xFF, 0x01, 0x7F };
struct s3 q3[2];
struct s6 q6[2];
struct hold h;

static struct s3 three(const u8 *p)
{
    struct s3 t;
    t.a = p[0];
    t.b = p[1];
    t.c = (u8)(p[2] + 1);
    return t;
}

static struct s6 six(u8 i)
{
    struct s6 t;
    u8 *p = &src[i];
    t.a = *p++;
    t.c[0] = *p;
    t.c[1] = 0;
    t.c[2] = src[i + 2];
    t.z = (u8)(i + 0x40);
    return t;
}

static void three_to(struct s3 *p, u8 i) { *p = three(&src[i]); }
static void three_into(struct hold *hp) { hp->t = three(&src[0]); }
static void three_at(u8 i) { q3[i] = three(&src[1]); }
static void six_at(u8 i) { q6[i] = six(0); }
static void six_to(struct s6 *p, u8 i) { *p = six(i); }

int main(void)
{
    h.k = 0x5A;
    three_to(&q3[1], 0);
    three_at(0);
    three_into(&h);
    six_to(&q6[1], 1);
    six_at(0);

    STOP();
    return 0;
}
