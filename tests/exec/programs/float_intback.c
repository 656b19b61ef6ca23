/* Floats converted to an integer and back, floats read through a stepped pointer to volatile
   ones, float compares stored through a stepped pointer, and automatic float arrays whose
   dimension their initialisers give. */
#include "target.h"

#if PART(1)
double e = 2.75;
double r_back, r_frac;
#endif
#if PART(2)
double m = -7.5;
double r_lback;
#endif
#if PART(3)
volatile double vs[2] = {0.5, -1.25};
double r_sum;
#endif
#if PART(4)
i16 r_eq[3];
#endif

int main(void)
{
#if PART(1)
    r_back = (double)(i16)e;
    r_frac = e - (i16)e;
#endif
#if PART(2)
    r_lback = (double)(i32)m;
#endif
#if PART(3)
    {
        volatile double *p = vs;
        r_sum = *p++;
        r_sum += *p++;
    }
#endif
#if PART(4)
    {
        double a[] = {1.0, 2.0, 3.0};
        double b[] = {1.0, 5.0, 3.0};
        double *x = a, *y = b;
        i16 *d = r_eq;
        u8 n = 3;
        while (n--)
            *d++ = *x++ == *y++;
    }
#endif
    STOP();
}
