/* Compound assignments through a pointer used for their value: the stored value is what the
   expression yields, and an address computed by a call or with a side effect is computed once.
   va_arg on a list reached through a pointer is one such use. */
#include <stdarg.h>
#include "target.h"

u16 r_w[3];
u8 r_b[4];
u8 r_calls;

u8 bytes[4] = {1, 2, 3, 4};
i16 word = 100;
u8 *bp = bytes;

static u8 *next_byte(void)
{
    r_calls++;
    return bp++;
}

/* Reads one int from a list its caller started. */
static uw take_int(va_list *ap)
{
    return (uw)va_arg(*ap, int);
}

static uw pair(u8 n, ...)
{
    va_list ap;
    uw s;
    va_start(ap, n);
    s = take_int(&ap) * 10u;
    s += (uw)va_arg(ap, int);
    s = (uw)(s * 10u + take_int(&ap));
    va_end(ap);
    return s;
}

int main(void)
{
    i16 *wp = &word;
    u8 i = 1;

    r_w[0] = (u16)((*wp += 5) * 3);          /* 105 * 3 */
    r_w[1] = (u16)word;
    r_w[2] = (u16)pair(3, 7, -2, 300);
    r_b[0] = (u8)((*next_byte() += 0x10) + 1);  /* bytes[0] once */
    r_b[1] = (u8)((*next_byte() -= 3) ^ 0xF0);  /* bytes[1] once */
    r_b[2] = (u8)((bytes[i++] ^= 0x81) - 1);       /* the index steps once */
    r_b[3] = (u8)(bytes[0] + bytes[1] + bytes[2] + i);
    STOP();
    return 0;
}
