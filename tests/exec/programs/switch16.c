/* switch on 2-byte values, signed and unsigned, by comparison chains and jump tables: the
   values v * 3 and sv * 3 for every byte v and sv run through the switches, each of which
   folds the cases it reached into a checksum of its own. */
#include "target.h"

u8 v, r;
i8 sv;
u8 h_word, h_sword;

int main(void)
{
    v = 0;
    sv = -128;
    do {
        switch ((u16)(v * 3U)) {
        case 0: r = 1; break;
        case 30: r = 2; break;
        case 255: r = 3; break;
        case 256: r = 4; break;
        case 300: r = 5; break;
        case 765: r = 6; break;
        default: r = 7; break;
        }
        h_word = (u8)(h_word * 3);
        h_word ^= r;
        switch ((i16)(sv * 3)) {
        case -384: r = 1; break;
        case 0: r = 2; break;
        case 3: r = 3; break;
        case 381: r = 4; break;
        default: r = 5; break;
        }
        h_sword = (u8)(h_sword * 3);
        h_sword ^= r;
#ifdef __ORMC__
#pragma switch direct
#endif
        switch ((i16)(sv * 3)) {
        case -30: r = 1; break;
        case -27: r = 2; break;
        case -24: r = 3; break;
        case -18: r = 4; break;
        case -15: r = 5; break;
        default: r = 6; break;
        }
        h_sword = (u8)(h_sword * 3);
        h_sword ^= r;
        sv++;
        v++;
    } while (v != 0);
    STOP();
    return 0;
}
