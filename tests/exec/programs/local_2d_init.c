/* Automatic arrays of arrays given an initialiser: rows of each element width, rows left short
   or left out (zero), values without inner braces, rows from strings, a count taken from the
   list, and structures holding arrays. Their bytes are first filled by another function whose
   locals share them, so an element written to the wrong place or not at all shows. */
#include "target.h"
#ifndef __ORMC__
/* Leaving elements out and eliding braces is what is tested. */
#pragma GCC diagnostic ignored "-Wmissing-field-initializers"
#pragma GCC diagnostic ignored "-Wmissing-braces"
#pragma GCC diagnostic ignored "-Wunused-but-set-variable"
#endif

#if PART(1)
u8 r_bytes[6];
u8 r_short[6];
#endif
#if PART(2)
u8 r_flat[6];
u8 r_counted[5];
u8 r_cube[8];
#endif
#if PART(3)
i16 r_words[6];
#endif
#if PART(4)
i32 r_longs[4];
#endif
#if PART(5)
u8 r_text[6];
u8 r_names[5];
#endif
#if PART(6)
i16 r_recs[6];
#endif

#include "dirty.h"

#if PART(1) || PART(2)
static void copy_bytes(u8 *to, const u8 *from, u8 n)
{
    while (n--)
        *to++ = *from++;
}
#endif

#if PART(1)
static void byte_rows(void)
{
    u8 full[2][3] = { { 7, 8, 9 }, { 10, 11, 0xFF } };
    u8 part[3][2] = { { 1 }, { 2, 3 } };
    copy_bytes(r_bytes, &full[0][0], 6);
    copy_bytes(r_short, &part[0][0], 6);
}
#endif

#if PART(2)
static void byte_shapes(void)
{
    u8 flat[2][3] = { 1, 2, 3, 4 };
    u8 counted[][2] = { { 5, 6 }, 7, 8, { 9 } };
    u8 cube[2][2][2] = { { { 1, 2 }, { 3 } }, { { 4 } } };
    copy_bytes(r_flat, &flat[0][0], 6);
    r_counted[0] = (u8)sizeof counted;
    copy_bytes(r_counted + 1, &counted[0][0], 4);
    copy_bytes(r_cube, &cube[0][0][0], 8);
}
#endif

#if PART(3)
static void word_rows(void)
{
    i16 m[3][2] = { { 1, -2 }, { 300 }, { -5, 0x7FFF } };
    u8 i, j;
    for (i = 0; i < 3; i++)
        for (j = 0; j < 2; j++)
            r_words[i * 2 + j] = m[i][j];
}
#endif

#if PART(4)
static void long_rows(void)
{
    i32 l[2][2] = { { 100000L, -1 }, { -70000L } };
    u8 i;
    for (i = 0; i < 2; i++) {
        r_longs[i * 2] = l[i][0];
        r_longs[i * 2 + 1] = l[i][1];
    }
}
#endif

#if PART(5)
static void string_rows(void)
{
    char s[2][3] = { "ab", "c" };
    char t[][2] = { "x", "yz" };
    u8 i, j;
    for (i = 0; i < 2; i++)
        for (j = 0; j < 3; j++)
            r_text[i * 3 + j] = (u8)s[i][j];
    r_names[0] = (u8)sizeof t;
    for (i = 0; i < 2; i++)
        for (j = 0; j < 2; j++)
            r_names[i * 2 + j + 1] = (u8)t[i][j];
}
#endif

#if PART(6)
struct rec_t { u8 tag; i16 v[2]; };

static void record_rows(void)
{
    struct rec_t recs[2] = { { 1, { -2, 3 } }, { 4 } };
    u8 i;
    for (i = 0; i < 2; i++) {
        r_recs[i * 3] = recs[i].tag;
        r_recs[i * 3 + 1] = recs[i].v[0];
        r_recs[i * 3 + 2] = recs[i].v[1];
    }
}
#endif

int main(void)
{
#if PART(1)
    dirty();
    byte_rows();
#endif
#if PART(2)
    dirty();
    byte_shapes();
#endif
#if PART(3)
    dirty();
    word_rows();
#endif
#if PART(4)
    dirty();
    long_rows();
#endif
#if PART(5)
    dirty();
    string_rows();
#endif
#if PART(6)
    dirty();
    record_rows();
#endif
    STOP();
    return 0;
}
