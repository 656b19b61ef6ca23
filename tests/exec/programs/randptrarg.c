/* A call through a function pointer inside an argument of a direct call: the direct callee's
   argument area is filled around the pointer call, so no function the pointer may hold may
   share its bytes. The pointed-to functions use locals and parameters of their own. */
#include "target.h"

u8 g = 3;
u8 r_b[4];
u16 r_w;

static u8 shr_u8(u8 a, u8 n)
{
    n &= 7;
    return (u8)(a >> n);
}

static u16 sum3(u16 a, u8 b, u16 c)
{
    return (u16)(a + b + c);
}

static u32 busy(i8 p, u8 q)
{
    u8 l1 = (u8)(q | g);
    i8 l2 = (i8)(p + 6);
    q += l1;
    p = (i8)(l2 - 1);
    return 0xFFFFFFFFUL - (u32)(u8)(q ^ l1) + (u32)(u8)(p - l2) + 1;
}

static u32 idle(i8 p, u8 q)
{
    return (u32)(u8)p + q;
}

static u32 (*fp)(i8, u8) = busy;

int main(void)
{
    r_b[0] = shr_u8((u8)fp(2, (u8)255), (u8)(g - 3));
    r_b[1] = shr_u8(1, (u8)fp(-1, 1));
    fp = idle;
    r_b[2] = shr_u8((u8)fp(6, 9), (u8)(g - 2));
    r_w = sum3(1000, (u8)fp(1, 1), (u16)fp(2, g));
    fp = busy;
    r_b[3] = shr_u8((u8)(fp(2, 0) >> 24), 4);
    STOP();
    return 0;
}
