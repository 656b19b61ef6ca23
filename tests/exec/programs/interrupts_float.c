/* Timer 0 interrupts while the main loop does float arithmetic and checks every result in a
   second way: the float package works in the run-time library's scratch bytes, which the
   interrupt function's own multiply uses too, so a byte its save code missed shows up as a
   count in `errors`. Apart from interrupts.c so that each fits a chip with 1K words of ROM. */
#include <chip.h>

volatile unsigned int ticks;
volatile unsigned char errors;
volatile unsigned int loops;
unsigned int isr_w;
unsigned int seed = 1;
double fx, fy;

void interrupt on_timer(void)
{
    INTCON &= ~0x04;     /* T0IF */
    ++ticks;
    isr_w = isr_w * 5 + ticks;
}

int main(void)
{
    OPTION_REG = 0x01;   /* timer 0 on the instruction clock, prescaler 1:4 */
    INTCON = 0xA0;       /* GIE, T0IE */
    for (;;) {
        /* a 16-bit integer is exact in either double, and so is each result below */
        fx = seed;
        fy = fx * 4.0;
        if ((unsigned int)(fy * 0.25) != seed)
            ++errors;
        if (fy - fx != fx * 3.0)
            ++errors;
        if (fx * 0.5 + fx * 0.5 != fx)
            ++errors;
        if (fy < fx || -fy > -fx)
            ++errors;
        seed = seed * 25173U + 13849U;
        ++loops;
    }
}
