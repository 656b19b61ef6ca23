; Block copies for structure assignment and initialisation.
;
; ram_copy: copies W bytes (0 copies nothing) from RAM to RAM, lowest address first.
;   btemp+0 source address (low 8 bits), btemp+1 bit 0: source in banks 2-3 (IRP);
;   btemp+2 destination address (low 8 bits), btemp+3 bit 0: destination in banks 2-3.
;   A block must not cross an address ending in 0FFh (no object does: SFRs end each bank).
; code_copy: copies W bytes (0 copies nothing) from a retlw table in program memory to RAM.
;   code_ptr (2 bytes) the program address of the first retlw, advanced past the block;
;   FSR the destination, IRP selecting its bank pair as the caller left it.
;
; Both are called with bank 0 selected (RP0 = RP1 = 0) and return with it selected; they
; clobber W, STATUS (C, Z, DC), FSR and btemp+4. ram_copy also advances btemp and btemp+2,
; clobbers btemp+5 and returns with IRP clear; code_copy leaves IRP as it found it and
; clobbers PCLATH (left at this page).
; code_copy needs three levels of the hardware stack, the caller's call included.
	processor	16F877
INDF	equ	0
STATUS	equ	3
FSR	equ	4
PCLATH	equ	10
	global	ram_copy,code_copy,string_indir,code_ptr
	; only the six scratch bytes the copies use: a small chip keeps the rest
	psect	temp,ovrld,class=BANK0,space=1
btemp
	ds	6
	psect	text,class=CODE,delta=2
ram_copy
	movwf	btemp+4
	movf	btemp+4,f
	btfsc	STATUS,2
	return
rc_loop
	bcf	STATUS,7
	btfsc	btemp+1,0
	bsf	STATUS,7
	movf	btemp,w
	movwf	FSR
	movf	INDF,w
	movwf	btemp+5
	bcf	STATUS,7
	btfsc	btemp+3,0
	bsf	STATUS,7
	movf	btemp+2,w
	movwf	FSR
	movf	btemp+5,w
	movwf	INDF
	incf	btemp,f
	incf	btemp+2,f
	decfsz	btemp+4,f
	goto	rc_loop
	bcf	STATUS,7
	return

code_copy
	movwf	btemp+4
	movf	btemp+4,f
	btfsc	STATUS,2
	return
cc_loop
	call	string_indir
	movwf	INDF
	incf	FSR,f
	; string_indir left PCLATH at the table's page: back to ours before jumping
	movlw	cc_loop>>8
	movwf	PCLATH
	decfsz	btemp+4,f
	goto	cc_loop
	return
	end
