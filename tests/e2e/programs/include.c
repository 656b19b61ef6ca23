#include "guards.h"
#include "guards.h"
#define CLAMP(v) ((v) > LIMIT ? LIMIT : (v))
byte level = CLAMP(120);
#if LIMIT % 7 == 2
byte remainder_ok;
#endif
#define f(a) a*g
#define g(a) f(a)
int rescanned = f(2)(9);
