/* Loops, switch at three widths, arrays and calls; structures passed and returned are in
   structcalls.c. */
#include "target.h"

#if PART(1)
u16 r_sum;
u8 r_sorted[8];
#endif
#if PART(2)
i32 r_dot;
#endif
#if PART(1) || PART(2)
static u8 data[8] = { 9, 3, 250, 0, 77, 3, 128, 1 };
#endif
#if PART(3)
u8 r_cases[4];

static u8 classify8(u8 v)
{
    switch (v) {
    case 0: return 1;
    case 3: return 2;
    case 250: return 3;
    default: return 4;
    }
}

static u8 classify16(i16 v)
{
    switch (v) {
    case -1000: return 5;
    case 1000: return 6;
    default: return 7;
    }
}

static u8 classify32(u32 v)
{
    switch (v) {
    case 100000UL: return 8;
    default: return 9;
    }
}

#endif

int main(void)
{
#if PART(1) || PART(2)
    u8 i;
#endif
#if PART(1)
    u8 j;

    r_sum = 0;
    for (i = 0; i < 8; i++)
        r_sum = (u16)(r_sum + data[i]);
    for (i = 0; i < 8; i++)
        r_sorted[i] = data[i];
    for (i = 0; i < 7; i++)
        for (j = 0; j < (u8)(7 - i); j++)
            if (r_sorted[j] > r_sorted[j + 1]) {
                u8 t = r_sorted[j];
                r_sorted[j] = r_sorted[j + 1];
                r_sorted[j + 1] = t;
            }
#endif
#if PART(2)
    r_dot = 0;
    i = 0;
    do {
        r_dot += (i32)data[i] * (i32)(i16)(i - 4);
    } while (++i < 8);
#endif
#if PART(3)
    r_cases[0] = classify8(250);
    r_cases[1] = classify16(-1000);
    r_cases[2] = classify32(100000UL);
    r_cases[3] = (u8)(classify8(5) + classify16(3));
#endif
    STOP();
    return 0;
}
