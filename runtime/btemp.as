; The scratch bytes btemp .. btemp+11 that compiled code and the run-time routines share.
; A module that uses byte n names used_btemp<n>, which brings this module in, so that the
; overlaid area is reserved at its full size in every program that uses it.
	processor	16F877
	global	used_btemp0,used_btemp1,used_btemp2,used_btemp3,used_btemp4,used_btemp5,used_btemp6,used_btemp7,used_btemp8,used_btemp9,used_btemp10,used_btemp11
	psect	temp,ovrld,class=BANK0,space=1
btemp
used_btemp0
	ds	1
used_btemp1
	ds	1
used_btemp2
	ds	1
used_btemp3
	ds	1
used_btemp4
	ds	1
used_btemp5
	ds	1
used_btemp6
	ds	1
used_btemp7
	ds	1
used_btemp8
	ds	1
used_btemp9
	ds	1
used_btemp10
	ds	1
used_btemp11
	ds	1
	end
