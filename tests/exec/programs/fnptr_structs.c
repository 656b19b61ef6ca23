/* Structures of 3 and 5 bytes returned through a function pointer: with a byte argument,
   with two, and with none; stored, stored through a pointer, a member read
   directly and passed on as another call's argument. The pointer is chosen at run time. */
#include "target.h"

struct s3 { u8 a, b, c; };
struct s6 { u8 a; u8 c[3]; u8 z; };

struct s3 r3[2];
struct s6 r6;
u8 r_b[5];

static struct s3 three(u8 a) { struct s3 t; t.a = a; t.b = (u8)~a; t.c = 0x80; return t; }
static struct s3 three_x(u8 a) { struct s3 t; t.a = (u8)(a + 1); t.b = 0; t.c = 0xFF; return t; }
static struct s3 three_none(void) { struct s3 t; t.a = 0x80; t.b = 0x7F; t.c = 1; return t; }
static struct s6 six(u8 a, u8 k)
{
    struct s6 t;
    t.a = a;
    t.c[0] = k;
    t.c[1] = 0;
    t.c[2] = (u8)(a ^ k);
    t.z = (u8)(k + 1);
    return t;
}
static struct s6 six_none(void) { return six(0xFF, 0x80); }
static u8 sum3(struct s3 t) { return (u8)(t.a + t.b + t.c); }

static struct s3 (*const table3[2])(u8) = { three, three_x };
struct s3 (*f3)(u8);
static struct s3 (*const f3n)(void) = three_none;
static struct s6 (*const f6n)(void) = six_none;
static struct s6 (*const f6)(u8, u8) = six;

int main(void)
{
    u8 i;
    struct s3 *p = &r3[1];

    for (i = 0; i < 2; i++) {
        f3 = table3[i];
        r3[0] = f3(0x80);
        r_b[i] = (u8)(r3[0].a + f3(0xFF).b);
    }
    *p = f3n();
    r_b[2] = sum3(f3(1));
    r6 = f6(0x12, 0xFF);
    r_b[3] = f6(0x80, 0).z;
    r_b[4] = (u8)(f6n().z + f3n().a);

    STOP();
    return 0;
}
