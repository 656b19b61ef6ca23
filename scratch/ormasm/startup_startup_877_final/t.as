
	; BRYLLEX ORMC-Lite COMPILER (Microchip PICmicro) V9.50PL2
	; Copyright (C) 2006 BRYLLEX Software

	; Auto-generated runtime startup code for final link stage.

	;
	; Compiler options:
	;
	; --chip=16F877 main.c
	;


	global	_main,start,_exit,reset_vec
	fnconf	rbss_0,?a,?
	fnroot	_main
	psect	config,class=CONFIG,delta=2
	psect	idloc,class=IDLOC,delta=2
	psect	common_ram,class=COMBANK,space=1
	psect	rbss_0,class=BANK0,space=1
	psect	rbss_1,class=BANK1,space=1
	psect	rbss_2,class=BANK2,space=1
	psect	rbss_3,class=BANK3,space=1
	psect	rdata_0,class=BANK0,space=1
	psect	rdata_1,class=BANK1,space=1
	psect	rdata_2,class=BANK2,space=1
	psect	rdata_3,class=BANK3,space=1
	psect	nvram,class=BANK0,space=1
	psect	nvram_1,class=BANK1,space=1
	psect	nvram_2,class=BANK2,space=1
	psect	nvram_3,class=BANK3,space=1
	psect	nvbit_0,class=BANK0,bit,space=1
	psect	nvbit_1,class=BANK1,bit,space=1
	psect	nvbit_2,class=BANK2,bit,space=1
	psect	nvbit_3,class=BANK3,bit,space=1
	psect	temp,ovrld,class=BANK0,space=1
	psect	struct,ovrld,class=BANK0,space=1
	psect	code,class=CODE,delta=2
	psect	rbit_0,class=BANK0,bit,space=1
	psect	ptbit_0,class=BANK0,bit,space=1
	psect	rbit_1,class=BANK1,bit,space=1
	psect	rbit_2,class=BANK2,bit,space=1
	psect	rbit_3,class=BANK3,bit,space=1
	psect	strings,class=STRING,delta=2
	psect	pstrings,class=CODE,delta=2
	psect	stringtable,class=ENTRY,delta=2
	psect	powerup,class=CODE,delta=2
	psect	reset_vec,ovrld,class=CODE,delta=2
	psect	maintext,class=CODE,delta=2
	C	set	0
	Z	set	2
	PCL	set	2
	INDF	set	0

	STATUS	equ	3
	PCLATH	equ	0Ah

	psect	eeprom_data,class=EEDATA,delta=2,space=2
	psect	idata_0,class=CODE,delta=2
	psect	idata_1,class=CODE,delta=2
	psect	idata_2,class=CODE,delta=2
	psect	idata_3,class=CODE,delta=2
	psect	intcode,class=CODE,delta=2
	psect	intret,class=CODE,delta=2
	psect	intentry,class=CODE,delta=2
	global	intlevel0,intlevel1
intlevel0
intlevel1
	psect	intsave,class=BANK0,space=1
	psect	intsave_1,class=BANK1,space=1
	psect	intsave_2,class=BANK2,space=1
	psect	intsave_3,class=BANK3,space=1
	psect	init,class=CODE,delta=2
	psect	init23,class=CODE,delta=2
	psect	text,class=CODE,delta=2
	psect	end_init,class=CODE,delta=2
	psect	clrtext,class=CODE,delta=2
	psect	float_text0,class=CODE,delta=2,size=2048
	psect	float_text1,class=CODE,delta=2,size=2048
	psect	float_text2,class=CODE,delta=2,size=2048
	psect	float_text3,class=CODE,delta=2,size=2048
	psect	float_text4,class=CODE,delta=2,size=2048

	psect	intsave_0,class=COMBANK,space=1

	psect	reset_vec
reset_vec:
	nop	; NOP inserted due to MPLAB-ICD requirements

	; No powerup routine

	; No interrupt routine

	psect	ptbit_0
global	___powerdown
___powerdown
	ds	1
global	___timeout
___timeout
	ds	1


	psect	init
start
_exit
	bcf	___powerdown/8,___powerdown&7
	btfsc	STATUS,3
	bsf	___powerdown/8,___powerdown&7
	bcf	___timeout/8,___timeout&7
	btfsc	STATUS,4
	bsf	___timeout/8,___timeout&7


;	Clearing of unitialized variables

psect init
	FSR	set	4
	STATUS	set	3


;	No uninitialized variables in bank 0


;	No initialized variables in bank 0


;	Clear bank1 uninitialized variables (3 bytes)

	global __Lrbss_1,__Hrbss_1
	global __Lrbit_1,__Hrbit_1
	global clear_bank1
	global clear_bit1
psect init
clear_bit1
clear_bank1
	bsf	STATUS,5
	clrf	((__Lrbit_1/8)+0)^0x80
	clrf	((__Lrbit_1/8)+1)^0x80
	clrf	((__Lrbit_1/8)+2)^0x80


;	Copy bank1 initialized variables (2 bytes)

	bcf	STATUS,5
	global code_ptr,copy_data,copy_bank1
	global __Lidata_1,__Lrdata_1,__Hrdata_1
	copy_bank1
	movlw	__Lidata_1 >> 8
	movwf	code_ptr+1
	movlw	__Lidata_1 & 0xFF
	movwf	code_ptr
	movlw	__Lrdata_1 & 0xFF
	movwf	FSR
	movlw	__Hrdata_1 & 0xFF
	call	copy_data


;	No uninitialized variables in bank 2


;	No initialized variables in bank 2


;	No uninitialized variables in bank 3


;	No initialized variables in bank 3


	psect	end_init
	ljmp _main
;	Copy the rdata psects
global	copy_data,code_ptr,string_indir
;	Called with FSR containing the base address, and
;	W with the last address+1, source address in code_ptr
copy_data
	movwf	count		;store end address
cpyloop
	fcall	string_indir	;get byte
	movwf	INDF	;store
	incf	FSR		;update pointer
	movf	FSR,w		;test for completion
	xorwf	count,w
	btfss	STATUS,2	;skip if zero
	goto	cpyloop
	retlw	0		;all done
psect	temp,global,class=BANK0,space=1,ovrld
count	ds	1
	end	start
