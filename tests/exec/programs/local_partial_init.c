/* Automatic arrays and structures whose initialiser lists fewer values than they hold: the rest
   is zero, as for a static object; arrays of pointers are assigned where they live like the
   others. Their bytes are first filled by another function whose locals share them, so a
   left-out element would show that function's value. */
#include "target.h"
#ifndef __ORMC__
/* Leaving members out is what is tested; the junk is written only to be overwritten. */
#pragma GCC diagnostic ignored "-Wmissing-field-initializers"
#pragma GCC diagnostic ignored "-Wunused-but-set-variable"
#endif

struct pair_t { i16 a; u8 b; i8 c; };
struct nest_t { u8 tag; struct pair_t p; u8 tail[2]; };

#if PART(1)
i16 r_arr[4];
u8 r_str[5];
i32 r_long[2];
#endif
#if PART(2)
i16 r_pair[3];
i16 r_nest_a;
u8 r_nest[5];
u8 r_rows[4];
#endif

#include "dirty.h"

#if PART(1)
static void arrays(void)
{
    i16 arr[4] = { 7 };
    char str[5] = "ab";
    i32 lng[2] = { -2 };
    u8 i;
    for (i = 0; i < 4; i++)
        r_arr[i] = arr[i];
    for (i = 0; i < 5; i++)
        r_str[i] = (u8)str[i];
    for (i = 0; i < 2; i++)
        r_long[i] = lng[i];
}
#endif

#if PART(2)
static void structures(void)
{
    struct pair_t pair = { -3 };
    struct nest_t nest = { 9, { 1 } };
    struct { u8 x; u8 y; } pts[2] = { { 4 } };
    r_pair[0] = pair.a;
    r_pair[1] = pair.b;
    r_pair[2] = pair.c;
    r_nest_a = nest.p.a;
    r_nest[0] = nest.tag;
    r_nest[1] = nest.p.b;
    r_nest[2] = (u8)nest.p.c;
    r_nest[3] = nest.tail[0];
    r_nest[4] = nest.tail[1];
    r_rows[0] = pts[0].x;
    r_rows[1] = pts[0].y;
    r_rows[2] = pts[1].x;
    r_rows[3] = pts[1].y;
}
#endif

#if PART(3)
u8 r_ptrs[3];
u8 first = 11, second = 22;

/* Arrays of pointers, whose elements the initialiser assigns where the array lives too. */
static void pointers(void)
{
    u8 *ptrs[3] = { &first, &second };
    u8 *open[] = { &second, &first };
    r_ptrs[0] = (u8)(*ptrs[0] + *ptrs[1]);
    r_ptrs[1] = (u8)(ptrs[2] == 0);
    r_ptrs[2] = (u8)(*open[1] + sizeof open / sizeof open[0]);
}
#endif

int main(void)
{
#if PART(1)
    dirty();
    arrays();
#endif
#if PART(2)
    dirty();
    structures();
#endif
#if PART(3)
    dirty();
    pointers();
#endif
    STOP();
    return 0;
}
