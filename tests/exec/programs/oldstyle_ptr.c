/* Old-style definitions called with pointers whose type differs from the parameter's: a
   pointer to const spans both memories and is wider than a plain one here, so each argument
   must arrive in the parameter's own type or the callee reads its bytes, and those of the
   arguments after it, wrongly. */
#include "target.h"

u8 buf[4] = {7, 8, 9, 10};
u8 r_first;
i16 r_n;
u8 r_last;

static u8 pick(p, n, last)
const u8 *p;
int n;
u8 last;
{
    r_n = n;
    r_last = last;
    return p[0] + p[n];
}

int main(void)
{
    r_first = pick(buf, 3, 0x81);
    STOP();
    return 0;
}
