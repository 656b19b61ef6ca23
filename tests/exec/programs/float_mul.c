/* Floating multiplication and division in the double type, with a zero divisor. Expected
   values come from the host emulation (table.py). */
#include "target.h"

double a = 1.5, b = -2.25, three = 3.0, zero = 0.0;
double r_mul, r_div, r_third, r_div0;

int main(void)
{
    r_mul = a * b;
    r_div = a / b;
    r_third = a / three;
    r_div0 = b / zero;
    STOP();
}
