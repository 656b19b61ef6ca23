/* Freestanding <float.h> for the 14-bit PIC. float is 24 bits: sign, 8-bit exponent (bias 127)
   and 15-bit fraction, the top of an IEEE-754 single. double (and long double) is the same, or
   IEEE-754 single with --double=32. The run-time library rounds to nearest (ties to even), has
   no subnormals (a zero exponent reads as zero) and no NaNs. */
#ifndef _FLOAT_H
#define _FLOAT_H

#define FLT_RADIX 2
#define FLT_ROUNDS 1

#define FLT_MANT_DIG 16
#define FLT_DIG 4
#define FLT_EPSILON 3.0517578e-05F
#define FLT_MIN_EXP (-125)
#define FLT_MIN 1.17549435e-38F
#define FLT_MIN_10_EXP (-37)
#define FLT_MAX_EXP 128
#define FLT_MAX 3.4027717e+38F
#define FLT_MAX_10_EXP 38

#if sizeof(double) == 4
#define DBL_MANT_DIG 24
#define DBL_DIG 6
#define DBL_EPSILON 1.1920929e-07
#define DBL_MAX 3.4028234e+38
#else
#define DBL_MANT_DIG FLT_MANT_DIG
#define DBL_DIG FLT_DIG
#define DBL_EPSILON 3.0517578e-05
#define DBL_MAX 3.4027717e+38
#endif
#define DBL_MIN_EXP FLT_MIN_EXP
#define DBL_MIN 1.17549435e-38
#define DBL_MIN_10_EXP FLT_MIN_10_EXP
#define DBL_MAX_EXP FLT_MAX_EXP
#define DBL_MAX_10_EXP FLT_MAX_10_EXP

#define LDBL_MANT_DIG DBL_MANT_DIG
#define LDBL_DIG DBL_DIG
#define LDBL_EPSILON DBL_EPSILON
#define LDBL_MIN_EXP DBL_MIN_EXP
#define LDBL_MIN DBL_MIN
#define LDBL_MIN_10_EXP DBL_MIN_10_EXP
#define LDBL_MAX_EXP DBL_MAX_EXP
#define LDBL_MAX DBL_MAX
#define LDBL_MAX_10_EXP DBL_MAX_10_EXP

#endif
