/* Compound floating assignments, rounding of a sum, overflow to infinity, and the limits of
   <float.h>: the largest value, and 1 + epsilon (rounds up) against 1 + epsilon / 2 (a tie,
   rounds to even, down to 1). */
#include <float.h>
#include "target.h"

double a = 1.5, b = -2.25, tiny = 1e-3, big = 3e38, third = 0.333333333;
double one = 1.0;
double r_big, r_acc, r_round, r_max;
u8 r_eps;

int main(void)
{
    r_big = big + big;
    r_acc = a;
    r_acc += tiny;
    r_acc -= b;
    r_round = third + a;
    r_max = DBL_MAX;
    if (one + DBL_EPSILON != one)
        r_eps |= 1;
    if (one + DBL_EPSILON / 2 == one)
        r_eps |= 2;
    STOP();
}
