/* c ? x : y of the double type: stored, as an operand on either side, with a float compare
   as its condition, and as a compound assignment's right side. */
#include "target.h"

double a = 1.5, b = -2.25;
#if PART(1)
double r_t, r_f;
u8 one = 1;
#endif
#if PART(1) || PART(2)
u8 zero;
#endif
#if PART(2)
double r_op;
#endif
#if PART(3)
double r_acc;
#endif

int main(void)
{
#if PART(1)
    r_t = one ? a : b;
    r_f = zero ? a : b;
#endif
#if PART(2)
    r_op = (zero ? a : b) * a + (a < b ? a : 2.0);
#endif
#if PART(3)
    r_acc = b;
    r_acc -= a > b ? b : a;
#endif
    STOP();
}
