/* Word and long array elements at computed indexes, as random programs use them: stored from
   computed values, read widened, narrowed and as operands of value arithmetic. */
#include "target.h"

u8 g_i = 5, g_j = 14;
i32 g_l = -2;
i16 aw[4] = {-1, 256, -32768, 7};
i32 al[2] = {65535L, 2147483647L};
u16 bw[2] = {0xFFFFu, 0x00FFu};
u32 r_sum;
i32 r_wide;
u8 r_low[3];
i16 r_w;
i32 r_l;

int main(void)
{
    u8 k;
    for (k = 0; k < 4; k++)
        r_sum = (r_sum << 1) + (u32)aw[k];
    for (k = 0; k < 2; k++) {
        r_sum += (u32)al[k];
        r_sum += (u32)bw[k];
    }
    r_wide = (i32)aw[(uw)g_j & 3];               /* -32768 sign-extended */
    r_wide -= (i32)bw[g_i & 1];                  /* 0x00FF zero-extended */
    r_low[0] = (u8)aw[(uw)g_i & 3];
    r_low[1] = (u8)al[(g_j + 2) & 1];            /* low byte of 65535 */
    r_low[2] = (u8)bw[(uw)g_j & 1];
    aw[(uw)g_i & 3] = (i16)((uw)aw[2] - 1u);     /* wraps to 32767 */
    aw[g_j & 3] = (i16)g_i;
    al[(uw)g_i & 1] = (i32)~(ul)g_l;             /* 1 */
    al[g_j & 1] = g_l + 0x10000L;                /* carries across bytes */
    r_w = (i16)((uw)aw[(uw)g_i & 3] + (uw)aw[g_j & 3]);
    r_l = al[0] - al[1];
    STOP();
    return 0;
}
