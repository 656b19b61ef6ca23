/* CRC-16 (polynomial 0xA001, reflected) over 32 bytes. */
#include "target.h"
u16 result;
int main(void)
{
    u8 i, b;
    u16 crc = 0xFFFFU;
    for (i = 0; i < 32; i++) {
        crc = (u16)(crc ^ i);
        for (b = 0; b < 8; b++)
            crc = (crc & 1) ? (u16)((crc >> 1) ^ 0xA001U) : (u16)(crc >> 1);
    }
    result = crc;
    STOP();
    return 0;
}
