/* Words and longs in the data EEPROM, written and read back a byte at a time: edge values
   whose bytes differ, values computed from what was read, results of run-time routines, and
   a byte variable next to them that must keep its value. */
#include "target.h"

EEPROM u16 ee_w;
EEPROM i16 ee_s;
EEPROM u32 ee_l;
EEPROM i32 ee_n;
EEPROM u8 ee_after;

u16 r_w[2];
i16 r_s;
u32 r_l;
i32 r_n;
u8 r_after;

int main(void)
{
    u8 k = 3;
    ee_after = 0x77;
    ee_w = 0xFFFF;
    ee_s = -32767 - 1;
    r_w[0] = ee_w;
    ee_w = (u16)(ee_w - 0x0101);
    ee_w = (u16)(ee_w * k);
    r_w[1] = ee_w;
    r_s = (i16)(ee_s + 1);
    ee_l = 0x80FF00FFUL;
    ee_l = ee_l + 0x0001FF01UL;
    r_l = ee_l;
    ee_n = -1;
    ee_n = ee_n - (i32)ee_w;
    ee_n = ee_n * (i32)k;
    r_n = ee_n;
    r_after = ee_after;
    STOP();
    return 0;
}
