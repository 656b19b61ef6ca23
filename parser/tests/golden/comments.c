int g;
void f(void)
{
    g = 1;

    g = 2;
}
