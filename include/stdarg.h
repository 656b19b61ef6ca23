/* <stdarg.h> for the 14-bit PIC. A variadic function's arguments lie one after another in its
   argument area in bank 0 RAM, each at its own size (no padding, no promotion beyond C's),
   so a list is a byte pointer that steps over them. */
#ifndef _STDARG_H
#define _STDARG_H

typedef unsigned char *va_list;

#define va_start(ap, last) ((ap) = (va_list)&(last) + sizeof(last))
#define va_arg(ap, type) (*(type *)(((ap) += sizeof(type)) - sizeof(type)))
#define va_end(ap) ((void)0)

#endif
