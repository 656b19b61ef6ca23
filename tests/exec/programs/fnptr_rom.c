/* Tables of function pointers that are const, so they live in program memory: called with and
   without a byte argument, by variable and constant indexes, first and last elements; element 0
   of const byte and word tables. */
#include "target.h"

static u8 add1(u8 x) { return (u8)(x + 1); }
static u8 twice(u8 x) { return (u8)(x * 2); }
static u8 flip(u8 x) { return (u8)~x; }

static u8 count;
static void inc(void) { count++; }
static void dbl(void) { count = (u8)(count * 2); }

u8 (*const ops[3])(u8) = { add1, twice, flip };
void (*const acts[])(void) = { inc, dbl, inc, dbl };
const u8 bytes[3] = { 0xA5, 2, 3 };
const i16 words[2] = { -2, 0x1234 };

u8 r_b[6];
u8 r_first[2];
i16 r_word;

int main(void)
{
    u8 i;
    u8 (*f)(u8);
    r_b[0] = 0;
    for (i = 0; i < 3; i++)
        r_b[0] = (u8)(r_b[0] + ops[i]((u8)(i + 0x7F)));
    count = 3;
    for (i = 0; i < 4; i++)
        acts[i]();
    r_b[1] = count;
    r_b[2] = ops[1](0x81);
    r_b[3] = ops[2](0);
    r_b[4] = ops[0](0xFF);
    acts[3]();
    r_b[5] = count;
    /* element 0 of a const table is named by the table itself */
    r_first[0] = bytes[0];
    r_word = words[0];
    f = ops[0];
    r_first[1] = f(bytes[0]);
    STOP();
    return 0;
}
