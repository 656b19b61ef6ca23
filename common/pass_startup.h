// What every pass does first: find its arguments (command line, standard input or an "@file"),
// and understand the options that the driver puts in front of each pass's own ("-W", "--edf=",
// "--msgdisable=", "--emax=", and "-E1" in IDE message mode) together with "--disl=" and "--ver".
//
// A program describes how it differs from the others in one pass_startup record and uses it so:
//
//     const pass_startup startup{.name = "ormcg", .message_style = message_style_option::digit_or_file,
//                                .bare_style = 1, .warning_level = true};
//     std::vector<std::string> args = pass_arguments(argc, argv, startup);
//     pass_settings got;
//     for (const std::string& arg : args) {
//         if (pass_prefix_option(arg, startup, got)) continue;
//         ... the program's own options and files ...
//     }
//     if (got.message_style > 0) alert_set_formatted(1);
//
// Contract:
// - pass_arguments returns the arguments after the program's name. With none at all (when
//   `arguments_from_input`) they are read from standard input by getargs, prompting "name> "
//   on a terminal; with exactly one that begins with '@' (when `command_file`) standard input
//   is reopened on the named file first, and fatal message 141 reports one that cannot be
//   opened. The program's exit hook runs before the process ends after a fatal message.
// - pass_prefix_option applies one argument when it is a prefix option for this program and
//   returns true; any other argument is left to the program (false). Long options are matched
//   without regard to case. "--ver" prints the version block and ends the process with 0.
// - "--edf=" that cannot be opened prints "Could not open error description file %s" and the
//   run goes on; "--emax=" sets the error limit at once (set the program's own default before
//   reading the options) and is also returned in `error_limit`.
#pragma once
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

// How a program reads "-E" followed by something.
enum class message_style_option : uint8_t {
    none,            // "-E..." is the program's own option (or unknown)
    digit,           // "-E<digit>": message style; anything else after "-E" is not ours
    digit_or_file,   // "-E<digit>": style; "-E<file>": messages appended to the file; "-E": bare_style
    any,             // "-E" with any suffix: style 1
};

struct pass_startup {
    const char* name = "";              // for the prompt while arguments are typed
    bool arguments_from_input = true;   // no argument at all: read them from standard input
    bool command_file = true;           // a single "@file": read them from that file
    bool command_file_anywhere = false; // the first "@file" wherever it stands (the driver's way);
                                        // "@" alone is fatal message 931
    bool disl = true;                   // "--disl=" understood (besides "--msgdisable=")
    bool disl_nonzero_numbers = false;  // "--disl=" disables each non-zero number, "0" included
                                        // as no number (not "every warning" as the list parser)
    message_style_option message_style = message_style_option::none;
    int32_t bare_style = -1;            // the style "-E" alone sets; -1 leaves it unset
    bool bare_e_own = false;            // "-E" alone is the program's own option, not a style
    int32_t file_style = -1;            // the style "-E<file>" sets; -1 leaves it as it was
    bool message_file_fatal = false;    // "-E<file>" that cannot be opened is fatal 141
    bool warning_level = false;         // "-W<n>[!]" sets the warning level here
    bool warning_level_checked = false; // with it: no number after "-W" is fatal 393, a level
                                        // below -9 is warning 523 and leaves the level as it was
};

// What the prefix options asked for that the program applies itself.
struct pass_settings {
    int32_t error_limit = -1;     // "--emax="; -1 not given
    int32_t message_style = -1;   // "-E"; -1 not given
    std::optional<int32_t> warning_level;   // "-W", when it set the level
};

std::vector<std::string> pass_arguments(int argc, char** argv, const pass_startup& how);
bool pass_prefix_option(const std::string& arg, const pass_startup& how, pass_settings& got);

// Ends the program with the status through its exit hook (which may end it itself). For the
// ends after a message whose kind in a message file might let the program go on where it cannot.
[[noreturn]] void pass_exit(int status);

// Appends standard error (the messages) to the file, line-buffered; false when it cannot be
// opened, and standard error stays as it was (still open, so the failure can be reported).
bool append_messages_to(const char* path);
