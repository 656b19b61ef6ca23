// Options, machine flags and the processor set-up.
#include "codegen/options.h"

#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "common/alert.h"
#include "common/osdep.h"
#include "common/pass_startup.h"

namespace cg {

namespace {

void machine_option(cg_context& ctx, const char* arg) {
    const char* v = arg + 2;
    if (std::isdigit(static_cast<unsigned char>(*v))) {
        char* end = nullptr;
        long n = std::strtol(v, &end, 10);
        if (*end || n < 0 || n > 15) {
            alert_message(716, v);
            return;
        }
        ctx.machine_flags |= static_cast<uint16_t>(1u << n);
        return;
    }
    for (int i = 0; i < 16; ++i)
        if (str_casecmp(v, machine_flag_names[i]) == 0) {
            ctx.machine_flags |= static_cast<uint16_t>(1u << i);
            return;
        }
    alert_message(716, v);
}

void optimise_option(cg_context& ctx, const char* letters) {
    for (const char* p = letters; *p;) {
        char letter = static_cast<char>(std::toupper(static_cast<unsigned char>(*p++)));
        int n = 1;
        if (std::isdigit(static_cast<unsigned char>(*p))) {
            n = 0;
            while (std::isdigit(static_cast<unsigned char>(*p))) n = std::min(n * 10 + (*p++ - '0'), 1000);
        }
        switch (letter) {
        case 'A': ctx.machine_flags |= MF_AUTOSTATIC; break;
        case 'F': ctx.machine_flags |= MF_SPEEDOPT; break;
        case 'G':
            ctx.machine_flags |= MF_GLOBOPT;
            ctx.opt.optimise = true;
            ctx.opt.opt_level += n;
            break;
        case 'S': ctx.machine_flags |= MF_SPACEOPT; break;
        case 'L': ctx.opt.optimise = true; break;
        case 'K': break;
        default: alert_message(747, letter); break;
        }
    }
}

}  // namespace

void setup_processor(cg_context& ctx, const char* text) {
    std::string arg = text;
    if (arg.rfind("ORMC", 0) == 0) arg = arg.substr(4);
    size_t comma = arg.find(',');
    std::string name = arg.substr(0, comma);
    std::string flags = comma == std::string::npos ? "0" : arg.substr(comma + 1);
    processor& p = ctx.proc;
    p = processor();
    p.name = name;
    std::string lower = name;
    for (char& c : lower) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    if (lower == "16c84") p.ram_high = 47;
    if (lower == "16c781" || lower == "16c782") {
        p.string_pack_threshold = 36;
    } else if (lower == "16f627" || lower == "16f627a" || lower == "16f684") {
        p.ram_low = 112, p.ram_high = 127, p.common_ram = true, p.one_bank_data = false;
    } else if (lower == "12f629" || lower == "12f675") {
        p.ram_low = 32, p.ram_high = 95, p.common_ram = true;
    } else if (lower == "16f877" || lower == "16f877a" || lower == "16f690") {
        p.rom_words = 2048, p.banks = 4, p.ram_low = 112, p.ram_high = 127, p.common_ram = true,
        p.one_bank_data = false;
    }
    if (p.arch == 2 && (flags.empty() ? '0' : flags[0]) >= '1') ctx.machine_flags |= MF_CANREADCODE;
}

void setup_architecture(cg_context& ctx) {
    if (ctx.proc.arch != 2) return;
    ctx.machine_flags |= MF_AUTOSTATIC | MF_PIC14 | MF_PICMIDHI | MF_ORMCLOMID;
    uint32_t pages = (ctx.proc.rom_words + 2047) / 2048;
    int log = 0;
    while ((2u << log) <= pages) ++log;
    if (ctx.proc.rom_words > 8192 && log < 3) log = 3;
    ctx.proc.page_select = log + 1;
}

const pass_startup startup{.name = "ORMCG",
                           .disl_nonzero_numbers = true,
                           .message_style = message_style_option::digit_or_file,
                           .bare_style = 1,
                           .warning_level = true};

size_t apply_options(cg_context& ctx, const std::vector<std::string>& args) {
    pass_settings prefix;
    size_t i = 0;
    for (; i < args.size() && args[i][0] == '-'; ++i) {
        const char* a = args[i].c_str();
        if (pass_prefix_option(args[i], startup, prefix)) continue;
        const char* v = a + 2;
        switch (a[1]) {
        case 'D':
            ctx.opt.line_directives = true;
            ctx.opt.sdb_name = v;
            break;
        case 'M': machine_option(ctx, a); break;
        case 'O': case 'Z': optimise_option(ctx, v); break;
        case 'P': case 'p':
            if (*v) setup_processor(ctx, v);
            break;
        case 'R':
            if (std::strcmp(v, "D") == 0) ctx.opt.decimal_constants = true;
            break;
        case 'S': ctx.opt.notes = true; break;
        case 'B': case 'C': case 'c': case 'U': break;
        default: alert_message(717, a[1]); break;
        }
    }
    if (prefix.message_style > 0) alert_set_formatted(1);
    if (prefix.warning_level) ctx.opt.warning_level = *prefix.warning_level;
    return i;
}

}  // namespace cg
