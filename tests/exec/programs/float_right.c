/* Right operands of - and / that the float package computes while the left one is a plain
   variable, also in a value stored through a computed address. */
#include "target.h"

double a = 1.5;
#if PART(1)
double r_sub;
i8 i = -7;
#endif
#if PART(2)
double arr[2] = {0.5, -4.0};
u8 j = 1, k;
#endif

int main(void)
{
#if PART(1)
    r_sub = a - (double)i * a;
#endif
#if PART(2)
    arr[k] = arr[j] - a / (double)j;
#endif
    STOP();
}
