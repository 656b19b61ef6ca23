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
#include "linker/classes.h"
#include "linker/symtab.h"


namespace lnk {

link_options& opts = run_context.opts;


namespace {

[[noreturn]] void stop() {
    exit_hook(1);
    std::exit(1);
}

bool starts_nocase(const char* text, const char* prefix) {
    return str_ncasecmp(text, prefix, std::strlen(prefix)) == 0;
}

// -D (plain) and -H (extended) name the symbol file; "l.sym" when the name is empty.
void set_symbol_file(const char* rest, bool extended) {
    if (extended) opts.sym_style = symfile_style::extended;
    else if (opts.sym_style == symfile_style::none) opts.sym_style = symfile_style::plain;
    if (!*rest) {
        if (opts.sym_file.empty()) opts.sym_file = "l.sym";
        return;
    }
    if (!opts.sym_file.empty() && opts.sym_file != "l.sym") {
        alert_message(394);
        return;
    }
    opts.sym_file = rest;
}

void long_option(const char* arg) {
    const char* name = arg + 2;
    if (starts_nocase(name, "edf=")) {
        if (!msgfile_open(name + 4)) alert_print("Could not open error description file %s\n", name + 4);
    } else if (starts_nocase(name, "emax=")) {
        opts.error_limit = std::atoi(name + 5);
        alert_set_max_errors(opts.error_limit);
    } else if (starts_nocase(name, "disl=")) {
        alert_disable(name + 5);
    } else if (starts_nocase(name, "msgdisable=")) {
        alert_disable(name + 11);
    } else if (str_casecmp(name, "ver") == 0) {
        print_version_block();
        exit_hook(0);
        std::exit(0);
    } else {
        alert_message(168, arg);
    }
}

void option_E(const char* rest) {
    if (std::isdigit(static_cast<unsigned char>(rest[0])) && !rest[1]) {
        opts.layout = rest[0] - '0';
    } else {
        if (*rest) {
            if (std::freopen(rest, "a", stderr)) std::setvbuf(stderr, nullptr, _IOLBF, 512);
        }
        opts.layout = 1;
    }
    alert_set_formatted(opts.layout);
}

void option_W(const char* rest) {
    if (std::strchr(rest, '!')) alert_set_warn_fails(1);
    if (!std::isdigit(static_cast<unsigned char>(rest[0])) && rest[0] != '-') {
        alert_message(393);
        stop();
    }
    int32_t n = static_cast<int32_t>(std::strtol(rest, nullptr, 10));
    if (n >= 10)
        opts.page_width = n;
    else if (n < -9)
        alert_message(523, n);
    else
        alert_set_level(n);
}

}  // namespace

void parse_option(const char* arg) {
    if (arg[0] == '-' && arg[1] == '-') {
        long_option(arg);
        return;
    }
    const char* p = arg + 1;
    while (*p) {
        const char* letter = p;
        char c = static_cast<char>(std::toupper(static_cast<unsigned char>(*p++)));
        switch (c) {
        case '8': opts.map_layout8 = true; continue;
        case 'F': opts.symbols_only = true; continue;
        case 'I': opts.undefined_warn = true; continue;
        case 'K': opts.callgraph_flag = true; continue;
        case 'R': opts.partial = true; continue;
        case 'X': opts.no_locals = true; opts.no_generated = true; continue;
        case 'Z': opts.no_generated = true; continue;
        case 'L':
            if (*p == 'M' || *p == 'm') {
                opts.load_reloc_marked = true;
                ++p;
            } else {
                opts.load_reloc = true;
            }
            continue;
        case 'S':
            if (std::strchr(p, '=')) {
                parse_class_size(p);
                return;
            }
            opts.no_symbols = true;
            opts.no_locals = true;
            continue;
        case 'A': parse_class_ranges(p); return;
        case 'B': return;
        case 'C':
            if (str_casecmp(p, "n") == 0) opts.cg_print = 2;
            else if (str_casecmp(p, "c") == 0) opts.cg_print = 1;
            else if (std::strchr(p, '=')) parse_class_assign(p);
            else {
                const char* q = p;
                uint32_t base = 0;
                if (*q) parse_number(q, base);
                opts.binary = true;
                opts.binary_base = base;
            }
            return;
        case 'D':
            if (str_casecmp(p, "ebug") == 0) ++symtab.debug_level;
            else if (std::strchr(p, '=')) parse_class_delta(p);
            else set_symbol_file(p, false);
            return;
        case 'E': option_E(p); return;
        case 'G':
            if (places.segmented || !*p) {
                alert_message(387);
                stop();
            }
            parse_selector_option(p);
            return;
        case 'H':
            if (*p == '+') {
                opts.sym_plus = true;
                ++p;
            }
            set_symbol_file(p, true);
            return;
        case 'J':
            if (!std::isdigit(static_cast<unsigned char>(*p))) {
                alert_message(395);
                stop();
            }
            opts.error_limit = std::atoi(p);
            alert_set_max_errors(opts.error_limit);
            return;
        case 'M':
            if (opts.map && *p) {
                alert_message(388);
                stop();
            }
            opts.map = true;
            if (*p) opts.map_file = p;
            return;
        case 'N':
            opts.sort = true;
            if (*p == 's' || *p == 'S') opts.group = 's';
            else if (*p == 'c' || *p == 'C') opts.group = 'c';
            return;
        case 'O':
            if (opts.output_given || !*p) {
                alert_message(389);
                stop();
            }
            opts.output_given = true;
            opts.output = p;
            return;
        case 'P':
            if (opts.placements.size() >= MAX_PLACEMENTS || !*p) {
                alert_message(390);
                stop();
            }
            opts.placements.push_back(p);
            return;
        case 'Q':
            if (!*p) {
                alert_message(391);
                stop();
            }
            opts.machine = p;
            return;
        case 'U':
            if (!*p) {
                alert_message(392);
                stop();
            }
            opts.undefs.push_back(p);
            return;
        case 'V':
            if (starts_nocase(p, "ER=")) {
                const char* text = p + 3;
                if (const char* hash = std::strchr(text, '#')) {
                    opts.product.assign(text, hash);
                    opts.version = hash + 1;
                }
            } else {
                opts.avmap_file = p;
            }
            return;
        case 'W': option_W(p); return;
        default:
            alert_message(168, letter);
            continue;
        }
    }
}

bool same_path(const std::string& a, const std::string& b) {
    if (a == b) return true;
    namespace fs = std::filesystem;
    std::error_code ea, eb;
    fs::path pa = fs::weakly_canonical(fs::absolute(a, ea), ea);
    fs::path pb = fs::weakly_canonical(fs::absolute(b, eb), eb);
    if (!ea && !eb && pa == pb) return true;
    std::error_code ec;
    return fs::exists(a, ec) && fs::exists(b, ec) && fs::equivalent(a, b, ec);
}

std::string output_name() {
    if (opts.output_given) return opts.output;
    return opts.binary ? "l.bin" : "l.obj";
}

void parse_command_line(int argc, char** argv) {
    char** args = argv;
    int count = argc;
    if (argc == 1 || (argc == 2 && argv[1][0] == '@')) {
        if (argc == 2 && !std::freopen(argv[1] + 1, "r", stdin)) {
            alert_message(141, "command", argv[1] + 1);
            stop();
        }
        args = getargs(nullptr, "ormlink");
        count = getargs_count;
    }
    int i = 1;
    for (; i < count && args[i] && args[i][0] == '-'; ++i) {
        opts.arguments.push_back(args[i]);
        parse_option(args[i]);
    }
    for (; i < count && args[i]; ++i) {
        opts.arguments.push_back(args[i]);
        opts.inputs.push_back(args[i]);
    }
    if (args != argv) {
        for (int k = 0; k < count; ++k) xfree(args[k]);
        xfree(args);
    }
    if (opts.error_limit == 0) opts.error_limit = 30;
    alert_set_max_errors(opts.error_limit);
    if (opts.binary && (opts.partial || opts.load_reloc)) {
        alert_message(616);
        stop();
    }
    if (opts.inputs.empty()) {
        alert_message(397);
        stop();
    }
    std::string out = output_name();
    for (const std::string& in : opts.inputs) {
        if (same_path(in, out)) {
            alert_message(398);
            stop();
        }
    }
}

}  // namespace lnk
