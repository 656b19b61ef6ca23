; 16F877: initialised data in banks 0 and 1 and cleared variables, set up by the start-up code.
	processor	16F877
	psect	text,class=CODE,delta=2
	global	_main,_a,_b,_c,_z
_main:
	goto	_main
	psect	rdata_0,class=BANK0,space=1
_a:	ds	2
	psect	idata_0,class=CODE,delta=2
	retlw	11h
	retlw	22h
	psect	rdata_1,class=BANK1,space=1
_b:	ds	3
	psect	idata_1,class=CODE,delta=2
	retlw	33h
	retlw	44h
	retlw	55h
	psect	rbss_1,class=BANK1,space=1
_c:	ds	2
	psect	rbss_0,class=BANK0,space=1
_z:	ds	1
