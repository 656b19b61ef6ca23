/* Pointers into the data EEPROM: the address of a variable and of elements at constant
   offsets, reads and writes through the pointer at constant and variable indexes, pointer
   steps, comparisons and differences, and a pointer passed to a function. */
#include "target.h"

EEPROM u8 ee_tab[8];
EEPROM u8 ee_one;

u8 r_read[4];
u8 r_tab[8];
u8 r_sum;
u8 r_cmp;
u8 r_diff;
u8 r_one;
u8 r_fill;

static u8 sum_bytes(EEPROM u8 *p, u8 n)
{
    u8 s = 0;
    while (n--)
        s += *p++;
    return s;
}

static void fill(EEPROM u8 *p, u8 n, u8 v)
{
    u8 i;
    for (i = 0; i < n; i++)
        p[i] = (u8)(v + i);
}

int main(void)
{
    EEPROM u8 *p;
    EEPROM u8 *q;
    u8 i;

    for (i = 0; i < 8; i++)
        ee_tab[i] = (u8)(i + 1);
    p = &ee_tab[2];
    r_read[0] = *p;
    p[1] = 9;
    r_read[1] = ee_tab[3];
    i = 3;
    r_read[2] = p[i];
    p[i] = 0xA5;
    r_read[3] = ee_tab[5];

    q = ee_tab;
    q++;
    *q = 0x42;
    q += 2;
    r_cmp = (u8)((q == p + 1) | ((q > p) << 1) | ((p != ee_tab) << 2));
    r_diff = (u8)(q - ee_tab);

    p = &ee_one;
    *p = 0x77;
    r_one = ee_one;

    fill(ee_tab + 6, 2, 0xE0);
    r_fill = ee_tab[7];
    r_sum = sum_bytes(ee_tab, 8);
    for (i = 0; i < 8; i++)
        r_tab[i] = ee_tab[i];
    STOP();
    return 0;
}
