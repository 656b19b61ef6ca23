/* Float multiply-add: a dot product of two short vectors, accumulated in double (24 bits by
   default). */
#include "target.h"

double xs[4] = {1.5, -0.25, 3.0, 0.125};
double ys[4] = {2.0, 4.0, -1.5, 8.0};
double acc, prod;

int main(void)
{
    u8 i;
    for (i = 0; i < 4; i++) {
        prod = xs[i] * ys[i];
        acc += prod;
    }
    STOP();
}
