/* Shifts of longs: by constants (into another variable and in place) and by variable counts,
   left, logical right and arithmetic right, across every byte boundary. */
#include "target.h"

u8 c1 = 1, c9 = 9, c31 = 31;

#if PART(1)
u32 ux = 0xB5C3A1E7UL;
u32 rl0, rl1, rl2;
#endif
#if PART(2)
i32 sl = -1245470233L;
i32 sl0, sl1;
#endif
#if PART(3)
u32 il0 = 0xB5C3A1E7UL, il1 = 0xB5C3A1E7UL;
i32 isl = -1245470233L;
#endif

int main(void)
{
#if PART(1)
    rl0 = ux << 7;
    rl1 = ux >> 13;
    rl2 = ux >> c31;
#endif
#if PART(2)
    sl0 = sl >> 4;
    sl1 = sl >> c9;
#endif
#if PART(3)
    il0 <<= 3;
    il1 <<= c9;
    isl >>= 20;
#endif
    STOP();
    return 0;
}
