/* Computed float values converted to integers, also as operands of integer arithmetic. */
#include "target.h"

double a = 1.5, b = -2.25;
i16 r_w, r_prod, r_quot;
u8 r_b;
i32 r_l;

int main(void)
{
    r_w = (i16)(a * b * 1000.0);
    r_b = (u8)(a / 0.01);
    r_l = (i32)(b - a * 100000.0);
    r_prod = (i16)a * (i16)b;
    r_quot = 100 / (i16)b;
    STOP();
}
