#include <board.h>
#ifdef _16F877
int on_877 = _BANKCOUNT_;
#endif
#if defined(_PIC14) && defined(__ORMC__)
int pic14;
#endif
#ifdef REMOVED
int removed;
#endif
int speed = SPEED;
int mask = LED_MASK;
