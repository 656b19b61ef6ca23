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

u32 a32 = 3000000000UL, b32 = 65537UL, z32 = 0, m32 = 0xFFFFFFFFUL;

u32 r32_0, r32_1, r32_2, r32_3, r32_4, r32_5;
u32 q32 = 4000000000UL;

int main(void)
{
    r32_0 = a32 * b32;
    r32_1 = a32 / b32;
    r32_2 = a32 % b32;
    r32_3 = UQ(a32, z32, 0xFFFFFFFFUL);
    r32_4 = UR(a32, z32);
    r32_5 = m32 * m32;
    q32 /= 3;
    q32 %= b32;
    STOP();
    return 0;
}
