; Nothing references this module: the linker must leave it in the library.
	processor	16F877
	psect	text,class=CODE,delta=2
	global	_libtwo
_libtwo:
	retlw	0
	psect	rbss_0,class=BANK0,space=1
_big:	ds	4
