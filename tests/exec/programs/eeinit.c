/* Initial values of EEPROM variables come from the hex file's EEPROM records. */
#include "target.h"

EEPROM u8 ee_init = 0x5A;
EEPROM u8 ee_ff = 0xFF;
EEPROM u8 ee_zero;
EEPROM u8 ee_one = 1;

u8 r_init, r_ff, r_zero, r_one;

int main(void)
{
    r_init = ee_init;
    r_ff = ee_ff;
    r_zero = ee_zero;
    r_one = ee_one;
    STOP();
    return 0;
}
