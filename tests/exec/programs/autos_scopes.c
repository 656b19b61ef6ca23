/* Autos of nested and sibling blocks: blocks that are not nested in one another may share
   bytes, an outer auto stays intact while inner blocks come and go, a block's autos keep
   their own bytes while it runs (also when a later block reuses the names' records), and
   arrays, address-taken and volatile autos inside blocks keep their values. */
#include "target.h"

u8 r_b[8];
u16 r_w[3];
u32 r_l;

static u8 bump(u8 x) {
    u8 t;
    t = x + 1;
    return t;
}

/* Each turn runs one of two sibling blocks: two bytes in one, a word in the other. */
static u16 sum_blocks(u8 n) {
    u16 total = 0;
    u8 i;
    for (i = 0; i < n; i++) {
        if (i & 1) {
            u8 a = i, b = i + 3;
            total += (uw)a * b;
        } else {
            u16 w = 1000;
            w -= i;
            {
                u8 c = bump(i);
                w += c;
            }
            total += w;
        }
    }
    return total;
}

static u8 nested(u8 x) {
    u8 depth1 = x;
    {
        u8 depth2 = depth1 + 1;
        {
            u8 depth3 = depth2 + 1;
            {
                u16 depth4 = (uw)depth3 * 100;
                depth1 += (u8)(depth4 >> 8);
            }
            depth2 += depth3;
        }
        depth1 ^= depth2;
    }
    return depth1;
}

int main(void) {
    u8 keep = 0x5A;
    {
        u8 a1 = 3, a2 = 4;
        r_b[0] = a1 * 10 + a2;
        keep += a1;
    }
    {
        u16 p = 0x1234;
        u8 q = 0x77;
        {
            u8 deep = q ^ 0xFF;
            p += deep;
        }
        r_w[0] = p;
        r_b[1] = q;
    }
    {
        u8 arr[3];
        u8 *pp = &arr[1];
        arr[0] = 1;
        arr[1] = 2;
        arr[2] = 3;
        *pp += 10;
        r_b[2] = arr[0] + arr[1] + arr[2];
    }
    {
        volatile u8 v;
        v = 9;
        v += bump(v);
        r_b[3] = v;
    }
    {
        u8 spare;
        u32 big = 0x01020304UL;
        spare = 7;
        big <<= 4;
        big += spare - 7;
        r_l = big;
    }
    {
        u8 k = 5;
        if (k == 5) r_b[4] = 1;
        else r_b[4] = 2;
    }
    r_w[1] = sum_blocks(6);
    r_b[5] = nested(7);
    r_b[6] = nested(0xFF);
    {
        i8 s1 = -128, s2 = -1;
        i16 sw = -32768;
        sw += s1;
        sw -= s2;
        r_w[2] = (u16)sw;
    }
    r_b[7] = keep;
    STOP();
    return 0;
}
