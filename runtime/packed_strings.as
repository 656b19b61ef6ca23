; Reads one byte of a string through code_ptr on a chip that can read its own program memory,
; where string literals may be packed two 7-bit characters to a 14-bit word.
; A packed string's address has bit 14 set and counts bytes: bits 13-1 are the word, bit 0
; picks the character (0: bits 13-7 of the word, 1: bits 6-0). Any other address is a retlw
; table, which string_indir reads. Modules with packed strings name uses_packed_strings.
;
; packed_indir: the byte in W, code_ptr advanced by one. Called and returns with bank 0
; selected; clobbers STATUS and PCLATH; leaves FSR and IRP alone.
	processor	16F877
STATUS	equ	3
PCLATH	equ	10
; program-memory read registers (banks 2 and 3), as the instructions address them
EEDATA	equ	0Ch
EEADR	equ	0Dh
EEDATH	equ	0Eh
EEADRH	equ	0Fh
EECON1	equ	0Ch
	global	packed_indir,uses_packed_strings,string_indir,code_ptr
uses_packed_strings	equ	0

	psect	text,class=CODE,delta=2
packed_indir
	btfsc	code_ptr+1,6
	goto	pi_packed
	ljmp	string_indir
pi_packed
	; word address = (code_ptr & 3FFFh) >> 1
	bcf	STATUS,0
	rrf	code_ptr+1,w
	andlw	1Fh
	bsf	STATUS,6
	movwf	EEADRH
	bcf	STATUS,6
	rrf	code_ptr+1,w
	rrf	code_ptr,w
	bsf	STATUS,6
	movwf	EEADR
	bsf	STATUS,5
	bsf	EECON1,7
	bsf	EECON1,0
	nop
	nop
	bcf	STATUS,5
	; bank 2: the even character is bits 13-7 of EEDATH:EEDATA
	rlf	EEDATA,w
	rlf	EEDATH,w
	bcf	STATUS,6
	btfss	code_ptr,0
	goto	pi_have
	bsf	STATUS,6
	movf	EEDATA,w
	bcf	STATUS,6
pi_have
	andlw	7Fh
	incf	code_ptr,f
	btfsc	STATUS,2
	incf	code_ptr+1,f
	return
	end
