/* Sums of two zeros of either sign: -0 only when both are -0, whichever operand the code
   computes first (here the product, a -0 from 0 times a negative constant). */
#include "target.h"

double z = 0.0;
#if PART(1)
double r_sum;
static double scaled(double q) { return q + -7e-05 * q; }
#endif
#if PART(2)
double r_rev;
#endif
#if PART(3)
double r_neg;
#endif

int main(void)
{
#if PART(1)
    r_sum = scaled(z);
#endif
#if PART(2)
    r_rev = -7e-05 * z + z;
#endif
#if PART(3)
    r_neg = -z + -7e-05 * z;
#endif
    STOP();
}
