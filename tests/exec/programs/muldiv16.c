/* Signed words through the run-time library: the most negative value over -1, zero divisors,
   truncation toward zero, constant operands and compound assignments. */
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
i16 c16 = -20000;
#endif
#if PART(1) || PART(2)
i16 d16 = 77;
#endif
#if PART(2)
i16 n16 = -32767 - 1, e16 = -1, f16 = 32767;
#endif
#if PART(3)
i16 z16 = 0;
#endif

#if PART(1)
i16 s16_0, s16_1, s16_2;
i16 p16 = -30000;
#endif
#if PART(2)
i16 s16_3, s16_4, s16_7, s16_8, s16_9;
#endif
#if PART(3)
i16 s16_5, s16_6, s16_10;
#endif

int main(void)
{
#if PART(1)
    s16_0 = (i16)(u16)((uw)c16 * (uw)d16);
    s16_1 = (i16)(c16 / d16);
    s16_2 = (i16)(c16 % d16);
    p16 %= d16;
    p16 *= d16;
#endif
#if PART(2)
    s16_3 = (i16)SQ(n16, e16, -32768L);
    s16_4 = (i16)SR(n16, e16, -32768L);
    s16_7 = (i16)(f16 / e16);
    s16_8 = (i16)(n16 / d16);
    s16_9 = (i16)(n16 % d16);
#endif
#if PART(3)
    s16_5 = (i16)SQ(c16, z16, -32768L);
    s16_6 = (i16)SR(c16, z16, -32768L);
    s16_10 = (i16)(c16 / -7);
#endif
    STOP();
    return 0;
}
