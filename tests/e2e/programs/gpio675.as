; 12F675: digital I/O on GPIO; the start-up code loads OSCCAL from the
; calibration word at the top of program memory.
	processor	12F675
status	equ	3
gpio	equ	5
cmcon	equ	19h
trisio	equ	85h
ansel	equ	9Fh
	psect	text,class=CODE,delta=2
	global	_main,_copy
_main:
	movlw	7
	movwf	cmcon
	bsf	status,5
	clrf	ansel&07Fh
	movlw	08h
	movwf	trisio&07Fh
	bcf	status,5
	movlw	15h
	movwf	gpio
	movf	gpio,w
	movwf	_copy
done:
	goto	done
	psect	rbss_0,class=BANK0,space=1
_copy:	ds	1
