/* Variables in the data EEPROM written and read back: each write waits for the EEPROM, reads
   see the last write, read-modify-write loops, compound assignments, the edge bytes 0 and 0xFF,
   and two variables at neighbouring addresses that must not disturb each other. */
#include "target.h"

EEPROM u8 ee_a, ee_b, ee_c;

u8 r_a, r_b, r_sum, r_zero, r_ff, r_mix, r_back;

int main(void)
{
    u8 i;
    ee_a = 0xA5;
    ee_b = 0;
    ee_c = 0xFF;
    r_a = ee_a;
    r_zero = ee_b;
    r_ff = ee_c;
    ee_b = (u8)(ee_a + 1);
    r_b = ee_b;
    for (i = 0; i < 5; i++)
        ee_a = (u8)(ee_a + i);
    r_sum = ee_a;
    ee_c -= r_b;
    ee_c ^= 0x0F;
    ee_b |= 0x80;
    ee_b &= 0xF0;
    r_mix = (u8)(ee_c + r_sum);
    r_back = ee_b;
    r_back += ee_a;
    STOP();
    return 0;
}
