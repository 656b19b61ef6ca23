/* Multiply, divide and modulo through the run-time library: bytes signed and unsigned, and
   unsigned words, with carries across bytes, zero divisors, the most negative byte over -1,
   constant operands and compound assignments. (muldiv16.c and muldiv32*.c do the wider
   ones: the small chips' RAM holds only so many results.) */
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

#if PART(1)
u8 a8 = 200, b8 = 7, z8 = 0;
u8 r8_0, r8_1, r8_2, r8_3, r8_4, r8_5;
u8 q8 = 250;
#endif
#if PART(2)
i8 c8 = -100, d8 = 9, n8 = -128, e8 = -1, zs8 = 0;
i8 s8_0, s8_1, s8_2, s8_3, s8_4, s8_5, s8_6, s8_7;
i8 p8 = -77;
#endif
#if PART(3)
u16 a16 = 50000U, b16 = 300, z16 = 0;
u16 r16_0, r16_1, r16_2, r16_3, r16_4;
u16 q16 = 40000U;
#endif

int main(void)
{
#if PART(1)
    r8_0 = (u8)((uw)a8 * b8);
    r8_1 = (u8)(a8 / b8);
    r8_2 = (u8)(a8 % b8);
    r8_3 = (u8)UQ(a8, z8, 255);
    r8_4 = (u8)UR(a8, z8);
    r8_5 = (u8)(a8 / 9);
    q8 *= b8;
    q8 %= 100;
#endif
#if PART(2)
    s8_0 = (i8)(c8 * d8);
    s8_1 = (i8)(c8 / d8);
    s8_2 = (i8)(c8 % d8);
    s8_3 = (i8)(n8 / e8);
    s8_4 = (i8)(n8 % e8);
    s8_5 = (i8)SQ(c8, zs8, -128);
    s8_6 = (i8)SR(c8, zs8, -128);
    s8_7 = (i8)(n8 % d8);
    p8 /= d8;
    p8 *= d8;
#endif
#if PART(3)
    r16_0 = (u16)((uw)a16 * b16);
    r16_1 = (u16)(a16 / b16);
    r16_2 = (u16)(a16 % b16);
    r16_3 = (u16)UQ(a16, z16, 65535U);
    r16_4 = (u16)UR(a16, z16);
    q16 /= b16;
    q16 *= 1000;
#endif
    STOP();
    return 0;
}
