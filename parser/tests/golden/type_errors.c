struct s { int m; } sv;
struct inc *ip;
int i, *pi;
float fl;
register int r;
void vf(void);
void t(void)
{
    i = i.m;
    i = sv.3;
    i = ip->m;
    i = sv.nosuch;
    if (sv) i = 1;
    5 = i;
    pi = &5;
    i = i % fl;
    i = vf();
    i = sv + 1;
    pi = fl;
    *i = 1;
    i = pi == fl;
    i = sv < sv;
    i = vf() == 1;
    {
        register int rr;
        pi = &rr;
    }
}
void rv(void) { return 1; }
