char *ram = "rom";
#pragma strings const
const char *rom = "in rom";
bank1 char *bp;
void f(void)
{
    bp = (bank1 char *)"om";
}
