unsigned char got;

unsigned char twice(unsigned char x) { return (unsigned char)(x * 2); }

void put(unsigned char x) { got = (unsigned char)(x + 1); }
