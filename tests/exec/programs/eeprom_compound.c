/* Compound assignments to data-EEPROM objects (words, longs, elements at a variable index,
   structure members), and expressions that read two EEPROM bytes at once. The neighbours of
   each object must keep their values. */
#include "target.h"

struct rec { u8 tag; u16 count; };

EEPROM u16 ee_w;
EEPROM i32 ee_l;
EEPROM u8 ee_arr[4];
EEPROM i16 ee_warr[3];
EEPROM u8 ee_a, ee_b;
EEPROM struct rec ee_rec;
EEPROM u8 ee_after;

u16 r_w;
i32 r_l;
u8 r_arr[4];
i16 r_warr[3];
u8 r_two[4];
u8 r_tag;
u16 r_count;
u8 r_after;

int main(void)
{
    u8 i, x = 0x81;
    ee_after = 0x5A;
    ee_w = 0xFFFE;
    ee_w += 5;                 /* carries into the high byte and wraps */
    ee_w <<= 1;
    r_w = ee_w;
    ee_l = -2;
    ee_l -= 0x10000L;
    ee_l ^= 0x0F0F0F0FL;
    r_l = ee_l;
    for (i = 0; i < 4; i++) ee_arr[i] = (u8)(i * 0x40);
    for (i = 0; i < 4; i++) ee_arr[i] += x;
    i = 3;
    ee_arr[i] |= 0x0C;
    ee_arr[i - 2] -= 2;
    for (i = 0; i < 4; i++) r_arr[i] = ee_arr[i];
    for (i = 0; i < 3; i++) ee_warr[i] = (i16)(i * 300 - 1);
    for (i = 0; i < 3; i++) ee_warr[i] += -32767 - 1 + 600;
    i = 1;
    ee_warr[i] *= 3;
    for (i = 0; i < 3; i++) r_warr[i] = ee_warr[i];
    ee_a = 200;
    ee_b = 100;
    r_two[0] = (u8)(ee_a + ee_b);
    r_two[1] = (u8)(ee_b - ee_a);
    r_two[2] = (u8)(ee_a & ee_b);
    r_two[3] = ee_a < ee_b;
    ee_rec.tag = 7;
    ee_rec.count = 0x00FF;
    ee_rec.tag += x;
    ee_rec.count += 1;
    r_tag = ee_rec.tag;
    r_count = ee_rec.count;
    r_after = ee_after;
    STOP();
    return 0;
}
