// ormobjdump: prints an object file or a library as text (a tool for tests).
// Usage: ormobjdump [-l] file   (-l, or a name ending in ".lib", reads a library)
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "common/alert.h"
#include "common/msgfile.h"
#include "objfmt/dump/dump.h"
#include "objfmt/record_io.h"

extern const char component_name[] = "ormobjdump";
void exit_hook(int status) { std::exit(status); }

static bool ends_with_lib(const std::string& name) {
    return name.size() > 4 && (name.compare(name.size() - 4, 4, ".lib") == 0 ||
                               name.compare(name.size() - 4, 4, ".LIB") == 0);
}

int main(int argc, char** argv) {
    bool library = false;
    const char* path = nullptr;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "-l") == 0)
            library = true;
        else if (std::strncmp(argv[i], "--edf=", 6) == 0)
            msgfile_open(argv[i] + 6);
        else
            path = argv[i];
    }
    if (!path) {
        alert_message(2895);
        return 1;
    }
    std::vector<uint8_t> bytes;
    if (!obj::read_file(path, bytes)) {
        alert_message(2896, path);
        return 1;
    }
    std::string text;
    bool ok = library || ends_with_lib(path) ? obj::dump_library(bytes.data(), bytes.size(), text)
                                             : obj::dump_object(bytes.data(), bytes.size(), text);
    std::fputs(text.c_str(), stdout);
    return ok && !alert_failed() ? 0 : 1;
}
