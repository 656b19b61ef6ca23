	processor	16F877
	psect	text,class=CODE,delta=2
	global	_libone
_libone:
	addlw	20h
	return
