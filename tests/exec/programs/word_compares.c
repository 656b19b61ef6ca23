/* Compares of word and long array elements with each other, and of words read through two
   pointers, with edge values. */
#include "target.h"

static i16 wa[4] = {-3, 32767, -32768, -32768};
static u16 ua[4] = {65535u, 0, 256, 255};
static i32 la[2] = {70000L, -2147483647L - 1};
static u8 j;

u8 r_w, r_u, r_l, r_p, r_pl, r_eq;

int main(void)
{
    i16 *p, *q;
    i32 *lp, *lq;

    r_w = 0;
    r_u = 0;
    r_l = 0;
    r_eq = 0;
    for (j = 0; j < 3; j++) {
        if (wa[j] > wa[j + 1])
            r_w |= (u8)(1 << j);
        if (ua[j] < ua[j + 1])
            r_u |= (u8)(1 << j);
        if (wa[j] == wa[j + 1])
            r_eq |= (u8)(1 << j);
    }
    for (j = 0; j < 1; j++)
        if (la[j] > la[j + 1])
            r_l |= (u8)(1 << j);
    p = &wa[0];
    q = &wa[1];
    r_p = 0;
    if (*p < *q)
        r_p |= 1;
    if (*q < *p)
        r_p |= 2;
    q = &wa[2];
    if (*p >= *q)
        r_p |= 4;
    lp = &la[0];
    lq = &la[1];
    r_pl = 0;
    if (*lp < *lq)
        r_pl |= 1;
    if (*lq <= *lp)
        r_pl |= 2;
    STOP();
    return 0;
}
