/* Words and longs reached through a pointer to a pointer (stored, read, stored from a pointer
   step); const word and long parameters read, compared and taken the address of; a const
   structure wider than a long copied through a pointer. Groups run one at a time on the chips
   with the least RAM. */
#include "target.h"

#if PART(1)
i16 r_store[3];
i16 r_read;
static i16 wa = 1, wb = 2, wc = 3;

static void store_word(i16 **p, i16 v) { **p = v; }
static void store_const(i16 **p) { **p = -5; }
static i16 read_word(i16 **p) { return **p + 1; }
#endif

#if PART(2)
i32 r_long;
i16 r_step[2];
static i32 la = 70000;

static void store_long(i32 **p, i32 v) { **p = v; }

/* The value comes from a pointer stepped in the same statement; the double pointer then steps. */
static void store_stepped(i16 **p, i16 *q)
{
    **p = *q++;
    (void)*(*p++)++;
    **p = *q;
}
#endif

#if PART(3)
i16 r_cparam[4];
i32 r_clong;

static i16 pick(const i16 x) { return x ? x : -x; }
static i16 through(const i16 *p) { return *p; }

/* Its address is a RAM address: read back through a pointer to const, here and in a callee. */
static i16 neg_unless(const i16 x, i16 y)
{
    y = x ? y : -y;
    {
        const i16 *a = &x;
        return y + *a + through(&x);
    }
}
typedef const i32 cl;
static i32 add_long(cl x) { return x == 0 ? -1 : x + 1; }
#endif

#if PART(4)
typedef struct {
    struct {
        i16 half;
        u8 cap;
        i32 limit;
    } line;
} state;

i16 r_copy[2];
i32 r_climit;
static const state initial = {{-2, 7, 100000}};

static void reset(state *s) { *s = initial; }
#endif

int main(void)
{
#if PART(1)
    {
    i16 *pw = &wa;
    store_word(&pw, 0x1234);
    pw = &wb;
    store_const(&pw);
    pw = &wc;
    store_word(&pw, wa + wb);
    r_store[0] = wa;
    r_store[1] = wb;
    r_store[2] = wc;
    r_read = read_word(&pw);
    }
#endif
#if PART(2)
    {
    i32 *pl = &la;
    i16 *pair[2];
    i16 src[2] = {-300, 1234};
    i16 dst[2] = {0, 0};
    store_long(&pl, la * 3 + 1);
    r_long = la;
    pair[0] = &dst[0];
    pair[1] = &dst[1];
    store_stepped(pair, src);
    r_step[0] = dst[0];
    r_step[1] = dst[1] + (pair[0] == &dst[1]);
    }
#endif
#if PART(3)
    r_cparam[0] = pick(-7);
    r_cparam[1] = pick(0);
    r_cparam[2] = neg_unless(0, 9);
    r_cparam[3] = neg_unless(300, 9);
    r_clong = add_long(0) + add_long(-100000);
#endif
#if PART(4)
    {
    state st = {{0, 0, 0}};
    reset(&st);
    r_copy[0] = st.line.half;
    r_copy[1] = st.line.cap;
    r_climit = st.line.limit;
    }
#endif
    STOP();
    return 0;
}
