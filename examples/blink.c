/* Blinks an LED on port B, bit 0, of a PIC16F877. */

static volatile unsigned char PORTB @ 0x06;
static volatile unsigned char TRISB @ 0x86;

static unsigned char ticks;

static void delay(unsigned int count)
{
    while (count--)
        ticks++;
}

void main(void)
{
    TRISB = 0xFE;
    for (;;) {
        PORTB ^= 0x01;
        delay(20000);
    }
}
