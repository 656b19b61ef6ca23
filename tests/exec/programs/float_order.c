/* Float compares used as integer values, and chains of one operator, which floats must
   compute in their written order: reordered, each of these rounds differently. */
#include "target.h"

double a = 1.5, b = -2.25, c = 0.1, d = 0.7;
double r_mul3, r_add3;
u16 r_cmp;

int main(void)
{
    r_cmp = (u16)(a < b) + (u16)(a * b < b) * 2 + (u16)(a + b != b + a) * 4;
    r_mul3 = c * d * 7.1;
    r_add3 = c + d + 7.1;
    STOP();
}
