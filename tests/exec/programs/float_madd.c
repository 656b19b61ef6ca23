/* A multiply-add, a compound multiplication, underflow to zero and overflow to infinity. */
#include "target.h"

double a = 1.5, b = -2.25, c = 0.1, small = 1e-20, big = 1e30;
double r_under, r_over, r_madd;

int main(void)
{
    r_under = small * small;
    r_over = big * big;
    r_madd = a * c + b;
    r_madd *= b;
    STOP();
}
