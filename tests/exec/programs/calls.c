/* Calls: arguments of every size in many positions, results of every size, nested calls,
   locals in several functions and a chain of calls six deep. */
#include "target.h"

#if PART(1)
u8 r_pick, r_nested, r_seq, r_notes, r_byte;
#endif
#if PART(2)
u8 r_mixed;
i16 r_b;
i32 r_c;
u32 r_e;
#endif
#if PART(3) || PART(4)
u8 r_ignored;
#endif
#if PART(3)
i16 r_w1, r_w2, r_later;
#endif
#if PART(4)
i32 r_l1, r_l2;
#endif
#if PART(5)
u8 r_chain, r_chain2;
#endif

#if PART(1)
/* Order-sensitive: the arguments must arrive in the right order. */
static void note(u8 v)
{
    r_seq ^= 0x5A;
    r_seq += v;
    r_notes++;
}

static u8 pick3(u8 a, u8 b, u8 c)
{
    note(a);
    note(b);
    note(c);
    return b;
}

static u8 first_of(u8 a, u8 b)
{
    note(b);
    return a;
}
#endif

#if PART(2)
static u8 mixed(u8 a, i16 b, i32 c, u8 d, u32 e)
{
    r_b = b;
    r_c = c;
    r_e = e;
    return (u8)(a ^ d);
}
#endif

#if PART(3)
static i16 word_of(i16 w)
{
    i16 copy;
    copy = w;
    return copy;
}

static i16 word_const(void) { return -32768; }
static i16 later(i16 w, u8 b);
#endif

#if PART(4)
static i32 long_of(i32 l, u8 kept)
{
    i32 copy;
    copy = l;
    r_ignored = kept;
    return copy;
}

static i32 long_const(void) { return 0x12345678L; }
#endif

#if PART(1) || PART(5)
static u8 byte_const(void) { return 0xFF; }
#endif

#if PART(5)
static u8 depth6(u8 v) { return (u8)(v + 6); }
static u8 depth5(u8 v) { return depth6((u8)(v + 5)); }
static u8 depth4(u8 v) { u8 t; t = depth5((u8)(v + 4)); return t; }
static u8 depth3(u8 v) { return depth4((u8)(v + 3)); }
static u8 depth2(u8 v) { u8 t; t = depth3((u8)(v + 2)); return t; }
static u8 depth1(u8 v) { return depth2((u8)(v + 1)); }
#endif

int main(void)
{
#if PART(1)
    u8 b;
#endif
#if PART(3)
    i16 w;
#endif

#if PART(1)
    r_pick = pick3(1, 2, 3);
    r_byte = byte_const();
    b = first_of(byte_const(), pick3(7, 8, 9));
    r_nested = b;
    byte_const();
#endif
#if PART(2)
    r_mixed = mixed(0x5A, -2, -100000L, 0xA5, 0xFFFFFFFFUL);
#endif
#if PART(4)
    r_l1 = long_of(long_const(), 3);
    r_l2 = long_of(-2147483647L - 1, 9);
    long_const();
#endif
#if PART(3)
    w = word_of(-1);
    r_w1 = w;
    r_w2 = word_of(word_const());
    r_later = later(-300, 0x80);
    word_const();
#endif
#if PART(5)
    r_chain = depth1(10);
    r_chain2 = depth1(byte_const());
#endif
    STOP();
    return 0;
}

#if PART(3)
/* Called before it is defined. */
static i16 later(i16 w, u8 b)
{
    r_ignored = (u8)(r_ignored ^ b);
    return w;
}
#endif
