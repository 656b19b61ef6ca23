int x, y;
float fl;
int s(int a)
{
    int i;
    do { x++; if (x) continue; } while (x < 10);
    for (i = 0; i < 10; i++) { if (i == 5) break; }
    for (i = x; y; ) ;
    for (;;) { }
    x = 1;
    while (1) ;
    while (x) { y++; }
    switch (a) { case 1 ? 2 : 3: x = 0; case 4: break; default: break; }
    switch (fl) { }
    switch (a) { case 7: x = 1; }
    if (x) y = 1; else y = 2;
    if (y) { int z; z = y; x = z; }
    goto done;
    y = 3;
done:
    asm("nop");
    return x;
}
int g(int b) { if (b) return 1; }
void v(void) { for (;;) { break; } return; }
int nv(void) { return; }
void lab(void) { goto nowhere; }
void misc(void)
{
    break;
    case 3: ;
    default: ;
    switch (x) { default: ; default: ; }
    else ;
}
