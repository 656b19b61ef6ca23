/* Constant data in program memory: tables of 1, 2 and 4 byte elements read by constant and
   variable indexes, string literals and const arrays read through pointers, and a structure
   initialised from a const one. */
#include "target.h"

const u8 tab[6] = { 1, 2, 0, 255, 128, 7 };
const i16 wtab[3] = { -300, 0x7FFF, 0 };
const i32 ltab[2] = { -2147483647L - 1, 0x01020304L };
const char msg[] = "Hello";
const char *s;

struct rec {
    u8 a;
    i16 b;
    u8 c[3];
};
const struct rec crec = { 9, -1234, { 1, 2, 255 } };

u8 r_b[6];
i16 r_w[3];
i32 r_l[2];
u8 r_str[6];
u8 r_rec[4];
i16 r_recb;

int main(void)
{
    u8 i, j;
    i16 wt;
    i32 lt;
    struct rec lr = crec;
    i16 *pw;

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
    r_rec[0] = lr.a;
    j = 1;
    for (i = 0; i != 3; i++) {
        r_rec[j] = lr.c[i];
        j++;
    }
    pw = &r_recb;
    *pw = lr.b;
    STOP();
    return 0;
}
