; The extended scratch bytes xbtemp .. xbtemp+2, named used_btemp12 .. used_btemp14 by the
; modules that use them (see btemp.as).
	processor	16F877
	global	used_btemp12,used_btemp13,used_btemp14
	psect	xtemp,ovrld,class=BANK0,space=1
xbtemp
used_btemp12
	ds	1
used_btemp13
	ds	1
used_btemp14
	ds	1
	end
