/* Recursion through two functions and directly: the compiled stack cannot hold it. */
unsigned char g;
unsigned char down(unsigned char n);
unsigned char up(unsigned char n) { unsigned char t; t = n; if (t == 0) return 0; return down(t); }
unsigned char down(unsigned char n) { return up(n); }
unsigned char self(unsigned char n) { if (n == 0) return 1; return self(n); }
void main(void) { g = up(3); g = self(2); }
