/* Byte and pointer assignments chained (a = b = c), the inner one a local, a global or a
   pointer; and volatile variables of every width read for their effect alone, which must leave
   them and their neighbours as they were. */
#include "target.h"

static u8 bytes[3] = {7, 200, 0};
static u8 *bp;
static i16 *wp;
static i16 words[2] = {-300, 12345};
static volatile u8 vb = 0x5A;
static volatile i16 vw = -2;
static volatile u32 vl = 0x12345678UL;

u8 r_b[4], r_idx[2];
i16 r_w[2];
u32 r_l;

static u8 *pick(u8 *p, u8 *q, u8 n)
{
    u8 *a, *b;
    a = b = q;
    if (n == 0)
        b = a = p;
    if (a != b)
        return 0;
    return a;
}

int main(void)
{
    u8 a, c;
    i16 *lw;

    r_b[0] = a = bytes[1];
    c = r_b[1] = a;
    r_b[2] = c = 0;
    r_b[3] = (u8)(a + (c = 3) + c);
    bp = pick(&bytes[0], &bytes[2], 1);
    r_idx[0] = (u8)(bp - bytes);
    wp = lw = &words[1];
    r_w[0] = *wp;
    r_w[1] = *lw + 1;
    bp = pick(&bytes[0], &bytes[2], 0);
    r_idx[1] = (u8)(bp - bytes) + (bp == &bytes[0]);

    (void) vb;
    (void) vw;
    (void) vl;
    vb;
    r_l = vl;
    r_w[1] += vw + vb;
    STOP();
    return 0;
}
