/* A byte read at a computed index or through a pointer and cast to the other signedness
   only: stored, stored at another computed index, passed, returned, compared and widened
   afterwards. The edge values 0x7F, 0x80 and 0xFF tell a lost or wrongly kept sign. */
#include "target.h"

u8 au[4] = {0x7F, 0x80, 0xFF, 0x01};
i8 as[4] = {-1, -128, 127, 0};
u8 g_i = 1;
i8 *g_p;

i8 r_s[4];
u8 r_u[4];
i8 r_copy[4];
i16 r_w[3];
u8 r_flags[3];

static i8 pass_through(i8 v) { return v; }
static u8 at_u(u8 i) { return (u8)as[(uw)i & 3]; }

int main(void)
{
    u8 k;
    u8 *pu;
    for (k = 0; k < 4; k++) {
        r_s[k] = (i8)au[(uw)k & 3];          /* implicit too: r_s[k] = au[k] */
        r_u[k] = at_u(k);
    }
    /* element to element: the value waits while FSR moves to the destination */
    for (k = 0; k < 4; k++)
        r_copy[(uw)(3 - k) & 3] = (i8)au[(uw)k & 3];
    g_p = &as[1];
    pu = &au[2];
    r_w[0] = (i16)pass_through((i8)au[(uw)g_i & 3]);
    r_w[1] = (i16)(u8)*g_p + (i16)(i8)*pu;
    r_w[2] = (i16)(i8)au[(uw)(g_i + 1) & 3];
    r_flags[0] = (u8)((i8)au[(uw)g_i & 3] < 0);
    r_flags[1] = (u8)((u8)as[(uw)g_i & 3] > 127);
    r_flags[2] = (u8)((i8)au[(uw)(g_i - 1) & 3] == 127);
    STOP();
    return 0;
}
