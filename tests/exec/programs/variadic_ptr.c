/* Variadic functions: longs between ints, pointers to RAM and to program memory, and a
   null-terminated list of pointers written through, all read back with va_arg. */
#include <stdarg.h>
#include "target.h"

u32 r_long[3];
u8 r_ptr[3];
u8 ram[3] = {5, 6, 7};
const u8 rom[3] = {0x10, 0x20, 0xF0};

/* Longs and ints in turn, k pairs. */
static ul mixed(int k, ...)
{
    va_list ap;
    ul s = 0;
    va_start(ap, k);
    while (k-- > 0) {
        s += (ul)va_arg(ap, long);
        s ^= (ul)(u16)va_arg(ap, int);
    }
    va_end(ap);
    return s;
}

/* n pairs of a RAM pointer and a pointer into program memory. */
static u8 peek(u8 n, ...)
{
    va_list ap;
    u8 s = 0;
    u8 *p;
    const u8 *q;
    va_start(ap, n);
    while (n--) {
        p = va_arg(ap, u8 *);
        q = va_arg(ap, const u8 *);
        s = (u8)(s + *p);
        s = (u8)(s + q[1]);
    }
    va_end(ap);
    return s;
}

/* Stores v through every pointer up to the first null one. */
static void poke(u8 v, ...)
{
    va_list ap;
    u8 *p;
    va_start(ap, v);
    while ((p = va_arg(ap, u8 *)) != 0)
        *p = v;
    va_end(ap);
}

int main(void)
{
    long m = -2147483647L - 1;
    r_long[0] = (u32)mixed(2, 0x7FFFFFFFL, 1, m, -2);
    r_long[1] = (u32)mixed(2, 0x00FFFFFFL, 0x0100, -1L, -1);
    r_long[2] = (u32)mixed(0);
    r_ptr[0] = peek(2, &ram[0], rom, &ram[2], &rom[1]);
    poke(0xA5, &ram[1], &r_ptr[2], (u8 *)0);
    r_ptr[1] = ram[1];
    STOP();
    return 0;
}
