; Blinks an LED on port B, bit 0, of a PIC16F877: the assembler form of blink.c.
	processor	16F877
status	equ	3
portb	equ	6
trisb	equ	86h

	global	_main
	psect	rbss_0,class=BANK0,space=1
	psect	rbss_0
_count
	ds	2

	psect	text0,local,class=CODE,delta=2
	psect	text0
_main
	bsf	status,5		; bank 1
	movlw	0FEh
	movwf	trisb^80h		; bit 0 of port B is an output
	bcf	status,5		; bank 0
loop
	movlw	1
	xorwf	portb,f			; toggle the LED
	fcall	delay
	goto	loop

; Counts _count down from 20000.
delay
	movlw	low 20000
	movwf	_count
	movlw	high 20000
	movwf	_count+1
again
	movf	_count,w
	iorwf	_count+1,w
	btfsc	status,2
	return
	movlw	1
	subwf	_count,f
	btfss	status,0
	decf	_count+1,f
	goto	again
