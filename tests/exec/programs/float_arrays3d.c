/* Float elements of an array of arrays at variable indexes: the element's address is built a
   dimension at a time with strides that need a multiplication (3-byte floats), a row goes to a
   call as its argument in W, and elements read through pointers are widened to double. */
#include "target.h"

float m[2][1][2];
double r_sum, r_read;
u8 r_same;

static u8 same(float *x, float *y)
{
    return x == y;
}

int main(void)
{
    u8 i, j, k;
    float *p;
    for (i = 0; i < 2; i++)
        for (j = 0; j < 1; j++)
            for (k = 0; k < 2; k++)
                if (i == k)
                    m[i][j][k] = 1000.0;
                else
                    m[i][j][k] = 0.5;
    r_sum = 0;
    for (i = 0; i < 2; i++)
        for (j = 0; j < 1; j++)
            for (k = 0; k < 2; k++)
                r_sum = r_sum + m[i][j][k];
    i = 1;
    j = 0;
    k = 1;
    p = m[i][j];
    r_read = p[k];
    r_same = (u8)(same(m[i][j], m[k][0]) * 2u + same(m[j][j], m[i][j]));
    STOP();
    return 0;
}
