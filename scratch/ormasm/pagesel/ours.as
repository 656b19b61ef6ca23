	processor	16F877
	psect	text,class=CODE,delta=2
	fcall	0x1923
	end
