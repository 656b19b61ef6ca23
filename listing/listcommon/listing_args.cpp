#include "listing/listcommon/listing_args.h"

#include <cerrno>
#include <cstdlib>
#include <filesystem>

#include "common/alert.h"
#include "common/alloc.h"
#include "common/getargs.h"
#include "common/msgfile.h"
#include "common/registry.h"

std::vector<std::string> listing_arguments(int argc, char** argv, const char* name)
{
    std::vector<std::string> args;
    if (argc > 2 || (argc == 2 && argv[1][0] != '@')) {
        args.assign(argv + 1, argv + argc);
        return args;
    }
    if (argc == 2 && !std::freopen(argv[1] + 1, "r", stdin)) {
        alert_message(141, "command", argv[1] + 1);
        listing_fail();
    }
    char** read = getargs(nullptr, name);
    // Element 0 stands for the program's name.
    for (int i = 1; i < getargs_count; i++)
        args.emplace_back(read[i]);
    for (int i = 0; i < getargs_count; i++)
        xfree(read[i]);
    xfree(read);
    return args;
}

static bool has_prefix(const std::string& text, const char* prefix, std::string* rest)
{
    std::string_view p(prefix);
    if (text.compare(0, p.size(), p) != 0)
        return false;
    *rest = text.substr(p.size());
    return true;
}

bool listing_common_option(const std::string& arg)
{
    std::string value;
    if (has_prefix(arg, "--edf=", &value)) {
        if (!msgfile_open(value.c_str()))
            alert_print("Could not open error description file %s", value.c_str());
    } else if (has_prefix(arg, "--disl=", &value) || has_prefix(arg, "--msgdisable=", &value)) {
        alert_disable(value.c_str());
    } else if (has_prefix(arg, "--emax=", &value)) {
        alert_set_max_errors(static_cast<int>(std::strtol(value.c_str(), nullptr, 10)));
    } else if (arg == "--ver") {
        print_version_block();
        std::exit(0);
    } else {
        return false;
    }
    return true;
}

void listing_fail()
{
    exit_hook(1);
    std::exit(1);
}

bool listing_close_output(std::FILE* out, const char* name)
{
    bool ok = std::fflush(out) == 0 && !std::ferror(out);
    if (out != stdout)
        ok = std::fclose(out) == 0 && ok;
    if (!ok)
        alert_message(413, name);
    return ok;
}

static std::string partial_output;

void listing_output_started(const std::string& path)
{
    partial_output = path;
}

void listing_output_complete()
{
    partial_output.clear();
}

void listing_discard_output()
{
    std::fflush(stdout);
    std::error_code error;
    if (!partial_output.empty() && std::filesystem::is_regular_file(partial_output, error))
        std::filesystem::remove(partial_output, error);
    partial_output.clear();
}
