// ormpre: the C preprocessor. Turns one C source (with the headers it includes) into
// preprocessed text with line markers for the parser, and can list the headers read.
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "common/alert.h"
#include "common/pass_startup.h"
#include "common/replace_file.h"
#include "cond_eval.h"
#include "directives.h"
#include "display.h"
#include "macros.h"
#include "output.h"
#include "scanner.h"

extern const char component_name[] = "preprocessor";

namespace {

constexpr int ERROR_LIMIT = 10;

struct run_settings {
    std::vector<std::string> files;
    std::string main_name;         // -F
    pass_settings prefix;           // --emax=, -E
    bool dependency_only = false;
    bool dependency_asked = false;  // -L with a file, opened or not
    bool show_source_line = true;
};

// Named outputs, moved into place only when the run ends well.
replacing_file output_file, dependency_file;
bool finished = false;

// The one exit road: the dependency list, then the output, then the status. A run cut short
// leaves the named files as they were; a write that did not arrive is fatal 413.
void finish_run(bool complete) {
    if (finished) return;
    finished = true;
    output::write_dependencies();
    output::flush();
    if (!complete) {
        output_file.discard();
        dependency_file.discard();
        fflush(stdout);
        return;
    }
    std::vector<replacing_file*> files;
    for (replacing_file* f : {&output_file, &dependency_file})
        if (f->stream()) files.push_back(f);
    if (replacing_file* failed = commit_together(files)) alert_message(413, failed->target().c_str());
    if (!flush_standard_output()) alert_message(413, "standard output");
}

[[noreturn]] void exit_run(int status) {
    finish_run(true);
    exit(status);
}

void option_define(const std::string& text) {
    size_t eq = text.find('=');
    if (eq == std::string::npos)
        macros::define_from_option(text, "1");
    else
        macros::define_from_option(text.substr(0, eq), text.substr(eq + 1));
}

void option_dependencies(const std::string& arg, run_settings& s) {
    std::string rest = arg.substr(2);
    if (rest.empty()) {
        s.dependency_only = true;
        return;
    }
    bool rule = false;
    if ((rest[0] == 'M' || rest[0] == 'm') && rest.size() > 1 && rest[1] == '-') {
        rule = true;
        rest = rest.substr(2);
    }
    s.dependency_asked = true;
    refuse_output_over_input(rest, s.files);
    if (!dependency_file.create(rest, false)) {
        // The list is dropped: standard output carries the preprocessed text.
        alert_message(154, rest.c_str());
        return;
    }
    output::open_dependencies(dependency_file.stream(), rest, rule);
}

const pass_startup startup{.name = "ormpre", .message_style = message_style_option::digit_or_file,
                           .warning_level = true};

void apply_option(const std::string& arg, run_settings& s) {
    if (pass_prefix_option(arg, startup, s.prefix)) return;
    char letter = arg[1];
    if (letter >= 'a' && letter <= 'z') letter = static_cast<char>(letter - 'a' + 'A');
    std::string value = arg.substr(2);
    switch (letter) {
    case 'C': output::keep_comments = true; return;
    case 'D': option_define(value); return;
    case 'U':
        if (!macros::undefine(widen(value))) alert_message(177, value.c_str());
        return;
    case 'I':
        if (!directives::add_include_directory(value)) alert_message(147);
        return;
    case 'F':
        if (!value.empty()) s.main_name = value;
        return;
    case 'L': option_dependencies(arg, s); return;
    case 'N':
        if (!value.empty() && value[0] >= '0' && value[0] <= '9') {
            long n = strtol(value.c_str(), nullptr, 10);
            scanner::significant_length = n <= 30 ? 31 : n > 255 ? 255 : static_cast<size_t>(n);
        }
        return;
    case 'S': cond_eval::set_sizes(arg.c_str()); return;
    default: alert_message(168, arg.c_str()); return;
    }
}

}  // namespace

void exit_hook(int) { finish_run(false); }

// Running out of memory anywhere is the fatal message 294 with the size asked for.
void* operator new(size_t size) {
    if (void* block = malloc(size ? size : 1)) return block;
    alert_message(294, static_cast<unsigned>(size));
    abort();
}
void* operator new[](size_t size) { return operator new(size); }
void operator delete(void* block) noexcept { free(block); }
void operator delete[](void* block) noexcept { free(block); }
void operator delete(void* block, size_t) noexcept { free(block); }
void operator delete[](void* block, size_t) noexcept { free(block); }

int main(int argc, char** argv) {
    std::vector<std::string> args = pass_arguments(argc, argv, startup);
    run_settings s;
    macros::define_predefined();
    // The files first, so that no output an option names can be one of them.
    for (const std::string& arg : args)
        if (arg.size() <= 1 || arg[0] != '-') s.files.push_back(arg);
    for (const std::string& arg : args)
        if (arg.size() > 1 && arg[0] == '-') apply_option(arg, s);
    if (s.files.size() > 2) {
        alert_message(110);
        exit_run(1);
    }
    // One digit: 0 echoes the source line with a caret, any other switches the layouts on.
    if (s.prefix.message_style > 0) {
        alert_set_formats(nullptr, nullptr, nullptr);
        alert_set_formatted(1);
        s.show_source_line = false;
    }
    display::install(s.show_source_line);

    FILE* input = stdin;
    std::string input_path = !s.files.empty() && s.files[0] != "-" ? s.files[0] : "";
    if (!input_path.empty()) {
        input = fopen(input_path.c_str(), "rb");
        if (!input) alert_message(141, "input", input_path.c_str());
    }
    if (s.files.size() == 2 && s.files[1] != "-") {
        refuse_output_over_input(s.files[1], {input_path});
        if (!output_file.create(s.files[1], true)) alert_message(141, "output", s.files[1].c_str());
    }
    FILE* text_stream = output_file.stream() ? output_file.stream() : stdout;
    alert_set_max_errors(s.prefix.error_limit >= 0 ? s.prefix.error_limit : ERROR_LIMIT);
    if (s.dependency_only && !output::dependency_wanted() && !s.dependency_asked)
        output::open_dependencies(text_stream, "", false);
    directives::set_dependency_only(s.dependency_only);
    output::text_suppressed = s.dependency_only;
    output::open(text_stream);
    scanner::copy_comments = output::keep_comments;

    std::string main_name = !s.main_name.empty() ? s.main_name : input_path;
    output::set_main_name(main_name);
    scanner::push_file(input, input_path);
    if (!s.main_name.empty()) {
        scanner::current_file()->line_name = s.main_name;
        scanner::current_file()->has_line_name = true;
    }
    output::write_marker();
    output::copy_loop();
    exit_run(alert_failed() ? 1 : 0);
}
