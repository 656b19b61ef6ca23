/* Byte variables, arithmetic, an if, a loop and a call: what the first rule set covers. */
unsigned char a, b, r, s, t;

unsigned char add3(unsigned char x)
{
    return x + 3;
}

void main(void)
{
    unsigned char i;

    a = 5;
    b = a + 2;
    if (a == b)
        r = 1;
    else
        r = 2;
    for (i = 0; i != 4; i++)
        r = r ^ i;
    r = add3(r);
    s = b - a;
    t = (b & 6) | 0x40;
    t = t - 1;
    while (1)
        ;
}
