/* Floating addition, subtraction, negation and compares in the double type: 24 bits by
   default, 32 with --double=32. Expected values come from the host emulation (table.py). */
#include "target.h"

double a = 1.5;
#if PART(1) || PART(3) || PART(4)
double b = -2.25;
#endif
#if PART(2) || PART(3)
double tiny = 1e-3;
#endif
#if PART(1)
double r_add;
#endif
#if PART(4)
double r_neg;
#endif
#if PART(2)
double r_sub;
#endif
#if PART(3)
double r_cancel;
u8 r_cmp;
#endif

int main(void)
{
#if PART(1)
    r_add = a + b;
#endif
#if PART(4)
    r_neg = -b;
#endif
#if PART(2)
    r_sub = a - tiny;
#endif
#if PART(3)
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
#endif
    STOP();
}
