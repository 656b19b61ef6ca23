/* A computed byte (a sum, an or, a narrowed word) cast to the other signedness only: stored,
   passed, widened afterwards and compared, where the widening must follow the last cast. */
#include "target.h"

u8 g_u = 200;
i8 g_s = -3;
u16 g_w = 0x1280;

#if PART(1)
i8 r_s[3];
u8 r_u[3];
#endif
#if PART(2)
i16 r_w[4];

static i16 widen(i8 v) { return v; }
#endif
#if PART(3)
u8 r_flags[2];
#endif

int main(void)
{
#if PART(1)
    r_s[0] = (i8)(u8)((uw)g_u + (uw)(u8)g_s);        /* 200 + 253 wraps to 197: -59 */
    r_s[1] = (i8)(u8)(g_u + 1);
    r_s[2] = (i8)((u8)g_w | g_u);
    r_u[0] = (u8)(i8)((i8)g_w | (i8)g_s);
    r_u[1] = (u8)(i8)((uw)g_s - (uw)1);
    r_u[2] = (u8)(i8)(g_w >> 8);
#endif
#if PART(2)
    r_w[0] = (i16)(i8)(u8)(g_u + 1);
    r_w[1] = (i16)(u8)(i8)((uw)g_s * (uw)3);
    r_w[2] = widen((i8)(u8)(g_u ^ 0x7F));
    r_w[3] = (i16)(i8)(u8)(g_w >> 1);
#endif
#if PART(3)
    r_flags[0] = (u8)((i8)(u8)(g_u + 1) < 0);
    r_flags[1] = (u8)((u8)(i8)(g_s + 1) == 0xFE);
#endif
    STOP();
    return 0;
}
