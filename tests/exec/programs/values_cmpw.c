/* Comparisons and logical operators as values at 2 bytes, signed and unsigned. */
#include "target.h"

static u16 a16 = 0xFF00u, b16 = 0xFFFFu;
static i16 sw = -32768;

#if PART(1)
static i16 tw = 1;
i16 r_w, r_qw, r_notw, r_subw;
#endif

#if PART(2)
u8 r_argw;

static i16 plus(i16 a, i16 b)
{
    return (i16)(a + b);
}
#endif

int main(void)
{
#if PART(1)
    r_w = (i16)((sw < tw) + (a16 > b16) * 4 + (a16 < b16) * 8 + (sw == -32768) * 16);
    r_qw = (i16)(tw + (tw ? sw : 7));
    r_notw = (i16)(100 - !a16 - !sw * 2 - !(a16 - 0xFF00u) * 4);
    r_subw = (i16)(10 - (sw != 0) - ((u16)sw > a16) * 2);
#endif
#if PART(2)
    r_argw = (u8)plus((i16)(sw < 0), (i16)((b16 > a16) * 256));
#endif
    STOP();
    return 0;
}
