/* Values returned straight from arithmetic on a run-time routine's result (shifts, multiply,
   divide) combined with a constant: computed into a temporary before the return, at their
   own width and signedness, with edge operands. */
#include "target.h"

#if PART(1)
static i16 twice_plus(i16 i) { return (i << 1) + 5; }
static i16 twice_minus(i16 i) { return i + (i - 5); }
static i16 not_shift(i16 i) { return ~(i << 1); }
i16 r_w[5];
#endif
#if PART(1) || PART(2)
static i16 prod_plus(i16 i, i16 j) { return i * j + 5; }
#endif
#if PART(2)
static i16 half_plus(i16 i) { return (i >> 1) + 5; }
static i16 wide_mix(u8 x) { return (0x50 | (x >> 4)) ^ 0xff; }
i16 r_v[5];
#endif
#if PART(3)
static u16 quot_plus(u16 i) { return (i / 3u) + 5u; }
static u16 long_scaled(u16 a) { return (u16)((u32)a * 65536UL / 8UL); }
static u16 long_quot(u16 x) { return (u16)(x / 0x8001u / 2u); }
u16 r_u[6];
#endif
#if PART(4)
static u8 mix_byte(u8 x) { return (0x50 | (x >> 4)) ^ 0xff; }
static i32 long_plus(i32 i) { return (i << 1) + 5; }
u8 r_b[2];
i32 r_l[2];
#endif

int main(void)
{
#if PART(1)
    r_w[0] = twice_plus(-32768);
    r_w[1] = twice_plus(100);
    r_w[2] = twice_minus(20);
    r_w[3] = prod_plus(-181, 181);
    r_w[4] = not_shift(0x4000);
#endif
#if PART(2)
    r_v[0] = half_plus(-1);
    r_v[1] = half_plus(-32767);
    r_v[2] = wide_mix(0);
    r_v[3] = wide_mix(0xF3);
    r_v[4] = prod_plus(0, 7);
#endif
#if PART(3)
    r_u[0] = quot_plus(65535u);
    r_u[1] = quot_plus(2);
    r_u[2] = long_scaled(65535u);
    r_u[3] = long_scaled(3);
    r_u[4] = long_quot(65535u);
    r_u[5] = long_quot(2);
#endif
#if PART(4)
    r_b[0] = mix_byte(0);
    r_b[1] = mix_byte(0xFF);
    r_l[0] = long_plus(-1073741824L);
    r_l[1] = long_plus(70000L);
#endif
    STOP();
    return 0;
}
