/* Corners of macro expansion: stringizing literals, pasting numbers, calls across lines. */
#define STR(x) #x
#define CAT(a,b) a ## b
#define F(x, y) x + y
#define G F
#define H() 7
#define ID(x) x
const char *s1 = STR("a\"b" '\n' x);
const char *s2 = STR(  spaced    out   );
int n = CAT(12, 34) + CAT(0x, 1F);
int p = F((1, 2), [3]);
int q = G(1, 2);
int r = ID(F)(4, 5);
int t = H();
int u = F
  (8,
   9);
int line = __LINE__;
int v = ID(/* comment */ 6);
int w = 1 + \
  2;
#define OBJ (OBJ + 1)
int x = OBJ;
int y = ID(ID)(ID(3));
int z = F(,);
