/* Compares of word and long array elements with each other, and of words read through two
   pointers, with edge values. */
#include "target.h"

#if PART(1) || PART(3)
static i16 wa[4] = {-3, 32767, -32768, -32768};
#endif
#if PART(1)
u8 r_w, r_eq;
#endif
#if PART(4)
static u16 ua[4] = {65535u, 0, 256, 255};
u8 r_u;
#endif
#if PART(2)
static i32 la[2] = {70000L, -2147483647L - 1};
u8 r_l, r_pl;
#endif
#if PART(1) || PART(2) || PART(4)
static u8 j;
#endif
#if PART(3)
u8 r_p;
#endif

int main(void)
{
#if PART(3)
    i16 *p, *q;
#endif
#if PART(2)
    i32 *lp, *lq;
#endif

#if PART(1)
    r_w = 0;
    r_eq = 0;
    for (j = 0; j < 3; j++) {
        if (wa[j] > wa[j + 1])
            r_w |= (u8)(1 << j);
        if (wa[j] == wa[j + 1])
            r_eq |= (u8)(1 << j);
    }
#endif
#if PART(4)
    r_u = 0;
    for (j = 0; j < 3; j++)
        if (ua[j] < ua[j + 1])
            r_u |= (u8)(1 << j);
#endif
#if PART(2)
    r_l = 0;
    for (j = 0; j < 1; j++)
        if (la[j] > la[j + 1])
            r_l |= (u8)(1 << j);
#endif
#if PART(3)
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
#endif
#if PART(2)
    lp = &la[0];
    lq = &la[1];
    r_pl = 0;
    if (*lp < *lq)
        r_pl |= 1;
    if (*lq <= *lp)
        r_pl |= 2;
#endif
    STOP();
    return 0;
}
