/* Variables in RAM banks 2 and 3 (given by --ram): initialised ones copied at start-up (with
   IRP set for the copy), compound assignments, and values moved between all four banks. */
#include "target.h"

#ifdef __ORMC__
#define BANK2 bank2
#define BANK3 bank3
#else
#define BANK2
#define BANK3
#endif

BANK2 u16 b2_w = 0x1234U;
BANK3 u8 b3_c = 5;
BANK2 i32 b2_l;
BANK3 u16 b3_w;
BANK1 u8 b1_c = 0x80;

u16 r_w, r_w3;
u8 r_c, r_c1;
i32 r_l;

int main(void)
{
    b2_l = 0x11223344L;
    b2_w += 0x0101U;
    b3_c ^= 0xFF;
    b3_w = b2_w - 0xFFFFU;
    b1_c += b3_c;
    r_w = b2_w;
    r_w3 = b3_w;
    r_c = b3_c;
    r_c1 = b1_c;
    r_l = b2_l + (i32)b2_w;
    STOP();
    return 0;
}
