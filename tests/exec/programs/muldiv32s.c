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

#if PART(1) || PART(3)
i32 c32 = -123456789L;
#endif
#if PART(1) || PART(4)
i32 d32 = 1000L;
#endif
#if PART(2) || PART(4)
i32 n32 = -2147483647L - 1, e32 = -1;
#endif
#if PART(3)
i32 z32 = 0;
#endif

#if PART(1)
i32 s32_0, s32_1;
#endif
#if PART(2)
i32 s32_2, s32_3;
#endif
#if PART(3)
i32 s32_4;
#endif
#if PART(4)
i32 s32_5;
i32 p32 = -2000000000L;
#endif

int main(void)
{
#if PART(1)
    s32_0 = c32 / d32;
    s32_1 = c32 % d32;
#endif
#if PART(2)
    s32_2 = SQ(n32, e32, -2147483647L - 1);
    s32_3 = SR(n32, e32, -2147483647L - 1);
#endif
#if PART(3)
    s32_4 = SQ(c32, z32, -2147483647L - 1);
#endif
#if PART(4)
    s32_5 = n32 % d32;
    p32 /= d32;
    p32 *= e32;
#endif
    STOP();
    return 0;
}
