/* An interrupt function counts timer 0 overflows while the main loop keeps W, STATUS, FSR
   and PCLATH busy and checks its own results. */
unsigned char count, errors, x, y, z;

void interrupt isr(void)
{
    count = count + 1;
#asm
    bcf 11,2
#endasm
}

void main(void)
{
#asm
    bsf 3,5
    clrf 1
    bcf 3,5
    movlw 0A0h
    movwf 11
#endasm
    while (1) {
#asm
    movlw 2Ah
    movwf 4
    movlw 3
    movwf 10
    nop
    nop
    movf 4,w
    xorlw 2Ah
    btfss 3,2
    incf _errors,f
    movf 10,w
    xorlw 3
    btfss 3,2
    incf _errors,f
    clrf 10
#endasm
        x = 5;
        y = x + 3;
        if (y != 8)
            errors = errors + 1;
        z = y ^ x;
        if (z != 13)
            errors = errors + 1;
    }
}
