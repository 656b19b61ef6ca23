/* The inner call fills the argument area the outer call is filling. */
unsigned char g;
unsigned char pair(unsigned char a, unsigned char b, unsigned char c) { return b; }
void main(void) { g = pair(1, pair(2, 3, 4), 5); }
