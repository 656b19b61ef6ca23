static int z = 0;
int one = 1;
char abc[3] = "abc";
char two[3] = "ab";
char open[] = "hi";
int arr[] = { 1, 2, 3, };
struct pt { int x, y; } pts[2] = { {1, 2}, {3, 4} };
struct pt p1 = { 5 };
struct nest { struct pt a; char n[2]; } n1 = { { 1, 2 }, "x" };
union un { int i; char c; } u1 = { 7 };
const char *msg = "hello";
int *ip = &one;
extern int ext = 3;
typedef int T = 4;
int over[2] = { 1, 2, 3 };
void f(void)
{
    int a = 3;
    int b[2] = { 1, 2 };
    static int c = 4;
    char s[] = "str";
    a = b[0] + c + s[0];
}
