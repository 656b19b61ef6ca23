/* Bit variables and floats: a bit read as 0.0 or 1.0, and a float stored in a bit sets it
   when the float is nonzero (0.5 and -1e-30 too; +0 and -0 clear it), also a computed one. */
#include "target.h"

BIT b_on;
#if PART(1)
BIT b_off;
double r_on, r_off;
#endif
#if PART(2) || PART(3)
double x = 0.5;
#endif
#if PART(3)
double r_sum;
#endif
#if PART(2)
BIT b_half, b_tiny, b_zero, b_negz, b_prod;
double tiny = -1e-30, z = 0.0, nz = -0.0;
u8 r_bits;
#endif

int main(void)
{
    b_on = 1;
#if PART(1)
    b_off = 0;
    r_on = b_on;
    r_off = b_off;
#endif
#if PART(3)
    r_sum = x + b_on;
#endif
#if PART(2)
    b_zero = 1;
    b_negz = 1;
    b_half = x;
    b_tiny = tiny;
    b_zero = z;
    b_negz = nz;
    b_prod = x * z;
    if (b_half)
        r_bits |= 1;
    if (b_tiny)
        r_bits |= 2;
    if (b_zero)
        r_bits |= 4;
    if (b_negz)
        r_bits |= 8;
    if (b_prod)
        r_bits |= 16;
#endif
    STOP();
}
