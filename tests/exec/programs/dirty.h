/* dirty(): fills 16 bytes of the compiled stack, which the next call's automatics share, with a
   pattern, so that a byte an initializer leaves out is not zero by chance. */
static void dirty(void)
{
    volatile u8 junk[16];
    u8 i;
    for (i = 0; i < 16; i++)
        junk[i] = (u8)(0xA5 + i);
}
