/* Conversions from integers of every width and sign to the double type. */
#include "target.h"

#if PART(1)
i32 li = -123456;
double r_fl;
#endif
#if PART(2)
u32 lu = 4000000000UL;
double r_ful;
#endif
#if PART(3)
i16 iw = -300;
u8 ub = 200;
i8 sb = -5;
double r_fw, r_fb, r_fsb;
#endif

int main(void)
{
#if PART(1)
    r_fl = li;
#endif
#if PART(2)
    r_ful = lu;
#endif
#if PART(3)
    r_fw = iw;
    r_fb = ub;
    r_fsb = sb;
#endif
    STOP();
}
