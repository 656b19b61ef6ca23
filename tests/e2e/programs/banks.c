/* Variables in every bank with RAM, read and written by statements that move between banks,
   through pointers (FSR with IRP), at an absolute address and as a bit. */
unsigned char r0, v0, i;
bank1 unsigned char v1, r1;
bank2 unsigned char v2, r2, a2[3];
bank2 unsigned char *p2, d2;
unsigned char *p0;
unsigned char abs2 @ 0x16F;
#ifdef _16F877A
bank3 unsigned char v3, r3, a3[2];
bank3 unsigned char *p3;
#endif
bit flag;
volatile unsigned char orm_done;

void main(void)
{
    v1 = 0x11;
    v2 = 0x22;
    v0 = 0x44;
    r1 = v2;
    r2 = v1;
    r0 = v1 ^ v2;
    i = 2;
    a2[i] = v0;
    p2 = &a2[1];
    *p2 = r1;
    a2[0] = p2[1];
    p0 = &v0;
    d2 = *p0;
    abs2 = 0x5A;
    r2 = r2 + abs2;
#ifdef _16F877A
    v3 = 0x33;
    r3 = v3 + v1;
    p3 = a3;
    *p3 = r2;
    p3[1] = v1;
#endif
    flag = 1;
    if (flag)
        r0 = r0 | 0x80;
    orm_done = 1;
    for (;;)
        continue;
}
