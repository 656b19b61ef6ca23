/* The relation test the compare programs share: PAIR(T) defines x_T, y_T and pair_T(),
   which sets one bit of `bits` (the including program's) a relation between x_T and y_T. */
#define PAIR(T) \
    static T x_##T, y_##T; \
    static u8 pair_##T(void) \
    { \
        bits = 0; \
        if (x_##T == y_##T) bits |= 1; \
        if (x_##T != y_##T) bits |= 2; \
        if (x_##T < y_##T) bits |= 4; \
        if (x_##T <= y_##T) bits |= 8; \
        if (x_##T > y_##T) bits |= 16; \
        if (x_##T >= y_##T) bits |= 32; \
        return bits; \
    }
