/* Pointers into program memory moved by signed bytes, words, computed and scaled offsets,
   forwards and backwards. */
#include "target.h"
#if PART(1)
static const u8 ctab[8] = {15,16,17,18,19,20,21,22};
u8 r[8];
#endif
#if PART(2)
static const i16 wtab[4] = {100,-200,300,-400};
i16 w[6];
#endif
static u8 k = 1;
static i8 sk = -1;
static i16 iw = -2;
int main(void)
{
#if PART(1)
    const u8 *q = &ctab[4];
#endif
#if PART(2)
    const i16 *wq = &wtab[2];
#endif
#if PART(1)
    r[0] = q[k];
    r[1] = *q;
    r[2] = q[sk];
    r[3] = *(q + k);
    r[4] = q[-1];
    r[5] = q[iw];
    r[6] = q[k - 3];
    r[7] = *(q - k);
#endif
#if PART(2)
    w[0] = wq[k];
    w[1] = *wq;
    w[2] = wq[sk];
    w[3] = wq[-2];
    w[4] = wq[iw];
    w[5] = wq[sk - 1];
#endif
    STOP();
    return 0;
}
