/* Calls through function pointers with byte arguments and results: global, local, passed as
   an argument, in an initialised table; comparisons of pointers with functions. */
#include "target.h"

#if PART(1)
static u8 add1(u8 x) { return (u8)(x + 1); }
static u8 twice(u8 x) { return (u8)(x * 2); }
static u8 seven(void) { return 7; }
#endif

#if PART(2)
static u8 noted;
static void note(u8 v) { noted = (u8)(noted * 3 + v); }
#endif

#if PART(1)
u8 (*g_byte)(u8);
u8 (*g_none)(void);
u8 (*table_ops[3])(u8) = { add1, twice, add1 };

u8 r_b[6];
#endif
#if PART(2)
u8 r_note;
#endif

#if PART(1)
static u8 apply(u8 (*f)(u8), u8 v) { return f(f(v)); }
#endif

int main(void)
{
    /* locals of main only: the optimiser does not place locals of inner blocks yet */
#if PART(1)
    u8 (*local)(u8);
    u8 i, t;
#endif
#if PART(2)
    void (*p)(u8);
#endif

#if PART(1)
    g_byte = add1;
    r_b[0] = g_byte(0xFF);
    g_byte = twice;
    r_b[1] = g_byte(0x81);
    g_none = seven;
    r_b[2] = g_none();
    local = add1;
    r_b[3] = apply(local, 5);
    r_b[4] = 0;
    for (i = 0; i < 3; i++) {
        t = table_ops[i](i);
        r_b[4] = (u8)(r_b[4] + t);
    }
    r_b[5] = 0;
    if (g_byte == twice)
        r_b[5] = 1;
    if (g_none != seven)
        r_b[5] |= 2;
    if (seven == g_none)
        r_b[5] |= 4;
#endif
#if PART(2)
    p = note;
    p(1);
    p(2);
    r_note = noted;
#endif
    STOP();
    return 0;
}
