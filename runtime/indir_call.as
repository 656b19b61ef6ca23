; Calls through a function pointer. The caller loads the pointer (the program address of the
; function's lookup entry) into code_ptr, leaves a first argument in btemp, and calls here; the
; jump keeps the caller's return address on the stack, so the function returns to the caller.
; Called with bank 0 selected; clobbers W and PCLATH before the function runs.
	processor	16F877
PCL	equ	2
PCLATH	equ	10
	global	indir_call,code_ptr

	psect	text,class=CODE,delta=2
indir_call
	movf	code_ptr+1,w
	movwf	PCLATH
	movf	code_ptr,w
	movwf	PCL
	end
