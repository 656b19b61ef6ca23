struct s { int a; unsigned b:3; char c[8]; };
enum e { A, B = 5, C } ev;
typedef unsigned char byte;
byte bt;
int (*(*fp)(int))[10];
static int sf(int a, char *b) { return a + *b; }
int kr(a, b) int a; char *b; { return sf(a, b); }
int ab @ 0x20;
void interrupt isr(void) { }
extern int later[];
int use(void) { return sizeof later + later[1]; }
