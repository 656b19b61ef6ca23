/* Pointers to RAM: reads and writes through them at 1, 2 and 4 bytes, stepping, offsets,
   indexes held in variables, and a pointer to each element of an array in turn. */
#include "target.h"

u8 r_b[6];
i16 r_w[3];
i32 r_l[2];
u8 buf[8];
i16 wv;
i32 lv;
u8 *p;
i16 *pw;
i32 *pl;

int main(void)
{
    u8 i, x;

    p = buf;
    for (i = 0; i != 8; i++) {
        *p = (u8)(i + 3);
        p++;
    }
    p = &buf[2];
    r_b[0] = *p;
    p++;
    r_b[1] = *p;
    *p = 0xFF;
    r_b[2] = buf[3];
    x = 7;
    r_b[3] = buf[x];
    i = buf[x];
    buf[x] = (u8)(i ^ 0x55);
    r_b[4] = buf[7];
    p = &buf[1];
    r_b[5] = p[4];

    pw = &wv;
    *pw = -2;
    r_w[0] = *pw;
    pw = &r_w[1];
    *pw = 0x1234;
    wv = *pw;
    pw = &r_w[2];
    *pw = wv;
    *pw = 0;
    *pw = wv;

    pl = &lv;
    *pl = -2147483647L - 1;
    pl = &r_l[0];
    *pl = lv;
    pl = &r_l[1];
    *pl = 0x01FF00FEL;
    STOP();
    return 0;
}
