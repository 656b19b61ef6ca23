/* Multiply, divide, shifts and switch on variables in bank 1 (on the chips that have one for
   data) mixed with bank 0 ones: every operand and result is reached in its own bank, and the
   run-time library is entered in bank 0. */
#include "target.h"

#if defined(__ORMC__) && defined(_16F877A)
#define IN_BANK1 bank1
#else
#define IN_BANK1
#endif

IN_BANK1 u16 x1 = 1234, q1;
IN_BANK1 u8 s1 = 5, k1 = 3;
IN_BANK1 i32 l1 = -100000L;
u16 y0 = 56;
u8 r0, h0;

int main(void)
{
    q1 = x1 * y0;
    q1 /= y0;
    x1 <<= 3;
    x1 >>= k1;
    l1 >>= k1;
    l1 *= (i32)k1;
    r0 = (u8)(s1 * k1);
    switch (x1) {
    case 1234: h0 = 1; break;
    case 56: h0 = 2; break;
    default: h0 = 3; break;
    }
    STOP();
    return 0;
}
