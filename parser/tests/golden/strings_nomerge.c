char *a = "abc";
char *b = "bc";
char *unused_here;
void f(void)
{
    sizeof "never written";
    unused_here = "xyzbc";
}
