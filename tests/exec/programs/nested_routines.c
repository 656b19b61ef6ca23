/* Integer operations nested inside a divide, multiply or variable shift, whose run-time routine
   needs its operands in place: a quotient by a shifted 1, a signed quotient of a shifted sum,
   a long product of a shifted sum, with signs and wrap-around at the edges. */
#include "target.h"

#if PART(1) || PART(2)
static i16 si;
#endif
#if PART(1) || PART(2) || PART(5)
static u16 su;
static u8 n;
#endif
#if PART(3) || PART(4)
static i32 la, lb;
#endif

#if PART(1)
i16 r_q[3];
#endif
#if PART(2)
i16 r_p[3];
#endif
#if PART(3)
i32 r_l0;
#endif
#if PART(4)
i32 r_l1;
#endif
#if PART(5)
u16 r_u;
#endif

int main(void)
{
#if PART(1)
    si = -32767;
    su = 0xFFFFu;
    n = 1;
    r_q[0] = si / (1 << n);                 /* -16383 */
    r_q[1] = (i16)su / (1 << n);            /* -1 / 2 is 0 */
    n = 14;
    r_q[2] = si / (1 << n);
#endif
#if PART(2)
    si = -32767;
    n = 14;
    su = 0x3FFFu;
    r_p[0] = (i16)((su + 1u) * 4u) / 4;     /* 0x10000 wraps to 0 */
    su = 0x1FFFu;
    r_p[1] = (i16)((su << 2) + 4u) / 4;     /* 0x8000: -32768 / 4 */
    r_p[2] = (si + 7) % (3 << (n - 10)) - (si >> 2) / (n - 20);
#endif
#if PART(3)
    la = 5;
    lb = -3;
    r_l0 = ((la << 1) + lb) * lb;
#endif
#if PART(4)
    la = 0x10000000L;
    lb = 2;
    r_l1 = ((la << 1) + lb) * lb - (la / (lb + 1));
#endif
#if PART(5)
    n = 14;
    su = 1000u;
    r_u = (u16)((su * 3u) / (n + 1u)) + (u16)((su >> 1) % 7u);
#endif
    STOP();
    return 0;
}
