/* 4-byte structures returned by a function that reads through a pointer, stored through a
   pointer and at a variable index: the destination's address cannot wait in FSR across the
   call, and the index must not be worked out in the bytes the result comes back in. */
#include "target.h"

struct s4 { u8 a[4]; };

u8 src[3] = { 0x80, 0xFF, 0x01 };
struct s4 q4[3];

static struct s4 four(u8 *p)
{
    struct s4 t;
    t.a[0] = p[0];
    t.a[1] = 0;
    t.a[2] = (u8)(p[0] ^ p[1]);
    t.a[3] = p[1];
    return t;
}

static void to(struct s4 *p4) { *p4 = four(&src[0]); }
static void at(u8 i) { q4[i] = four(&src[1]); }

int main(void)
{
    to(&q4[1]);
    at(2);
    STOP();
    return 0;
}
