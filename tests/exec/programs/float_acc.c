/* Compound floating assignments, rounding of a sum and overflow to infinity. */
#include "target.h"

double a = 1.5, b = -2.25, tiny = 1e-3, big = 3e38, third = 0.333333333;
double r_big, r_acc, r_round;

int main(void)
{
    r_big = big + big;
    r_acc = a;
    r_acc += tiny;
    r_acc -= b;
    r_round = third + a;
    STOP();
}
