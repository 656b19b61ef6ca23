/* Arrays in the data EEPROM: elements at constant and at variable indexes, bytes and words,
   the first and the last element, and each element keeping its own value. */
#include "target.h"

EEPROM u8 ee_b[5];
EEPROM i16 ee_w[3];
EEPROM u32 ee_l[2];

u8 r_b[3];
i16 r_w[3];
u32 r_l;

int main(void)
{
    u8 i;
    for (i = 0; i < 5; i++)
        ee_b[i] = (u8)(0xF0 + i);
    ee_b[0] = 0;
    ee_b[4] = 0xFF;
    ee_b[2] += 5;
    r_b[0] = ee_b[0];
    r_b[0] += ee_b[4];
    r_b[1] = ee_b[2];
    i = 3;
    r_b[2] = ee_b[i];
    for (i = 0; i < 3; i++)
        ee_w[i] = (i16)(-1000 + 700 * (i16)i);
    ee_w[1] = (i16)(ee_w[1] - 1);
    for (i = 0; i < 3; i++)
        r_w[i] = ee_w[i];
    ee_l[0] = 0x01020304UL;
    i = 1;
    ee_l[i] = 0xFEDCBA98UL;
    r_l = ee_l[i] - ee_l[0];
    STOP();
    return 0;
}
