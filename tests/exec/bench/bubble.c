/* Bubble sort of 16 bytes. */
#include "target.h"
u8 data[16] = { 200, 3, 99, 45, 0, 255, 17, 128, 64, 8, 77, 1, 250, 33, 90, 12 };
u8 result;
int main(void)
{
    u8 i, j, t;
    for (i = 0; i < 15; i++)
        for (j = 0; j < (u8)(15 - i); j++)
            if (data[j] > data[j + 1]) {
                t = data[j];
                data[j] = data[j + 1];
                data[j + 1] = t;
            }
    result = data[0];
    STOP();
    return 0;
}
