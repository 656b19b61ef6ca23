; 16F877: bank switching, a counting loop, a computed-goto table, port B,
; initialised data copied by the start-up code.
	processor	16F877
pcl	equ	2
status	equ	3
portb	equ	6
pclath	equ	0Ah
trisb	equ	86h
	psect	text,class=CODE,delta=2
	global	_main,_count,_result,_far,_init
_main:
	bsf	status,5
	clrf	trisb&07Fh
	movlw	33h
	movwf	_far&07Fh
	bcf	status,5
	movlw	0A5h
	movwf	portb
	clrf	_count
loop:
	incf	_count,f
	movf	_count,w
	xorlw	10
	btfss	status,2
	goto	loop
	movlw	high table
	movwf	pclath
	movlw	3
	call	table
	movwf	_result
done:
	goto	done
table:
	addwf	pcl,f
	retlw	10h
	retlw	11h
	retlw	12h
	retlw	13h
	psect	rbss_0,class=BANK0,space=1
_count:	ds	1
_result:	ds	1
	psect	rbss_1,class=BANK1,space=1
_far:	ds	1
	psect	rdata_0,class=BANK0,space=1
_init:	ds	1
	psect	idata_0,class=CODE,delta=2
	retlw	42
