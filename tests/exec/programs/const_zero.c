/* Const objects defined without an initialiser hold zeros and are read where the code looks
   for const data: a struct with a bit-field passed by value, a word, an array indexed at run
   time and a const beside an initialised one. */
#include "target.h"

struct nib {
    int b : 4;
};

static const struct nib z_nib;
static const uw z_word;
static const u8 z_tab[5];
static const uw one_word = 0x1234;

struct nib r_copy;
i16 r_field;
i16 r_copied;
uw r_word;
u8 r_tab;
uw r_one;
u8 r_loops;
static i16 count;

static void take(const struct nib h)
{
    for (; count < 1; count++) {
        r_copy = h;
        r_loops++;
    }
    r_field = h.b;
    r_copied = r_copy.b;
}

int main(void)
{
    u8 i;
    take(z_nib);
    r_word = z_word;
    r_tab = 0x55;
    for (i = 0; i < 5; i++)
        r_tab |= z_tab[i];
    r_one = one_word;
    STOP();
    return 0;
}
