// ormannot: writes the numbered listing of a source file, tabs expanded.
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "common/alert.h"
#include "listing/listcommon/listing_args.h"
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

// Reads the leading options; returns the index of the first other argument.
size_t read_options(const std::vector<std::string>& args, int& tab_width)
{
    size_t i = 0;
    for (; i < args.size() && args[i].starts_with('-'); i++) {
        const std::string& arg = args[i];
        if (listing_common_option(arg))
            continue;
        if (arg.starts_with("-T")) {
            tab_width = read_tab_width(arg.substr(2));
        } else if (arg.starts_with("-W")) {
            alert_set_level(static_cast<int>(std::strtol(arg.c_str() + 2, nullptr, 10)));
            if (arg.find('!') != std::string::npos)
                alert_set_warn_fails(1);
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
        listing_fail();
    }
    alert_set_position(input.c_str(), nullptr, nullptr, nullptr);
    return in;
}

// Writing over the source would destroy it before it is read, so that is refused too.
std::FILE* open_output(const std::string& input, const std::string& output)
{
    std::FILE* out = plat::same_file(input, output) ? nullptr : std::fopen(output.c_str(), "w");
    if (!out) {
        alert_message(378, "output", output.c_str());
        std::exit(BAD_OPTION_STATUS);
    }
    listing_output_started(output);
    return out;
}

}  // namespace

void exit_hook(int)
{
    listing_discard_output();
}

int main(int argc, char** argv)
{
    alert_set_max_errors(10);
    std::vector<std::string> args = listing_arguments(argc, argv, "ormannot");
    int tab_width = 8;
    size_t next = read_options(args, tab_width);
    bool has_input = next < args.size();
    bool has_output = next + 1 < args.size();
    std::string input = has_input ? args[next] : std::string();
    std::string output = has_output ? args[next + 1] : std::string();
    std::FILE* in = has_input ? open_input(input) : stdin;
    std::FILE* out = has_output ? open_output(input, output) : stdout;
    annotate(in, out, tab_width);
    if (in != stdin)
        std::fclose(in);
    if (!listing_close_output(out, has_output ? output.c_str() : "standard output"))
        listing_fail();
    listing_output_complete();
    return alert_failed() ? 1 : 0;
}
