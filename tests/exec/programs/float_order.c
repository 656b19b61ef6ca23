/* Float compares used as integer values, and chains of one operator, which floats must
   compute in their written order: reordered, each of these rounds differently. */
#include "target.h"

#if PART(1)
double a = 1.5, b = -2.25;
u16 r_cmp;
#endif
#if PART(2) || PART(3)
double c = 0.1, d = 0.7;
#endif
#if PART(2)
double r_mul3;
#endif
#if PART(3)
double r_add3;
#endif

int main(void)
{
#if PART(1)
    r_cmp = (u16)(a < b) + (u16)(a * b < b) * 2 + (u16)(a + b != b + a) * 4;
#endif
#if PART(2)
    r_mul3 = c * d * 7.1;
#endif
#if PART(3)
    r_add3 = c + d + 7.1;
#endif
    STOP();
}
