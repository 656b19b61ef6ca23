/* Conditions: && || ! ?: in jumps and as values at every width, with calls whose count shows
   which operands were evaluated; loops with break, continue and goto. */
#include "target.h"

#if PART(1) || PART(3) || PART(4)
static u8 calls;
#endif
#if PART(1) || PART(2) || PART(3)
static u8 zero8 = 0;
#endif
#if PART(1) || PART(3)
static u8 one8 = 1, big8 = 200;
#endif
#if PART(1) || PART(2) || PART(4)
static i16 m16 = -300;
#endif
#if PART(2) || PART(4)
static i16 p16 = 300;
#endif
#if PART(2) || PART(4) || PART(5)
static u32 h32 = 0x01000000UL;
#endif
#if PART(2) || PART(5)
static i32 n32 = -70000L;
#endif

#if PART(1) || PART(2)
u8 r_jump;
#endif
#if PART(1) || PART(3) || PART(4)
u8 r_calls;
#endif
#if PART(3)
u8 r_and8, r_or8, r_not8, r_q8;
#endif
#if PART(4)
i16 r_and16, r_q16, r_not16;
#endif
#if PART(5)
i32 r_or32, r_q32;
#endif
#if PART(6)
static u8 i, g;
static i16 s;
u8 r_loops, r_while, r_goto;
i16 r_steps;
#endif

#if PART(1) || PART(4)
static u8 yes(void)
{
    calls++;
    return 1;
}
#endif

#if PART(1) || PART(3)
static u8 no(void)
{
    calls++;
    return 0;
}
#endif

int main(void)
{
#if PART(1) || PART(2)
    r_jump = 0;
#endif
#if PART(1)
    if (zero8 && yes()) r_jump |= 1;
    if (one8 && yes()) r_jump |= 2;
    if (one8 || yes()) r_jump |= 4;
    if (zero8 || no()) r_jump |= 8;
    if ((big8 > 100 && m16 < -299) || no()) r_jump |= 128;
#endif
#if PART(2)
    if (!(m16 < 0 && p16 > 0)) r_jump |= 16;
    if (h32 != 0 ? n32 < -69999L : m16 == 0) r_jump |= 32;
    if (!(zero8 || n32 >= 0)) r_jump |= 64;
#endif
#if PART(1) || PART(3) || PART(4)
    r_calls = calls;
#endif
#if PART(3)
    r_and8 = one8 && big8;
    r_or8 = zero8 || no();
    r_not8 = !big8;
    r_q8 = big8 > 100 ? big8 : one8;
#endif
#if PART(4)
    r_and16 = m16 < 0 && yes();
    r_not16 = !h32;
    r_q16 = m16 < p16 ? m16 : p16;
#endif
#if PART(5)
    r_or32 = n32 > 0 || h32 >= 0x01000000UL;
    r_q32 = h32 == 0 ? n32 : -1L;
#endif
#if PART(1) || PART(3) || PART(4)
    r_calls = (u8)(r_calls + calls);
#endif
#if PART(6)
    r_loops = 0;
    for (i = 0; i < 10; i++) {
        if (i == 3)
            continue;
        if (i == 7)
            break;
        r_loops = (u8)(r_loops + i);
    }
    r_while = 0;
    i = 5;
    while (i) {
        r_while = (u8)(r_while + i);
        i--;
    }
    do {
        r_while++;
    } while (r_while < 20);
    r_steps = 0;
    for (s = -3; s <= 3; s++)
        r_steps = (i16)(r_steps + 1);
    g = 0;
again:
    g++;
    if (g < 4)
        goto again;
    r_goto = g;
#endif
    STOP();
    return 0;
}
