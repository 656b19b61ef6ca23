/* Const automatics whose const comes from a typedef (directly, through a second typedef, and
   on a byte), set at run time: each keeps its own value per call and per pass of a loop. */
#include "target.h"

typedef const i16 ci;
typedef ci cci;
typedef const u8 cb;

i16 r_once;
i16 r_loop;
u8 r_byte;
i16 r_nested;

static i16 once(i16 i)
{
    ci k = i;
    return k + 1;
}

static u8 byte_of(u8 a, u8 b)
{
    cb x = a ^ b;
    cb y = (u8)(x << 1);
    return (u8)(x + y);
}

static i16 nested(i16 n)
{
    cci twice = n * 2;
    ci minus = -twice;
    return twice - minus;
}

int main(void)
{
    i16 i;
    r_once = once(-300) + once(7);
    for (i = 0; i < 5; i++) {
        ci step = i * i - 3;
        r_loop += step;
    }
    r_byte = byte_of(0x5A, 0x0F);
    r_nested = nested(-41);
    STOP();
    return 0;
}
