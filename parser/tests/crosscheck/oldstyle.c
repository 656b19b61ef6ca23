int total;

int add(a, b)
int a;
int b;
{
    return a + b;
}

char *
find(s, c)
char *s;
int c;
{
    while (*s && *s != c) s++;
    return s;
}

unsigned long mix(unsigned int u, unsigned long v, signed char sc, unsigned short us)
{
    return u + v + sc + us;
}

void report(const char *fmt, ...)
{
    total++;
}
