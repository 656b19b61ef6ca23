/* Strings read through pointers. With the space option on a chip that reads its own program
   memory the 7-bit strings are packed two characters to a word, each starting at either half
   of a word; a string sharing its tail with another ("...abc" ending in ""), the string with
   bytes above 127 and the table of bytes stay retlw tables, read through the same pointers. */
#include "target.h"

static const char high[] = "\x80\xff\x7f";
static const unsigned char bytes[5] = { 1, 2, 0x7F, 0x80, 0xFF };

u8 r_len[4];
u16 r_sum[4];
u8 r_high[3];
u16 r_bytes;

static u8 count;

static u16 checksum(const char *s)
{
    u16 sum = 0;
    u8 n = 0;
    u8 c;
    for (;;) {
        c = (u8)*s;
        if (c == 0)
            break;
        sum = (u16)((uw)sum * 3 + c);
        s++;
        n++;
    }
    count = n;
    return sum;
}

int main(void)
{
    u8 i;
    const unsigned char *b;

    r_sum[0] = checksum("The quick brown fox jumps over the lazy dog.");
    r_len[0] = count;
    r_sum[1] = checksum("0123456789abc");
    r_len[1] = count;
    r_sum[2] = checksum("");
    r_len[2] = count;
    r_sum[3] = checksum("Packed strings hold two seven-bit characters in each fourteen-bit word");
    r_len[3] = count;
    for (i = 0; i < 3; i++)
        r_high[i] = (u8)high[i];
    b = bytes;
    r_bytes = 0;
    for (i = 0; i < 5; i++)
        r_bytes = (u16)((uw)r_bytes * 5 + b[i]);
    STOP();
    return 0;
}
