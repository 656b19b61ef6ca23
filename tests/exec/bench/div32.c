/* 32-bit divide and modulo. */
#include "target.h"
u32 result;
u32 n = 4000000000UL, d = 12345UL;
int main(void)
{
    u8 i;
    result = 0;
    for (i = 0; i < 8; i++) {
        result += n / d + n % d;
        d += 1000;
    }
    STOP();
    return 0;
}
