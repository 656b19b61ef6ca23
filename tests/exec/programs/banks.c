/* Values in both RAM banks: every operand's bank is selected where it is used, also between
   the bytes of a carry chain and around the statement temporaries in bank 0. */
#include "target.h"

BANK1 u16 b1_w;
BANK1 i32 b1_l;
BANK1 u8 b1_c;
u16 b0_w = 0x7F01U;
i8 b0_c = -3;

BANK1 u16 r1_w, r1_x;
BANK1 i32 r1_l;
BANK1 u8 r1_c;
u16 r0_w;
i32 r0_l;
u8 r0_c;

int main(void)
{
    b1_w = 0x80FFU;
    b1_l = -2;
    b1_c = 0xF0;
    r1_w = b1_w + b0_w;                  /* bank 1 + bank 0 into bank 1 */
    r0_w = b1_w - b0_w;                  /* into bank 0 */
    r1_x = (u16)~b1_w;
    r1_x += b0_w;
    r1_x ^= b1_w;
    r1_l = b1_l + b0_c;                  /* sign-extended byte of bank 0 */
    r1_l -= 0x00010001L;
    r0_l = (i32)-(ul)b1_l;
    r0_l = r0_l + (i32)b1_w;
    r1_c = (u8)(b1_c + (u8)b0_w);
    r1_c ^= 0x0F;
    r0_c = (u8)(b1_c | r1_c);
    r0_c += b1_c;
    STOP();
    return 0;
}
