/* Integers converted to the double type inside float arithmetic: an explicit cast as an
   operand, a compound assignment with an integer right side, and conversions of every width
   and signedness on both sides of an operator. */
#include "target.h"

double a = 1.5;
#if PART(1) || PART(2) || PART(4)
i16 i = -7;
#endif
#if PART(3) || PART(4)
u8 c = 200;
#endif
#if PART(1)
double r_cast;
#endif
#if PART(2)
double r_acc;
#endif
#if PART(3)
double r_wide;
i32 l = -100000;
#endif
#if PART(4)
double r_byte;
#endif

int main(void)
{
#if PART(1)
    r_cast = a * 2 + (double)i;
#endif
#if PART(2)
    r_acc = a;
    r_acc += i;
#endif
#if PART(3)
    r_wide = c - a * l;
#endif
#if PART(4)
    r_byte = (double)c / (a + i);
#endif
    STOP();
}
