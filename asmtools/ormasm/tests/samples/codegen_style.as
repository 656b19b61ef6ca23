	processor	16F877
indf	equ	0
rtcc	equ	1
pc	equ	2
pcl	equ	2
status	equ	3
fsr	equ	4
porta	equ	5
portb	equ	6
portc	equ	7
pclath	equ	10
	global	_counter
	psect	rbss_0,class=BANK0,space=1
	psect	rbss_0
_counter
	ds	2
	psect	rbss_1,class=BANK1,space=1
	psect	rbss_1
_far
	ds	1
	psect	rbit_0,class=BANK0,bit,space=1
	psect	rbit_0
_flag
	ds	1
_PORTB	equ	6
	local	_hidden
	psect	nvram,class=BANK0,space=1
	psect	nvram
_hidden
	ds	1
	psect	eeprom_data,global,class=EEDATA,delta=2,space=2
	psect	eeprom_data
_ee
	db	0
	db	0
	psect	rdata_0,class=BANK0,space=1
	psect	rdata_0
_init
ds	2
	psect	idata_0,class=CODE,delta=2
	psect	idata_0
	retlw	1
	retlw	0
	global	?_add
	global	_add
	psect	text0,local,class=CODE,delta=2
	psect	text0
	file	"main.c"
	line	4
_add
;       param _a assigned to ?_add+0
_add$a	set	?_add+0
_add$b	set	?_add+2
	line	5
	movf	_add$a,w
	addwf	_add$b,w
	movwf	?a_add
	movf	_add$a+1,w
	btfsc	status,0
	incf	_add$a+1,w
	addwf	_add$b+1,w
	movwf	?a_add+1
	movf	f03,w
	movwf	f03+1
	return	;uses W
	FNSIZE	_add,4,4
	global	?a_add
	global	?_add
f03	equ	?a_add+2
	signat	_add,8250
	psect	text1,local,class=CODE,delta=2
	psect	text1
	global	_main
_main
	bcf	status,5
	bcf	status,6	;carry unused
	movlw	5
	movwf	?_add
	clrf	?_add+1
	movlw	0Ah
	movwf	?_add+2
	clrf	?_add+3
	FNCALL	_main,_add
	fcall	_add
	movwf	_counter
	bsf	status,5
	movf	_far^0x80,w
	movwf	_far^0x80
	bcf	status,5
	bcf	_flag/8,_flag&7
	bsf	_flag/8,_flag&7
	btfss	_flag/8,_flag&7
	goto	l5
	movlw	low(_counter)
	movlw	high(_counter)
	movlw	low highword(_counter)
	movlw	high highword(_counter)
	movlw	((l5+2))
	movlw	((fpl_add+0))
	movlw	_PORTB
	decf	_counter,w
	btfsc	status,2
	movlw	5
 xorwf _counter+1,w
	btfsc	status,2
	incf	_counter,w
	bsf	3,7
	bcf	3,7
l5
	movf	_counter,w
	movwf	btemp
	addlw	-6
	btfsc	status,0
goto	l30001
	xorlw	80h
	addlw	-((-3)^80h)
	btfss	status,0
	goto	l30001
movlw	1
subwf	btemp
	movlw	(S30002)>>8
	movwf	pclath
	movlw	S30002&0ffh
	addwf	btemp,w
	btfsc	status,0
incf	pclath
	movwf pc
S30002
	goto	l30001
	goto	u159
	goto	l5
l30001
u159
	xorlw	1 ^ 0
	btfsc	status,2
	goto	l5
	local	_helper
	FNCALL	_main,_helper
	fcall	_helper
	clrf status
	global	start
	ljmp	start
	FNSIZE	_main,0,0
	FNROOT	_main
	FNADDR	_add
	FNINDIR	_main,5
	FNINDARG	_main,5
	FNARG	_main,_add
	psect	text2,local,class=CODE,delta=2
	psect	text2
_helper
	movlw	3
	global	intlevel0
	FNBREAK	_helper,intlevel0
	return	;W free
	FNSIZE	_helper,0,0
	psect	swtext2,local,class=CODE,delta=2,size=256,reloc=256,with=text2
	psect	swtext2
	goto	_helper
	psect	const0,local,class=CONST,delta=2
	psect	const0
	addwf	pc
	retlw	72	;'H'
	retlw	105	;'i'
	retlw	0
	psect	ctext0,local,class=ENTRY,delta=2,size=512
	psect	ctext0
	retlw	0
	psect	intcode,class=CODE,delta=2
	psect	intcode
	global	int_func
int_func
	global	_isr
_isr
	incf	_counter
	global	intlevel1
	FNCALL	intlevel1,_isr
	FNROOT	intlevel1
	psect	intsave_0,ovrld,class=COMBANK,space=1
saved_w
	ds	1
	psect	intret,class=CODE,delta=2
	psect	intret
	movf	saved_fsr,w
	movwf	fsr	;restore FSR
	movf	saved_pclath,w
	movwf	pclath
	global	int_restore
int_restore
	movf	saved_status,w
	movwf	status
	swapf	saved_w
	swapf	saved_w,w
	retfie
	FNSIZE	_isr,0,0
	psect	intentry,class=CODE,delta=2
	psect	intentry
	global	int_entry
int_entry
	movwf	saved_w
	movf	status,w
	clrf	status
	movwf	saved_status
	psect	intsave,class=BANK0,space=1
	psect	intsave
saved_status	ds	1
	psect	intentry
	global	save_btemp0
	psect	intsave
saved_fsr	ds	1
	psect	intentry
	movf	fsr,w
	movwf	saved_fsr
	psect	intsave
saved_pclath	ds	1
	psect	intentry
	movf	pclath,w
	movwf	saved_pclath
	clrf	pclath
	global	save_code_ptr
	signat	_main,88
	signat	_isr,88


psect strings,class=STRING,delta=2

; Packed strings
global	uses_packed_strings

packed_strings
_str1	equ	(((packed_strings<<1)+0x0000)|0x4000)
_str2	equ	(((packed_strings<<1)+0x0002)|0x4000)
	dw	0x20C2	;'A', 'B'
	dw	0x4300	;'C'

;function pointer lookups
psect fpp_add,ovrld,global,class=CONST,delta=2
fpl_add
	global	?_add
	retlw	?_add
	movf	btemp,w
	ljmp	_add
	psect	temp,ovrld,class=BANK0,space=1
btemp
	ds	3
	global	used_btemp2
	global	used_btemp1
	global	used_btemp0
	psect	struct,ovrld,class=BANK0,space=1
structret
	ds	4
	global	used_code_ptr,code_ptr
	end
