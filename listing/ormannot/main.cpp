// ormannot: writes the numbered listing of a source file, tabs expanded.
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "common/alert.h"
#include "common/pass_startup.h"
#include "common/replace_file.h"
#include "listing/ormannot/annotate.h"
#include "platform/platform.h"

extern const char component_name[] = "ormannot";

namespace {

// Option errors end the run with this status, as the driver expects of a pass.
constexpr int BAD_OPTION_STATUS = -1;

int read_tab_width(const std::string& text)
{
    char* end = nullptr;
    long width = std::strtol(text.c_str(), &end, 10);
    if (end == text.c_str() || text.empty()) {
        alert_message(670);
        std::exit(BAD_OPTION_STATUS);
    }
    if (width < ANNOTATE_TAB_MIN || width > ANNOTATE_TAB_MAX) {
        alert_message(671);
        std::exit(BAD_OPTION_STATUS);
    }
    return static_cast<int>(width);
}

const pass_startup startup{.name = "ormannot", .warning_level = true};

// Reads the leading options; returns the index of the first other argument.
size_t read_options(const std::vector<std::string>& args, int& tab_width)
{
    size_t i = 0;
    pass_settings settings;
    for (; i < args.size() && args[i].starts_with('-'); i++) {
        const std::string& arg = args[i];
        if (pass_prefix_option(arg, startup, settings))
            continue;
        if (arg.starts_with("-T")) {
            tab_width = read_tab_width(arg.substr(2));
        } else {
            alert_message(168, arg.c_str());
            std::exit(BAD_OPTION_STATUS);
        }
    }
    return i;
}

std::FILE* open_input(const std::string& input)
{
    std::FILE* in = std::fopen(input.c_str(), "r");
    if (!in) {
        alert_message(141, "input", input.c_str());
        pass_exit(1);
    }
    alert_set_position(input.c_str(), nullptr, nullptr, nullptr);
    return in;
}

// Writing over the source would destroy it before it is read, so that is refused too.
std::FILE* open_output(const std::string& input, const std::string& output, replacing_file& file)
{
    if (plat::same_file(input, output) || !file.create(output, false)) {
        alert_message(378, "output", output.c_str());
        std::exit(BAD_OPTION_STATUS);
    }
    return file.stream();
}

}  // namespace

void exit_hook(int)
{
    discard_pending_outputs();
}

int main(int argc, char** argv)
{
    alert_set_max_errors(10);
    std::vector<std::string> args = pass_arguments(argc, argv, startup);
    int tab_width = 8;
    size_t next = read_options(args, tab_width);
    bool has_input = next < args.size();
    bool has_output = next + 1 < args.size();
    std::string input = has_input ? args[next] : std::string();
    std::string output = has_output ? args[next + 1] : std::string();
    std::FILE* in = has_input ? open_input(input) : stdin;
    replacing_file listing;
    std::FILE* out = has_output ? open_output(input, output, listing) : stdout;
    annotate(in, out, tab_width);
    // An input that could not be read (a folder, a failing device) must not pass for an empty one.
    if (std::ferror(in))
        alert_message(141, "input", has_input ? input.c_str() : "standard input");
    if (in != stdin)
        std::fclose(in);
    if (has_output ? listing.commit() != 1 : !flush_standard_output()) {
        alert_message(413, has_output ? output.c_str() : "standard output");
        pass_exit(1);
    }
    return alert_failed() ? 1 : 0;
}
