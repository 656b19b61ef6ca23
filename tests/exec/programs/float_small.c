/* A float program small enough for the chips with the least memory (the 16C84's 36 bytes of
   RAM and 1K words of ROM): a multiply, an integer converted and added, the result kept in the
   data EEPROM, read back, converted to an integer and compared. */
#include "target.h"

double a = -2.25;
i8 ib = -100;
EEPROM double ee_d;
double r_madd;
i8 r_int;

int main(void)
{
    r_madd = a * a + ib;
    ee_d = r_madd;
    r_int = (i8)ee_d;
    if (ee_d < a)
        r_int += 100;
    STOP();
}
