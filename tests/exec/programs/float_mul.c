/* Floating multiplication and division in the double type, with a zero divisor. Expected
   values come from the host emulation (table.py). */
#include "target.h"

#if PART(1) || PART(2)
double a = 1.5;
#endif
#if PART(1) || PART(3)
double b = -2.25;
#endif
#if PART(1)
double r_mul, r_div;
#endif
#if PART(2)
double three = 3.0;
double r_third;
#endif
#if PART(3)
double zero = 0.0;
double r_div0;
#endif

int main(void)
{
#if PART(1)
    r_mul = a * b;
    r_div = a / b;
#endif
#if PART(2)
    r_third = a / three;
#endif
#if PART(3)
    r_div0 = b / zero;
#endif
    STOP();
}
