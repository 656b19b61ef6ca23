/* switch on 4-byte values, signed and unsigned, by comparison chains and jump tables: the
   values v * 65793 and sv * -70000 for every byte v and sv run through the switches, each of
   which folds the cases it reached into a checksum of its own. */
#include "target.h"

u8 v, r;
i8 sv;
u8 h_long, h_slong;

int main(void)
{
    v = 0;
    sv = -128;
    do {
        switch ((u32)v * 65793UL) {
        case 0x000000UL: r = 1; break;
        case 0x010101UL: r = 2; break;
        case 0x7F7F7FUL: r = 3; break;
        case 0x808080UL: r = 4; break;
        case 0xFFFFFFUL: r = 5; break;
        case 0x1000000UL: r = 6; break;
        default: r = 7; break;
        }
        h_long = (u8)(h_long * 3);
        h_long ^= r;
#ifdef __ORMC__
#pragma switch direct
#endif
        switch ((u32)v * 65793UL) {
        case 0x000000UL: r = 1; break;
        case 0x010101UL: r = 2; break;
        case 0x020202UL: r = 3; break;
        case 0x050505UL: r = 4; break;
        default: r = 5; break;
        }
        h_long = (u8)(h_long * 3);
        h_long ^= r;
        switch ((i32)sv * -70000L) {
        case 8960000L: r = 1; break;
        case 70000L: r = 2; break;
        case 0L: r = 3; break;
        case -70000L: r = 4; break;
        case -8890000L: r = 5; break;
        default: r = 6; break;
        }
        h_slong = (u8)(h_slong * 3);
        h_slong ^= r;
        sv++;
        v++;
    } while (v != 0);
    STOP();
    return 0;
}
