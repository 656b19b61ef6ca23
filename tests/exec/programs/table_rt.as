; Reads a retlw table in program memory into RAM with code_copy and string_indir, then marks
; the end in orm_done.
STATUS	equ	3
FSR	equ	4
	global	_main,_copied,_last,_orm_done
	global	code_copy,string_indir,code_ptr
	psect	temp,ovrld,class=BANK0,space=1
btemp
	ds	12
	psect	rbss_0,class=BANK0,space=1
_copied
	ds	4
_last
	ds	1
_orm_done
	ds	1
	psect	text,class=CODE,delta=2
table
	retlw	3
	retlw	1
	retlw	4
	retlw	1
	retlw	5
_main
	bcf	STATUS,5
	bcf	STATUS,7
	movlw	table&0FFh
	movwf	code_ptr
	movlw	table>>8
	movwf	code_ptr+1
	movlw	_copied
	movwf	FSR
	movlw	4
	fcall	code_copy
	fcall	string_indir	; the fifth entry: code_ptr was left after the fourth
	movwf	_last
	movlw	1
	movwf	_orm_done
stop
	goto	stop
	end
