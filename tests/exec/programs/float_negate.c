/* Negated floats that the float package computes first: a product or a converted integer under
   a unary minus, returned or used as an operand. */
#include "target.h"

#if PART(1)
double r_ret;
static double square_negated(double q) { return -(q * q); }
#endif
#if PART(2)
i16 g = 3;
double r_conv;
static double minus_g(double q) { return q + -(double)g; }
#endif
#if PART(3)
double r_prod;
static double product(double p, double q) { return p * -(p * q); }
#endif
#if PART(4)
double r_diff;
static double difference(double p, double q) { return -(p + q) - -(q * q); }
#endif

int main(void)
{
#if PART(1)
    r_ret = square_negated(1.5);
#endif
#if PART(2)
    r_conv = minus_g(-2.25);
#endif
#if PART(3)
    r_prod = product(1.5, -2.25);
#endif
#if PART(4)
    r_diff = difference(1.5, -2.25);
#endif
    STOP();
}
