; Calls a routine of another module and one of a library.
	processor	16F877
	psect	text,class=CODE,delta=2
	global	_main,_twice,_libone,_out
_main:
	movlw	5
	fcall	_twice
	fcall	_libone
	movwf	_out
done:
	goto	done
	psect	rbss_0,class=BANK0,space=1
_out:	ds	1
