/* An assignment whose value is a call's result, returned: the variable keeps the value and the
   caller gets it too, on each step of a ring counter. */
#include "target.h"

static u16 ring;
static u8 ring_size = 3;
static u16 ring_next(void) { return ring == ring_size - 1 ? 0 : ring + 1; }
static u16 ring_step(void) { return ring = ring_next(); }
static i16 level;
static i16 raise_by(i16 d) { return level += d; }

u16 r_ring[4];
i16 r_level[3];

int main(void)
{
    r_ring[0] = ring_step();
    r_ring[1] = ring_step();
    r_ring[2] = ring_step() + ring;
    r_ring[3] = ring;
    r_level[0] = raise_by(-32768);
    r_level[1] = raise_by(32767);
    r_level[2] = level;
    STOP();
    return 0;
}
