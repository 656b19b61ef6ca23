/* A printf-like formatter into a RAM buffer, over arguments of every kind it takes: %c a char
   (promoted to int), %d a signed int in decimal, %x an unsigned int and %l a long in hex, %s a
   string in RAM, %% itself; the format is a string in program memory. The buffer stops
   filling when it is full. */
#include <stdarg.h>
#include "target.h"

u8 r_buf[12];
u8 r_len;
u8 word[3] = {'x', 'y', 0};

static void put(u8 c)
{
    if (r_len < sizeof r_buf)
        r_buf[r_len++] = c;
}

static void hex(ul v, u8 digits)
{
    u8 d;
    while (digits--) {
        d = (u8)(v >> (digits * 4)) & 15;
        put((u8)(d < 10 ? '0' + d : 'A' - 10 + d));
    }
}

static void dec(int v)
{
    uw u = (uw)v;
    uw p;
    u8 d, started = 0;
    if (v < 0) {
        put('-');
        u = (uw)(0u - u);
    }
    for (p = 10000; p; p /= 10) {
        d = (u8)(u / p);
        u %= p;
        if (d || started || p == 1) {
            put((u8)('0' + d));
            started = 1;
        }
    }
}

static void fmt(const char *f, ...)
{
    va_list ap;
    char c;
    u8 *s;
    va_start(ap, f);
    for (;;) {
        c = *f;
        f++;
        if (!c)
            break;
        if (c != '%') {
            put((u8)c);
            continue;
        }
        c = *f;
        f++;
        switch (c) {
        case 'c': put((u8)va_arg(ap, int)); break;
        case 'd': dec(va_arg(ap, int)); break;
        case 'x': hex((u16)va_arg(ap, unsigned), 4); break;
        case 'l': hex((ul)va_arg(ap, long), 8); break;
        case 's':
            s = va_arg(ap, u8 *);
            while (*s)
                put(*s++);
            break;
        default: put('%'); break;
        }
    }
    va_end(ap);
}

int main(void)
{
    u8 c = 'A';
    fmt("%l%c", 0x12345678L, c);
    fmt("%d%s", -32767 - 1, word);
    r_len = 0;
    fmt("%s%%%x", word, 0xBEEFu);
    STOP();
    return 0;
}
