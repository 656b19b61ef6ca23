/* 32-bit values: moves, constants, + - & | ^ ~ and negation, compound assignments and
   increments, with carries and borrows through every byte. */
#include "target.h"

u32 one = 1;
#if PART(1) || PART(2) || PART(4)
u32 ones = 0xFFFFFFFFUL, edges = 0x00FFFF00UL;
#endif
#if PART(3)
i32 most_neg = -2147483647L - 1;
#endif
#if PART(1)
u32 r_add, r_sub;
#endif
#if PART(2)
u32 r_logic;
#endif
#if PART(3) || PART(4)
u32 r_ops;
i32 r_neg;
#endif

int main(void)
{
#if PART(1)
    r_add = ones + one;                  /* carry through all four bytes: 0 */
    r_add = r_add + edges;
    r_add += 0x00000100UL;               /* carry out of bytes 1 and 2 */
    r_sub = one - ones;                  /* borrow through all four bytes */
    r_sub = r_sub - 0x01000000UL;        /* borrow from byte 3 */
    r_sub -= edges;
    r_sub = 0x00010000UL - r_sub;        /* a constant less a variable */
#endif
#if PART(2)
    r_logic = (ones ^ edges) | (one & 0x0F0F0F0FUL);
    r_logic = r_logic + ~edges;
#endif
#if PART(3)
    r_neg = (i32)-(ul)most_neg;          /* the most negative value is its own negation */
    r_neg = (i32)((ul)r_neg - (ul)(i32)-(ul)(i32)one);
#endif
#if PART(3) || PART(4)
    r_neg = (i32)(r_ops = 0x00FFFFFFUL);
#endif
#if PART(4)
    r_ops++;                             /* 00FFFFFF -> 01000000 */
    r_ops--;
    r_ops--;
    r_ops += 0xFFFFFFFFUL;
    r_ops += one;
    r_ops -= 0x00010001UL;
    r_ops &= ones;
    r_ops |= 0x80000000UL;
    r_ops ^= edges;
#endif
    STOP();
    return 0;
}
