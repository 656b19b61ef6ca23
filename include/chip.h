/* The special function registers of the chip being compiled for: the driver defines
   the macro _<chip> (for example _16F877A) from --chip. */
#ifndef ORM_CHIP_H
#define ORM_CHIP_H

#if defined(_16C84)
#include <chips/pic16c84.h>
#elif defined(_16F84)
#include <chips/pic16f84.h>
#elif defined(_16F84A)
#include <chips/pic16f84a.h>
#elif defined(_16F627)
#include <chips/pic16f627.h>
#elif defined(_16F627A)
#include <chips/pic16f627a.h>
#elif defined(_12F629)
#include <chips/pic12f629.h>
#elif defined(_12F675)
#include <chips/pic12f675.h>
#elif defined(_16F684)
#include <chips/pic16f684.h>
#elif defined(_16F877)
#include <chips/pic16f877.h>
#elif defined(_16F877A)
#include <chips/pic16f877a.h>
#elif defined(_16F690)
#include <chips/pic16f690.h>
#else
#error no chip header for this chip
#endif

#endif
