/* Float arrays indexed by a variable (the index scaled by the element size) and a float read
   through a pointer: a multiply-add over two vectors. */
#include "target.h"

double xs[3] = {1.5, -0.25, 3.1};
double ys[3] = {2.0, 4.0, -1.5};
double acc, prod, r_last;
double *p = &ys[2];

int main(void)
{
    u8 i;
    for (i = 0; i < 3; i++) {
        prod = xs[i] * ys[i];
        acc += prod;
    }
    r_last = *p;
    STOP();
}
