/* A rotate written as two shifts in a loop, at 8, 16 and 32 bits. */
#include "target.h"

u16 r_w[3];
u8 r_b[2];
u32 r_l[2];

static u16 rot16(u16 a, u16 b)
{
    u16 i;
    a = a & 1;
    for (i = 0; i < b; ++i)
        a = (u16)(a << 1 | a >> 15);
    return a;
}

static u8 rot8(u8 a, u8 b)
{
    u8 i;
    for (i = 0; i < b; ++i)
        a = (u8)(a << 1 | a >> 7);
    return a;
}

static u32 rot32(u32 a, u8 b)
{
    u8 i;
    for (i = 0; i < b; ++i)
        a = a << 1 | a >> 31;
    return a;
}

int main(void)
{
    u16 w = 0x8001;
    r_w[0] = rot16(1, 17);
    r_w[1] = rot16(1, 15);
    r_w[2] = (u16)(w << 1 | w >> 15);
    r_b[0] = rot8(0x81, 9);
    r_b[1] = rot8(0x96, 3);
    r_l[0] = rot32(0x80000001UL, 33);
    r_l[1] = rot32(0x12345678UL, 4);
    STOP();
    return 0;
}
