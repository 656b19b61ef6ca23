/* Parameters that are themselves const pointers, to const (given a RAM array and a table in
   program memory) and to plain objects, indexed and read in arithmetic. */
#include "target.h"

#if PART(1)
i16 r_word[4];
i16 r_index[2];
static const i16 table_w[3] = { 1000, -7, 300 };
static i16 ram_w[3] = { -1000, 8, -300 };

static i16 word_less_one(const i16 *const p) { return *p - 1; }
static i16 second_plus(const i16 *const p) { return p[1] + 2; }
static i16 at_twice(const i16 *const p, u8 i) { return p[i] * 2; }
#endif

#if PART(2)
i32 r_long[3];
static const i32 table_l[2] = { 70000L, -2 };
static i32 ram_l[2] = { -70000L, 5 };

static i32 long_sum(const i32 *const p) { return *p + p[1]; }
static i32 plain_long(i32 *const p) { return p[1] - 1; }
#endif

#if PART(3)
u8 r_byte[2];
static u8 bytes[4] = { 10, 20, 30, 40 };

static u8 plain_byte(u8 *const p, u8 i) { return (u8)(p[i] + 1); }
#endif

int main(void)
{
#if PART(1)
    r_word[0] = word_less_one(table_w);
    r_word[1] = word_less_one(ram_w);
    r_word[2] = second_plus(table_w);
    r_word[3] = second_plus(ram_w);
    r_index[0] = at_twice(table_w, 2);
    r_index[1] = at_twice(ram_w, 2);
#endif
#if PART(2)
    r_long[0] = long_sum(table_l);
    r_long[1] = long_sum(ram_l);
    r_long[2] = plain_long(ram_l);
#endif
#if PART(3)
    r_byte[0] = plain_byte(bytes, 1);
    r_byte[1] = plain_byte(bytes + 1, 2);
#endif
    STOP();
    return 0;
}
