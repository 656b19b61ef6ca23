/* Pointers to words and longs in the data EEPROM at constant offsets: each byte is read and
   written at the pointer plus its place. The program writes what it reads first: gpsim does
   not load some chips' EEPROM from the hex file. */
#include "target.h"

EEPROM i16 tabw[4];
EEPROM u32 tabl[2];
i16 r_w0, r_w1;
u32 r_l0, r_l1;

int main(void)
{
    EEPROM i16 *pw = &tabw[1];
    EEPROM u32 *pl = tabl;
    tabw[1] = -2;
    tabw[2] = 300;
    tabl[0] = 0x89ABCDEFul;
    tabl[1] = 5;
    r_w0 = *pw;
    pw[1] = -1234;
    r_w1 = tabw[2];
    r_l0 = *pl;
    pl[1] = 0x01020304ul;
    r_l1 = tabl[1];
    STOP();
    return 0;
}
