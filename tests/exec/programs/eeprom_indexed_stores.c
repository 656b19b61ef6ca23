/* Stores, compound assignments and steps at a variable index through pointers to words,
   longs and structures in the data EEPROM, and reads of members at a variable index; the
   neighbours of each object keep their values. Each group writes what it reads first: gpsim
   does not load some chips' EEPROM from the hex file. Each group runs alone (together their
   code exceeds the chips with 1K words). */
#include "target.h"

struct erec {
    i16 x;
    i32 y;
    u8 z;
};

EEPROM u8 ee_before;
EEPROM i16 ew[3];
EEPROM i32 el[2];
EEPROM struct erec er[2];
EEPROM u8 ee_after;

u8 g_one = 1, g_two = 2;

#if PART(1) || PART(2)
static void fill_words(EEPROM i16 *pw)
{
    u8 i;
    for (i = 0; i < 3; i++)
        pw[i] = (i16)(i * 100u - 150u);     /* -150, -50, 50 */
}
#endif

#if PART(1)
i16 r_w[3];
u8 r_edge[2];

static void words(EEPROM i16 *pw)
{
    u8 i = g_one, k = g_two;
    fill_words(pw);
    pw[i] += 300;                 /* 250 */
    pw[k]++;                      /* 51 */
    pw[i - 1] *= 4;               /* -600 */
    r_w[0] = pw[0];
    r_w[1] = ew[1];
    r_w[2] = ew[2];
    r_edge[0] = ee_before;
    r_edge[1] = ee_after;
}
#endif

#if PART(2)
i16 r_v[4];

static void word_values(EEPROM i16 *pw)
{
    u8 i = g_one, k = g_two;
    fill_words(pw);
    r_v[0] = (pw[i] -= 7);        /* -57 */
    r_v[1] = pw[k]--;             /* 50, then 49 */
    r_v[2] = ++pw[i];             /* -56 */
    pw[k] = pw[i - 1];            /* -150 */
    r_v[3] = ew[2];
}
#endif

#if PART(3)
i32 r_l[3];

static void longs(EEPROM i32 *pl)
{
    u8 i = g_one;
    pl[0] = -70000l;
    pl[i] = 0x12345678l;
    pl[i] |= 0x01000000l;         /* 0x13345678 */
    pl[i - 1]--;                  /* -70001 */
    r_l[0] = pl[0];
    r_l[1] = el[1];
    r_l[2] = (pl[i] ^= 0xFFl);    /* 0x13345687 */
}
#endif

#if PART(4)
i32 r_lv[2];

static void long_values(EEPROM i32 *pl)
{
    u8 i = g_one;
    pl[i - 1] = -70001l;
    r_lv[0] = pl[i - 1]++;        /* -70001, then -70000 */
    r_lv[1] = el[0];
}
#endif

#if PART(5)
i16 r_x[2];
u8 r_z[3];

static void records(EEPROM struct erec *pr)
{
    u8 i = g_one;
    pr[0].x = 1;
    pr[0].z = 3;
    pr[i].x = -5;
    pr[i].z = 200;
    pr[i].z *= 3;                 /* 88 */
    pr[i].x--;                    /* -6 */
    r_x[0] = pr[i].x;
    r_x[1] = er[0].x;
    r_z[0] = pr[i].z;
    r_z[1] = er[0].z;
    r_z[2] = pr[i].z++;           /* 88, then 89 */
}
#endif

#if PART(6)
i32 r_y[2];

static void record_longs(EEPROM struct erec *pr)
{
    u8 i = g_one;
    pr[0].y = 2;
    pr[i].y = 100000l;
    pr[i].y += 5000;              /* 105000 */
    r_y[0] = pr[i].y;
    r_y[1] = (pr[i - 1].y -= 7);  /* -5 */
}
#endif

int main(void)
{
    ee_before = 0xA5;
    ee_after = 0x5A;
#if PART(1)
    words(ew);
#endif
#if PART(2)
    word_values(ew);
#endif
#if PART(3)
    longs(el);
#endif
#if PART(4)
    long_values(el);
#endif
#if PART(5)
    records(er);
#endif
#if PART(6)
    record_longs(er);
#endif
    STOP();
    return 0;
}
