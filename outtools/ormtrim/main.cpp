// ormtrim: makes named global symbols of object files local.
//   ormtrim [options] [object files]     (no arguments: read them from standard input)
#include <cctype>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "common/alert.h"
#include "common/pass_startup.h"
#include "common/replace_file.h"
#include "outtools/ormtrim/trim.h"

extern const char component_name[] = "ormtrim";

void exit_hook(int status) {
    discard_pending_outputs();
    std::exit(status);
}

namespace {

// Every other "-" argument names symbols, so ormtrim has no -E or -W of its own.
const pass_startup startup{.name = "ormtrim", .command_file = false};

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
    const std::vector<std::string> args = pass_arguments(argc, argv, startup);
    std::vector<std::string> names;
    pass_settings prefix;
    size_t i = 0;
    for (; i < args.size() && args[i][0] == '-'; ++i)
        if (!pass_prefix_option(args[i], startup, prefix)) add_names(args[i].c_str() + 1, names);
    if (i == args.size())
        trim::trim_file("l.obj", names);
    for (; i < args.size(); ++i) trim::trim_file(args[i], names);
    exit_hook(alert_failed() ? 1 : 0);
}
