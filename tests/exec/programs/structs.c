/* Structures and unions: members read and written directly and through pointers, structure
   assignment between globals, locals and pointed-to structures, a union seen as bytes,
   words and a long. */
#include "target.h"

struct pt {
    u8 tag;
    i16 x;
    i32 big;
    u8 name[2];
};

union u {
    u8 b[4];
    i16 w[2];
    i32 l;
};

struct pt g1;
struct pt *pp;
union u gu;

i16 r_x[2];
u8 r_tag[2];
i32 r_big[2];
u8 r_name[2];
u8 r_u[4];
i16 r_uw[2];

int main(void)
{
    struct pt loc;
    i16 *pw;
    i32 *pl;
    u8 i;

    g1.tag = 0x81;
    g1.x = -5;
    g1.big = 100000L;
    g1.name[0] = 'a';
    g1.name[1] = 'b';
    loc = g1;
    pp = &g1;
    pp->x = 1234;
    pp->name[1] = 'z';
    pp->tag = 0x7E;
    r_tag[0] = loc.tag;
    loc = *pp;
    loc.tag = 3;
    loc.big = -1L;
    *pp = loc;

    pw = &r_x[0];
    *pw = loc.x;
    pw = &r_x[1];
    *pw = g1.x;
    r_tag[1] = g1.tag;
    loc.big = 0x7FFFFFFFL;
    pl = &r_big[0];
    *pl = loc.big;
    pl = &r_big[1];
    *pl = g1.big;
    for (i = 0; i != 2; i++)
        r_name[i] = loc.name[i];

    pl = &gu.l;
    *pl = 0x11223344L;
    gu.b[0] = 0xF0;
    for (i = 0; i != 4; i++)
        r_u[i] = gu.b[i];
    pw = &r_uw[0];
    *pw = gu.w[1];
    pw = &r_uw[1];
    *pw = gu.w[0];
    STOP();
    return 0;
}
