/* Conversions from integers of every width and sign to the double type. */
#include "target.h"

i32 li = -123456;
u32 lu = 4000000000UL;
i16 iw = -300;
u8 ub = 200;
i8 sb = -5;
double r_fl, r_ful, r_fw, r_fb, r_fsb;

int main(void)
{
    r_fl = li;
    r_ful = lu;
    r_fw = iw;
    r_fb = ub;
    r_fsb = sb;
    STOP();
}
