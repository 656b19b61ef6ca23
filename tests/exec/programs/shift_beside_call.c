/* A byte shifted by a constant (a bit-field's value is one) is worked out in the scratch bytes,
   where a call's result also comes back: compared with a call, the shift must not overwrite
   the result, in a jump, in && and || and as a value. */
#include "target.h"

struct bits_t { unsigned b0 : 5; unsigned b1 : 3; };
struct bits_t bf;
u8 g_1 = 14;
i8 g_2 = -2;
u8 g_b = 0x68;
u8 r_cmp[8];

static i16 same(i16 a)
{
    return a;
}

static u8 three(void)
{
    return 3;
}

int main(void)
{
    bf.b1 = 3;
    r_cmp[0] = (u8)(!(i8)~(uw)g_2 || ((i16)((u32)bf.b1) == same(g_1)));
    r_cmp[1] = (u8)(!g_1 || bf.b1 == same(g_1));
    r_cmp[2] = (u8)(g_1 && bf.b1 == same(3));
    if (g_1 && bf.b1 == same(g_1))
        r_cmp[3] = 1;
    if (!g_1 || (g_b >> 5) != three())
        r_cmp[4] = 1;
    r_cmp[5] = (u8)(g_1 && (u8)(g_b << 2) == same(0xA0));
    r_cmp[6] = (u8)(three() == (g_b >> 5) || !g_1);
    if (!(g_1 && (g_b >> 3) == three()))
        r_cmp[7] = 7;
    STOP();
    return 0;
}
