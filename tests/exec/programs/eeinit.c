/* Initial values of EEPROM variables come from the hex file's EEPROM records: bytes, a word,
   a long and an array, low byte first at each one's address. */
#include "target.h"

EEPROM u8 ee_init = 0x5A;
EEPROM u8 ee_ff = 0xFF;
EEPROM u8 ee_zero;
EEPROM u8 ee_one = 1;
EEPROM i16 ee_word = -300;
EEPROM u32 ee_long = 0x12345678UL;
EEPROM u8 ee_arr[3] = {9, 0x80, 7};

u8 r_init, r_ff, r_zero, r_one, r_arr;
i16 r_word;
u32 r_long;

int main(void)
{
    r_init = ee_init;
    r_ff = ee_ff;
    r_zero = ee_zero;
    r_one = ee_one;
    r_word = ee_word;
    r_long = ee_long;
    r_arr = ee_arr[0];
    r_arr += ee_arr[1];
    r_arr += ee_arr[2];
    STOP();
    return 0;
}
