/* Doubles through va_arg: a float variable that the call promotes to double, a double
   constant and an int the caller converts. */
#include <stdarg.h>
#include "target.h"

double r_sum;
float f = 1.5;

static double dsum(u8 n, ...)
{
    va_list ap;
    double s = 0;
    va_start(ap, n);
    while (n--)
        s = s + va_arg(ap, double);
    va_end(ap);
    return s;
}

int main(void)
{
    r_sum = dsum(3, f, -2.25, (double)3);
    STOP();
    return 0;
}
