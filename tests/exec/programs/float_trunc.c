/* Conversions from the double type to integers: truncation toward zero and saturation. */
#include "target.h"

#if PART(1)
double neg = -1234.56;
i32 r_l;
i16 r_w;
#endif
#if PART(2)
double huge = 3e9;
i32 r_lsat;
#endif
#if PART(3)
double pos = 200.7;
u32 r_lu;
u8 r_b;
#endif

int main(void)
{
#if PART(1)
    r_l = neg;
    r_w = neg;
#endif
#if PART(2)
    r_lsat = huge;
#endif
#if PART(3)
    r_lu = pos;
    r_b = pos;
#endif
    STOP();
}
