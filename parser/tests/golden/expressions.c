int a, b, c;
unsigned u;
long l;
float f1, f2;
int arr[10];
int *p, *q;
int vf(int x, ...);
int (*h(void))(int);
void t(void)
{
    a = b = c;
    a = b - c - 1;
    a = sizeof(int) + sizeof a + sizeof arr + sizeof(long[3]) + sizeof "abc";
    a = h()(3);
    vf(a, b, c);
    vf(a);
    arr[3] = arr[10];
    p = &arr[10];
    undeclared(1);
    a = a < b;
    u = a - u;
    l = u + l;
    f1 = f1 * f2;
    a = p - q;
    p = p + 1;
    p = 2 + p;
    a = !a && b || c;
    a = a ? b : c;
    a++; --b; a += 2; a <<= 1; a %= 3;
    a = -a + ~b;
    a = (int)f1;
    (void)vf(1);
    a = b, c;
    a = 0x7FFFFFFF + 1 >> 2;
}
