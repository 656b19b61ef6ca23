/* 16-bit multiply: a running product over a small loop. */
#include "target.h"
u16 result;
u16 a = 1234, b = 77;
int main(void)
{
    u8 i;
    result = 1;
    for (i = 0; i < 16; i++)
        result = (u16)((uw)result * (uw)a + b);
    STOP();
    return 0;
}
