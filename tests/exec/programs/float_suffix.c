/* Float constants (an f suffix) beside doubles: a float stays 24 bits whatever the double's
   size, so a float constant passed, stored or compared must take a float's bytes, not a
   double's; the bytes after it belong to the next argument or variable. */
#include "target.h"

float r_pass;
u8 r_guard = 0x5A;
double r_wide;
u8 r_test;
u8 r_next;

static u8 nonzero(float c, u8 next)
{
    r_next = next;
    return !!c * 7 == 0;
}

static float same(float c)
{
    return c;
}

int main(void)
{
    r_test = nonzero(1.0f, 0xA5);
    r_pass = same(-2.5f);
    r_wide = 0.75f;
    if (r_pass == -2.5f)
        r_test |= 2;
    STOP();
}
