#include "linker/options.h"

#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include "common/osdep.h"

#include "common/alert.h"
#include "linker/context.h"
#include "common/alloc.h"
#include "common/getargs.h"
#include "common/msgfile.h"
#include "common/registry.h"
#include "common/pass_startup.h"
#include "common/replace_file.h"
#include "linker/classes.h"
#include "linker/symtab.h"

namespace lnk {

namespace {

[[noreturn]] void stop() {
    exit_hook(1);
    std::exit(1);
}

bool starts_nocase(const char* text, const char* prefix) {
    return str_ncasecmp(text, prefix, std::strlen(prefix)) == 0;
}

// -D (plain) and -H (extended) name the symbol file; "l.sym" when the name is empty.
void set_symbol_file(context& cx, const char* rest, bool extended) {
    if (extended) cx.opts.sym_style = symfile_style::extended;
    else if (cx.opts.sym_style == symfile_style::none) cx.opts.sym_style = symfile_style::plain;
    if (!*rest) {
        if (cx.opts.sym_file.empty()) cx.opts.sym_file = "l.sym";
        return;
    }
    if (!cx.opts.sym_file.empty() && cx.opts.sym_file != "l.sym") {
        alert_message(394);
        return;
    }
    cx.opts.sym_file = rest;
}

// "-E": a digit is the layout; "-E" alone and "-E<file>" (messages appended to it) layout 1.
const pass_startup startup{.name = "ormlink",
                           .message_style = message_style_option::digit_or_file,
                           .bare_style = 1,
                           .file_style = 1};

// The options every pass shares; false for the linker's own.
bool prefix_option(context& cx, const char* arg) {
    pass_settings got;
    if (!pass_prefix_option(arg, startup, got)) return false;
    if (got.error_limit >= 0) cx.opts.error_limit = got.error_limit;
    if (got.message_style >= 0) {
        cx.opts.layout = got.message_style;
        alert_set_formatted(cx.opts.layout);
    }
    return true;
}

void option_W(context& cx, const char* rest) {
    if (std::strchr(rest, '!')) alert_set_warn_fails(1);
    if (!std::isdigit(static_cast<unsigned char>(rest[0])) && rest[0] != '-') {
        alert_message(393);
        stop();
    }
    int32_t n = static_cast<int32_t>(std::strtol(rest, nullptr, 10));
    if (n >= 10)
        cx.opts.page_width = n;
    else if (n < -9)
        alert_message(523, n);
    else
        alert_set_level(n);
}

}  // namespace

void parse_option(context& cx, const char* arg) {
    if (prefix_option(cx, arg)) return;
    if (arg[0] == '-' && arg[1] == '-') {
        alert_message(168, arg);
        return;
    }
    const char* p = arg + 1;
    while (*p) {
        const char* letter = p;
        char c = static_cast<char>(std::toupper(static_cast<unsigned char>(*p++)));
        switch (c) {
        case '8': cx.opts.map_layout8 = true; continue;
        case 'F': cx.opts.symbols_only = true; continue;
        case 'I': cx.opts.undefined_warn = true; continue;
        case 'K': cx.opts.callgraph_flag = true; continue;
        case 'R': cx.opts.partial = true; continue;
        case 'X': cx.opts.no_locals = true; cx.opts.no_generated = true; continue;
        case 'Z': cx.opts.no_generated = true; continue;
        case 'L':
            if (*p == 'M' || *p == 'm') {
                cx.opts.load_reloc_marked = true;
                ++p;
            } else {
                cx.opts.load_reloc = true;
            }
            continue;
        case 'S':
            if (std::strchr(p, '=')) {
                parse_class_size(cx, p);
                return;
            }
            cx.opts.no_symbols = true;
            cx.opts.no_locals = true;
            continue;
        case 'A': parse_class_ranges(cx, p); return;
        case 'B': return;
        case 'C':
            if (str_casecmp(p, "n") == 0) cx.opts.cg_print = 2;
            else if (str_casecmp(p, "c") == 0) cx.opts.cg_print = 1;
            else if (std::strchr(p, '=')) parse_class_assign(cx, p);
            else {
                const char* q = p;
                uint32_t base = 0;
                if (*q) parse_number(q, base);
                cx.opts.binary = true;
                cx.opts.binary_base = base;
            }
            return;
        case 'D':
            if (str_casecmp(p, "ebug") == 0) ++cx.symtab.debug_level;
            else if (std::strchr(p, '=')) parse_class_delta(cx, p);
            else set_symbol_file(cx, p, false);
            return;
        case 'G':
            if (cx.places.segmented || !*p) {
                alert_message(387);
                stop();
            }
            parse_selector_option(cx, p);
            return;
        case 'H':
            if (*p == '+') {
                cx.opts.sym_plus = true;
                ++p;
            }
            set_symbol_file(cx, p, true);
            return;
        case 'J':
            if (!std::isdigit(static_cast<unsigned char>(*p))) {
                alert_message(395);
                stop();
            }
            cx.opts.error_limit = std::atoi(p);
            alert_set_max_errors(cx.opts.error_limit);
            return;
        case 'M':
            if (cx.opts.map && *p) {
                alert_message(388);
                stop();
            }
            cx.opts.map = true;
            if (*p) cx.opts.map_file = p;
            return;
        case 'N':
            cx.opts.sort = true;
            if (*p == 's' || *p == 'S') cx.opts.group = 's';
            else if (*p == 'c' || *p == 'C') cx.opts.group = 'c';
            return;
        case 'O':
            if (cx.opts.output_given || !*p) {
                alert_message(389);
                stop();
            }
            cx.opts.output_given = true;
            cx.opts.output = p;
            return;
        case 'P':
            if (cx.opts.placements.size() >= MAX_PLACEMENTS || !*p) {
                alert_message(390);
                stop();
            }
            cx.opts.placements.push_back(p);
            return;
        case 'Q':
            if (!*p) {
                alert_message(391);
                stop();
            }
            cx.opts.machine = p;
            return;
        case 'U':
            if (!*p) {
                alert_message(392);
                stop();
            }
            cx.opts.undefs.push_back(p);
            return;
        case 'V':
            if (starts_nocase(p, "ER=")) {
                const char* text = p + 3;
                if (const char* hash = std::strchr(text, '#')) {
                    cx.opts.product.assign(text, hash);
                    cx.opts.version = hash + 1;
                }
            } else {
                cx.opts.avmap_file = p;
            }
            return;
        case 'W': option_W(cx, p); return;
        default:
            alert_message(168, letter);
            continue;
        }
    }
}

bool same_path(const std::string& a, const std::string& b) { return same_file_name(a, b); }

std::string output_name(context& cx) {
    if (cx.opts.output_given) return cx.opts.output;
    return cx.opts.binary ? "l.bin" : "l.obj";
}

void parse_command_line(context& cx, int argc, char** argv) {
    const std::vector<std::string> args = pass_arguments(argc, argv, startup);
    size_t i = 0;
    for (; i < args.size() && args[i][0] == '-'; ++i) {
        cx.opts.arguments.push_back(args[i]);
        parse_option(cx, args[i].c_str());
    }
    for (; i < args.size(); ++i) {
        cx.opts.arguments.push_back(args[i]);
        cx.opts.inputs.push_back(args[i]);
    }
    if (cx.opts.error_limit == 0) cx.opts.error_limit = 30;
    alert_set_max_errors(cx.opts.error_limit);
    if (cx.opts.binary && (cx.opts.partial || cx.opts.load_reloc)) {
        alert_message(616);
        stop();
    }
    if (cx.opts.inputs.empty()) {
        alert_message(397);
        stop();
    }
    refuse_output_over_input(output_name(cx), cx.opts.inputs);
    refuse_output_over_input(cx.opts.map_file, cx.opts.inputs);
    refuse_output_over_input(cx.opts.sym_file, cx.opts.inputs);
}

}  // namespace lnk
