/* Conversions from the double type to integers: truncation toward zero and saturation. */
#include "target.h"

double neg = -1234.56, pos = 200.7, huge = 3e9;
i32 r_l, r_lsat;
u32 r_lu;
i16 r_w;
u8 r_b;

int main(void)
{
    r_l = neg;
    r_lsat = huge;
    r_lu = pos;
    r_w = neg;
    r_b = pos;
    STOP();
}
