/* Shifts of bytes and words: by constants (into another variable and in place) and by
   variable counts (0, and past the width), left, logical right and arithmetic right.
   shifts32.c does the longs. */
#include "target.h"

u8 c0 = 0, c1 = 1, c4 = 4, c9 = 9;

#if PART(1)
u8 ua = 0xB5;
i8 sa = -75;
u8 rb0, rb1, rb2, rb3;
i8 sb0, sb1, sb2;
u8 ib0 = 0xB5, ib1 = 0xB5;
i8 is0 = -75;
#endif
#if PART(2)
u16 uw_ = 0xB5C3;
u16 rw0, rw1, rw2, rw3, rw4;
#endif
#if PART(3)
i16 sw_ = -19005;
i16 sw0, sw1;
u16 iw0 = 0xB5C3, iw1 = 0xB5C3;
i16 isw = -19005;
#endif

int main(void)
{
#if PART(1)
    rb0 = (u8)(ua << 3);
    rb1 = (u8)(ua >> 5);
    rb2 = (u8)(ua << c4);
    rb3 = (u8)(ua >> c9);
    sb0 = (i8)(sa >> 3);
    sb1 = (i8)(sa >> c1);
    sb2 = (i8)(sa >> c9);
    ib0 <<= 3;
    ib1 >>= c4;
    is0 >>= 2;
#endif
#if PART(2)
    rw0 = (u16)(uw_ << 5);
    rw1 = (u16)(uw_ >> 9);
    rw2 = (u16)(uw_ << c9);
    rw3 = (u16)(uw_ >> c0);
    rw4 = (u16)(uw_ >> 8);
#endif
#if PART(3)
    sw0 = (i16)(sw_ >> 3);
    sw1 = (i16)(sw_ >> c9);
    iw0 <<= 3;
    iw1 >>= c9;
    isw >>= 5;
#endif
    STOP();
    return 0;
}
