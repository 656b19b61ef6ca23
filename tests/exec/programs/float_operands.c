/* Right operands that are themselves routine results: the right one is computed first and
   must survive the left one's routine, also when both are, and in compound assignments. */
#include "target.h"

double a = 1.5, b = -2.25, c = 0.1;
double r_madd, r_diff, r_acc;

int main(void)
{
    r_madd = a + b * c;
    r_diff = (a * b) - (c / b);
    r_acc = a;
    r_acc -= b * c;
    r_acc /= (c + c) - (a * a);
    STOP();
}
