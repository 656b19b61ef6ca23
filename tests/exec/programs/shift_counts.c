/* Shift counts that are expressions, at every width, signed and unsigned. */
#include "target.h"

static u8 k = 2;
#if PART(1) || PART(2) || PART(3)
static u8 n = 11;
#endif
#if PART(1)
static u8 z = 0;
static u8 x8 = 0x81;
static i8 s8 = -64;
u8 r8[3];
i8 q8;
#endif
#if PART(2)
static u16 x16 = 0x8001u;
static i16 s16 = -1000;
u16 r16[3];
i16 q16;
#endif
#if PART(3)
static u32 x32 = 0x80000001UL;
u32 r32[3];
#endif
#if PART(4)
static i32 s32 = -100000L;
i32 q32;
#endif

int main(void)
{
#if PART(1)
    r8[0] = (u8)(x8 << (n & 7));
    r8[1] = (u8)(x8 >> (k + 1));
    r8[2] = x8;
    r8[2] >>= (u8)(k - 2 + z);
    q8 = (i8)(s8 >> (k + 1));
#endif
#if PART(2)
    r16[0] = (u16)(x16 << (n & 7));
    r16[1] = (u16)(x16 >> (k + 1));
    r16[2] = x16;
    r16[2] <<= (n & 15) + 4;
    q16 = (i16)(s16 >> (k + k));
#endif
#if PART(3)
    r32[0] = x32 << (n & 7);
    r32[1] = x32 >> (k + 1);
    r32[2] = x32 >> (n + n + 9);
#endif
#if PART(4)
    q32 = s32 >> (k * 4 + 1);
#endif
    STOP();
    return 0;
}
