/* Constant data in program memory: tables of 1, 2 and 4 byte elements read by constant and
   variable indexes, string literals and const arrays read through pointers. */
#include "target.h"

const u8 tab[6] = { 1, 2, 0, 255, 128, 7 };
const i16 wtab[3] = { -300, 0x7FFF, 0 };
const i32 ltab[2] = { -2147483647L - 1, 0x01020304L };
const char msg[] = "Hello";
const char *s;

u8 r_b[6];
i16 r_w[3];
i32 r_l[2];
u8 r_str[6];

int main(void)
{
    u8 i;
    i16 wt;
    i32 lt;

    for (i = 0; i != 6; i++)
        r_b[i] = tab[i];
    for (i = 0; i != 3; i++) {
        wt = wtab[i];
        r_w[i] = wt;
    }
    for (i = 0; i != 2; i++) {
        lt = ltab[i];
        r_l[i] = lt;
    }
    s = "abcd";
    r_str[0] = (u8)*s;
    r_str[1] = (u8)s[2];
    s = msg;
    r_str[2] = (u8)s[1];
    r_str[3] = (u8)msg[4];
    i = 3;
    r_str[4] = (u8)s[i];
    r_str[5] = tab[3];
    STOP();
    return 0;
}
