; Reads one byte of program memory for the start-up code's copy of initialised data.
; code_ptr holds the program address of a retlw; string_indir jumps there with PCLATH set
; from code_ptr's high byte, so that retlw returns the byte straight to our caller, and
; code_ptr is advanced to the next byte on the way. A module that uses code_ptr names
; used_code_ptr, which brings this module in.
	processor	16F877
PCL	equ	2
STATUS	equ	3
PCLATH	equ	10
	global	string_indir,code_ptr,used_code_ptr
used_code_ptr	equ	0

	psect	rbss_0,class=BANK0,space=1
code_ptr
	ds	2

	psect	text,class=CODE,delta=2
string_indir
	movf	code_ptr+1,w
	movwf	PCLATH
	movf	code_ptr,w
	incf	code_ptr,f
	btfsc	STATUS,2
	incf	code_ptr+1,f
	movwf	PCL
	end
