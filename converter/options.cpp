#include "converter/options.h"

#include <cctype>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <unistd.h>

#include "common/alert.h"
#include "common/getargs.h"
#include "common/msgfile.h"
#include "common/registry.h"
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

bool equal_nocase(const std::string& a, const char* b) {
    return a.size() == std::strlen(b) && prefix_nocase(a.c_str(), b);
}

void list_formats() {
    std::fputs("Formats available are:\n\nKey        Name\n\n", stderr);
    for (const format_desc& f : format_table) std::fprintf(stderr, "%-10s %s\n", f.key, f.display_name);
    std::fputs("\nKeys may be unambiguously abbreviated.\n", stderr);
}

// Messages go to the named file from here on, appended; the old standard error stays when the
// file cannot be opened.
bool redirect_messages(const char* name) {
    FILE* f = std::fopen(name, "a");
    if (!f) {
        alert_message(141, "error", name);
        return false;
    }
    std::fflush(stderr);
    dup2(fileno(f), fileno(stderr));
    std::fclose(f);
    static char buffer[512];
    std::setvbuf(stderr, buffer, _IOLBF, sizeof buffer);
    return true;
}

void long_option(conv_context& ctx, const char* text) {
    std::string word = text;
    if (prefix_nocase(text, "edf=")) {
        if (!msgfile_open(text + 4)) alert_print("Could not open error description file %s", text + 4);
    } else if (prefix_nocase(text, "disl=")) {
        alert_disable(text + 5);
    } else if (prefix_nocase(text, "msgdisable=")) {   // the driver passes this to every pass
        alert_disable(text + 11);
    } else if (prefix_nocase(text, "emax=")) {
        alert_set_max_errors(std::atoi(text + 5));
    } else if (equal_nocase(word, "ver")) {
        print_version_block();
        std::exit(0);
    } else if (equal_nocase(word.substr(0, word.find('=')), "pathspec")) {
        size_t eq = word.find('=');
        size_t comma = eq == std::string::npos ? std::string::npos : word.find(',', eq);
        if (comma == std::string::npos || comma == eq + 1 || comma + 1 == word.size()) alert_message(608);
        ctx.opt.has_pathspec = true;
        ctx.opt.pathspec_from = word.substr(eq + 1, comma - eq - 1);
        ctx.opt.pathspec_to = word.substr(comma + 1);
    }
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

}  // namespace

void read_command_line(conv_context& ctx, int argc, char** argv) {
    conv_options& opt = ctx.opt;
    if (argc <= 1 || (argc == 2 && argv[1][0] == '@')) {
        if (argc == 2 && !std::freopen(argv[1] + 1, "r", stdin)) alert_message(141, "command", argv[1] + 1);
        argv = getargs(nullptr, "ormconv");
        argc = getargs_count;
    }
    int layout = 0;
    size_t last_output = 0;
    for (int i = 1; i < argc; ++i) {
        const char* arg = argv[i];
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
            case 'e':
                if (!*value) {
                    opt.strip_extensions = true;
                } else if (std::isdigit(static_cast<unsigned char>(value[0])) && !value[1]) {
                    layout = value[0] - '0';
                } else {
                    // The configured layouts are for the file's reader; standard error keeps the plain one.
                    if (redirect_messages(value)) layout = 1;
                }
                alert_set_formatted(layout);
                break;
            case 'i': opt.input_format = format_lookup(value); break;
            case 'o': {
                std::string key = value;
                if (key.empty() && i + 1 < argc && argv[i + 1][0] != '-') key = argv[++i];
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
            case 'w': {
                if (std::strchr(arg, '!')) alert_set_warn_fails(1);
                if (!std::isdigit(static_cast<unsigned char>(value[0])) && value[0] != '-') alert_message(393);
                int level = std::atoi(value);
                if (level < -9) alert_message(523, level);
                else alert_set_level(level);
                break;
            }
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
