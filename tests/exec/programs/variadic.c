/* Variadic functions: int arguments read back with va_arg. The count travels in W
   and is the last fixed parameter; a char argument arrives promoted to int; the same function
   is called from two functions with different numbers of arguments (its area must hold the
   longest list); the last fixed parameter may be a word, or a byte that is not the first. */
#include <stdarg.h>
#include "target.h"

u16 r_sum[4];
u16 r_mid[2];

static uw sum(u8 n, ...)
{
    va_list ap;
    uw s = 0;
    va_start(ap, n);
    while (n--)
        s += (uw)va_arg(ap, int);
    va_end(ap);
    return s;
}

/* The first fixed parameter in W, a word after it, then the variable part. */
static uw weigh(u8 k, int base, ...)
{
    va_list ap;
    uw s = (uw)base;
    va_start(ap, base);
    while (k--)
        s = (uw)(s * 3u + (uw)va_arg(ap, int));
    va_end(ap);
    return s;
}

/* A byte as the last fixed parameter that does not travel in W. */
static uw after(int a, u8 n, ...)
{
    va_list ap;
    uw s = (uw)a;
    va_start(ap, n);
    while (n--)
        s ^= (uw)va_arg(ap, int);
    va_end(ap);
    return s;
}

static void other(void)
{
    i8 c = -3;
    u8 b = 255;
    r_sum[2] = (u16)sum(6, 1, c, b, 0x00FF, 1, -32767 - 1);
    r_sum[3] = (u16)sum(1, 32767);
}

int main(void)
{
    r_sum[0] = (u16)sum(0);
    r_sum[1] = (u16)sum(3, -1, -1, 2);
    other();
    r_mid[0] = (u16)weigh(3, 1000, 7, -8, 300);
    r_mid[1] = (u16)after(0x1234, 2, 0x00F0, -1);
    STOP();
    return 0;
}
