/* Structures of 1 and 3 bytes returned: assigned (also to a bank 1 variable), passed on as
   another call's argument (f(g())), handed on by return f(), returned through a pointer, a
   member of the result read directly (f().m) and used in arithmetic. Bytes 0, 0FFh and 80h
   travel in every position. Five bytes and more, unions and f().arr[i] are in
   struct_members.c. */
#include "target.h"

struct s1 { u8 a; };
struct s3 { u8 a; i16 b; };

u8 r_one[5];
i16 r_three[6];
u8 r_tag[4];
BANK1 struct s3 r_far3;
BANK1 struct s1 r_far1;

static struct s1 one(u8 a)
{
    struct s1 t;
    t.a = a;
    return t;
}

static struct s3 three(u8 a, i16 b)
{
    struct s3 t;
    t.a = a;
    t.b = b;
    return t;
}

/* Through a pointer, and handed on from another call. */
static struct s1 one_at(struct s1 *p) { return *p; }
static struct s3 three_at(struct s3 *p) { return *p; }
static struct s3 three_again(u8 a) { return three(a, -32768); }
static struct s1 one_again(u8 a) { return one(a); }

/* A structure of each size taken by value, as first and as later argument. */
static u8 one_in(struct s1 t) { return (u8)(t.a + 1); }
static i16 three_in(u8 k, struct s3 t) { return (i16)(t.b + k + t.a); }
static struct s3 three_swap(struct s3 t)
{
    struct s3 u;
    u.a = (u8)t.b;
    u.b = t.a;
    return u;
}

int main(void)
{
    struct s1 o;
    struct s3 t;

    o = one(0xFF);
    r_one[0] = o.a;
    r_one[1] = one(0x80).a;
    r_one[2] = one_in(one(0));
    r_one[3] = one_at(&o).a;
    r_one[4] = one_again(0x7F).a;

    t = three(0x80, -1);
    r_three[0] = t.b;
    r_tag[0] = t.a;
    r_three[1] = three(0, 0x7FFF).b;
    r_three[2] = three_again(0xFF).b;
    r_three[3] = three_in(3, three(0xFF, 0x00FF));
    r_three[4] = three_at(&t).b + three(1, 2).b * 3;
    t = three_swap(three(0x12, 0x3480));
    r_three[5] = t.b;
    r_tag[1] = t.a;
    r_far3 = three(0xFF, -32768);
    r_far1 = one(0x80);
    r_tag[2] = (u8)(r_far3.a ^ r_far1.a);
    r_tag[3] = (u8)(three(0x80, 0).a + one(0x80).a);

    STOP();
    return 0;
}
