// The driver's option table, its defaults and the handlers of its options.
#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "common/alert.h"
#include "common/alloc.h"
#include "common/lists/lists.h"
#include "common/msgfile.h"
#include "common/osdep.h"
#include "common/registry.h"
#include "driver/chipfile.h"
#include "driver/handlers.h"
#include "driver/memory.h"
#include "driver/passrun.h"
#include "driver/state.h"
#include "driver/summary.h"

namespace {

enum : int32_t {
    ID_LANG = 1, ID_HELP, ID_SETUP, ID_STARTUP, ID_IDE, ID_DEBUGGER, ID_IDE_HANDLER, ID_E, ID_Q, ID_BANNER,
    ID_MSGDISABLE, ID_ERRFORMAT, ID_WARNFORMAT, ID_MSGFORMAT, ID_WARN, ID_LEVEL_HANDLER, ID_SUMMARY,
    ID_CHIPINFO, ID_VER, ID_MEMMAP, ID_GETOPTION, ID_SETOPTION, ID_CHIP, ID_CHIP_HANDLER, ID_ERRORS, ID_ROM,
    ID_RAM, ID_LIMIT_HANDLER, ID_C, ID_G, ID_S, ID_PRE, ID_CR, ID_NOEXEC, ID_NODEL, ID_ASMLIST, ID_TIME,
    ID_PROTO, ID_SCANDEP, ID_N, ID_O, ID_OUTDIR, ID_P, ID_STRICT, ID_X, ID_OPT, ID_OUTPUT, ID_CHAR, ID_DOUBLE,
    ID_MAPFILE, ID_M, ID_L, ID_V, ID_RUNTIME, ID_D, ID_I, ID_U, ID_FILL, ID_SERIAL, ID_CODEOFFSET, ID_DUMMY,
    ID_OBS_RESET = 30000, ID_OBS_SETUP, ID_OBS_ANNOT, ID_OBS_A, ID_OBS_O, ID_OBS_Z, ID_OBS_W, ID_OBS_CK,
    ID_OBS_RESROM, ID_OBS_RESRAM, ID_ALIAS = 31000
};

[[noreturn]] void stop(int status) {
    exit_hook(status);
    exit(status);
}

// ---- Choice tables ----

choice_row ide_choices[] = {{1, "korvide", "BRYLLEX Software KORVIDE", 0}, {2, "mplab", "Microchip MPLAB", 0}, {}};
choice_row debugger_choices[] = {{1, "icd;icd1", "Microchip ICD", 0}, {2, "icd2", "Microchip ICD2", 0}, {}};
choice_row warn_choices[] = {
    {-9, "-9", "Level -9", 0}, {-8, "-8", "Level -8", 0}, {-7, "-7", "Level -7", 0}, {-6, "-6", "Level -6", 0},
    {-5, "-5", "Level -5", 0}, {-4, "-4", "Level -4", 0}, {-3, "-3", "Level -3", 0}, {-2, "-2", "Level -2", 0},
    {-1, "-1", "Level -1", 0}, {0, "0", "Level 0", 0},     {1, "1", "Level 1", 0},   {2, "2", "Level 2", 0},
    {3, "3", "Level 3", 0},    {4, "4", "Level 4", 0},     {5, "5", "Level 5", 0},   {6, "6", "Level 6", 0},
    {7, "7", "Level 7", 0},    {8, "8", "Level 8", 0},     {9, "9", "Level 9", 0},   {}};
choice_row summary_choices[] = {{1, "psect", "Displays psect usage", 0},
                                {2, "mem", "Displays memory usage", 0},
                                {4, "hex", "Displays HEX file usage", 0},
                                {8, "file", "Summary information is put into a file as well as on screen", 0},
                                {}};
choice_row opt_choices[] = {{0x100, "1", "level 1", 0},
                            {0x200, "2", "level 2", 0},
                            {0x400, "3", "level 3", 0},
                            {0x800, "4", "level 4", 0},
                            {0x1000, "5", "level 5", 0},
                            {0x2000, "6", "level 6", 0},
                            {0x4000, "7", "level 7", 0},
                            {0x8000, "8", "level 8", 0},
                            {0x10000, "9", "level 9", 0},
                            {1, "asm", "Assembler optimization", 0},
                            {0x20000, "speed", "Favor code generation for speed over space", 0},
                            {0x40000, "space", "Favor code generation for space over speed", 0},
                            {0x10000, "debug", "Favor accurate debug over optimization", 0},
                            {int32_t(0x80000000u), "all", "Enable all compiler optimizations", 0},
                            {0, "none", "Do not use any compiler optimizations", 0},
                            {}};
choice_row output_choices[] = {{0x1, "intel", "Intel Hex", 0},
                               {0x2, "tek;tektronic", "Tektronic Hex", 0},
                               {0x4, "aahex", "American Automation Hex", 0},
                               {0x8, "mot;motorola;s19", "Motorola Hex", 0},
                               {0x10, "ubrof", "UBROF", 0},
                               {0x20, "bin;binary", "Binary", 0},
                               {0x4000, "elf", "ELF/DWARF", 0},
                               {0x400, "cod", ".COD", 0},
                               {0x1000, "mcof;mcoff;mpcoff", "Microchip PIC COFF", 0},
                               {0x800, "cof;coff", "Common Object File Format", 0},
                               {0x200000, "lib", "library file", 0},
                               {}};
choice_row char_choices[] = {{1, "unsigned", "char type is unsigned", 0}, {2, "signed", "char type is signed", 0}, {}};
choice_row double_choices[] = {{1, "24", "Double type is 24-bits", 0},
                               {2, "32", "Double type is 32-bits", 0},
                               {0x100, "fast32", "Fast 32-bit double libraries", 0},
                               {}};
choice_row runtime_choices[] = {{0x1, "init", "Initialization of data psects", 0},
                                {0x2, "clear", "Clearing of bss psects", 0},
                                {0x4, "clib", "Link in C Libraries", 0},
                                {0x10, "keep", "Keep generated runtime startup code", 0},
                                {0x10000, "osccal", "Initialize the oscillator with the oscillator constant", 0},
                                {0x20000, "resetbits", "Preserve Power-down & Time-out status bits at start up", 0},
                                {}};

// ---- Help texts ----

#define HELP(var, s, l) const help_text var = {s, l};
HELP(h_lang, "Specify Language",
     "Specify which language the compiler should use for error, warning and advisory messages.\nChoose from "
     "English (en), French (fr) or German (de).\n")
HELP(h_help, "Help", "Shows the list of available options.\nHelp for a specific option can be obtained by specifying an argument.\n")
HELP(h_setup, "Setup the product",
     "This option sets up the compiler after installation.\nIt has the form:\n\n\t--setup=DIR\n\nwhere DIR is the "
     "installation location of the compiler.\n")
HELP(h_ide, "Set development environment",
     "This option is intended for use by integrated development environments.\nThe compiler will adjust error "
     "formats and associated behaviour according to\nthe IDE in use.\n")
HELP(h_debugger, "Set debugger environment",
     "This option is intended for use for compatiblity with debuggers.\nThe compiler will adjust debugging formats "
     "and associated behaviour according to\nthe debugger requested.\n")
HELP(h_E, "Redirect compile errors",
     "This option redirects compile errors to the specified file. If the first\ncharacter of the argument is +, "
     "the errors are appended to the file rather\nthan overwriting it.\n")
HELP(h_Q, "Quiet mode",
     "This option suppresses the BRYLLEX Software copyright message, and any summary\ninformation usually printed "
     "by the compiler.\n")
HELP(h_msgdisable, "Disable warning messages",
     "This option takes a comma-separated list of message numbers and disables those\nwhich correspond to "
     "warnings.\n")
HELP(h_errformat, "Error format",
     "This option allows the custom formatting of compile errors.\nIt takes the form of a printf-style format "
     "string in which you can use the\nfollowing specifiers:\n\n\t%f  Filename\n\t%l  Line number\n\t%c  Column "
     "number\n\t%s  Error string\n")
HELP(h_warnformat, "Warning format",
     "This option allows the custom formatting of compile warnings.\nIt takes the form of a printf-style format "
     "string in which you can use the\nfollowing specifiers:\n\n\t%f  Filename\n\t%l  Line number\n\t%c  Column "
     "number\n\t%s  Warning string\n")
HELP(h_msgformat, "Message format",
     "This option allows the custom formatting of compiler messages which\nare not errors or warnings. It takes "
     "the form of a printf-style format\nstring in which you can use the following specifiers if "
     "appropriate:\n\n\t%f  Filename\n\t%l  Line number\n\t%c  Column number\n\t%s  Message string\n")
HELP(h_warn, "Warning level",
     "This option is used to set the compiler warning level. The warning level\ndetermines how picky the compiler "
     "is about dubious type conversions and\nconstructs.\nThe default is level 0, and lower levels (e.g. -1) give "
     "more warnings.\n")
HELP(h_summary, "Summary options", "This option is used to configure the summary information printed.\n")
HELP(h_chipinfo, "Chip information",
     "This option prints a list of the supported chips along with some auxiliary\ninformation for each chip.\n")
HELP(h_ver, "Version information", "This option prints the compiler's copyright and version message.\n")
HELP(h_memmap, "Display memory map",
     "Print a memory usage map constructed from the information in the given map file.\nThe argument is the map "
     "file to read, e.g --memmap=xx.map")
HELP(h_getoption, "Get advanced options",
     "This option is used to retrieve the configurable option set for a compiler pass\naccording to the current "
     "command line options. It takes the form:\n\n\t--getoption=APP,filename\n\nwhere APP is the application "
     "(eg. \"ormlink\"), and filename is the file to\nwhich the options will be written.\n")
HELP(h_setoption, "Set advanced options",
     "This option is used to override the configurable option set for a compiler pass\naccording to the current "
     "command line options. It takes the form:\n\n\t--setoption=APP,filename\n\nwhere APP is the application "
     "(eg. \"ormlink\"), and filename is the file from\nwhich the options will be read.\n")
HELP(h_chip, "Select processor",
     "This option selects the processor target for compilation. A list of available\nprocessors can be obtained "
     "by using the chipinfo option.\n")
HELP(h_errors, "Maximum number of errors",
     "This option sets the maximum number of errors the compiler will display\nbefore stopping.\n")
HELP(h_rom, "Specify ROM ranges", "")
HELP(h_ram, "Specify RAM ranges", "")
HELP(h_C, "Compile to object file",
     "This option is used to halt compilation after generating an object file.\nIt is frequently used when "
     "compiling multiple source files using a \"make\"\nutility. If multiple source files are specified, each will "
     "be compiled to\na separate .obj file.\n")
HELP(h_G, "Generate symbolic debug information",
     "This option generates a source level symbol file for use with debuggers and\nsimulators. If no filename is "
     "given, the symbol file will have the same\n\"base name\" as the output file, and an extension of .SYM.\n")
HELP(h_S, "Compile to assembler",
     "This option is used to halt compilation after generating an assembler file.\nIf multiple source files are "
     "specified, each will be compiled to a separate\n.as file.\n")
HELP(h_pre, "Preprocess only",
     "This option is used to generate pre-processed C source files with the\nextension .PRE. It may be useful to "
     "ensure that macros expand as expected.\nThis option will also create C source files which do not require "
     "any\nseparate header files.\n")
HELP(h_cr, "Generate cross reference file",
     "This option will produce a cross reference listing. If the file argument is\nomitted, the \"raw\" cross "
     "reference information will be left in a temporary\nfile, leaving the user to run the \"ormxref\" utility. If "
     "a filename is supplied,\nthis utility will be invoked to produce a cross reference listing file. "
     "If\nmultiple source files are to be included in the cross reference listing, all\nmust be compiled and "
     "linked in the one command.\n")
HELP(h_noexec, "Do not execute",
     "This option is used to avoid executing any of the compiler passes. It is\nuseful in particular with the -V "
     "option to achieve an idea of what the\ncompiler will do without actually performing it.\n")
HELP(h_nodel, "Do not remove temporary files",
     "This option will prevent the compiler removing any temporary files it\nmay have created during "
     "compilation\n")
HELP(h_asmlist, "Generate assembler listing",
     "This option is used to generate an assembler .LST file for each compilation.\nThe list file shows both the "
     "original C code, and the generated assembler\ncode including the corresponding binary code. The listing "
     "file will have\nthe same name as the source file, and a file type extension of .LST.\n")
HELP(h_time, "Report compilation times",
     "This option will produce a summary of the time used for various\nstages of compilation\n")
HELP(h_proto, "Generate function prototypes",
     "This option is used to generate .PRO files containing both ANSI and K&R style\nfunction declarations for "
     "all functions within the specified source files.\nEach .PRO file produced will have the same base name as "
     "the corresponding\nsource file.\n")
HELP(h_scandep, "Scan for dependencies",
     "This option is used to scan for preprocessor dependencies and output a\nresulting .DEP file with the "
     "filenames on which the file depends.\n")
HELP(h_N, "Identifier length",
     "This option allows the C identifier length to be increased from the default\nvalue of 31. Valid sizes are "
     "from 32 to 255.\n")
HELP(h_O, "Output file",
     "This option sets the basename of the output file. Otherwise the output file\nwill be named after the first "
     "source or object file.\nThis option will not change the filetype (extension) of any generated files\n")
HELP(h_outdir, "Output directory",
     "This option is used to specify a directory in which to place output files.\nOtherwise the current working "
     "directory is used.\n")
HELP(h_P, "Preprocess assembler", "This option causes assembler files to be pre-processed before assembling.\n")
HELP(h_strict, "Strict ANSI keywords",
     "This option is used to enable strict ANSI conformance of all special keywords.\nIf this option is used, "
     "special keywords have a double underscore prepended\nso as to strictly conform to the ANSI standard.\n")
HELP(h_X, "Strip local symbols",
     "This option is used to strip local symbols from any files compiled, assembled,\nor linked. Only global "
     "symbols will remain in any object files or symbol files\nproduced.\n")
HELP(h_opt, "Optimization options",
     "This option controls what compiler optimizations will be used when compiling your code.\nThe default is to "
     "use a high level of optimization.\n")
HELP(h_output, "Output formats", "This option is used to configure the output format(s) required.\n")
HELP(h_char, "Default character type", "This option is used to set the default type of \"char\".\n")
HELP(h_double, "Size of double type", "This adjusts the size of the \"double\" data type.\n")
HELP(h_mapfile, "Generate map file",
     "This option is used to request the generation of a map file. Otherwise\nis given, the map file will have "
     "the same basename as the output file,\nand an extension of .map.\n")
HELP(h_M, "Generate map file",
     "This option is used to request the generation of a map file. If no filename\nis given, the map file will "
     "have the same \"base name\" as the first source\nor object file, and an extension of .MAP.\n")
HELP(h_L, "Set linker option",
     "This option is used to specify an extra \"-\" option which will be passed\ndirectly to the linker. This "
     "option is especially useful when linking code\nwhich contains extra program sections (\"psects\").\n")
HELP(h_V, "Verbose mode",
     "This option is used to display the command lines used to invoke each of the\ncompiler passes.\n")
HELP(h_runtime, "Run-time options", "This option is used to configure specific run-time requirements.\n")
HELP(h_D, "Define preprocessor symbol",
     "This option is used to define a preprocessor macro on the command line, exactly\nas if it had been defined "
     "using a #define directive in the source code. The\noption takes one of two forms:\n\n\t-Dmacro\n\t-Dmacro=text\n")
HELP(h_I, "Specify include path",
     "This option is used to specify an additional directory to use when searching\nfor header files which have "
     "been included using the #include directive.\nIt may be used multiple times if multiple directories are to be "
     "searched.\n")
HELP(h_U, "Undefine preprocessor symbol",
     "This option is the inverse of the -D option and is used to undefine predefined\nmacros. This option takes "
     "the form:\n\n\t-Umacro\n")
HELP(h_fill, "Specify a ROM-fill value for unused memory",
     "The hexcode specified to this option will be programmed to any unused\nprogram memory locations.\n")
HELP(h_serial, "Insert a hexadecimal code or serial number",
     "This option allows definition of a hexadecimal code (up to 8 bytes in length) to be\nstored at a particular "
     "address in program memory.\n")
HELP(h_codeoffset, "Specify ROM address", "")
HELP(o_A, "--setoption=as,...", nullptr)
HELP(o_O, "--opt=...,+as_all", nullptr)
HELP(o_Z, "--opt=...,+9?", nullptr)
HELP(o_W, "--warn=...", nullptr)
HELP(o_ck, "--setoption=ormhex,...", nullptr)
HELP(o_resrom, "--rom=-lo-hi[,lo-hi,...]", nullptr)
HELP(o_resram, "--ram=-lo-hi[,lo-hi,...]", nullptr)
#undef HELP

// ---- Handlers ----

void set_ide_formats(const char* error, const char* warning, const char* message) {
    set_env("BXC_ERR_FORMAT", error);
    set_env("BXC_WARN_FORMAT", warning);
    set_env("BXC_MSG_FORMAT", message);
    alert_set_formats(error, warning, message);
    alert_set_formatted(1);
}

void on_lang(option_row*, const char* argument) {
    if (!argument) return;
    int32_t id = lang_from_name(argument);
    if (id <= 0) return;
    // Only this run: the registry's language changes through --setup alone.
    msgfile_load_language(id);
    drv.lang = argument;
}

void on_help(option_row*, const char* argument) {
    print_help(option_table, argument);
}

void on_setup(option_row*, const char* argument) {
    print_banner();
    bool ok = false;
    if (!is_directory(argument)) {
        alert_message(1180, argument);
    } else if (product_write_instdir(argument) == 0) {
        msgfile_load_language(lang_from_name("en"));
        ok = true;
        if (!drv.lang.empty()) ok = product_write_dword("language", uint32_t(lang_from_name(drv.lang.c_str()))) == 0;
    }
    if (!ok) {
        alert_message(883);
        stop(8);
    }
    alert_message(881);
    stop(0);
}

void on_ide_handler() {
    if (drv.ide == 1) {
        drv.debug_info = true;
        drv.ide_mode = true;
        drv.quiet = 1;
        set_ide_formats("Error #%n: %f; %l: %s", "Warning #%n: %f; %l: %s", "Advisory #%n: %f; %l: %s");
    } else if (drv.ide == 2) {
        drv.debug_info = true;
        drv.ide_mode = true;
        set_ide_formats("Error[%n] %f %l : %s", "Warning[%n] %f %l : %s", "Advisory[%n] %f %l : %s");
    }
}

void on_E(option_row*, const char* argument) {
    drv.ide_mode = true;
    if (!argument) return;
    bool append = argument[0] == '+';
    const char* name = append ? argument + 1 : argument;
    // Appending creates the file when it cannot be opened for update; the check keeps the
    // driver's standard error intact when the file cannot be made at all.
    FILE* probe = fopen(name, append ? "a" : "w");
    if (!probe) {
        alert_message(378, "error", name);
        return;
    }
    fclose(probe);
    if (!freopen(name, "a", stderr)) alert_message(378, "error", name);
    else drv.error_file = true;
}

void on_banner() {
    if (!drv.quiet) print_banner();
}

void on_msgdisable(option_row* row, const char* argument) {
    if (!argument) alert_message(906, opt_display_name(row));
    drv.msgdisable = argument;
    alert_disable(argument);
}

void on_format(option_row* row, const char* argument) {
    drv.ide_mode = true;
    if (!argument) return;
    const char* var = row->id == ID_ERRFORMAT ? "BXC_ERR_FORMAT" : row->id == ID_WARNFORMAT ? "BXC_WARN_FORMAT" : "BXC_MSG_FORMAT";
    set_env(var, argument);
}

void on_level() { alert_set_level(drv.warn); }

void on_chipinfo(option_row*, const char*) { print_chip_list(drv.chip_file.c_str()); }

void on_ver(option_row*, const char*) { print_banner(); }

void on_memmap(option_row*, const char* argument) { summary_from_map_file(argument, true); }

void on_app_option(option_row* row, const char* argument) {
    const char* comma = strchr(argument, ',');
    if (!comma) alert_message(904, opt_display_name(row));
    std::string app(argument, comma);
    bool get = row->id == ID_GETOPTION;
    int limit = get ? PASS_COUNT : PASS_XREF;
    for (int i = 0; i < limit; ++i) {
        if (app.empty() || !strstr(pass_names[i], app.c_str())) continue;
        drv.option_files[size_t(i)] = comma + 1;
        if (get) {
            drv.getoption = true;
            drv.quiet = 1;
        } else {
            drv.setoption = true;
        }
        return;
    }
    alert_message(905, opt_display_name(row));
}

void on_chip(option_row*, const char* argument) {
    // A later chip replaces an earlier one, memory classes and all.
    if (drv.chip) {
        chip_free(drv.chip);
        drv.chip = nullptr;
        space_list_free(drv.spaces);
        drv.spaces = nullptr;
        memory_init_spaces();
    }
    drv.chip = chip_open(drv.chip_file.c_str(), argument);
}

void on_chip_handler() {
    if (!drv.chip) alert_message(902, "ORMCL");
}

void on_rom_ram(option_row* row, const char* argument) { memory_option(row->id == ID_ROM, argument, opt_display_name(row)); }

void on_limit() {
    if (drv.errors != 0) alert_set_max_errors(drv.errors);
}

void on_G(option_row*, const char* argument) {
    drv.debug_info = true;
    if (argument) drv.sym_name = argument;
}

void on_pre(option_row*, const char*) {
    drv.pre = true;
    drv.compile_only = 1;
}

void on_cr(option_row*, const char* argument) {
    drv.cr = true;
    if (argument) drv.cr_name = argument;
}

void on_O(option_row*, const char* argument) {
    drv.output_named = true;
    drv.output_name = argument;
}

void on_outdir(option_row*, const char* argument) {
    if (is_directory(argument)) drv.outdir = argument;
}

void on_strict(option_row* row, const char*) {
    drv.strict = true;
    alert_message(913, opt_display_name(row));
}

void on_map(option_row*, const char* argument) {
    drv.map_requested = true;
    if (argument) drv.map_name = argument;
}

void on_L(option_row*, const char* argument) {
    if (!argument) return;
    if (argument[0] == '-') drv.link_options.push_back(argument);
    else drv.libraries.push_back(argument);
}

void on_pre_arg(option_row* row, const char* argument) {
    drv.user_pre_args.push_back(std::string("-") + row->name + argument);
}

void on_fill(option_row*, const char* argument) { drv.fill = argument; }

void on_serial(option_row*, const char* argument) {
    drv.serial = argument;
    reserve_serial(argument);
}

void on_codeoffset(option_row*, uint32_t value) {
    drv.codeoffset = value;
    if (drv.chip) drv.chip->codeoffset = value;
    if (value != 0) add_code_classes(0, value - 1);
}

void on_removed(option_row* row, const char*) { alert_message(1178, opt_display_name(row)); }

void on_obs_A(option_row*, const char* argument) {
    drv.dummy = 1;
    drv.asm_options.push_back(std::string("-") + argument);
}

void on_obs_O(option_row*, const char* argument) {
    if (argument) {
        on_O(nullptr, argument);
        return;
    }
    drv.dummy = 1;
    drv.opt |= OPT_ASM;
}

void on_obs_Z(option_row*, const char* argument) {
    drv.dummy = 1;
    long n = argument[0] ? strtol(argument + 1, nullptr, 10) : 0;
    if (n < 1) n = 1;
    if (n > 9) n = 9;
    drv.opt = (drv.opt & OPT_ASM) | int32_t(0x100u << (n - 1));
}

void on_obs_W(option_row*, const char* argument) {
    drv.dummy = 1;
    long n = strtol(argument, nullptr, 10);
    drv.warn = int32_t(n < -9 ? -9 : n > 9 ? 9 : n);
    alert_set_level(drv.warn);
}

void on_obs_ck(option_row*, const char* argument) {
    drv.dummy = 1;
    drv.ck_text = argument;
}

void on_resrom(option_row*, uint32_t low, uint32_t high) {
    drv.dummy = 1;
    add_code_classes(low, high);
}

void on_resram(option_row*, uint32_t low, uint32_t high) {
    drv.dummy = 1;
    memory_option_reserve_ram(low, high);
}

void on_startup() { driver_initialise(); }

}  // namespace

constexpr uint32_t REQ = OPT_ARG_REQUIRED, OPT = OPT_ARG_OPTIONAL, STOPS = OPT_STOPS;

#define ROW_H(id, name, group, flags, handler, help) {id, name, group, flags, KIND_HANDLER, handler, nullptr, nullptr, nullptr, nullptr, 0, nullptr, 0, help, 0, 0}
#define ROW_PLAIN(id, group, fn) {id, nullptr, group, 0, KIND_HANDLER, nullptr, nullptr, nullptr, fn, nullptr, 0, nullptr, 0, nullptr, 0, 0}
#define ROW_V(id, name, group, flags, kind, var, choices, help) {id, name, group, flags, kind, nullptr, nullptr, nullptr, nullptr, &drv.var, 0, choices, 0, help, 0, 0}
#define ROW_ALIAS(name, target, value) {ID_ALIAS, name, 1, OPT_ALIAS, KIND_HANDLER, nullptr, nullptr, nullptr, nullptr, nullptr, target, nullptr, value, nullptr, 0, 0}

option_row option_table[] = {
    ROW_H(ID_LANG, "lang", -2, OPT, on_lang, &h_lang),
    ROW_H(ID_OBS_RESET, "RESET", -3, OPT | OPT_OBSOLETE, on_removed, nullptr),
    ROW_H(ID_OBS_SETUP, "SETUP", -3, OPT | OPT_OBSOLETE, on_removed, nullptr),
    ROW_H(ID_HELP, "help", -4, OPT | STOPS, on_help, &h_help),
    ROW_H(ID_SETUP, "setup", -5, REQ | STOPS, on_setup, &h_setup),
    ROW_PLAIN(ID_STARTUP, -11, on_startup),
    ROW_V(ID_IDE, "ide", 9995, REQ, KIND_NAMED, ide, ide_choices, &h_ide),
    ROW_V(ID_DEBUGGER, "debugger", 9995, REQ, KIND_NAMED, debugger, debugger_choices, &h_debugger),
    ROW_PLAIN(ID_IDE_HANDLER, 9993, on_ide_handler),
    ROW_H(ID_E, "E", 9990, OPT, on_E, &h_E),
    ROW_V(ID_Q, "Q", 9980, 0, KIND_BOOLEAN, quiet, nullptr, &h_Q),
    ROW_PLAIN(ID_BANNER, 9975, on_banner),
    ROW_H(ID_MSGDISABLE, "msgdisable", 9970, OPT, on_msgdisable, &h_msgdisable),
    ROW_H(ID_ERRFORMAT, "errformat", 9970, OPT, on_format, &h_errformat),
    ROW_H(ID_WARNFORMAT, "warnformat", 9960, OPT, on_format, &h_warnformat),
    ROW_H(ID_MSGFORMAT, "msgformat", 9960, OPT, on_format, &h_msgformat),
    ROW_V(ID_WARN, "warn", 2010, OPT, KIND_SINGLE, warn, warn_choices, &h_warn),
    ROW_PLAIN(ID_LEVEL_HANDLER, 2009, on_level),
    ROW_V(ID_SUMMARY, "summary", 2005, OPT, KIND_BITS, summary, summary_choices, &h_summary),
    ROW_H(ID_CHIPINFO, "chipinfo", 2000, STOPS, on_chipinfo, &h_chipinfo),
    ROW_H(ID_VER, "ver", 2000, STOPS, on_ver, &h_ver),
    ROW_H(ID_MEMMAP, "memmap", 2000, REQ | STOPS, on_memmap, &h_memmap),
    ROW_H(ID_GETOPTION, "getoption", 2000, REQ, on_app_option, &h_getoption),
    ROW_H(ID_SETOPTION, "setoption", 2000, REQ, on_app_option, &h_setoption),
    ROW_H(ID_CHIP, "chip", 1990, REQ, on_chip, &h_chip),
    ROW_PLAIN(ID_CHIP_HANDLER, 1985, on_chip_handler),
    ROW_V(ID_ERRORS, "errors", 1980, REQ, KIND_INTEGER, errors, nullptr, &h_errors),
    ROW_H(ID_ROM, "rom", 1980, REQ, on_rom_ram, &h_rom),
    ROW_H(ID_RAM, "ram", 1980, REQ, on_rom_ram, &h_ram),
    {ID_OBS_RESROM, "resrom", 1980, REQ | OPT_OBSOLETE, KIND_RANGES, nullptr, nullptr, on_resrom, nullptr, nullptr, 0, nullptr, 0, &o_resrom, 0, 0},
    {ID_OBS_RESRAM, "resram", 1980, REQ | OPT_OBSOLETE, KIND_RANGES, nullptr, nullptr, on_resram, nullptr, nullptr, 0, nullptr, 0, &o_resram, 0, 0},
    ROW_PLAIN(ID_LIMIT_HANDLER, 1975, on_limit),
    ROW_V(ID_C, "C", 1010, 0, KIND_BOOLEAN, compile_only, nullptr, &h_C),
    ROW_H(ID_G, "G", 1010, OPT, on_G, &h_G),
    ROW_V(ID_S, "S", 1010, 0, KIND_BOOLEAN, asm_only, nullptr, &h_S),
    ROW_H(ID_PRE, "pre", 1010, 0, on_pre, &h_pre),
    ROW_H(ID_CR, "cr", 1000, OPT, on_cr, &h_cr),
    ROW_V(ID_NOEXEC, "noexec", 1000, 0, KIND_BOOLEAN, noexec, nullptr, &h_noexec),
    ROW_V(ID_NODEL, "nodel", 1000, 0, KIND_BOOLEAN, nodel, nullptr, &h_nodel),
    ROW_V(ID_ASMLIST, "asmlist", 1000, 0, KIND_BOOLEAN, asmlist, nullptr, &h_asmlist),
    ROW_V(ID_TIME, "time", 1000, 0, KIND_BOOLEAN, time, nullptr, &h_time),
    ROW_V(ID_PROTO, "proto", 1000, 0, KIND_BOOLEAN, proto, nullptr, &h_proto),
    ROW_V(ID_SCANDEP, "scandep", 1000, 0, KIND_BOOLEAN, scandep, nullptr, &h_scandep),
    ROW_V(ID_N, "N", 1000, REQ, KIND_INTEGER, ident_length, nullptr, &h_N),
    ROW_H(ID_O, "O", 1000, REQ, on_O, &h_O),
    ROW_H(ID_OUTDIR, "outdir", 1000, REQ, on_outdir, &h_outdir),
    ROW_V(ID_P, "P", 1000, 0, KIND_BOOLEAN, preprocess_asm, nullptr, &h_P),
    ROW_H(ID_STRICT, "strict", 1000, 0, on_strict, &h_strict),
    ROW_V(ID_X, "X", 1000, 0, KIND_BOOLEAN, strip, nullptr, &h_X),
    ROW_V(ID_OPT, "opt", 1000, OPT, KIND_OPT_BITS, opt, opt_choices, &h_opt),
    ROW_V(ID_OUTPUT, "output", 1000, OPT, KIND_BITS, output, output_choices, &h_output),
    ROW_V(ID_CHAR, "char", 1000, OPT, KIND_SINGLE, char_type, char_choices, &h_char),
    ROW_V(ID_DOUBLE, "double", 1000, OPT, KIND_SINGLE, double_type, double_choices, &h_double),
    ROW_H(ID_MAPFILE, "mapfile", 1000, OPT, on_map, &h_mapfile),
    ROW_H(ID_M, "M", 1000, OPT, on_map, &h_M),
    ROW_H(ID_L, "L", 1000, OPT, on_L, &h_L),
    ROW_V(ID_V, "V", 1000, 0, KIND_BOOLEAN, verbose, nullptr, &h_V),
    ROW_V(ID_RUNTIME, "runtime", 1000, OPT, KIND_BITS, runtime, runtime_choices, &h_runtime),
    ROW_H(ID_D, "D", 1000, REQ, on_pre_arg, &h_D),
    ROW_H(ID_I, "I", 1000, REQ, on_pre_arg, &h_I),
    ROW_H(ID_U, "U", 1000, REQ, on_pre_arg, &h_U),
    ROW_H(ID_FILL, "fill", 1000, REQ, on_fill, &h_fill),
    ROW_H(ID_SERIAL, "serial", 1000, REQ, on_serial, &h_serial),
    {ID_CODEOFFSET, "codeoffset", 1000, REQ, KIND_HEX, nullptr, on_codeoffset, nullptr, nullptr, nullptr, 0, nullptr, 0, &h_codeoffset, 0, 0},
    ROW_V(ID_DUMMY, "dummy", 1000, 0, KIND_BOOLEAN, dummy, nullptr, nullptr),
    ROW_H(ID_OBS_ANNOT, "ORMANNOT", 1000, OPT | OPT_OBSOLETE, on_removed, nullptr),
    ROW_H(ID_OBS_A, "A-", 1000, REQ | OPT_OBSOLETE, on_obs_A, &o_A),
    ROW_H(ID_OBS_O, "O", 1000, OPT | OPT_OBSOLETE, on_obs_O, &o_O),
    ROW_H(ID_OBS_Z, "Z", 1000, REQ | OPT_OBSOLETE, on_obs_Z, &o_Z),
    ROW_H(ID_OBS_W, "W", 1000, REQ | OPT_OBSOLETE, on_obs_W, &o_W),
    ROW_H(ID_OBS_CK, "ck", 1000, REQ | OPT_OBSOLETE, on_obs_ck, &o_ck),
    ROW_ALIAS("chipinfo", ID_CHIPINFO, 0),
    ROW_ALIAS("help", ID_HELP, 0),
    ROW_ALIAS("asmlist", ID_ASMLIST, 0),
    ROW_ALIAS("rom", ID_ROM, 0),
    ROW_ALIAS("ram", ID_RAM, 0),
    ROW_ALIAS("strict", ID_STRICT, 0),
    ROW_ALIAS("cr", ID_CR, 0),
    ROW_ALIAS("proto", ID_PROTO, 0),
    ROW_ALIAS("pre", ID_PRE, 0),
    ROW_ALIAS("ver", ID_VER, 0),
    ROW_ALIAS("scandep", ID_SCANDEP, 0),
    ROW_ALIAS("bin", ID_OUTPUT, 0x20),
    ROW_ALIAS("tek", ID_OUTPUT, 0x2),
    ROW_ALIAS("intel", ID_OUTPUT, 0x1),
    ROW_ALIAS("ubrof", ID_OUTPUT, 0x10),
    ROW_ALIAS("mot", ID_OUTPUT, 0x8),
    ROW_ALIAS("motorola", ID_OUTPUT, 0x8),
    ROW_ALIAS("aahex", ID_OUTPUT, 0x4),
    ROW_ALIAS("psectmap", ID_SUMMARY, 0x1),
    ROW_ALIAS("signed", ID_CHAR, 2),
    ROW_ALIAS("signed_char", ID_CHAR, 2),
    ROW_ALIAS("unsigned", ID_CHAR, 1),
    ROW_ALIAS("nort", ID_RUNTIME, 0),
    {0, nullptr, 0, 0, 0, nullptr, nullptr, nullptr, nullptr, nullptr, 0, nullptr, 0, nullptr, 0, 0},
};

void apply_option_defaults() {
    opt_set_value(opt_find(option_table, ID_RUNTIME), int32_t(0xFFFDFFCFu));
    opt_set_value(opt_find(option_table, ID_SUMMARY), SUM_MEM);
    opt_set_value(opt_find(option_table, ID_OPT), drv.legacy_rewritten ? 0 : 0x50001);
    opt_set_value(opt_find(option_table, ID_CHAR), 1);
    opt_set_value(opt_find(option_table, ID_DOUBLE), 1);
    opt_set_value(opt_find(option_table, ID_OUTPUT), int32_t(OUT_MCOFF));
}

uint32_t opt_removed_bits() { return opt_find(option_table, ID_OPT)->removed_bits; }

void print_banner() {
    // Once a run: the banner group, --ver, --setup and a start without arguments all ask for it.
    static bool printed = false;
    if (printed) return;
    printed = true;
    printf("BRYLLEX ORMC-Lite COMPILER (Microchip PICmicro) V%s\n", version_text);
    printf("Copyright (C) 2006 BRYLLEX Software. All rights reserved.\n");
    fflush(stdout);
}
