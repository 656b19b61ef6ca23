/* Constant data in program memory: tables of 1, 2 and 4 byte elements read by constant and
   variable indexes, string literals and const arrays read through pointers, and a structure
   initialised from a const one. */
#include "target.h"

#if PART(1) || PART(3)
const u8 tab[6] = { 1, 2, 0, 255, 128, 7 };
#endif
#if PART(1)
const i16 wtab[3] = { -300, 0x7FFF, 0 };
u8 r_b[6];
i16 r_w[3];
#endif
#if PART(2)
const i32 ltab[2] = { -2147483647L - 1, 0x01020304L };
i32 r_l[2];
#endif
#if PART(3)
const char msg[] = "Hello";
const char *s;
u8 r_str[6];
#endif
#if PART(4)
struct rec {
    u8 a;
    i16 b;
    u8 c[3];
};
const struct rec crec = { 9, -1234, { 1, 2, 255 } };
u8 r_rec[4];
i16 r_recb;
#endif

int main(void)
{
    u8 i;
#if PART(1)
    i16 wt;
#endif
#if PART(4)
    u8 j;
    struct rec lr = crec;
    i16 *pw;
#endif

#if PART(1)
    for (i = 0; i != 6; i++)
        r_b[i] = tab[i];
    for (i = 0; i != 2; i++)
        r_w[i] = wtab[i];
    i = 2;
    wt = wtab[i];
    r_w[2] = wt;
#endif
#if PART(2)
    for (i = 0; i != 2; i++)
        r_l[i] = ltab[i];
#endif
#if PART(3)
    s = "abcd";
    r_str[0] = (u8)*s;
    r_str[1] = (u8)s[2];
    s = msg;
    r_str[2] = (u8)s[1];
    r_str[3] = (u8)msg[4];
    i = 3;
    r_str[4] = (u8)s[i];
    r_str[5] = tab[3];
#endif
#if PART(4)
    r_rec[0] = lr.a;
    j = 1;
    for (i = 0; i != 3; i++) {
        r_rec[j] = lr.c[i];
        j++;
    }
    pw = &r_recb;
    *pw = lr.b;
#endif
    STOP();
    return 0;
}
