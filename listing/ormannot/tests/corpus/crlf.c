int a;
	int	b;

/* crlf */	int c;
