/* Arrays of 1, 2 and 4 byte elements, global, static and local, indexed by constants and by
   variables counting up and down. */
#include "target.h"

u8 r_g[4];
i16 r_w[4];
i32 r_l[3];
u8 r_s[3];
u8 r_loc[4];

static u8 st[5];

int main(void)
{
    u8 i, j;
    u8 loc[4];
    i16 wa[3];
    i32 la[2];
    i16 wt;
    i32 lt;

    for (i = 0; i != 4; i++)
        r_g[i] = (u8)(i ^ 0xA5);
    for (i = 0; i != 5; i++)
        st[i] = (u8)(i + 250);
    r_s[0] = st[4];
    r_s[1] = st[0];
    i = 2;
    r_s[2] = st[i];

    j = 3;
    for (i = 0; i != 4; i++) {
        loc[j] = (u8)(i + 1);
        j--;
    }
    for (i = 0; i != 4; i++)
        r_loc[i] = loc[i];

    i = 0;
    wa[i] = -300;
    wa[1] = 0x7FFF;
    wa[2] = -32767 - 1;
    j = 2;
    for (i = 0; i != 3; i++) {
        wt = wa[j];
        r_w[i] = wt;
        j--;
    }
    r_w[3] = wa[1];

    i = 0;
    la[i] = 0x12345678L;
    la[1] = -1L;
    for (i = 0; i != 2; i++) {
        lt = la[i];
        r_l[i] = lt;
    }
    r_l[2] = la[0];
    STOP();
    return 0;
}
