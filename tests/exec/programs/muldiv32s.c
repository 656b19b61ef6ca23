/* Signed longs through the run-time library: the most negative value over -1, zero divisors
   and truncation toward zero. */
#include "target.h"

/* Where C leaves division open the library gives an answer of its own: the quotient by zero
   is all ones (unsigned) or -1 / +1 by the sign of the dividend, the remainder the dividend;
   the most negative value over -1 is itself, remainder 0. The host spells these out. */
#ifdef __ORMC__
#define UQ(a, b, ones) ((a) / (b))
#define UR(a, b) ((a) % (b))
#define SQ(a, b, min) ((a) / (b))
#define SR(a, b, min) ((a) % (b))
#else
#define UQ(a, b, ones) ((b) ? (a) / (b) : (ones))
#define UR(a, b) ((b) ? (a) % (b) : (a))
#define SQ(a, b, min) ((b) == 0 ? ((a) < 0 ? 1 : -1) : (a) == (min) && (b) == -1 ? (a) : (a) / (b))
#define SR(a, b, min) ((b) == 0 ? (a) : (a) == (min) && (b) == -1 ? 0 : (a) % (b))
#endif

i32 c32 = -123456789L, d32 = 1000L, n32 = -2147483647L - 1, e32 = -1, z32 = 0;

i32 s32_0, s32_1, s32_2, s32_3, s32_4, s32_5;
i32 p32 = -2000000000L;

int main(void)
{
    s32_0 = c32 / d32;
    s32_1 = c32 % d32;
    s32_2 = SQ(n32, e32, -2147483647L - 1);
    s32_3 = SR(n32, e32, -2147483647L - 1);
    s32_4 = SQ(c32, z32, -2147483647L - 1);
    s32_5 = n32 % d32;
    p32 /= d32;
    p32 *= e32;
    STOP();
    return 0;
}
