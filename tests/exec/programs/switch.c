/* switch on bytes, signed and unsigned, dispatched by comparison chains and by jump tables
   (dense cases, a table starting at 0, one ending at 255, sparse cases under the direct
   pragma, a signed table): every byte value runs through each switch, which folds the cases
   it reached into a checksum of its own. switch16.c does the wider values. */
#include "target.h"

u8 v, r;
i8 sv;
u8 h_chain, h_table, h_top, h_low, h_direct, h_signed, h_schain;

static u8 sel_chain(u8 x)
{
    switch (x) {
    case 0: return 1;
    case 3: return 2;
    case 17: return 3;
    case 250: return 4;
    case 255: return 5;
    }
    return 6;
}

static u8 sel_table(u8 x)
{
    switch (x) {
    case 10: return 1;  case 11: return 2;  case 12: return 3;  case 13: return 4;
    case 14: return 5;  case 15: return 6;  case 16: return 7;  case 17: return 8;
    case 18: return 9;  case 19: return 10; case 20: return 11; case 21: return 12;
    case 22: return 13; case 23: return 14; case 24: return 15; case 25: return 16;
    default: return 17;
    }
}




static u8 sel_schain(i8 x)
{
    switch (x) {
    case -128: return 1;
    case -1: return 2;
    case 0: return 3;
    case 64: return 4;
    case 127: return 5;
    default: return 6;
    }
}

int main(void)
{
    v = 0;
    sv = -128;
    do {
        r = sel_chain(v);
        h_chain = (u8)(h_chain * 3);
        h_chain ^= r;
        r = sel_table(v);
        h_table = (u8)(h_table * 3);
        h_table ^= r;
        switch (v) {
        case 240: r = 1; break;
        case 241: r = 2; break;
        case 242: r = 3; break;
        case 243: r = 4; break;
        case 244: r = 5; break;
        case 245: r = 6; break;
        case 246: r = 7; break;
        case 247: r = 8; break;
        case 248: r = 9; break;
        case 249: r = 10; break;
        case 250: r = 11; break;
        case 251: r = 12; break;
        case 252: r = 13; break;
        case 253: r = 14; break;
        case 254: r = 15; break;
        case 255: r = 16; break;
        default: r = 17; break;
        }
        h_top = (u8)(h_top * 3);
        h_top ^= r;
        switch (v) {
        case 0: r = 1; break;
        case 1: r = 2; break;
        case 2: r = 3; break;
        case 3: r = 4; break;
        case 4: r = 5; break;
        case 5: r = 6; break;
        case 6: r = 7; break;
        case 7: r = 8; break;
        case 8: r = 9; break;
        case 9: r = 10; break;
        case 10: r = 11; break;
        case 11: r = 12; break;
        case 12: r = 13; break;
        case 13: r = 14; break;
        case 14: r = 15; break;
        case 15: r = 16; break;
        default: r = 17; break;
        }
        h_low = (u8)(h_low * 3);
        h_low ^= r;
#ifdef __ORMC__
#pragma switch direct
#endif
        switch (v) {
        case 5: r = 1; break;
        case 30: r = 2; break;
        case 60: r = 3; break;
        default: r = 4; break;
        }
        h_direct = (u8)(h_direct * 3);
        h_direct ^= r;
#ifdef __ORMC__
#pragma switch direct
#endif
        switch (sv) {
        case -3: r = 1; break;
        case -2: r = 2; break;
        case -1: r = 3; break;
        case 0: r = 4; break;
        case 2: r = 5; break;
        case 4: r = 6; break;
        default: r = 7; break;
        }
        h_signed = (u8)(h_signed * 3);
        h_signed ^= r;
        r = sel_schain(sv);
        h_schain = (u8)(h_schain * 3);
        h_schain ^= r;

        sv++;
        v++;
    } while (v != 0);
    STOP();
    return 0;
}
