/* In-line assembly: a #asm block and an asm() statement between C statements. */
unsigned char g, h;
void main(void) {
  g = 1;
#asm
  movlw 5
  movwf _h
#endasm
  asm("incf _g,f");
  for (;;) ;
}
