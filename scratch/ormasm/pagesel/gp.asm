	processor 16f877
	radix dec
	org 0
	pagesel	0x1923
	call	0x123
	pagesel	0
	end
