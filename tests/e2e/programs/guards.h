#ifndef GUARDS_H
#define GUARDS_H
#define LIMIT 100
typedef unsigned char byte;
#endif
