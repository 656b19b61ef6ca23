// ormarch: builds a library from object files (and libraries).
// Usage: ormarch [-W<n>] [--edf=<file>] [--msgdisable=<list>] [--emax=<n>] r library inputs...
// Exit status 0 exactly when the library was written whole; a failed run leaves the library
// named as it was.
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "asmtools/ormarch/archive.h"
#include "common/alert.h"
#include "common/pass_startup.h"
#include "common/replace_file.h"
#include "objfmt/record_io.h"

extern const char component_name[] = "ormarch";

namespace {

bool has_library_extension(const std::string& name) {
    return name.size() > 4 && (name.compare(name.size() - 4, 4, ".lib") == 0 ||
                               name.compare(name.size() - 4, 4, ".LIB") == 0);
}

std::string base_name(const std::string& path) {
    size_t slash = path.find_last_of("/\\");
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

}  // namespace

void exit_hook(int status) {
    discard_pending_outputs();
    std::exit(status);
}

int main(int argc, char** argv) {
    // Arguments come only from the command line: without any, the usage message says what to give.
    const pass_startup startup{.name = "ormarch",
                               .arguments_from_input = false,
                               .command_file = false,
                               .message_style = message_style_option::digit,
                               .warning_level = true};
    std::vector<std::string> words;
    pass_settings prefix;
    for (const std::string& arg : pass_arguments(argc, argv, startup)) {
        if (!pass_prefix_option(arg, startup, prefix)) words.push_back(arg);
    }
    if (prefix.message_style > 0) alert_set_formatted(1);
    if (words.size() < 3) {
        alert_message(2880);
        return 1;
    }
    if (words[0] != "r") {
        alert_message(2885, words[0].c_str());
        return 1;
    }
    refuse_output_over_input(words[1], std::vector<std::string>(words.begin() + 2, words.end()));
    const std::string& library_name = words[1];
    std::vector<arch::module> modules;
    for (size_t i = 2; i < words.size(); ++i) {
        std::vector<uint8_t> bytes;
        if (!obj::read_file(words[i], bytes)) alert_message(2881, "input", words[i].c_str());
        bool ok;
        if (has_library_extension(words[i])) {
            ok = arch::modules_from_library(bytes, modules);
        } else {
            arch::module m;
            ok = arch::module_from_object(base_name(words[i]), bytes, m);
            if (ok) modules.push_back(std::move(m));
        }
        if (!ok) alert_message(2882, words[i].c_str());
    }
    std::vector<uint8_t> out;
    if (!alert_failed()) out = arch::build_library(modules);
    if (alert_failed() || out.empty()) return 1;
    if (!obj::write_file(library_name, out)) alert_message(2884, library_name.c_str());
    return alert_failed() ? 1 : 0;
}
