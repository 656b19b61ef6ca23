; 16F84A: indirect addressing through FSR, nested calls.
	processor	16F84A
indf	equ	0
status	equ	3
fsr	equ	4
	psect	text,class=CODE,delta=2
	global	_main,_buf,_n,_sum,_depth
_main:
	movlw	_buf
	movwf	fsr
	movlw	8
	movwf	_n
fill:
	movf	_n,w
	movwf	indf
	incf	fsr,f
	decfsz	_n,f
	goto	fill
	clrf	_sum
	clrf	_depth
	call	level1
done:
	goto	done
level1:
	incf	_depth,f
	call	level2
	incf	_depth,f
	return
level2:
	incf	_depth,f
	call	addall
	return
addall:
	movlw	_buf
	movwf	fsr
	movlw	8
	movwf	_n
add:
	movf	indf,w
	addwf	_sum,f
	incf	fsr,f
	decfsz	_n,f
	goto	add
	return
	psect	rbss_0,class=BANK0,space=1
_buf:	ds	8
_n:	ds	1
_sum:	ds	1
_depth:	ds	1
