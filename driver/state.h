// The driver's run state: option values and what the main flow collects (one per process).
#pragma once
#include <cstdint>
#include <string>
#include <vector>

struct chip_record;
struct mem_space;

// Output format bits of --output.
enum : uint32_t {
    OUT_INTEL = 0x1, OUT_TEK = 0x2, OUT_AAHEX = 0x4, OUT_MOT = 0x8, OUT_UBROF = 0x10, OUT_BIN = 0x20,
    OUT_COD = 0x400, OUT_COFF = 0x800, OUT_MCOFF = 0x1000, OUT_ELF = 0x4000, OUT_OMF = 0x8000,
    OUT_EOMF = 0x10000, OUT_HTK = 0x20000, OUT_LIB = 0x200000
};
// --opt bits.
enum : uint32_t { OPT_ASM = 0x1, OPT_SPEED = 0x20000, OPT_SPACE = 0x40000, OPT_ALL = 0x80000000u };
// --runtime bits.
enum : uint32_t {
    RT_INIT = 0x1, RT_CLEAR = 0x2, RT_CLIB = 0x4, RT_KEEP = 0x10, RT_NOSTARTUP = 0x20, RT_OSCCAL = 0x10000,
    RT_RESETBITS = 0x20000
};
// --summary bits.
enum : uint32_t { SUM_PSECT = 1, SUM_MEM = 2, SUM_HEX = 4, SUM_FILE = 8 };

struct driver_state {
    // Option variables (kinds bit set, choice, boolean, counter, integer).
    int32_t ide = 0;            // 1 korvide, 2 mplab
    int32_t debugger = 0;       // 1 icd, 2 icd2
    int32_t quiet = 0;
    int32_t warn = 0;
    int32_t summary = 0;
    int32_t chipinfo = 0;
    int32_t errors = 0;
    int32_t compile_only = 0;   // -C
    int32_t asm_only = 0;       // -S
    int32_t noexec = 0, nodel = 0, asmlist = 0, time = 0, proto = 0, scandep = 0;
    int32_t ident_length = 0;   // -N
    int32_t preprocess_asm = 0; // -P
    int32_t strip = 0;          // -X
    int32_t verbose = 0;        // -V
    int32_t dummy = 0;          // the obsolete-use mark
    int32_t opt = 0;
    int32_t output = 0;
    int32_t char_type = 0;
    int32_t double_type = 0;
    int32_t runtime = 0;
    uint32_t codeoffset = 0;

    // Handler-set values.
    bool debug_info = false;    // -G
    bool pre = false;           // --pre
    bool cr = false;
    bool strict = false;
    bool ide_mode = false;      // -E, --errformat, --warnformat, --msgformat, --ide
    bool error_file = false;    // -E named a file that now holds standard error
    bool map_requested = false;
    bool getoption = false, setoption = false;
    bool legacy_rewritten = false;
    bool output_named = false;  // -O given
    int legacy_bank_count = 0;
    std::string output_name, outdir, output_dir, map_name, sym_name, cr_name;
    std::string msgdisable, fill, serial, ck_text, lang;
    std::vector<std::string> option_files;   // per pass index; empty: none

    // Argument lists of the run.
    std::vector<std::string> pre_args;       // predefined preprocessor arguments
    std::vector<std::string> user_pre_args;  // -D, -U, -I in the order they were applied
    std::vector<size_t> source_objects;      // index in objects of each source's object
    std::vector<std::string> objects, libraries, sources, asm_options, link_options, hex_inputs;
    int file_count = 0;
    int failures = 0;

    // Installation and temporary files.
    std::string install_dir, chip_file, include_dir, msgfile;
    std::string temp[3];
    std::string temp_map;
    std::vector<std::string> removals;
    // The image file as it was before the run, kept under a second name until the image of
    // this run is complete: put back when a conversion or patch fails or the run is stopped.
    std::string image_name, image_backup;
    bool image_existed = false;
    bool temps_made = false;
    std::vector<std::string> argv_after_rewrite;

    chip_record* chip = nullptr;
    mem_space* spaces = nullptr;
    mem_space* code_space = nullptr;   // the program space of the run
    mem_space* data_space = nullptr;   // the data space of the run
};

extern driver_state drv;

constexpr const char* version_text = "9.50PL2";
