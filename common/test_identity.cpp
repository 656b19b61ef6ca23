// Program identity for test executables that do not supply their own.
#include "common/alert.h"

extern const char component_name[] = "test";
void exit_hook(int) {}
