# 1 "markers.c"
int a; int b;
# 1 "inc.h" 1
int c;
# 4 "markers.c" 2
int d;
# 4 "other.h"
int e;
