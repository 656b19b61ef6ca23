/* Blinks an LED on port B, bit 0, of a PIC16F877A: the chip header names the port and its
   direction register, and a delay loop sets the pace. */
#include <chip.h>

static unsigned char ticks, left;

static void delay(unsigned char n)
{
    left = n;
    do {
        ticks++;
        left--;
    } while (left != 0);
}

void main(void)
{
    TRISB = 0xFE;
    for (;;) {
        PORTB ^= 0x01;
        delay(50);
    }
}
