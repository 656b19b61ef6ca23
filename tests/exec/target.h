/* The one header that lets an execution-test program mean the same thing on the PIC and on
   the host: the target's integer widths under fixed names, the unsigned types in which
   arithmetic is done so that neither side overflows a signed type, and STOP(), which ends
   the program (the target marks orm_done and loops; the host prints the results). */
#ifndef ORM_TARGET_H
#define ORM_TARGET_H

/* A program too big for the smallest chips guards its independent groups of tests with
   #if PART(n): built with ORM_PART=n it holds group n alone, without it every group. */
#ifndef ORM_PART
#define ORM_PART 0
#endif
#define PART(n) (ORM_PART == 0 || ORM_PART == (n))

#ifdef __ORMC__
typedef signed char i8;
typedef unsigned char u8;
typedef int i16;
typedef unsigned int u16;
typedef long i32;
typedef unsigned long u32;
typedef unsigned int uw;     /* arithmetic on 8- and 16-bit values */
typedef unsigned long ul;    /* arithmetic on 32-bit values */
volatile unsigned char orm_done;
#define BANK1 bank1          /* a variable placed in RAM bank 1 */
#define BIT bit              /* a one-bit variable; programs store only 0 and 1 in one */
#define EEPROM eeprom        /* a variable in the data EEPROM */
#define STOP() do { orm_done = 1; for (;;) continue; } while (0)
#else
typedef signed char i8;
typedef unsigned char u8;
typedef short i16;
typedef unsigned short u16;
typedef int i32;
typedef unsigned int u32;
typedef unsigned int uw;
typedef unsigned int ul;
/* A host whose int is not 32 bits cannot play the target: refuse to build there. */
typedef char orm_host_check[sizeof(int) == 4 && sizeof(short) == 2 ? 1 : -1];
void orm_host_stop(void);
#define BANK1
#define BIT unsigned char
#define EEPROM
#define STOP() orm_host_stop()
#endif

#endif
