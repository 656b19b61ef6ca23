/* Floats and bit-fields stepped with x++ or x-- where the old value is used (in a compare, an
   assignment, an argument), and float constants stored through pointers (also the arguments
   of a call through a function pointer). */
#include "target.h"

struct fields { u8 low : 3, high : 5; };
struct fields fl = {1, 17};
double f = 1.5, g = 0.25, slot;
double r_old, r_f, r_g, r_slot, r_through, r_arg;
u8 r_hits, r_low, r_high, r_wrapped;

static double twice(double x) { return x + x; }
static void put(double *p) { *p = -2.75; }
static void give(double (*fn)(double), double *out) { *out = fn(1.25); }

int main(void)
{
    double (*fn)(double) = twice;
    double local;
    double *p = &local;

    if (f-- > 1.0)          /* 1.5 > 1.0, f becomes 0.5 */
        r_hits |= 1;
    if (f-- > 1.0)          /* 0.5 > 1.0 fails, f becomes -0.5 */
        r_hits |= 2;
    if (g++ < 0.5)          /* compares the old 0.25 */
        r_hits |= 4;
    r_old = g++;            /* 1.25, g becomes 2.25 */
    r_f = f;
    r_g = g;
    if (fl.low-- > 0)       /* 1 > 0, low becomes 0 */
        r_hits |= 8;
    if (fl.low-- > 0)       /* 0, low wraps to 7 */
        r_hits |= 16;
    r_wrapped = fl.low;
    r_high = fl.high++;     /* 17, high becomes 18 */
    r_low = fl.high;
    *p = 3.5;
    r_slot = local;
    put(&slot);
    r_through = slot;
    r_arg = fn(0.75);
    give(fn, &slot);
    r_arg += slot;
    STOP();
}
