/* Bit variables in 2- and 4-byte arithmetic: widened, added and subtracted with carries and
   borrows across bytes, and as the condition choosing between wide values. */
#include "target.h"

BIT b0;
BIT b1;
i16 r_w[5];
i32 r_l[4];

int main(void)
{
    i16 x;
    i32 y;
    b0 = 1;
    b1 = 0;
    x = b0 + 1;
    r_w[0] = x;
    x = 0xFF;
    x += b0;
    r_w[1] = x;
    x = 0x100;
    x -= b0;
    x -= b1;
    r_w[2] = x;
    r_w[3] = (i16)(b1 + 1000);
    x = -1;
    x += b0;
    r_w[4] = x;
    r_l[0] = b0 ? 70000L : -5L;
    r_l[1] = b1 ? 70000L : -5L;
    y = 0xFFFFL;
    y += b0;
    r_l[2] = y;
    y = b0;
    y = y - b0 - b0;
    r_l[3] = y;
    STOP();
    return 0;
}
