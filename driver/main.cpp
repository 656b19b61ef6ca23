// ormcl: the compiler driver's main flow.
#include <cctype>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "common/alert.h"
#include "common/alloc.h"
#include "common/lists/lists.h"
#include "common/osdep.h"
#include "common/registry.h"
#include "driver/chipfile.h"
#include "driver/handlers.h"
#include "driver/memory.h"
#include "driver/names.h"
#include "driver/passes.h"
#include "driver/passrun.h"
#include "driver/state.h"
#include "platform/platform.h"
#include "driver/summary.h"
#include "platform/platform.h"

extern const char component_name[] = "driver";

namespace {

bool ends_with_nocase(const std::string& text, const char* tail) {
    size_t n = strlen(tail);
    return text.size() >= n && str_casecmp(text.c_str() + text.size() - n, tail) == 0;
}

bool all_hex(const char* p) {
    if (!*p) return false;
    for (; *p; ++p)
        if (!isxdigit((unsigned char)*p)) return false;
    return true;
}

// Rewrites the arguments of earlier releases into today's options.
void rewrite_legacy(std::vector<std::string>& args) {
    bool mplab = false;
    for (std::string& a : args) {
        const char* s = a.c_str();
        std::string before = a;
        if (str_casecmp(s, "-MPLAB") == 0) {
            a = "--ide=mplab";
            mplab = true;
        } else if (str_casecmp(s, "-ICD") == 0) {
            a = "--debugger=icd2";
        } else if (str_casecmp(s, "-NO_STRING_PACK") == 0) {
            a = "--opt=default,-space,+speed";
        } else if (str_ncasecmp(s, "-AAHEX", 6) == 0) {
            a = "--output=aahex";
        } else if (str_ncasecmp(s, "-A", 2) == 0 && s[2] != '-' && all_hex(s + 2)) {
            char buf[32];
            snprintf(buf, sizeof buf, "--codeoffset=%lX", strtoul(s + 2, nullptr, 16));
            a = buf;
        } else if (str_ncasecmp(s, "-BANKCOUNT=", 11) == 0) {
            long n = strtol(s + 11, nullptr, 10);
            drv.legacy_bank_count = n == 3 ? 4 : n > 4 || n < 0 ? 0 : int(n);
            a = "--dummy";
        } else if (s[0] == '-' && isdigit((unsigned char)s[1])) {
            a = std::string("--chip=") + (s + 1);
        } else if (str_casecmp(s, "-D32") == 0) {
            a = "--double=32";
        } else if (str_casecmp(s, "-D24") == 0) {
            a = "--double=24";
        } else if (str_casecmp(s, "-asmlist") == 0) {
            a = "--asmlist";
        }
        if (a != before) {
            drv.dummy = 1;
            drv.legacy_rewritten = true;
        }
    }
    if (!mplab) return;
    for (std::string& a : args) {
        if (a.size() <= 2 || strncmp(a.c_str(), "-O", 2) != 0) continue;
        size_t dot = a.rfind('.');
        if (dot == std::string::npos || dot < 2) continue;
        if (str_casecmp(a.c_str() + dot, ".obj") != 0) a = a.substr(0, dot) + ".hex";
    }
}

void file_argument(const char* name) {
    ++drv.file_count;
    std::string n = name;
    size_t dot = n.rfind('.');
    std::string ext = dot == std::string::npos ? std::string() : n.substr(dot);
    if (str_casecmp(ext.c_str(), ".c") == 0 || str_casecmp(ext.c_str(), ".as") == 0) {
        drv.sources.push_back(n);
        drv.source_objects.push_back(drv.objects.size());
        drv.objects.push_back(source_file_name(n, "obj"));
    } else if (str_casecmp(ext.c_str(), ".obj") == 0 || str_casecmp(ext.c_str(), ".lib") == 0) {
        drv.objects.push_back(n);
    } else if (str_casecmp(ext.c_str(), ".hex") == 0) {
        drv.hex_inputs.push_back(n);
    } else {
        alert_message(894, name);
        exit_hook(1);
    }
}

void help_from_engine(option_row* table, const char* argument) { print_help(table, argument); }

void korvide_formats(const char* suffix) {
    std::string e = std::string("Error #%n: %f; %l: %s") + suffix, w = std::string("Warning #%n: %f; %l: %s") + suffix,
                m = std::string("Advisory #%n: %f; %l: %s") + suffix;
    set_env("BXC_ERR_FORMAT", e.c_str());
    set_env("BXC_WARN_FORMAT", w.c_str());
    set_env("BXC_MSG_FORMAT", m.c_str());
}

bool is_c_source(const std::string& name) { return ends_with_nocase(name, ".c"); }

void compile_source(const std::string& source) {
    if (!drv.quiet && drv.sources.size() > 1 && !drv.ide_mode) {
        printf("%s\n", source.c_str());
        fflush(stdout);
    }
    std::string base = source_file_name(source, "");
    if (is_c_source(source)) {
        if (!drv.asmlist && !run_annot(source, base)) return;
        if (!run_pre(source, base) || drv.pre || drv.scandep) return;
        if (!run_parse(source, base)) return;
        if (!run_cg(base)) return;
        if (drv.asm_only && !(uint32_t(drv.opt) & OPT_ASM)) return;
        // The -O name only names the object of a single source.
        std::string object_base = base;
        if (drv.compile_only && drv.output_named && drv.sources.size() == 1)
            object_base = replace_extension(drv.output_name, "");
        run_asm(base, object_base, drv.temp[0], false, false);
        return;
    }
    if (drv.asm_only) {
        alert_message(878, source.c_str());
        return;
    }
    if (drv.preprocess_asm || drv.pre) {
        if (run_pre(source, base) && !drv.pre && !drv.scandep) run_asm(base, base, drv.temp[0], true, false);
        return;
    }
    if (!drv.scandep) run_asm(base, base, source, true, false);
}

const char* hex_extension(uint32_t bit) {
    switch (bit) {
    case OUT_TEK: return "tek";
    case OUT_AAHEX: return "aahex";
    case OUT_MOT: return "s19";
    case OUT_UBROF: return "ubr";
    case OUT_BIN: return "bin";
    default: return "hex";
    }
}

void after_sources() {
    register_psect_descriptions();
    bool library = uint32_t(drv.output) & OUT_LIB;
    if (drv.failures == 0 && !drv.asm_only && !drv.compile_only && !drv.scandep && !library) {
        drv.sym_name = drv.sym_name.empty() ? output_file_name("sym") : drv.sym_name;
        if (drv.ide == 1) korvide_formats("");
        bool linked = link_program();
        if (linked) guard_image(main_hex_name());
        bool image = linked && run_hex(main_hex_name(), OUT_INTEL);
        // An image that the patch step did not finish is not left in place of the older one.
        if (image && (uint32_t(drv.output) & OUT_INTEL)) image = run_patch();
        settle_image(image);
        if (image) {
            for (uint32_t bit = 1; bit; bit <<= 1)
                if (bit & 0xFFC00 & uint32_t(drv.output)) run_conv(bit);
            bool main_ubrof = ends_with_nocase(drv.output_name, ".ubr");
            for (uint32_t bit = 1; bit; bit <<= 1)
                if ((bit & 0x3FE & uint32_t(drv.output)) && !(bit == OUT_UBROF && main_ubrof)) run_hex(replace_extension(drv.output_name, hex_extension(bit)), bit);
        }
        if (drv.file_count == 1 && drv.sources.size() == 1 && drv.objects.size() == 1) delete_file(drv.objects[0]);
        delete_file("l.obj");
        // Under --noexec nothing was linked: there is no map to read back.
        if (linked && !drv.getoption && !drv.noexec) {
            summary_from_map_file(drv.map_name.c_str(), false);
            delete_file(drv.temp_map);
            if (!drv.cr_name.empty()) {
                run_xref();
                delete_file("ormxref.tmp");
            }
        }
    }
    if (library) run_arch();
    if (drv.time) stage_report();
}

}  // namespace

void exit_hook(int status) {
    if (status == 0 && drv.failures > 0) status = 1;
    driver_cleanup();
    fflush(stdout);
    exit(status);
}

int main(int argc, char** argv) {
    std::vector<std::string> args(argv + 1, argv + argc);
    rewrite_legacy(args);
    drv.argv_after_rewrite = args;
    drv.option_files.resize(PASS_COUNT);
    apply_option_defaults();
    alert_set_output(driver_message_output);
    alert_set_max_errors(20);
    if (args.empty()) {
        print_banner();
        if (plat::is_terminal(0)) {
            alert_message(880, "ORMCL");
            exit_hook(1);
        }
        printf("Enter ORMCL --HELP for help\n");
        fflush(stdout);
    }
    std::vector<char*> vec;
    vec.push_back(argv[0]);
    for (std::string& a : args) vec.push_back(a.data());
    opt_help_for = help_from_engine;
    if (opt_parse(option_table, int(vec.size()), vec.data(), file_argument, "ORMCL")) exit_hook(0);

    set_keep_temp_files(drv.nodel);
    if (uint32_t(drv.opt) & OPT_ALL) drv.opt = int32_t(0x50001u & ~opt_removed_bits());
    if (drv.debugger == 1) drv.user_pre_args.push_back("-DMPLAB_ICD=1");
    else if (drv.debugger == 2) drv.user_pre_args.push_back("-D__MPLAB_ICD2__=1");
    if (drv.file_count == 0 && !drv.setoption) alert_message(939);
    bool output_gives_dir = drv.output_named && !(drv.compile_only && drv.file_count > 1);
    if (drv.output_named) set_output_name(drv.output_name);
    if (output_gives_dir && drv.outdir.empty()) drv.outdir = dir_part(drv.output_name);
    if (drv.ide == 1)
        korvide_formats(" (col %c)");
    if (drv.getoption && drv.setoption) alert_message(895);
    drv.output_dir = output_gives_dir ? dir_part(drv.output_name) : drv.outdir;
    // Objects of the sources follow the --outdir and -O rules now that both are known.
    for (size_t i = 0; i < drv.sources.size(); ++i) drv.objects[drv.source_objects[i]] = source_file_name(drv.sources[i], "obj");
    if (drv.map_name.empty()) {
        if (drv.output_name.empty() && !drv.objects.empty()) set_output_name(drv.objects[0]);
        if (!drv.map_requested || drv.output_name.empty()) {
            char* name = make_temp_name();
            drv.temp_map = replace_extension(name, "map");
            xfree(name);
            drv.map_name = drv.temp_map;
        } else {
            drv.map_name = output_file_name("map");
        }
    }
    add_ram_classes();
    if (!drv.asm_only && !drv.compile_only && !drv.scandep) {
        if (!drv.data_space->classes) alert_message(896);
        if (!drv.code_space->classes) alert_message(897);
    }
    if (drv.dummy) {
        alert_message(1207);
        alert_message(1208);
    }
    if (drv.ident_length < 31) drv.ident_length = 31;
    if (drv.output_name.empty()) {
        if (!drv.sources.empty()) set_output_name(drv.sources[0]);
        else if (!drv.objects.empty()) set_output_name(drv.objects[0]);
        else if (!drv.hex_inputs.empty()) set_output_name(drv.hex_inputs[0]);
        else alert_message(836);
    }
    if (drv.cr && !drv.noexec) {
        FILE* f = fopen("ormxref.tmp", "w");
        if (f) fclose(f);
    }
    // Every message of the driver and its passes then goes where its output goes, in order,
    // which is what make files and IDEs that read one stream expect.
    if (!drv.error_file) {
        fflush(stderr);
        plat::duplicate_descriptor(1, 2);
    }
    if (drv.ide_mode) {
        setvbuf(stdout, nullptr, _IOLBF, 512);
        setvbuf(stderr, nullptr, _IOLBF, 512);
    }
    drv.pre_args.insert(drv.pre_args.end(), drv.user_pre_args.begin(), drv.user_pre_args.end());
    if (!drv.include_dir.empty()) drv.pre_args.push_back("-I" + drv.include_dir);

    if (drv.compile_only && drv.output_named && drv.sources.size() == 1)
        drv.objects[drv.source_objects[0]] = replace_extension(drv.output_name, "obj");
    for (const std::string& source : drv.sources) compile_source(source);
    after_sources();
    exit_hook(alert_failed() || drv.failures > 0 ? 1 : 0);
}
