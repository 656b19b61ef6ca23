/* Initialised variables in both RAM banks are set before main runs (also on chips whose data
   lies in one bank, where bank 1 mirrors bank 0), uninitialised ones are 0, and initialised
   pointers hold the address they were given whatever bank the object lies in. */
#include "target.h"

BANK1 u8 b1_c = 0x81;
BANK1 u16 b1_w = 0xFE01U;
BANK1 i32 b1_l = -2L;
BANK1 u8 b1_z;
u8 b0_c = 0x7F;
BANK1 u8 b1_arr[3] = {1, 2, 0xFF};
u8 b0_arr[2] = {9, 8};
BANK1 u8 *p1 = &b1_arr[1];
u8 *p0 = &b0_arr[1];

u8 r_c, r_z, r_arr, r_p1, r_p0, r_back;
u16 r_w;
i32 r_l;

int main(void)
{
    r_c = (u8)(b1_c + b0_c);
    r_w = b1_w;
    r_l = b1_l;
    r_z = b1_z;
    r_arr = (u8)(b1_arr[0] + b1_arr[1] + b1_arr[2]);
    r_p1 = *p1;
    r_p0 = *p0;
    *p1 = 0x33;
    ++p1;
    r_back = (u8)(b1_arr[1] + *p1);
    STOP();
    return 0;
}
