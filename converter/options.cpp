#include "converter/options.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "common/alert.h"
#include "common/pass_startup.h"
#include "converter/formats.h"

namespace conv {

const char usage_text[] =
    "Ormconv: the symbol file reformatter\n"
    "Usage: ormconv [options] input_files ... -okey [-okey ... ] output_file\n"
    "Options:\n"
    "\t-v:\tverbose\n"
    "\t-d:\tdump input file\n"
    "\t-c:\tidentify input files only\n"
    "\t-f:\tfake local symbols as globals\n"
    "\t-k:\tfake variable redefinitions with inner blocks\n"
    "\t-okey:\tset output format\n"
    "\t-ikey:\tset input format\n"
    "\t-l:\tlist available formats\n"
    "\t-b:\tspecify big-endian byte ordering\n"
    "\t-m:\tstrip underscore character\n"
    "\t-e:\tstrip file extensions\n"
    "\t-pname:\tset processor name\n"
    "\n"
    "The output file type is required.\n"
    "The input file type(s) will be auto-detected if not specified.\n";

namespace {

bool prefix_nocase(const char* text, const char* prefix) {
    for (; *prefix; ++text, ++prefix)
        if (std::tolower(static_cast<unsigned char>(*text)) != std::tolower(static_cast<unsigned char>(*prefix)))
            return false;
    return true;
}

void list_formats() {
    std::fputs("Formats available are:\n\nKey        Name\n\n", stderr);
    for (const format_desc& f : format_table) std::fprintf(stderr, "%-10s %s\n", f.key, f.display_name);
    std::fputs("\nKeys may be unambiguously abbreviated.\n", stderr);
}

// Only "--pathspec=" is ours among the long options; the others that are not the passes'
// prefix options are ignored.
void long_option(conv_context& ctx, const char* text) {
    std::string word = text;
    size_t eq = word.find('=');
    if (std::min(eq, word.size()) != 8 || !prefix_nocase(text, "pathspec")) return;
    size_t comma = eq == std::string::npos ? std::string::npos : word.find(',', eq);
    if (comma == std::string::npos || comma == eq + 1 || comma + 1 == word.size()) alert_message(608);
    ctx.opt.has_pathspec = true;
    ctx.opt.pathspec_from = word.substr(eq + 1, comma - eq - 1);
    ctx.opt.pathspec_to = word.substr(comma + 1);
}

void add_output(conv_options& opt, uint32_t format, size_t& last) {
    for (size_t i = 0; i < opt.outputs.size(); ++i)
        if (opt.outputs[i].format == format) {
            last = i;
            return;
        }
    opt.outputs.push_back({format, ""});
    last = opt.outputs.size() - 1;
}

const pass_startup startup{.name = "ormconv",
                           .message_style = message_style_option::digit_or_file,
                           .bare_e_own = true,
                           .file_style = 1,
                           .message_file_fatal = true,
                           .warning_level = true,
                           .warning_level_checked = true};

}  // namespace

void read_command_line(conv_context& ctx, int argc, char** argv) {
    conv_options& opt = ctx.opt;
    // Kept for the life of the run: the option values point into it.
    static const std::vector<std::string> args = pass_arguments(argc, argv, startup);
    pass_settings prefix;
    size_t last_output = 0;
    for (size_t i = 0; i < args.size(); ++i) {
        const char* arg = args[i].c_str();
        bool style_option = arg[0] == '-' && (arg[1] == 'e' || arg[1] == 'E');
        if (pass_prefix_option(args[i], startup, prefix)) {
            // Every -e hands the layout as it then stands to the message system.
            if (style_option) alert_set_formatted(std::max(prefix.message_style, 0));
            continue;
        }
        if (arg[0] != '-') {
            if (opt.outputs.empty()) opt.inputs.push_back(arg);
            else opt.outputs[last_output].name = arg;
        } else {
            const char* value = arg[1] ? arg + 2 : arg + 1;
            switch (std::tolower(static_cast<unsigned char>(arg[1]))) {
            case '-': long_option(ctx, arg + 2); break;
            case 'v': ++opt.verbose_level; break;
            case 'c':
                opt.check_only = true;
                ++opt.verbose_level;
                break;
            case 'd': opt.dump = true; break;
            case 'f': opt.fake_locals = true; break;
            case 'k': opt.fake_redefinitions = true; break;
            case 'm': opt.strip_underscore = true; break;
            case 'b': ctx.order = byte_order::big; break;
            case 'e':   // alone; with a layout or file it is a prefix option
                opt.strip_extensions = true;
                alert_set_formatted(std::max(prefix.message_style, 0));
                break;
            case 'i': opt.input_format = format_lookup(value); break;
            case 'o': {
                std::string key = value;
                if (key.empty() && i + 1 < args.size() && args[i + 1][0] != '-') key = args[++i];
                add_output(opt, format_lookup(key), last_output);
                break;
            }
            case 'p': {
                if (!*value) alert_message(609);
                std::string text = value;
                size_t comma = text.find(',');
                ctx.machine.processor_name = text.substr(0, std::min<size_t>(comma, 127));
                while (comma != std::string::npos) {
                    size_t next = text.find(',', comma + 1);
                    opt.processor_fields.push_back(
                        text.substr(comma + 1, next == std::string::npos ? std::string::npos : next - comma - 1));
                    comma = next;
                }
                break;
            }
            case 'n':
                if (!*value) alert_message(610);
                opt.code_class_list = value;
                break;
            case 'l':
                list_formats();
                std::exit(0);
            case 'h':
                std::fputs(usage_text, stderr);
                std::exit(1);
            default:
                std::fprintf(stderr, "Unrecognized option '%s'", arg);
                std::fputs(usage_text, stderr);
                std::exit(1);
            }
        }
        if (opt.inputs.size() > MAX_FILES) alert_message(611);
        if (opt.outputs.size() > MAX_FILES) alert_message(612);
    }
}

}  // namespace conv
