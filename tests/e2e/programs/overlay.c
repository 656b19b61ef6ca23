unsigned char r1, r2, r3;
static unsigned char leaf(unsigned char a, unsigned char b) { unsigned char t; t = a; t += b; return t; }
static unsigned char left(unsigned char a, unsigned char b) { unsigned char t; t = a; t ^= b; return t; }
static unsigned char outer(unsigned char a, unsigned char b) { unsigned char t; t = leaf(a, b); t += b; return t; }
void main(void) { r1 = left(1, 2); r2 = outer(3, 4); r3 = leaf(5, 6); for (;;) ; }
