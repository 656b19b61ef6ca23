/* Integer constants given for pointer parameters: a RAM pointer is one byte here and a pointer
   to const two, so the constant must arrive in the parameter's size, or the arguments after it
   are read one byte off. */
#include "target.h"

u8 buf[3] = {4, 5, 6};
u8 r_null, r_after, r_cnull, r_cafter, r_sum;
i16 r_w;

static void plain(u8 *p, u8 after, i16 w)
{
    r_null = (u8)(p == 0);
    r_after = after;
    r_w = w;
}

static u8 wide(const u8 *p, u8 after)
{
    r_cnull = (u8)(p == 0);
    r_cafter = after;
    return p ? p[1] : 0x55;
}

static u8 first(u8 *p, u8 *q) { return (u8)((p ? p[0] : 1) + (q ? q[2] : 2)); }

int main(void)
{
    plain(0, 0x81, -300);
    r_sum = (u8)(wide(0, 0x42) + wide(buf, 3));
    r_sum = (u8)(r_sum + first(0, buf) + first(buf, 0));
    STOP();
    return 0;
}
