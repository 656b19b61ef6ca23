// The command line of each pass.
#include "driver/passes.h"

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <vector>

#include "common/alert.h"
#include "common/alloc.h"
#include "common/lists/lists.h"
#include "common/osdep.h"
#include "common/replace_file.h"
#include "driver/chipfile.h"
#include "driver/names.h"
#include "driver/passrun.h"
#include "driver/placement.h"
#include "driver/startup.h"
#include "driver/state.h"
#include "platform/platform.h"

namespace {

bool double32() { return drv.double_type == 2 || drv.double_type == 0x100; }
bool opt_has(uint32_t bit) { return uint32_t(drv.opt) & bit; }
const chip_record& chip() { return *drv.chip; }

void ide_flag(arglist& list) {
    if (drv.ide_mode) list.append("-E1");
}

bool ends_with_nocase(const std::string& text, const char* tail) {
    size_t n = strlen(tail);
    return text.size() >= n && str_casecmp(text.c_str() + text.size() - n, tail) == 0;
}

unsigned floor_log2(double x) { return x <= 1 ? 0 : unsigned(std::floor(std::log2(x))); }

std::string library_file(const std::string& name) {
    if (file_exists(name.c_str())) return name;
    return join_dir(join_dir(drv.install_dir, "lib"), name) + ".lib";
}

// "orl" + architecture digit + memory digit + bank character + double character + name.
std::string c_library_name(const std::string& name) {
    const chip_record& c = chip();
    char arch = c.arch == ARCH_PIC12 ? '2' : c.arch == ARCH_PIC14 ? '4' : '7';
    char memory = '0', bank = '0';
    if (c.arch == ARCH_PIC12) {
        memory = char('0' + floor_log2((c.romsize + 511) / 512));
        bank = char('0' + floor_log2(c.banks));
    } else if (c.arch == ARCH_PIC14) {
        memory = char('0' + floor_log2((c.romsize + 2047) / 2048));
        if (c.has_common)
            bank = (c.banks == 1 && c.common.low == c.rambank[0].low && c.common.high == c.rambank[0].high)
                       ? 'a'
                       : char('a' + floor_log2(c.banks));
        else
            bank = char('0' + floor_log2(c.banks));
    } else {
        memory = c.romsize > 8192 ? '1' : '0';
        bank = c.banks < 2 ? '0' : '4';
    }
    char dbl = '-';
    if (drv.double_type == 2) dbl = 'd';
    else if (drv.double_type == 0x100) {
        if (c.arch != ARCH_PIC16) alert_message(1057);
        dbl = 'f';
    }
    return std::string("orl") + arch + memory + bank + dbl + name;
}

std::string support_library_name() {
    const chip_record& c = chip();
    if (c.eepromsize == 0 && c.flashtype == FLASHTYPE_NONE) return std::string();
    char text[32];
    snprintf(text, sizeof text, "orl%x%c--u", unsigned(c.eepromsize ? c.databank + 4 : c.databank),
             c.flashtype == FLASHTYPE_NONE ? '-' : char('0' + c.flashtype));
    return text;
}

void chip_pre_args(arglist& list) {
    const chip_record& c = chip();
    list.append("-D_" + std::string(c.name));
    list.append("-D_MPC_");
    if (c.arch == ARCH_PIC12) list.append("-D_PIC12");
    else if (c.arch == ARCH_PIC14) {
        list.append("-D_PIC14");
        if (c.flashtype != FLASHTYPE_NONE && opt_has(OPT_SPACE)) list.appendf("-D_PROGMEM_=%d", int(c.flashtype));
    } else list.append("-D_PIC16");
    list.append(double32() ? "-S1,2,2,4,3,4" : "-S1,2,2,4,3,3");
    if (drv.debugger == 1) list.append("-DMPLAB_ICD=1");
    else if (drv.debugger == 2) list.append("-DMPLAB_ICD=2");
    list.appendf("-D_COMMON_=%d", c.has_common ? 1 : 0);
    list.appendf("-D_BANKCOUNT_=%d", int(c.banks));
    list.appendf("-D_BANKBITS_=%d", c.banks == 1 ? 0 : c.banks == 2 ? 1 : 2);
    list.appendf("-D_GPRBITS_=%d", c.rambank_count == 1 ? 0 : c.rambank_count == 2 ? 1 : 2);
    if (c.eepromsize != 0 || c.flashtype != 0) list.appendf("-D__DATABANK=%lu", (unsigned long)c.databank);
    if (c.flashtype != FLASHTYPE_NONE) list.appendf("-D__FLASHTYPE=%d", int(c.flashtype));
    list.appendf("-DEEPROM_SIZE=%lu", (unsigned long)c.eepromsize);
}

// "lo@hi" word addresses of the driver become byte addresses for ormpatch.
std::string serial_in_bytes(const std::string& text) {
    size_t at = text.find('@');
    if (at == std::string::npos) return text;
    const char* p = text.c_str() + at + 1;
    char* end;
    bool hex = p[0] == '0' && (p[1] == 'x' || p[1] == 'X');
    unsigned long address = hex ? strtoul(p + 2, &end, 16) : strtoul(p, &end, 10);
    if (end == p || (hex && end == p + 2)) return text;
    char buf[32];
    snprintf(buf, sizeof buf, "%lX", address * 2);
    return text.substr(0, at + 1) + buf + end;
}

bool run_startup_link(bool final_stage, startup_facts& facts);

}  // namespace

std::string main_hex_name() {
    // A binary main output is made in the per-format loop; the main run writes Intel HEX.
    if (ends_with_nocase(drv.output_name, ".bin")) return replace_extension(drv.output_name, "hex");
    return drv.output_name;
}

bool run_annot(const std::string& source, const std::string& base) {
    arglist list(PASS_ANNOT);
    list.append(source);
    list.append(base + "lst");
    return run_pass(list);
}

bool run_pre(const std::string& source, const std::string& base) {
    stage_start("Preprocessor");
    arglist list(PASS_PRE);
    for (const std::string& a : drv.pre_args) list.append(a);
    ide_flag(list);
    if (drv.ide == 1) list.append("-LM-" + base + "d");
    else if (drv.scandep) list.append("-L");
    list.appendf("-D_BXC_VER_MAJOR_=%d", 9);
    list.appendf("-D_BXC_VER_MINOR_=%d", 50);
    list.appendf("-D_BXC_VER_PATCH_=%d", 2);
    if (drv.ident_length != 31) list.appendf("-N%d", int(drv.ident_length));
    chip_pre_args(list);
    if (drv.ide == 2) {
        char* absolute = path_absolute(source.c_str());
        list.append(absolute);
        xfree(absolute);
    } else {
        list.append(source);
    }
    if (drv.pre) list.append(base + "pre");
    else if (drv.scandep && drv.ide != 1) list.append(base + "dep");
    else list.append(drv.temp[0]);
    return run_pass(list);
}

bool run_parse(const std::string&, const std::string& base) {
    stage_start("Parser");
    arglist list(PASS_PARSE);
    if (drv.ident_length != 31) list.appendf("-N%d", int(drv.ident_length));
    ide_flag(list);
    if (drv.asm_only || drv.asmlist) list.append("-S");
    if (drv.cr) list.append("-cormxref.tmp");
    if (drv.debug_info) list.append("-D");
    if (drv.strict) list.append("-strict");
    if (drv.proto) list.append("-p" + base + "pro");
    if (drv.char_type & 1) list.append("-u");
    if (drv.ide == 1) list.append("--fipath=" + (drv.outdir.empty() ? std::string(".") : drv.outdir));
    for (const char* a : {"-Gstrings,const", "-M", "-B", "-Y", "-r", "-QX,bank1", "-QY,bank2", "-QZ,bank3"}) list.append(a);
    if (chip().arch == ARCH_PIC12) {
        list.append("-QTi,fastcall");
        list.append("-QWi,control");
        list.append("-QCi,const");
    } else {
        list.append("-QT,eeprom");
    }
    // The same type sizes as the preprocessor's, with the pointer-sized integer between.
    list.append(double32() ? "-Z1,2,2,4,2,3,4" : "-Z1,2,2,4,2,3,3");
    list.append(drv.temp[0]);
    list.append(drv.temp[1]);
    list.append(drv.temp[2]);
    bool ok = run_pass(list);
    if (ok && drv.proto && !drv.getoption && !drv.noexec) rewrite_prototypes(base);
    return ok;
}

bool run_cg(const std::string& base) {
    stage_start("Code generator");
    arglist list(PASS_CG);
    for (int n = 9; n >= 1; --n)
        if (opt_has(0x100u << (n - 1))) {
            list.appendf("-Og%d%s", n, opt_has(OPT_SPACE) ? "s" : opt_has(OPT_SPEED) ? "f" : "");
            break;
        }
    ide_flag(list);
    if (drv.debug_info) list.append("-D" + base + "sdb");
    if (double32()) list.append("-MIEEE_DBL");
    if (chip().arch != ARCH_PIC14) alert_message(1056);
    int n = 0;
    if (opt_has(OPT_SPACE) && chip().flashtype != FLASHTYPE_NONE && chip().flashtype != 255) n = chip().flashtype;
    list.append("-PORMC" + std::string(chip().name) + "," + std::to_string(n));
    list.append(drv.temp[1]);
    list.append(drv.asm_only && !opt_has(OPT_ASM) ? base + "as" : drv.temp[0]);
    return run_pass(list);
}

bool run_asm(const std::string& base, const std::string& object_base, const std::string& input, bool asm_source,
             bool startup) {
    stage_start("Assembler");
    arglist list(PASS_ASM);
    bool keep = drv.runtime & RT_KEEP;
    if ((asm_source || (startup && keep)) && drv.debug_info) list.append("-v");
    if (drv.strip) list.append("-x");
    ide_flag(list);
    if (opt_has(OPT_ASM)) list.append("-o");
    if (drv.asm_only) list.append("-a");
    list.append("-C" + drv.chip_file);
    list.append(std::string("-ver=V") + version_text);
    for (const std::string& a : drv.asm_options) list.append(a);
    if (startup ? keep : bool(drv.asmlist)) list.append("-l" + base + "lst");
    list.append("--chip=" + std::string(chip().name));
    list.appendf("-R%lX", (unsigned long)chip().romsize);
    if (drv.debugger == 1 || drv.debugger == 2) list.append("-icd");
    std::string output = drv.asm_only ? object_base + "as" : object_base + "obj";
    list.append("-o" + output);
    list.append(input);
    // A failed assembly removes an object it made, never one that was there before it.
    bool existed = plat::file_exists(output);
    bool ok = run_pass(list);
    if (!ok && !drv.asm_only && !existed) delete_file(output);
    return ok;
}

namespace {

std::string startup_base() {
    static std::string base;
    if (base.empty()) {
        if (drv.runtime & RT_KEEP) {
            base = source_file_name("startup", "");
        } else {
            char* name = make_temp_name();
            base = replace_extension(name, "");
            xfree(name);
        }
    }
    return base;
}

arglist linker_list(bool final_stage) {
    arglist list(PASS_LINK);
    list.append("-h+" + drv.sym_name);
    list.append("-z");
    list.append("-Q" + std::string(chip().name));
    if (final_stage) list.append("-ol.obj");
    for (const std::string& o : drv.link_options) list.append(o);
    list.append("-M" + drv.map_name);
    ide_flag(list);
    list.appendf("-ver=%s#V%s", "ORMC-Lite", version_text);
    add_class_options(drv.code_space, list);
    add_class_options(drv.data_space, list);
    return list;
}

// The startup module's source, written whole or not at all (fatal 141).
void write_startup_source(const std::string& source, const std::string& text) {
    replacing_file file;
    if (!file.create(source, false) || fwrite(text.data(), 1, text.size(), file.stream()) != text.size() ||
        file.commit() != 1)
        alert_message(141, "runtime startup", source.c_str());
}

bool run_startup_link(bool final_stage, startup_facts& facts) {
    stage_start("Linker");
    arglist list = linker_list(final_stage);
    bool startup = !(drv.runtime & RT_NOSTARTUP);
    if (startup) {
        std::string base = startup_base();
        if (!final_stage) {
            if (!(drv.runtime & RT_KEEP)) drv.removals.push_back(base + "as");
            drv.removals.push_back(base + "obj");
        } else {
            read_startup_facts(drv.sym_name, facts);
        }
        std::string text = startup_text(facts, final_stage, drv.argv_after_rewrite);
        std::string source = base + "as";
        if (!drv.noexec) write_startup_source(source, text);
        if (!run_asm(base, base, source, drv.runtime & RT_KEEP, true)) {
            exit_hook(1);
            exit(1);
        }
        stage_start("Linker");
    }
    linker_placement_options(list, facts.has_section("intcode"));
    if (drv.runtime != 0 && startup) list.append(startup_base() + "obj");
    for (const std::string& o : drv.objects) list.append(o);
    bool clib = drv.runtime & RT_CLIB;
    if (clib)
        for (const std::string& l : drv.libraries) list.append(library_file(l));
    std::string support = support_library_name();
    if (!support.empty()) list.append(library_file(support));
    if (clib) list.append(library_file(c_library_name("c")));
    if (!support.empty()) list.append(library_file(support));
    return run_pass(list);
}

}  // namespace

bool link_program() {
    startup_facts facts;
    if (!(drv.runtime & RT_NOSTARTUP) && !run_startup_link(false, facts)) return false;
    return run_startup_link(true, facts);
}

bool run_hex(const std::string& output, uint32_t bits) {
    stage_start("Output file conversion");
    arglist list(PASS_HEX);
    bool intel_like = false;
    if ((bits & OUT_UBROF) || ends_with_nocase(output, ".ubr")) list.append("-ub");
    else if (bits & OUT_TEK) list.append("-t");
    else if (bits & OUT_AAHEX) {
        list.append("-ma");
        intel_like = true;
    } else if (bits & OUT_MOT) {
        list.append("-m");
        intel_like = true;
    } else if (bits & 0x20040) list.append("-h");
    else {
        list.append("-i");
        drv.output |= OUT_INTEL;
        intel_like = true;
    }
    if (intel_like) list.append("-16,2");
    if (!drv.ck_text.empty()) list.append("-c" + drv.ck_text);
    std::string name = output;
    if ((bits & OUT_BIN) || ends_with_nocase(output, ".bin")) {
        list.append("-b");
        list.append("-F0FFh");
        if (!ends_with_nocase(name, ".bin")) name = replace_extension(name, "bin");
    }
    list.append("l.obj");
    list.append(name);
    return run_pass(list);
}

bool run_patch() {
    stage_start("Output file conversion");
    arglist list(PASS_PATCH);
    std::string hex = main_hex_name();
    list.append(hex);
    for (const std::string& h : drv.hex_inputs) list.append(h);
    ide_flag(list);
    list.append("-O" + hex);
    list.append("-logfile=" + output_file_name("hxl"));
    if (!drv.serial.empty()) list.append("-serial=" + serial_in_bytes(drv.serial));
    if (!drv.fill.empty()) {
        if (drv.fill.find('@') != std::string::npos) {
            list.append("-fill=" + drv.fill);
        } else {
            mem_class* code = drv.code_space ? drv.code_space->classes : nullptr;
            if (!code || !code->available) alert_message(941, "--FILL", "--FILL", "=hexcode@start-end");
            // Program words become byte addresses for ormpatch.
            for (addr_range* r = code ? code->available : nullptr; r; r = r->next)
                list.appendf("-fill=%s@%lX-%lX", drv.fill.c_str(), (unsigned long)r->low * 2,
                             (unsigned long)r->high * 2 + 1);
        }
    }
    return run_pass(list);
}

bool run_conv(uint32_t bit) {
    const char* key = nullptr;
    switch (bit) {
    case OUT_COD: key = "cod"; break;
    case OUT_COFF: key = "cof"; break;
    case OUT_MCOFF: key = "mcof"; break;
    case OUT_ELF: key = "elf"; break;
    case OUT_OMF: key = "omf"; break;
    case OUT_EOMF: key = "eomf"; break;
    case OUT_HTK: key = "htk"; break;
    default: return true;
    }
    stage_start("Output file conversion");
    arglist list(PASS_CONV);
    bool omf = bit == OUT_OMF || bit == OUT_EOMF;
    if (omf) {
        list.append("-e");
    } else {
        list.append("-m");
        const char* arch = arch_name(chip().arch);
        if (bit == OUT_MCOFF)
            list.append("-P" + std::string(chip().name) + "," + (chip().procid ? chip().procid : "") + "," + arch);
        else
            list.append("-P" + std::string(chip().name) + "," + arch);
        std::string names;
        for (mem_class* c = drv.code_space->classes; c; c = c->next) names += (names.empty() ? "" : ",") + std::string(c->name);
        list.append("-N" + names);
    }
    list.append(main_hex_name());
    list.append(drv.sym_name);
    list.append(std::string("-o") + key);
    ide_flag(list);
    if (omf) list.append(output_file_name("omf"));
    if (bit == OUT_MCOFF) list.prepend("-k");
    return run_pass(list);
}

bool run_arch() {
    stage_start("Library builder");
    arglist list(PASS_ARCH);
    list.append("r");
    list.append(replace_extension(drv.output_name, "lib"));
    for (const std::string& o : drv.objects) list.append(o);
    return run_pass(list);
}

bool run_xref() {
    stage_start("Cross reference");
    arglist list(PASS_XREF);
    list.append("-o" + drv.cr_name);
    list.append("-h" + output_file_name("crf"));
    list.append("ormxref.tmp");
    return run_pass(list);
}

namespace {

// The old-style form of a prototype line: the last parenthesised group before the last
// ';' becomes "()"; a line whose parentheses do not balance stays as it is.
std::string old_style(const std::string& line) {
    size_t semi = line.rfind(';');
    if (semi == std::string::npos) return line;
    size_t close = line.rfind(')', semi);
    if (close == std::string::npos) return line;
    int depth = 0;
    for (size_t i = close + 1; i-- > 0;) {
        if (line[i] == ')') ++depth;
        else if (line[i] == '(' && --depth == 0) return line.substr(0, i) + "();";
    }
    return line;
}

void write_group(FILE* f, const std::vector<std::string>& lines) {
    fprintf(f, "#if        PROTOTYPES\n");
    for (const std::string& l : lines) fprintf(f, "%s\n", l.c_str());
    fprintf(f, "#else /* PROTOTYPES */\n");
    for (const std::string& l : lines) fprintf(f, "%s\n", old_style(l).c_str());
    fprintf(f, "#endif /* PROTOTYPES */\n\n");
}

}  // namespace

void rewrite_prototypes(const std::string& base) {
    std::string name = base + "pro";
    FILE* f = fopen(name.c_str(), "r");
    if (!f) {
        fprintf(stderr, "%s: %s\n", name.c_str(), strerror(errno));
        return;
    }
    std::vector<std::string> lines = read_lines(f);   // whole lines of any length
    fclose(f);
    std::sort(lines.begin(), lines.end());
    f = fopen(name.c_str(), "w");
    if (!f) {
        fprintf(stderr, "%s: %s\n", name.c_str(), strerror(errno));
        return;
    }
    std::string stem = last_component(base);
    if (!stem.empty() && stem.back() == '.') stem.pop_back();
    fprintf(f, "/* Prototypes from %s.c */\n\n", stem.c_str());
    fprintf(f, "/* extern functions - include these in a header file */\n\n");
    auto first_static = std::find_if(lines.begin(), lines.end(), [](const std::string& l) { return !l.empty() && l[0] == 's'; });
    write_group(f, std::vector<std::string>(lines.begin(), first_static));
    if (first_static != lines.end()) {
        fprintf(f, "/* static functions - include these in %s.c only */\n\n", stem.c_str());
        write_group(f, std::vector<std::string>(first_static, lines.end()));
    }
    fclose(f);
}
