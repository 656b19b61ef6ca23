/* Freestanding <stddef.h> for the 14-bit PIC: int and pointers are 16 bits. */
#ifndef _STDDEF_H
#define _STDDEF_H

typedef int ptrdiff_t;
typedef unsigned int size_t;
typedef int wchar_t;

#define NULL ((void *)0)
#define offsetof(type, member) ((size_t)&((type *)0)->member)

#endif
