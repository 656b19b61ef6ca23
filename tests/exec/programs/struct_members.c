/* Members of a returned structure read straight from the call: f().m for structures of 2
   and 4 bytes, f().arr[i] with a constant and a computed index for every size from 1 to 6
   bytes, and a 3-byte structure returned and stored through a pointer. Unions and 5-byte
   structures are in struct_unions.c. */
#include "target.h"

struct a1 { u8 v[1]; };
struct a2 { u8 v[2]; };
struct a3 { u8 v[3]; };
struct a4 { u8 v[4]; };
struct a6 { u8 k; u8 v[5]; };
struct w2 { i16 w; };
struct l4 { u8 lo; i16 mid; u8 hi; };

/* C89 lets no array of a returned structure be indexed (it is no lvalue), so the host, which
   only works out the expected values, reads the element from a copy. */
#ifdef __ORMC__
#define ELEM(T, call, i) ((call).v[i])
#else
#define ELEM(T, call, i) T##_at(call, i)
#define HOST_AT(T) static u8 T##_at(struct T t, u8 i) { return t.v[i]; }
#if PART(1) || PART(6)
HOST_AT(a1)
#endif
#if PART(1)
HOST_AT(a2)
#endif
#if PART(2) || PART(7)
HOST_AT(a3)
#endif
#if PART(3)
HOST_AT(a4)
#endif
#if PART(4)
HOST_AT(a6)
#endif
#endif

#if PART(1) || PART(2) || PART(3) || PART(4) || PART(7)
u8 r_arr[10];
#endif
#if PART(5)
i16 r_w[3];
#endif
#if PART(6)
u8 r_l[2];
struct a3 g_at[1];
#endif

#if PART(1) || PART(6)
static struct a1 fa1(u8 x) { struct a1 t; t.v[0] = x; return t; }
#endif
#if PART(1)
static struct a2 fa2(u8 x) { struct a2 t; t.v[0] = x; t.v[1] = (u8)~x; return t; }
#endif
#if PART(2) || PART(6) || PART(7)
static struct a3 fa3(u8 x) { struct a3 t; t.v[0] = x; t.v[1] = 0x80; t.v[2] = (u8)(x + 1); return t; }
#endif

#if PART(3)
static struct a4 fa4(u8 x)
{
    struct a4 t;
    u8 i;
    for (i = 0; i < 4; i++)
        t.v[i] = (u8)(x + i);
    return t;
}
#endif

#if PART(4) || PART(7)
static struct a6 fa6(u8 x)
{
    struct a6 t;
    u8 i;
    t.k = 0xFF;
    for (i = 0; i < 5; i++)
        t.v[i] = (u8)(x ^ (0x80 >> i));
    return t;
}
#endif

#if PART(5)
static struct w2 fw2(i16 w) { struct w2 t; t.w = w; return t; }
#endif
#if PART(5) || PART(6)
static struct l4 fl4(u8 lo, i16 mid) { struct l4 t; t.lo = lo; t.mid = mid; t.hi = (u8)~lo; return t; }
#endif

int main(void)
{
#if PART(1) || PART(2) || PART(3) || PART(4)
    u8 i = 2;
#endif

#if PART(1)
    r_arr[0] = ELEM(a1, fa1(0x80), 0);
    r_arr[1] = ELEM(a2, fa2(0x0F), 1);
    r_arr[2] = ELEM(a2, fa2(0xF0), i - 2);
#endif
#if PART(2)
    r_arr[3] = ELEM(a3, fa3(0xFF), i);
    r_arr[4] = ELEM(a3, fa3(0), 1);
#endif
#if PART(3)
    r_arr[5] = ELEM(a4, fa4(0xFE), i + 1);
    r_arr[6] = ELEM(a4, fa4(0x7F), 1);
#endif
#if PART(4)
    r_arr[7] = ELEM(a6, fa6(0), i + 2);
    r_arr[8] = ELEM(a6, fa6(0xFF), 0);
#endif
#if PART(7)
    r_arr[9] = (u8)(fa6(1).k + ELEM(a3, fa3(2), 2));
#endif

#if PART(5)
    r_w[0] = fw2(-32768).w;
    r_w[1] = fl4(0xFF, -1).mid;
    r_w[2] = (i16)(fw2(100).w - fl4(1, 1000).mid);
#endif
#if PART(6)
    r_l[0] = fl4(0x80, 0).hi;
    r_l[1] = fl4(0, 0x7FFF).lo;

    g_at[ELEM(a1, fa1(0), 0)] = fa3(0x7F);
    r_l[0] = (u8)(r_l[0] + g_at[0].v[0] + g_at[0].v[1] + g_at[0].v[2]);
#endif

    STOP();
    return 0;
}
