/* A double chosen by ?: and cut to a byte, then widened: each alternative is cut. */
#include "target.h"

double a = 300.0, b = 2.0;
i16 g = -1;
u32 r_first, r_second;
i32 r_signed;

void main(void)
{
    r_first = (u32)(u8)(a != b ? a / (double)g * -1.0 : 7.0);
    r_second = (u32)(u8)(a == b ? 7.0 : a + b);
    r_signed = (i32)(i8)(a > b ? a - 100.0 : b);
    STOP();
}
