/* Structures returned: from a local and through a pointer, handed on by return f(), and used
   as another call's argument. */
#include "target.h"

struct three { u8 tag; i16 v; u8 pad[3]; };

i16 r_three[3];
u8 r_kept;

static struct three make(u8 tag, i16 v)
{
    struct three t;
    t.tag = tag;
    t.v = v;
    return t;
}

static struct three pick(struct three *p)
{
    return *p;
}

static struct three again(u8 tag)
{
    return make(tag, -32768);
}

static i16 value_of(u8 k, struct three t)
{
    return (i16)(t.v + k);
}

int main(void)
{
    struct three t;

    t = make(7, -1);
    r_three[0] = t.v;
    t = again(9);
    r_three[1] = t.v;
    t = pick(&t);
    r_kept = t.tag;
    r_three[2] = value_of(3, make(1, 32000));
    STOP();
    return 0;
}
