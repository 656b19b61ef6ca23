/* c ? x : y of the double type: stored, as an operand on either side, with a float compare
   as its condition, and as a compound assignment's right side. */
#include "target.h"

double a = 1.5, b = -2.25;
double r_t, r_f, r_op, r_acc;
u8 one = 1, zero;

int main(void)
{
    r_t = one ? a : b;
    r_f = zero ? a : b;
    r_op = (zero ? a : b) * a + (a < b ? a : 2.0);
    r_acc = b;
    r_acc -= a > b ? b : a;
    STOP();
}
