/* Macro expansion the preprocessor must agree on with other compilers. */
#define WIDTH 8
#define AREA(w, h) ((w) * (h))
#define STR(x) #x
#define XSTR(x) STR(x)
#define CAT(a, b) a##b
#define SELF SELF + 1
#define TWICE(f, x) f(f(x))
#define EMPTY
#define LPAREN (
#if WIDTH * 2 == 16 && defined(AREA) && !defined(NOTHING)
int area = AREA(WIDTH, WIDTH + 1);
#else
int area = 0;
#endif
const char *name = XSTR(WIDTH);
const char *raw = STR(WIDTH);
int CAT(var, 1) = SELF;
int nested = TWICE(AREA(2,), 3);
int e = EMPTY 5 EMPTY;
#undef WIDTH
#ifdef WIDTH
int wrong;
#elif (1 ? 2 : 3) - 2
int wrong2;
#else
int right = -1 << 3;
#endif
#if 0x10 > 017 && 'A' == 65 && (-1 < 0)
int numbers_ok;
#endif
