/* Floating addition, subtraction, negation and compares in the double type: 24 bits by
   default, 32 with --double=32. Expected values come from the host emulation (table.py). */
#include "target.h"

double a = 1.5, b = -2.25, tiny = 1e-3;
double r_add, r_sub, r_neg, r_cancel;
u8 r_cmp;

int main(void)
{
    r_add = a + b;
    r_sub = a - tiny;
    r_neg = -b;
    r_cancel = a - a;
    if (a < b)
        r_cmp |= 1;
    if (b < a)
        r_cmp |= 2;
    if (a >= a)
        r_cmp |= 4;
    if (r_cancel == -r_cancel)
        r_cmp |= 8;
    if (a != b)
        r_cmp |= 16;
    if (b >= a)
        r_cmp |= 32;
    if (-a < tiny)
        r_cmp |= 64;
    STOP();
}
