/* Right operands of - and / that the float package computes while the left one is a plain
   variable, also in a value stored through a computed address. */
#include "target.h"

double a = 1.5, arr[2] = {0.5, -4.0};
double r_sub;
i8 i = -7;
u8 j = 1, k;

int main(void)
{
    r_sub = a - (double)i * a;
    arr[k] = arr[j] - a / (double)j;
    STOP();
}
