/* Compound floating assignments, rounding of a sum, overflow to infinity, and the limits of
   <float.h>: the largest value, and 1 + epsilon (rounds up) against 1 + epsilon / 2 (a tie,
   rounds to even, down to 1). */
#include <float.h>
#include "target.h"

#if PART(1)
double big = 3e38;
double r_big, r_max;
#endif
#if PART(2) || PART(3)
double a = 1.5;
#endif
#if PART(2)
double b = -2.25, tiny = 1e-3;
double r_acc;
#endif
#if PART(3)
double third = 0.333333333;
double r_round;
#endif
#if PART(4)
double one = 1.0;
u8 r_eps;
#endif

int main(void)
{
#if PART(1)
    r_big = big + big;
    r_max = DBL_MAX;
#endif
#if PART(2)
    r_acc = a;
    r_acc += tiny;
    r_acc -= b;
#endif
#if PART(3)
    r_round = third + a;
#endif
#if PART(4)
    if (one + DBL_EPSILON != one)
        r_eps |= 1;
    if (one + DBL_EPSILON / 2 == one)
        r_eps |= 2;
#endif
    STOP();
}
