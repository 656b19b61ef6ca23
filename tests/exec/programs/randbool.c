/* Truth values widened and compared again, as random programs make them: the compare takes
   the widened value into a temporary of its own width (a one-bit temporary cannot live on
   the compiled stack). */
#include "target.h"

i16 g_w = 5, g_zero = 0;
u32 g_l = 7, g_lzero = 0;
#if PART(1)
i16 g_neg = -10302;
u8 r_b[4];
#endif
#if PART(2)
i16 r_w[2];
#endif

#if PART(1)
static u8 local_init(i16 a, u32 b)
{
    u8 t = (u8)((i16)(a || b) >= (i16)(g_neg <= a));
    return t;
}
#endif

int main(void)
{
#if PART(1)
    u8 l = (u8)((i16)(g_w || g_l) >= 3);
    r_b[0] = l;
    r_b[1] = local_init(g_w, g_lzero);
    r_b[2] = local_init(g_zero, g_lzero);
    r_b[3] = (u8)((i16)(g_zero && g_l) < (i16)(g_w > g_neg));
#endif
#if PART(2)
    r_w[0] = (i16)((i16)(g_w != 5) == (i16)(g_l == 0UL));
    r_w[1] = (i16)((u16)(g_zero || g_lzero) > (u16)0);
#endif
    STOP();
    return 0;
}
