/* Values computed by run-time routines or calls as operands of a bit variable, a function
   pointer compared with an entry of a const table at a variable index, and an auto pointer to
   const that points at a string and at RAM, read directly, indexed and moved. */
#include "target.h"

BIT bv;
u8 a = 7, b = 9, r[8];
u16 w = 1000;

static void f1(void) { r[7] += 1; }
static void f2(void) { r[7] += 2; }
static void (* const tbl[3])(void) = {f1, f2, f1};
static u8 twice(u8 v) { return (u8)(v + v); }
static u8 buf[4] = {10, 20, 30, 0};

int main(void)
{
    void (*fp)(void) = f2;
    const char *p = "abc";
    const u8 *q = buf;
    u8 i, n = 0;
    bv = 1;
    r[0] = (u8)((a * b) - bv);
    r[1] = (u8)(twice(a) - bv);
    r[2] = (u8)(w / b - bv);
    for (i = 0; i < 3; i++)
        if (fp == tbl[i]) n |= (u8)(1 << i);
    fp = tbl[2];
    if (fp != tbl[1]) n |= 0x10;
    fp();
    r[3] = n;
    i = 2;
    r[4] = (u8)(p[i] + *p);
    p++;
    r[5] = (u8)(*p + p[1]);
    q += i - 1;
    r[6] = (u8)(q[1] - *q);
    STOP();
    return 0;
}
