/* Calls through function pointers whose arguments call other functions, and a pointer's call
   as the argument of a known function: the inner calls' frames must not overwrite argument
   bytes already stored for the outer call, and a pointer's function that calls the same
   function as its argument is no recursion. */
#include "target.h"

static volatile u8 seven = 7;

/* locals and a call of its own, so its frame and its callee's reach past its argument */
static u8 twist(u8 a) { u8 b = (u8)(a * 3), c = (u8)(b ^ 0x5A); return (u8)(b + c + seven); }
static u16 spread(u16 w) { u16 v = (u16)(w << 3); return (u16)(v ^ w ^ twist((u8)w)); }

static u8 half(u8 a) { return (u8)(a >> 1); }
static u8 twice(u8 a) { return (u8)(twist(a) + a); }

static u16 weigh(u16 w, u8 b) { return (u16)(w + b); }
/* calls twist itself: twist runs both inside the pointer's function and in its argument */
static u16 weigh_twisted(u16 w, u8 b) { return (u16)(w - twist(b)); }

static u16 scale(u16 w) { return (u16)(w * 5); }
static u16 outer(u8 a, u16 w) { return (u16)(w ^ a); }

u16 r_w[6];
u8 r_b[2];

int main(void)
{
    u16 (*wp)(u16, u8) = weigh;
    u16 (*sp)(u16) = scale;
    u8 (*bp)(u8) = half;
    u8 (*bp2)(u8) = twice;

    r_w[0] = wp(1000, twist(5));
    r_w[1] = sp(spread(0x0123));
    wp = weigh_twisted;
    r_w[2] = wp(0x1234, twist(9));
    r_w[3] = wp(spread(77), twist(4));
    r_b[0] = bp(twist(11));
    r_b[1] = bp(bp2(13));
    r_w[4] = outer(bp2(17), 0x4321);
    r_w[5] = wp(weigh(300, bp(40)), bp2(3));
    STOP();
    return 0;
}
