; Marks the code generator refers to when a module uses a scratch byte (used_btemp0 ..
; used_btemp14) or the code pointer (used_code_ptr). The module itself reserves the bytes in
; the overlaid temp and xtemp areas, so a mark is only a name: an equate to the byte's index.
	processor	16F877
	global	used_btemp0,used_btemp1,used_btemp2,used_btemp3,used_btemp4
	global	used_btemp5,used_btemp6,used_btemp7,used_btemp8,used_btemp9
	global	used_btemp10,used_btemp11,used_btemp12,used_btemp13,used_btemp14
	global	used_code_ptr
used_btemp0	equ	0
used_btemp1	equ	1
used_btemp2	equ	2
used_btemp3	equ	3
used_btemp4	equ	4
used_btemp5	equ	5
used_btemp6	equ	6
used_btemp7	equ	7
used_btemp8	equ	8
used_btemp9	equ	9
used_btemp10	equ	10
used_btemp11	equ	11
used_btemp12	equ	12
used_btemp13	equ	13
used_btemp14	equ	14
used_code_ptr	equ	0
	end
