/* Integers converted to the double type inside float arithmetic: an explicit cast as an
   operand, a compound assignment with an integer right side, and conversions of every width
   and signedness on both sides of an operator. */
#include "target.h"

double a = 1.5;
double r_cast, r_acc, r_wide, r_byte;
i16 i = -7;
u8 c = 200;
i32 l = -100000;

int main(void)
{
    r_cast = a * 2 + (double)i;
    r_acc = a;
    r_acc += i;
    r_wide = c - a * l;
    r_byte = (double)c / (a + i);
    STOP();
}
