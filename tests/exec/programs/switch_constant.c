/* Switches whose controlling value folds to a constant (x - x, 0 & x, x || c, c ? a : b, a
   cast that truncates): the case is chosen when compiling, the default when none matches, and
   nothing at all when there is no default. */
#include "target.h"

#ifndef __ORMC__
/* gcc warns of the out-of-range label too; here it is meant. */
#pragma GCC diagnostic ignored "-Wswitch-outside-range"
#endif

u8 r_sel[8];
u16 g_w;
i32 g_l;
u8 g_b;

int main(void)
{
    g_w = 77;
    g_l = -5;
    g_b = 3;
    switch ((u16)(g_w - g_w)) {
    case 0: r_sel[0] = 1; break;
    case 1: r_sel[0] = 2; break;
    default: r_sel[0] = 3;
    }
    switch ((i32)(0L & g_l)) {
    case 1: r_sel[1] = 10; break;
    default: r_sel[1] = 11;
    }
    switch ((i16)(g_b || 2147483647L)) {
    case 0: r_sel[2] = 20; break;
    case 1: r_sel[2] = 21; /* falls through */
    case 2: r_sel[2] += 5; break;
    }
    switch (((i32)(-2147483647L - 1)) ? (i16)3 : (i16)g_b) {
    case 3: r_sel[3] = 30; break;
    default: r_sel[3] = 31;
    }
    /* 300 as a byte is 44; -1 as a signed byte matches -1 */
    switch ((u8)300) {
    case 44: r_sel[4] = 40; break;
    default: r_sel[4] = 41;
    }
    switch ((i8)255) {
    case -1: r_sel[5] = 50; break;
    case 255: r_sel[5] = 51; break;
    default: r_sel[5] = 52;
    }
    /* no case matches and there is no default */
    r_sel[6] = 60;
    switch ((u32)(g_l - g_l)) {
    case 7: r_sel[6] = 61; break;
    }
    switch ((u16)0xFFFFFFFFUL) {
    case 0xFFFF: r_sel[7] = 70; break;
    default: r_sel[7] = 71;
    }
    STOP();
    return 0;
}
