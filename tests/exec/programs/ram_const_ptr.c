/* RAM data read through pointers to const, as functions taking "const char *" are called
   with RAM buffers as well as with strings: bytes and words, both banks, null pointers kept. */
#include "target.h"

static u8 buf[6] = {'h', 'e', 'l', 'l', 'o', 0};
static BANK1 u8 far_buf[4] = {0x80, 0xFF, 1, 0};
static i16 words[3] = {-2, 300, 32767};
static u8 copy[6];
static BANK1 u8 upper[3] = {9, 10, 0};
static const u8 *gp = buf + 1;
static const u8 *gtab[2] = {upper, (const u8 *)"q"};
static u8 zero = 0;
u8 r[10];
i16 w[2];

static u8 slen(const char *s) { u8 n = 0; while (*s++) n++; return n; }
static u8 sum(const u8 *p, u8 n) { u8 t = 0; while (n--) t += *p++; return t; }
static i16 second(const i16 *p) { return p[1]; }
static u8 is_null(const u8 *p) { return p == 0; }
static void scopy(u8 *d, const char *s) { while ((*d++ = *s++) != 0) ; }

int main(void)
{
    u8 *none = 0;
    r[0] = slen((const char *)buf);
    r[1] = slen("abc");
    r[2] = sum(far_buf, 3);
    r[3] = sum(buf + 1, 2);
    w[0] = second(words);
    w[1] = second(words + 1);
    r[4] = is_null(none);
    r[5] = is_null(zero ? buf : 0);
    scopy(copy, (const char *)buf);
    r[6] = copy[4];
    scopy(copy, "xy");
    r[7] = (u8)(copy[1] + copy[2] + is_null(buf));
    r[8] = (u8)(gp[1] + gtab[0][1] + gtab[1][0]);
    r[9] = (u8)(slen((const char *)upper) + sum(upper, 2));
    STOP();
    return 0;
}
