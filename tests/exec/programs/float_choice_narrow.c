/* A double chosen by ?: and cut to a byte, then widened: each alternative is cut. */
#include "target.h"

double a = 300.0, b = 2.0;
#if PART(1)
i16 g = -1;
u32 r_first;
#endif
#if PART(2)
u32 r_second;
#endif
#if PART(3)
i32 r_signed;
#endif

void main(void)
{
#if PART(1)
    r_first = (u32)(u8)(a != b ? a / (double)g * -1.0 : 7.0);
#endif
#if PART(2)
    r_second = (u32)(u8)(a == b ? 7.0 : a + b);
#endif
#if PART(3)
    r_signed = (i32)(i8)(a > b ? a - 100.0 : b);
#endif
    STOP();
}
