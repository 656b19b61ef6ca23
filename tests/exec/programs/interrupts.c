/* Timer 0 interrupts while the main loop does 32-bit arithmetic and checks every result in a
   second way: a scratch byte, FSR, PCLATH or STATUS that the interrupt code failed to keep
   shows up as a count in `errors`. The interrupt function itself multiplies and adds, so it
   uses the run-time library's scratch bytes as the main loop does. Small enough for a chip
   with 64 bytes of RAM. */
#include <chip.h>

volatile unsigned int ticks;
volatile unsigned char errors;
volatile unsigned int loops;
unsigned int isr_w;
unsigned int seed = 1;
unsigned long a, b;
unsigned char table[4];

void interrupt on_timer(void)
{
    INTCON &= ~0x04;     /* T0IF */
    ++ticks;
    isr_w = isr_w * 5 + ticks;
}

int main(void)
{
    unsigned char i, *p;

    OPTION_REG = 0x01;   /* timer 0 on the instruction clock, prescaler 1:4 */
    INTCON = 0xA0;       /* GIE, T0IE */
    for (;;) {
        a = seed;
        b = a * 12345UL;
        if (b / 12345UL != a)
            ++errors;
        if (b % 12345UL != 0)
            ++errors;
        if ((b + a) - a != b)
            ++errors;
        if ((b << 2) >> 2 != b)     /* b < 2^30 */
            ++errors;
        if (b - a * 12344UL != a)
            ++errors;
        /* indirect stores through FSR */
        for (i = 0, p = table; i < 4; ++i, ++p)
            *p = (unsigned char)(i + (unsigned char)a);
        if (table[0] != (unsigned char)a || table[3] != (unsigned char)(a + 3))
            ++errors;
        /* Floating-point checks join here once the run-time float package is in the library. */
        seed = seed * 25173U + 13849U;
        ++loops;
    }
}
