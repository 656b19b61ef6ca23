/* Freestanding <limits.h> for the 14-bit PIC: char 8 bits, short and int 16, long 32.
   Plain char is unsigned unless --char=signed is given; the preprocessor cannot see that
   option, so CHAR_MIN and CHAR_MAX describe the default. */
#ifndef _LIMITS_H
#define _LIMITS_H

#define CHAR_BIT 8
#define SCHAR_MIN (-128)
#define SCHAR_MAX 127
#define UCHAR_MAX 255
#define CHAR_MIN 0
#define CHAR_MAX 255
#define MB_LEN_MAX 1

#define SHRT_MIN (-32767 - 1)
#define SHRT_MAX 32767
#define USHRT_MAX 65535U

#define INT_MIN (-32767 - 1)
#define INT_MAX 32767
#define UINT_MAX 65535U

#define LONG_MIN (-2147483647L - 1)
#define LONG_MAX 2147483647L
#define ULONG_MAX 4294967295UL

#endif
