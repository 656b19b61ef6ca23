/* Byte copy loop of 32 bytes. */
#include "target.h"
u8 src[32], dst[32];
u8 result;
int main(void)
{
    u8 i;
    for (i = 0; i < 32; i++)
        src[i] = (u8)(i * 7u);
    for (i = 0; i < 32; i++)
        dst[i] = src[i];
    result = dst[31];
    STOP();
    return 0;
}
