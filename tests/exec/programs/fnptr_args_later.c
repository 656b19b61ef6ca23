/* Function pointers passed after other arguments: each lands at an offset in the callee's
   argument area, which the call graph must not take for a variable of its own. */
#include "target.h"

u8 r_seen[4];
i16 r_sum;

static void note(u8 v)
{
    r_seen[v & 3] = (u8)(r_seen[v & 3] + v);
}

static void add(i16 a, i16 b)
{
    r_sum = (i16)(r_sum + a - b);
}

static u8 twice(u8 v)
{
    return (u8)(v + v);
}

static void run2(u8 x, void (*f)(u8), void (*g)(i16, i16))
{
    f(x);
    g(x, 1);
}

static u8 run3(i16 w, void (*f)(u8), void (*g)(i16, i16), u8 (*h)(u8))
{
    g(w, -2);
    f((u8)w);
    return h((u8)w);
}

int main(void)
{
    run2(5, note, add);
    r_seen[3] = run3(6, note, add, twice);
    run2(2, note, add);
    STOP();
    return 0;
}
