/* Bit variables in both banks: stores of constants, of other bits and of 0/1 values, reads as
   conditions and as values in byte arithmetic, negation. */
#include "target.h"

BIT b1, b2;
BANK1 BIT b3;
u8 q = 5;
u8 r_b[6];
u16 r_w;

int main(void)
{
    u8 i;

    b1 = 1;
    b2 = 0;
    b3 = 1;
    r_b[0] = (u8)(b1 + b2 + b3);          /* 2 */
    b2 = b1;
    b1 = (q > 3);
    b3 = 0;
    r_b[1] = 0;
    if (b2 && !b3)
        r_b[1] = 1;
    if (b3 || !b1)
        r_b[1] |= 2;
    b1 = !b1;
    r_b[2] = b1;
    r_b[3] = (u8)(q + b2);
    b3 = b2;                              /* from bank 0 to bank 1 */
    r_b[4] = 0;
    for (i = 0; i < 7; i++) {
        b1 = !b1;
        if (b1)
            r_b[4]++;                     /* 4 of 7 */
    }
    r_b[5] = (u8)(b3 + (u8)(q == 5));
    r_w = 1000u;
    if (b3)
        r_w += 24;
    STOP();
    return 0;
}
