// ormtrim: makes named global symbols of object files local.
//   ormtrim [options] [object files]     (no arguments: read them from standard input)
#include <cctype>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "common/alert.h"
#include "common/getargs.h"
#include "common/msgfile.h"
#include "common/registry.h"
#include "hexfmt/replace.h"
#include "outtools/ormtrim/trim.h"

extern const char component_name[] = "ormtrim";

void exit_hook(int status) {
    hexfmt::discard_pending_files();
    std::exit(status);
}

namespace {

bool equals_ci(const char* a, const char* b) {
    for (; *a && *b; ++a, ++b)
        if (tolower(static_cast<unsigned char>(*a)) != tolower(static_cast<unsigned char>(*b))) return false;
    return *a == *b;
}

// "-a,b,c": each piece a name; an empty piece between commas is an empty name, a trailing
// comma adds nothing.
void add_names(const char* list, std::vector<std::string>& names) {
    std::string text = list;
    size_t start = 0;
    while (start < text.size()) {
        size_t comma = text.find(',', start);
        if (comma == std::string::npos) comma = text.size();
        names.push_back(text.substr(start, comma - start));
        start = comma + 1;
    }
}

}  // namespace

int main(int argc, char** argv) {
    if (argc <= 1) {
        argv = getargs(nullptr, "ormtrim");
        argc = getargs_count;
    }
    std::vector<std::string> names;
    int i = 1;
    for (; i < argc && argv[i][0] == '-'; ++i) {
        const char* arg = argv[i];
        if (strncmp(arg, "--edf=", 6) == 0) {
            if (!msgfile_open(arg + 6)) alert_print("Could not open error description file %s", arg + 6);
        } else if (strncmp(arg, "--disl=", 7) == 0) {
            alert_disable(arg + 7);
        } else if (strncmp(arg, "--emax=", 7) == 0) {
            alert_set_max_errors(atoi(arg + 7));
        } else if (equals_ci(arg, "--ver")) {
            print_version_block();
            std::exit(0);
        } else {
            add_names(arg + 1, names);
        }
    }
    if (i == argc)
        trim::trim_file("l.obj", names);
    for (; i < argc; ++i) trim::trim_file(argv[i], names);
    exit_hook(alert_failed() ? 1 : 0);
}
