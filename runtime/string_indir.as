; Reads one byte through code_ptr, for the start-up code's copy of initialised data and for
; pointers to const. A program address is that of a retlw; string_indir jumps there with
; PCLATH set from code_ptr's high byte, so that retlw returns the byte straight to our caller,
; and code_ptr is advanced to the next byte on the way. A module that uses code_ptr names
; used_code_ptr, which brings this module in.
	processor	16F877
INDF	equ	0
PCL	equ	2
STATUS	equ	3
FSR	equ	4
PCLATH	equ	10
	global	string_indir,code_ptr,used_code_ptr
used_code_ptr	equ	0

	psect	rbss_0,class=BANK0,space=1
code_ptr
	ds	2

	psect	text,class=CODE,delta=2
string_indir
	btfsc	code_ptr+1,7
	goto	si_ram
	movf	code_ptr+1,w
	movwf	PCLATH
	movf	code_ptr,w
	incf	code_ptr,f
	btfsc	STATUS,2
	incf	code_ptr+1,f
	movwf	PCL

; A RAM address (a RAM pointer passed as a pointer to const): bit 15 set, bit 8 the bank pair.
; The byte is read through FSR; FSR and IRP are given back by exchanges through W, so no
; RAM beyond code_ptr is needed and an interrupt that saves code_ptr may call this too.
si_ram
	bcf	code_ptr+1,6	; IRP kept in bit 6 meanwhile
	btfsc	STATUS,7
	bsf	code_ptr+1,6
	bcf	STATUS,7
	btfsc	code_ptr+1,0
	bsf	STATUS,7
	movf	FSR,w		; FSR <-> code_ptr
	xorwf	code_ptr,f
	xorwf	code_ptr,w
	movwf	FSR
	xorwf	code_ptr,f
	movf	INDF,w		; W: the byte; W <-> FSR
	xorwf	FSR,f
	xorwf	FSR,w
	xorwf	FSR,f
	xorwf	code_ptr,f	; W (the address) <-> code_ptr
	xorwf	code_ptr,w
	xorwf	code_ptr,f
	xorwf	FSR,f		; W (the old FSR) <-> FSR: W is the byte again
	xorwf	FSR,w
	xorwf	FSR,f
	incf	code_ptr,f
	btfsc	STATUS,2
	incf	code_ptr+1,f
	bcf	STATUS,7
	btfsc	code_ptr+1,6
	bsf	STATUS,7
	bcf	code_ptr+1,6
	return
	end
