#pragma printf_check myprintf const
int myprintf(const char *fmt, ...);
int i; long l; double d; char *s; short *sp;
void f(const char *fmt)
{
    myprintf("%d %ld %5.2f %s\n", i, l, d, s);
    myprintf("%*d %-08lx", i, i, l);
    myprintf("%d", l);
    myprintf("%s", i);
    myprintf("%f %hn", i, sp);
    myprintf("%d %d", i);
    myprintf("%d", i, i);
    myprintf("100%%");
    myprintf("%hld", i);
    myprintf("%lf", d);
    myprintf("%Lf", d);
    myprintf("%", i);
    myprintf(fmt, i);
}
