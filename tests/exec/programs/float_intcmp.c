/* Float compares whose right operand (or both) is an integer converted to double: every
   width and signedness, tested as a condition and as a value. One result per group: each
   converts two integer widths, and the small chips' program memory holds no more beside the
   float package. */
#include "target.h"

double da = -3.0, db = 200.0;
#if PART(1) || PART(6)
i8 sc = -3;
#endif
#if PART(1) || PART(2)
u8 uc = 200;
#endif
#if PART(2) || PART(3)
i16 si = -300;
#endif
#if PART(3) || PART(4)
u16 ui = 40000;
#endif
#if PART(4) || PART(5)
i32 sl = -70000;
#endif
#if PART(5) || PART(6)
u32 ug = 3000000000;
#endif

/* bit 0: right of >=; 1: right of <= under ?:; 2: both sides converted, right of >; 3: right
   of <, ==, or != under if (each in two groups) */
#define CMP(r, v, w) r = (u8)((da >= (double)(v)) | (db <= (double)(v) ? 2 : 0) | ((double)(w) > (double)(v)) << 2)
#define LT(r, v) r |= (u8)((db < (double)(v)) << 3)
#define EQ(r, v) r |= (u8)((da == (double)(v)) << 3)
#define NE(r, v) if (db != (double)(v)) r |= 8

#if PART(1)
u8 r_sc;
#endif
#if PART(2)
u8 r_uc;
#endif
#if PART(3)
u8 r_si;
#endif
#if PART(4)
u8 r_ui;
#endif
#if PART(5)
u8 r_sl;
#endif
#if PART(6)
u8 r_ug;
#endif

int main(void)
{
#if PART(1)
    CMP(r_sc, sc, uc);
    EQ(r_sc, sc);
#endif
#if PART(2)
    CMP(r_uc, uc, si);
    NE(r_uc, uc);
#endif
#if PART(3)
    CMP(r_si, si, ui);
    LT(r_si, si);
#endif
#if PART(4)
    CMP(r_ui, ui, sl);
    EQ(r_ui, ui);
#endif
#if PART(5)
    CMP(r_sl, sl, ug);
    NE(r_sl, sl);
#endif
#if PART(6)
    CMP(r_ug, ug, sc);
    LT(r_ug, ug);
#endif
    STOP();
}
