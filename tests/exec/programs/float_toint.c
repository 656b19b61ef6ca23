/* Computed float values converted to integers, also as operands of integer arithmetic. */
#include "target.h"

double a = 1.5, b = -2.25;
#if PART(1)
i16 r_w;
u8 r_b;
#endif
#if PART(2)
i32 r_l;
#endif
#if PART(3)
i16 r_prod, r_quot;
#endif

int main(void)
{
#if PART(1)
    r_w = (i16)(a * b * 1000.0);
    r_b = (u8)(a / 0.01);
#endif
#if PART(2)
    r_l = (i32)(b - a * 100000.0);
#endif
#if PART(3)
    r_prod = (i16)a * (i16)b;
    r_quot = 100 / (i16)b;
#endif
    STOP();
}
