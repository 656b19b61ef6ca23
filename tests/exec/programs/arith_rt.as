; Calls into the run-time library through the driver's libraries: a 16-bit product, a 32-bit
; quotient and a signed byte remainder, then marks the end in orm_done.
STATUS	equ	3
	global	_main,_product,_quotient,_remainder,_orm_done
	global	lwmul,lldiv,abmod
	psect	temp,ovrld,class=BANK0,space=1
btemp
	ds	12
	psect	rbss_0,class=BANK0,space=1
_product
	ds	2
_quotient
	ds	4
_remainder
	ds	1
_orm_done
	ds	1
	psect	text,class=CODE,delta=2
_main
	bcf	STATUS,5
	movlw	0D2h		; 1234 * 56
	movwf	btemp
	movlw	04h
	movwf	btemp+1
	movlw	56
	movwf	btemp+4
	clrf	btemp+5
	fcall	lwmul
	movf	btemp,w
	movwf	_product
	movf	btemp+1,w
	movwf	_product+1
	movlw	0A0h		; 100000 / 7
	movwf	btemp
	movlw	86h
	movwf	btemp+1
	movlw	01h
	movwf	btemp+2
	clrf	btemp+3
	movlw	7
	movwf	btemp+4
	clrf	btemp+5
	clrf	btemp+6
	clrf	btemp+7
	fcall	lldiv
	movf	btemp,w
	movwf	_quotient
	movf	btemp+1,w
	movwf	_quotient+1
	movf	btemp+2,w
	movwf	_quotient+2
	movf	btemp+3,w
	movwf	_quotient+3
	movlw	-7		; -7 % 3
	movwf	btemp
	movlw	3
	movwf	btemp+4
	fcall	abmod
	movwf	_remainder
	movlw	1
	movwf	_orm_done
stop
	goto	stop
	end
