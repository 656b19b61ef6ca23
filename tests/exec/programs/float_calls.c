/* Floats as function arguments and results: two calls in one expression (their argument
   areas may share memory, so the left call must be done before the right one's arguments
   are stored), a call as the right operand of a compare, and a returned constant. */
#include "target.h"

double a = 1.5;
#if PART(1) || PART(3)
double b = -2.25;
double twice(double x) { return x * 2.0; }
double next(double y) { return y + 1.0; }
#endif
#if PART(1)
double r_calls;
#endif
#if PART(2)
double r_ret;
double pick(u8 k) { if (k) return -0.5; return a; }
#endif
#if PART(3)
u8 r_cmp;
#endif

int main(void)
{
#if PART(1)
    r_calls = twice(a) + next(b);
#endif
#if PART(2)
    r_ret = pick(1) * pick(0);
#endif
#if PART(3)
    if (a < twice(a))
        r_cmp |= 1;
    if (b == next(-3.25))
        r_cmp |= 2;
    if (twice(b) >= b)
        r_cmp |= 4;
#endif
    STOP();
}
