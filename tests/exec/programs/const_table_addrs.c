/* Pointers given the address of a const table (or of an element, or a member of a const
   structure) by their initializer, in RAM, in program memory and inside a const structure:
   each must point where the code's own pointers to the table point. */
#include "target.h"

typedef struct {
    i16 c, l;
    char ch[3];
} pstr;
const pstr ao = {2, 1, "OK"};
const u8 tab[4] = {7, 8, 9, 10};
const i16 wtab[2] = {-300, 0x1234};

const pstr *ram_p = &ao;
const u8 *ram_t = &tab[1];
const pstr *const rom_p = &ao;
const u8 *const rom_t = tab + 2;
const i16 *const rom_w = wtab;
const char *const rom_ch = ao.ch;
struct ref {
    u8 tag;
    const u8 *at;
};
const struct ref refs[2] = {{1, tab}, {2, &tab[3]}};

i16 r_w[4];
u8 r_b[6];

int main(void)
{
    u8 i = tab[0] - 6;            /* 1 */
    r_w[0] = ram_p->l;            /* 1 */
    r_w[1] = rom_p->c;            /* 2 */
    r_w[2] = rom_w[i];            /* 0x1234 */
    r_w[3] = *rom_w;              /* -300 */
    r_b[0] = *ram_t;              /* 8 */
    r_b[1] = *rom_t;              /* 9 */
    r_b[2] = (u8)rom_ch[i];       /* 'K' */
    r_b[3] = *refs[0].at;         /* 7 */
    r_b[4] = *refs[i].at;         /* 10 */
    r_b[5] = refs[i].at[-2];      /* 8 */
    STOP();
    return 0;
}
