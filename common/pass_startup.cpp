// Argument sources and the prefix options shared by every pass.
#include "common/pass_startup.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <unistd.h>

#include "common/alert.h"
#include "common/alloc.h"
#include "common/getargs.h"
#include "common/msgfile.h"
#include "common/osdep.h"
#include "common/registry.h"

namespace {

// The argument that names a command file, or null.
const char* command_file_argument(int argc, char** argv, const pass_startup& how)
{
    if (how.command_file_anywhere) {
        for (int i = 1; i < argc; i++)
            if (argv[i][0] == '@') {
                if (!argv[i][1]) {
                    alert_message(931);
                    pass_exit(1);
                }
                return argv[i];
            }
        return nullptr;
    }
    return how.command_file && argc == 2 && argv[1][0] == '@' ? argv[1] : nullptr;
}

}  // namespace

std::vector<std::string> pass_arguments(int argc, char** argv, const pass_startup& how)
{
    const char* file = command_file_argument(argc, argv, how);
    bool from_input = how.arguments_from_input && argc <= 1;
    if (!file && !from_input)
        return std::vector<std::string>(argv + (argc > 0 ? 1 : 0), argv + argc);
    if (file && !std::freopen(file + 1, "r", stdin)) {
        alert_message(141, "command", file + 1);
        pass_exit(1);
    }
    char** read = getargs(nullptr, how.name);
    std::vector<std::string> args;
    // Element 0 stands for the program's name.
    for (int i = 1; i < getargs_count; i++)
        args.emplace_back(read[i]);
    for (int i = 0; i < getargs_count; i++)
        xfree(read[i]);
    xfree(read);
    return args;
}

void pass_exit(int status)
{
    exit_hook(status);
    std::exit(status);
}

bool append_messages_to(const char* path)
{
    // Not freopen: it closes standard error before it tries the file, and a failure would
    // leave nowhere to report it.
    FILE* file = std::fopen(path, "a");
    if (!file)
        return false;
    std::fflush(stderr);
    int moved = dup2(fileno(file), fileno(stderr));
    std::fclose(file);
    if (moved < 0)
        return false;
    static char buffer[512];
    std::setvbuf(stderr, buffer, _IOLBF, sizeof buffer);
    return true;
}

namespace {

// The text after a case-blind prefix, or null.
const char* after(const std::string& arg, const char* prefix)
{
    size_t n = std::strlen(prefix);
    return str_ncasecmp(arg.c_str(), prefix, n) == 0 ? arg.c_str() + n : nullptr;
}

void disable_nonzero_numbers(const char* list)
{
    for (const char* p = list; *p;) {
        int n = std::atoi(p);
        if (n)
            alert_msg_state(n, 1);
        while (*p && *p != ',')
            ++p;
        if (*p)
            ++p;
    }
}

bool message_style_option_applies(const char* rest, const pass_startup& how, pass_settings& got)
{
    bool one_digit = rest[0] >= '0' && rest[0] <= '9' && !rest[1];
    switch (how.message_style) {
    case message_style_option::none:
        return false;
    case message_style_option::any:
        got.message_style = 1;
        return true;
    case message_style_option::digit:
        if (!one_digit)
            return false;
        got.message_style = rest[0] - '0';
        return true;
    case message_style_option::digit_or_file:
        if (one_digit) {
            got.message_style = rest[0] - '0';
        } else if (!*rest) {
            if (how.bare_e_own)
                return false;
            if (how.bare_style >= 0)
                got.message_style = how.bare_style;
        } else {
            if (!append_messages_to(rest)) {
                if (how.message_file_fatal)
                    alert_message(141, "error", rest);
                return true;
            }
            if (how.file_style >= 0)
                got.message_style = how.file_style;
        }
        return true;
    }
    return false;
}

void warning_level_option(const char* value, const pass_startup& how, pass_settings& got)
{
    if (std::strchr(value, '!'))
        alert_set_warn_fails(1);
    bool number = (*value >= '0' && *value <= '9') || *value == '-';
    if (how.warning_level_checked && !number)
        alert_message(393);
    int32_t level = static_cast<int32_t>(std::atoi(value));
    if (how.warning_level_checked && level < -9) {
        alert_message(523, level);
        return;
    }
    alert_set_level(level);
    got.warning_level = level;
}

}  // namespace

bool pass_prefix_option(const std::string& arg, const pass_startup& how, pass_settings& got)
{
    const char* value;
    if ((value = after(arg, "--edf="))) {
        if (!msgfile_open(value))
            alert_print("Could not open error description file %s", value);
    } else if ((value = after(arg, "--msgdisable="))) {
        alert_disable(value);
    } else if (how.disl && (value = after(arg, "--disl="))) {
        if (how.disl_nonzero_numbers)
            disable_nonzero_numbers(value);
        else
            alert_disable(value);
    } else if ((value = after(arg, "--emax="))) {
        got.error_limit = static_cast<int32_t>(std::strtol(value, nullptr, 10));
        alert_set_max_errors(got.error_limit);
    } else if (str_casecmp(arg.c_str(), "--ver") == 0) {
        print_version_block();
        std::exit(0);
    } else if (arg.size() >= 2 && arg[0] == '-' && (arg[1] == 'E' || arg[1] == 'e')) {
        return message_style_option_applies(arg.c_str() + 2, how, got);
    } else if (how.warning_level && arg.size() >= 2 && arg[0] == '-' && (arg[1] == 'W' || arg[1] == 'w')) {
        warning_level_option(arg.c_str() + 2, how, got);
    } else {
        return false;
    }
    return true;
}
