/* Floats and bit-fields stepped with x++ or x-- where the old value is used (in a compare, an
   assignment, an argument), and float constants stored through pointers (also the arguments
   of a call through a function pointer). */
#include "target.h"

#if PART(1)
double f = 1.5;
double r_f;
u8 r_hits;
#endif
#if PART(2)
double g = 0.25;
double r_old, r_g;
u8 r_ghit;
#endif
#if PART(3)
struct fields { u8 low : 3, high : 5; };
struct fields fl = {1, 17};
u8 r_fields, r_low, r_high, r_wrapped;
#endif
#if PART(4)
double r_slot;
#endif
#if PART(5)
double r_through;
static void put(double *p) { *p = -2.75; }
#endif
#if PART(5) || PART(6)
double slot;
#endif
#if PART(6)
double r_arg;
static double twice(double x) { return x + x; }
static void give(double (*fn)(double), double *out) { *out = fn(1.25); }
#endif

int main(void)
{
#if PART(4)
    double local;
    double *p = &local;
#endif
#if PART(6)
    double (*fn)(double) = twice;
#endif

#if PART(1)
    if (f-- > 1.0)          /* 1.5 > 1.0, f becomes 0.5 */
        r_hits |= 1;
    if (f-- > 1.0)          /* 0.5 > 1.0 fails, f becomes -0.5 */
        r_hits |= 2;
    r_f = f;
#endif
#if PART(2)
    if (g++ < 0.5)          /* compares the old 0.25 */
        r_ghit |= 4;
    r_old = g++;            /* 1.25, g becomes 2.25 */
    r_g = g;
#endif
#if PART(3)
    if (fl.low-- > 0)       /* 1 > 0, low becomes 0 */
        r_fields |= 8;
    if (fl.low-- > 0)       /* 0, low wraps to 7 */
        r_fields |= 16;
    r_wrapped = fl.low;
    r_high = fl.high++;     /* 17, high becomes 18 */
    r_low = fl.high;
#endif
#if PART(4)
    *p = 3.5;
    r_slot = local;
#endif
#if PART(5)
    put(&slot);
    r_through = slot;
#endif
#if PART(6)
    r_arg = fn(0.75);
    give(fn, &slot);
    r_arg += slot;
#endif
    STOP();
}
