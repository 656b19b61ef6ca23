/* Arrays of 4 byte elements, local and global, indexed by constants and by a variable. */
#include "target.h"

i32 r_l[3];
i32 ga[2];

int main(void)
{
    u8 i;
    i32 la[2];
    i32 lt;

    i = 0;
    la[i] = 0x12345678L;
    la[1] = -1L;
    for (i = 0; i != 2; i++) {
        lt = la[i];
        ga[i] = lt;
    }
    i = 1;
    lt = ga[i];
    r_l[0] = lt;
    r_l[1] = ga[0];
    r_l[2] = la[0];
    STOP();
    return 0;
}
