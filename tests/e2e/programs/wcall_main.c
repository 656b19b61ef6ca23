/* Functions of another file whose only argument travels in W: called directly and through a
   pointer. */
extern unsigned char twice(unsigned char x);
extern void put(unsigned char x);
extern unsigned char got;

unsigned char r1, r2, r3;

int main(void)
{
    unsigned char (*f)(unsigned char);
    void (*g)(unsigned char);
    r1 = twice(21);
    put(7);
    r2 = got;
    f = twice;
    g = put;
    g(f(50));
    r3 = got;
    for (;;)
        continue;
}
