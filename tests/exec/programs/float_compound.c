/* Compound assignments to float array elements at a variable index: the element is read,
   combined and stored back at the same index, its neighbours untouched. */
#include "target.h"

double g[3] = {1.5, -2.0, 0.75};
double a = 2.25, b = -0.5;
double r0, r1, r2;
u8 c = 1;

int main(void)
{
    u8 i;
    g[c] += a;
    for (i = 0; i < 3; i++)
        g[i] *= b;
    c = 2;
    g[c] -= g[0];
    c = 0;
    g[c] /= a;
    r0 = g[0];
    r1 = g[1];
    r2 = g[2];
    STOP();
}
