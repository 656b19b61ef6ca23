/* Right operands that are themselves routine results: the right one is computed first and
   must survive the left one's routine, also when both are, and in compound assignments. */
#include "target.h"

double a = 1.5, b = -2.25, c = 0.1;
#if PART(1)
double r_madd;
#endif
#if PART(2)
double r_diff;
#endif
#if PART(3)
double r_acc;
#endif

int main(void)
{
#if PART(1)
    r_madd = a + b * c;
#endif
#if PART(2)
    r_diff = (a * b) - (c / b);
#endif
#if PART(3)
    r_acc = a;
    r_acc -= b * c;
    r_acc /= (c + c) - (a * a);
#endif
    STOP();
}
