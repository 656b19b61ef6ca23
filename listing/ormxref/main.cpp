// ormxref: turns raw cross-reference files into a paginated cross-reference listing.
#include <algorithm>
#include <cctype>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "common/alert.h"
#include "common/pass_startup.h"
#include "common/replace_file.h"
#include "listing/ormxref/xref_listing.h"
#include "listing/ormxref/xref_read.h"
#include "listing/ormxref/xref_table.h"

extern const char component_name[] = "ormxref";

namespace {

// "-W" is no option of this program: the driver's warning level is refused as any other.
const pass_startup startup{.name = "ormxref"};

struct xref_run {
    std::vector<std::string> skip_prefixes;   // -F
    std::vector<std::string> exclusions;      // -X
    xref_page_setup page;
    bool heading_given = false;
    std::string output;                       // -O; empty: standard output
    std::vector<std::string> inputs;
};

constexpr int32_t max_page_width = 1024;

int32_t decimal(const std::string& text)
{
    // Saturates, so that a huge number cannot wrap into range.
    long long value = std::strtoll(text.c_str(), nullptr, 10);
    return static_cast<int32_t>(std::clamp<long long>(value, INT32_MIN, INT32_MAX));
}

// Reads the options (which come before the first input) and the input names.
void read_command_line(const std::vector<std::string>& args, xref_run& run, xref_table& table)
{
    size_t i = 0;
    pass_settings settings;
    for (; i < args.size() && args[i].starts_with('-'); i++) {
        const std::string& arg = args[i];
        if (pass_prefix_option(arg, startup, settings))
            continue;
        std::string value = arg.size() > 2 ? arg.substr(2) : std::string();
        switch (std::toupper(static_cast<unsigned char>(arg.size() > 1 ? arg[1] : '\0'))) {
        case 'F': run.skip_prefixes.push_back(value); break;
        case 'H': run.page.heading = value; run.heading_given = true; break;
        case 'L': run.page.length = decimal(value); break;
        case 'O': run.output = value; break;
        case 'P':
            // Every page header pads to the width: a wild width turns a tiny input into
            // gigabytes of blanks.
            run.page.width = decimal(value);
            if (run.page.width < 0 || run.page.width > max_page_width) {
                alert_message(675, "-P", 0, max_page_width);
                pass_exit(1);
            }
            break;
        case 'S':
            if (!xref_read_stop_list(value.c_str(), table))
                std::fprintf(stderr, "Can't open stoplist file %s\n", value.c_str());
            break;
        case 'X': run.exclusions.push_back(value); break;
        default: std::fprintf(stderr, "Unrecognized switch %s\n", arg.c_str()); break;
        }
    }
    run.inputs.assign(args.begin() + static_cast<std::ptrdiff_t>(i), args.end());
}

void read_inputs(const xref_run& run, xref_table& table)
{
    for (const std::string& name : run.inputs) {
        std::FILE* in = std::fopen(name.c_str(), "r");
        if (!in) {
            alert_message(141, "input", name.c_str());
            pass_exit(1);
        }
        xref_read_raw(in, table, run.skip_prefixes);
        // A file that could not be read (a folder) must not pass for an empty one.
        if (std::ferror(in)) {
            alert_message(141, "input", name.c_str());
            pass_exit(1);
        }
        std::fclose(in);
    }
}

void write_listing(const xref_run& run, xref_table& table)
{
    std::FILE* out = stdout;
    const char* out_name = "standard output";
    replacing_file listing;
    if (!run.output.empty()) {
        out_name = run.output.c_str();
        if (!listing.create(run.output, false)) {
            alert_message(141, "output", out_name);
            pass_exit(1);
        }
        out = listing.stream();
    }
    xref_print_listing(out, table, run.page, run.exclusions);
    if (run.output.empty() ? !flush_standard_output() : listing.commit() != 1) {
        alert_message(413, out_name);
        pass_exit(1);
    }
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
    xref_table table;
    xref_run run;
    read_command_line(args, run, table);
    if (run.inputs.empty()) {
        std::fprintf(stderr, "Usage: ormxref [-Ooutfile] [-Sstoplist] input_file ...\n");
        return 1;
    }
    if (!run.heading_given)
        run.page.heading = run.inputs.front();
    refuse_output_over_input(run.output, run.inputs);
    read_inputs(run, table);
    write_listing(run, table);
    return alert_failed() ? 1 : 0;
}
