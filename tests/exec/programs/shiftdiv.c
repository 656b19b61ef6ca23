/* A signed value shifted into the sign bit and divided by a power of two: the shift keeps
   its bits, the division rounds toward zero, at 16 and 32 bits. */
#include "target.h"

#if PART(1)
volatile i32 x = 128;
i32 r_l[3];
static i32 f(i32 n) { return (i32)((ul)n << 24) / ((i32)1 << 23); }
#endif
#if PART(2)
volatile i16 y = 1;
i16 r_w[3];
static i16 g(i16 n) { return (i16)((uw)n << 15) / (i16)((i16)1 << 14); }
#endif

int main(void)
{
#if PART(1)
    r_l[0] = f(x);
    r_l[1] = f(x + 1);
    r_l[2] = f(-1);
#endif
#if PART(2)
    r_w[0] = g(y);
    r_w[1] = g(3);
    r_w[2] = g(0);
#endif
    STOP();
    return 0;
}
