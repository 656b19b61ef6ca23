/* Negated floats that the float package computes first: a product or a converted integer under
   a unary minus, returned or used as an operand. */
#include "target.h"

i16 g = 3;
double r_ret, r_conv, r_prod, r_diff;

static double square_negated(double q) { return -(q * q); }
static double minus_g(double q) { return q + -(double)g; }
static double product(double p, double q) { return p * -(p * q); }
static double difference(double p, double q) { return -(p + q) - -(q * q); }

int main(void)
{
    r_ret = square_negated(1.5);
    r_conv = minus_g(-2.25);
    r_prod = product(1.5, -2.25);
    r_diff = difference(1.5, -2.25);
    STOP();
}
