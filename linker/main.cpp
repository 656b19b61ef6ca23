// ormlink: joins object files and libraries into one absolute (or relocatable) object,
// placing every psect into its memory class, and writes the map and the symbol file.
#include <cstdio>
#include <cstdlib>

#include "common/alert.h"
#include "linker/link.h"

extern const char component_name[] = "linker";

void exit_hook(int status) {
    lnk::link_exit(status == 0);
    std::exit(status);
}

int main(int argc, char** argv) { return lnk::link_main(argc, argv); }
