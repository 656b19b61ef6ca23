/* A ?: value, cast or not, passed as the byte argument that travels in W: each alternative
   must reach the callee whole, whether the condition is a global or a local. */
#include "target.h"

u8 k = 1;
u8 r_g[4], r_l[4];

static u8 twice(u8 x) { return (u8)(x * 2); }
static u8 twice2(u8 x) { return (u8)(x + x); }

int main(void)
{
    u8 kl = 0;
    r_g[0] = twice((u8)(k ? 3 : 5));
    r_g[1] = twice2((u8)(k ? 3 : 5));
    r_g[2] = twice(k ? 3 : 5);
    r_g[3] = (u8)(twice((u8)(k ? 3 : 5)) + 1);
    r_l[0] = twice((u8)(kl ? 3 : 5));
    r_l[1] = twice2((u8)(kl ? 3 : 5));
    r_l[2] = twice(kl ? 3 : 5);
    r_l[3] = (u8)(twice2((u8)(kl ? 0xFF : 0x80)) + 1);
    STOP();
    return 0;
}
