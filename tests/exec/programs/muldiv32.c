/* Unsigned longs through the run-time library: products that wrap, zero divisors, divisors
   above 16 bits, constant operands and compound assignments. */
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

#if PART(1) || PART(2)
u32 a32 = 3000000000UL;
#endif
#if PART(1) || PART(4)
u32 b32 = 65537UL;
#endif
#if PART(2)
u32 z32 = 0;
#endif
#if PART(3)
u32 m32 = 0xFFFFFFFFUL;
#endif

#if PART(1)
u32 r32_0, r32_1, r32_2;
#endif
#if PART(2)
u32 r32_3, r32_4;
#endif
#if PART(3)
u32 r32_5;
#endif
#if PART(4)
u32 q32 = 4000000000UL;
#endif

int main(void)
{
#if PART(1)
    r32_0 = a32 * b32;
    r32_1 = a32 / b32;
    r32_2 = a32 % b32;
#endif
#if PART(2)
    r32_3 = UQ(a32, z32, 0xFFFFFFFFUL);
    r32_4 = UR(a32, z32);
#endif
#if PART(3)
    r32_5 = m32 * m32;
#endif
#if PART(4)
    q32 /= 3;
    q32 %= b32;
#endif
    STOP();
    return 0;
}
