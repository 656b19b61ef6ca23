/* A multiply-add, a compound multiplication, underflow to zero and overflow to infinity. */
#include "target.h"

#if PART(1)
double small = 1e-20;
double r_under;
#endif
#if PART(2)
double big = 1e30;
double r_over;
#endif
#if PART(3)
double a = 1.5, b = -2.25, c = 0.1;
double r_madd;
#endif

int main(void)
{
#if PART(1)
    r_under = small * small;
#endif
#if PART(2)
    r_over = big * big;
#endif
#if PART(3)
    r_madd = a * c + b;
    r_madd *= b;
#endif
    STOP();
}
