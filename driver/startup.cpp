// The runtime start-up generator.
#include "driver/startup.h"

#include <cstdarg>
#include <cstring>
#include "common/osdep.h"

#include "common/alloc.h"
#include "driver/chipfile.h"
#include "linkfiles/symfile.h"
#include "driver/state.h"

namespace {

const char* const reserved_names[] = {
    "__Lrbss_0",  "__Hrbss_0",  "__Brbss_0",  "__Lrbss_1",  "__Hrbss_1",  "__Lrbss_2",  "__Hrbss_2",
    "__Lrbss_3",  "__Hrbss_3",  "__Lrbit_0",  "__Hrbit_0",  "__Brbit_0",  "__Lrbit_1",  "__Hrbit_1",
    "__Lrbit_2",  "__Hrbit_2",  "__Lrbit_3",  "__Hrbit_3",  "__Lidata_0", "__Hidata_0", "__Lidata_1",
    "__Hidata_1", "__Lidata_2", "__Hidata_2", "__Lidata_3", "__Hidata_3", "__Lrdata_0", "__Hrdata_0",
    "__Lrdata_1", "__Hrdata_1", "__Lrdata_2", "__Hrdata_2", "__Lrdata_3", "__Hrdata_3", "__Lpowerup",
    "__Hpowerup", "_main",      "__Lmaintext", "__Hmaintext", "int_func",  "int_func8",  "int_func16"};

// Bank bits as the text last wrote them; RP0 and RP1 carry over from the prelink to the
// final link.
bool rp0 = false, rp1 = false;

struct generator {
    std::string out;
    bool irp = false;
    bool ptr_declared = false, count_declared = false;
    int clear_uses = 0, copy_uses = 0;
    int32_t arch = 0;

    void put(const char* text) { out += text; }
    void putf(const char* format, ...) __attribute__((format(printf, 2, 3))) {
        va_list args;
        va_start(args, format);
        char* text = vformat_string(format, args);
        va_end(args);
        out += text;
        xfree(text);
    }

    void select_bank(int bank) {
        if (arch == ARCH_PIC16) {
            static int last = -1;
            if (!(drv.chip && str_casecmp(drv.chip->name, "17C42") == 0) && last != bank) putf("\tmovlr\t%d\n", bank);
            last = bank;
            return;
        }
        bool want0 = bank & 1, want1 = bank & 2;
        if (want0 != rp0) put(want0 ? "\tbsf\tSTATUS,5\n" : "\tbcf\tSTATUS,5\n");
        if (want1 != rp1) put(want1 ? "\tbsf\tSTATUS,6\n" : "\tbcf\tSTATUS,6\n");
        rp0 = want0;
        rp1 = want1;
    }

    void select_irp(int bank) {
        bool want = bank >= 2;
        if (!want && irp) put("\tbcf\tSTATUS,7\n");
        if (want && !irp) put("\tbsf\tSTATUS,7\n");
        irp = want;
    }
};

void header(generator& g, bool final_stage, const std::vector<std::string>& options) {
    g.putf("\n\t; BRYLLEX ORMC-Lite COMPILER (Microchip PICmicro) V%s\n", version_text);
    g.put("\t; Copyright (C) 2006 BRYLLEX Software. All rights reserved.\n");
    g.putf("\n\t; Auto-generated runtime startup code for %s stage.\n\n\t;\n\t; Compiler options:\n\t;\n\t;",
           final_stage ? "final link" : "prelink");
    size_t width = 0;
    for (const std::string& o : options) {
        if (width > 0 && width + o.size() + 1 > 70) {
            g.put(" \\\n\t;");
            width = 0;
        }
        g.putf(" %s", o.c_str());
        width += o.size() + 1;
    }
    g.put("\n\t;\n\n\n");
}

const char declarations[] =
    "\tglobal\t_main,start,_exit,reset_vec\n\tfnconf\trbss_0,?a,?\n\tfnroot\t_main\n\tpsect\tconfig,class=CONFIG,"
    "delta=2\n\tpsect\tidloc,class=IDLOC,delta=2\n\tpsect\tcommon_ram,class=COMBANK,space=1\n\tpsect\trbss_0,class="
    "BANK0,space=1\n\tpsect\trbss_1,class=BANK1,space=1\n\tpsect\trbss_2,class=BANK2,space=1\n\tpsect\trbss_3,class="
    "BANK3,space=1\n\tpsect\trdata_0,class=BANK0,space=1\n\tpsect\trdata_1,class=BANK1,space=1\n\tpsect\trdata_2,"
    "class=BANK2,space=1\n\tpsect\trdata_3,class=BANK3,space=1\n\tpsect\tnvram,class=BANK0,space=1\n\tpsect\tnvram_1,"
    "class=BANK1,space=1\n\tpsect\tnvram_2,class=BANK2,space=1\n\tpsect\tnvram_3,class=BANK3,space=1\n\tpsect\tnvbit_"
    "0,class=BANK0,bit,space=1\n\tpsect\tnvbit_1,class=BANK1,bit,space=1\n\tpsect\tnvbit_2,class=BANK2,bit,space=1\n\t"
    "psect\tnvbit_3,class=BANK3,bit,space=1\n\tpsect\ttemp,ovrld,class=BANK0,space=1\n\tpsect\tstruct,ovrld,class="
    "BANK0,space=1\n\tpsect\tcode,class=CODE,delta=2\n\tpsect\trbit_0,class=BANK0,bit,space=1\n\tpsect\tptbit_0,"
    "class=BANK0,bit,space=1\n\tpsect\trbit_1,class=BANK1,bit,space=1\n\tpsect\trbit_2,class=BANK2,bit,space=1\n\t"
    "psect\trbit_3,class=BANK3,bit,space=1\n\tpsect\tstrings,class=STRING,delta=2\n\tpsect\tpstrings,class=CODE,"
    "delta=2\n\tpsect\tstringtable,class=ENTRY,delta=2\n\tpsect\tpowerup,class=CODE,delta=2\n\tpsect\treset_vec,ovrld,"
    "class=CODE,delta=2\n\tpsect\tmaintext,class=CODE,delta=2\n\tC\tset\t0\n\tZ\tset\t2\n\tPCL\tset\t2\n\tINDF\tset"
    "\t0\n\n";

const char pic14_block[] =
    "\tpsect\teeprom_data,class=EEDATA,delta=2,space=2\n\tpsect\tidata_0,class=CODE,delta=2\n\tpsect\tidata_1,class="
    "CODE,delta=2\n\tpsect\tidata_2,class=CODE,delta=2\n\tpsect\tidata_3,class=CODE,delta=2\n\tpsect\tintcode,class="
    "CODE,delta=2\n\tpsect\tintret,class=CODE,delta=2\n\tpsect\tintentry,class=CODE,delta=2\n\tglobal\tintlevel0,"
    "intlevel1\nintlevel0\nintlevel1\n\tpsect\tintsave,class=BANK0,space=1\n\tpsect\tintsave_1,class=BANK1,space=1\n"
    "\tpsect\tintsave_2,class=BANK2,space=1\n\tpsect\tintsave_3,class=BANK3,space=1\n\tpsect\tinit,class=CODE,delta=2\n"
    "\tpsect\tinit23,class=CODE,delta=2\n\tpsect\ttext,class=CODE,delta=2\n\tpsect\tend_init,class=CODE,delta=2\n\t"
    "psect\tclrtext,class=CODE,delta=2\n\tpsect\tfloat_text0,class=CODE,delta=2,size=2048\n\tpsect\tfloat_text1,"
    "class=CODE,delta=2,size=2048\n\tpsect\tfloat_text2,class=CODE,delta=2,size=2048\n\tpsect\tfloat_text3,class="
    "CODE,delta=2,size=2048\n\tpsect\tfloat_text4,class=CODE,delta=2,size=2048\n\n";

void vectors(generator& g, const startup_facts& facts) {
    g.put(g.arch == ARCH_PIC12 ? "\tpsect\treset_wrap\nreset_wrap:\n" : "\tpsect\treset_vec\nreset_vec:\n");
    if (drv.debugger == 1 || drv.debugger == 2) g.put("\tnop\t; NOP inserted due to MPLAB-ICD requirements\n\n");
    bool interrupt = facts.has_section("intcode");
    bool powerup = facts.has_section("powerup");
    if (powerup) {
        g.put("\tglobal powerup\n\n; Power-up routine detected. Jumping to powerup - assumes powerup will jump back to start\n");
        if (g.arch == ARCH_PIC12) g.put("\tgoto\tpowerup & 0x1FF | (reset_wrap & not 0x1FF)\n");
        else if (g.arch == ARCH_PIC14)
            g.put("\tmovlw\tpowerup>>8\n\tmovwf\tPCLATH\n\tgoto\tpowerup & 0x7FF | (reset_vec & not 0x7FF)\n\n");
        else g.put("\tmovlw\tpowerup>>8\n\tmovwf\tPCLATH\n\tmovlw\tpowerup & 0xFF\n\tmovwf\tPCL\n");
        if (!interrupt) g.put("\t; No interrupt routine\n\n");
    } else {
        g.put("\t; No powerup routine\n\n");
        if (interrupt) {
            g.put("\tglobal start\n\n; jump to start\n\tmovlw\tstart >>8\n\tmovwf\tPCLATH\n");
            if (g.arch == ARCH_PIC12) g.put("\tgoto\tstart & 0x1FF | (reset_wrap & not 0x1FF)\n\n");
            else if (g.arch == ARCH_PIC14) g.put("\tgoto\tstart & 0x7FF | (reset_vec & not 0x7FF)\n\n");
            else g.put("\tmovlw\tstart & 0xFF\n\tmovwf\tPCL\n");
        } else {
            g.put("\t; No interrupt routine\n\n");
        }
    }
}

void clear_and_copy(generator& g, const startup_facts& facts) {
    g.put("\n\n;\tClearing of unitialized variables\n\n");
    g.put("psect init\n");
    if (g.arch == ARCH_PIC14) g.put("\tFSR\tset\t4\n\tSTATUS\tset\t3\n");
    g.irp = false;
    bool clear = drv.runtime & RT_CLEAR, init = drv.runtime & RT_INIT;
    int banks = drv.chip ? drv.chip->rambank_count : 0;
    char name[32];
    auto v = [&](const char* prefix, int i) {
        snprintf(name, sizeof name, "%s%d", prefix, i);
        return facts.value(name);
    };
    // A chip whose data lies in one bank range still places bank-qualified variables in the
    // sections of their banks (mirrors of bank 0): those banks are cleared and copied too.
    for (int i = banks; i < 4; ++i)
        if (v("__Hrbss_", i) != v("__Lrbss_", i) || v("__Hrbit_", i) != v("__Lrbit_", i) ||
            v("__Hrdata_", i) != v("__Lrdata_", i))
            banks = i + 1;
    for (int i = 0; i < banks; ++i) {
        uint32_t u = (v("__Hrbss_", i) - v("__Lrbss_", i)) + (v("__Hrbit_", i) - v("__Lrbit_", i) + 7) / 8;
        uint32_t d = v("__Hrdata_", i) - v("__Lrdata_", i);
        if (u == 0 || !clear) {
            g.putf(u == 0 && clear ? "\n\n;\tNo uninitialized variables in bank %d\n"
                                   : "\n\n;\tSkipping uninitialized variables in bank %d\n",
                   i);
        } else {
            g.putf("\n\n;\tClear bank%d uninitialized variables (%d bytes)\n\n", i, int(u));
            g.putf("\tglobal __Lrbss_%d,__Hrbss_%d\n\tglobal __Lrbit_%d,__Hrbit_%d\n\tglobal clear_bank%d\n\tglobal "
                   "clear_bit%d\n",
                   i, i, i, i, i, i);
            g.put(i > 1 ? "psect init23\n" : "psect init\n");
            uint32_t c = u + (i == 1 || i == 2 ? 1 : i == 3 ? 2 : 0);
            uint32_t limit = ((i <= 1 && g.irp) || (i >= 2 && !g.irp)) ? 5 : 4;
            if (g.arch != ARCH_PIC12 && c <= limit) {
                g.putf("clear_bit%d\n", i);
                g.putf("clear_bank%d\n", i);
                g.select_bank(i);
                for (uint32_t j = 0; j < u; ++j)
                    g.putf("\tclrf\t((__Lrbit_%d/8)+%u)^0x%X\n", i, j, unsigned(i) * (g.arch == ARCH_PIC14 ? 128 : 256));
            } else {
                if (g.arch == ARCH_PIC14) g.select_irp(i);
                g.putf("clear_bank%d\nclear_bit%d\n\tmovlw\t(__Lrbit_%d/8) & 0xFF\n\tmovwf\tFSR\n\tmovlw\t__Hrbss_%d & "
                       "0xFF\n",
                       i, i, i, i);
                if (g.arch == ARCH_PIC16) g.select_bank(i);
                g.put("\tglobal clear_ram\n\tcall\tclear_ram\n");
                ++g.clear_uses;
            }
        }
        if (d == 0 || !init) {
            g.putf(d == 0 && init ? "\n\n;\tNo initialized variables in bank %d\n"
                                  : "\n\n;\tSkipping initialized variables in bank %d\n",
                   i);
            continue;
        }
        g.putf("\n\n;\tCopy bank%d initialized variables (%d bytes)\n\n", i, int(d));
        g.select_bank(0);
        if (g.arch == ARCH_PIC12) {
            g.putf("\tglobal code_ptr,copy_data,copy_bank%d\n\tglobal __Lidata_%d,__Lrdata_%d,__Hrdata_%d\n\tglobal\t"
                   "stringbase\n\tmovlw\t__Lidata_%d & 0FFh\n\tmovwf\tptr\n\tmovlw\t__Lrdata_%d & 0xFF\n\tmovwf\tFSR\n"
                   "\tmovlw\t__Hrdata_%d & 0xFF\n\tcall\tcopy_data\n",
                   i, i, i, i, i, i, i);
        } else {
            bool p16 = g.arch == ARCH_PIC16;
            g.putf("\tglobal code_ptr,copy_data,copy_bank%d\n\tglobal __Lidata_%d,__Lrdata_%d,__Hrdata_%d\n\tcopy_bank%d\n"
                   "\tmovlw\t__Lidata_%d >> 8\n\tmovwf\t%s\n\tmovlw\t__Lidata_%d & 0xFF\n\tmovwf\t%s\n\tmovlw\t__Lrdata_"
                   "%d & 0xFF\n\tmovwf\tFSR\n\tmovlw\t__Hrdata_%d & 0xFF\n",
                   i, i, i, i, i, i, p16 ? "TBLPTRH" : "code_ptr+1", i, p16 ? "TBLPTRL" : "code_ptr", i, i);
            if (p16) g.select_bank(i);
            else g.select_irp(i);
            g.put("\tcall\tcopy_data\n");
        }
        ++g.copy_uses;
    }
    if (g.arch == ARCH_PIC12) {
        g.put("\n\n\tpsect\ttemp,global,class=BANK0,space=1,ovrld\n");
        if (!g.ptr_declared) g.put("ptr\tds 1\n");
        if (!g.count_declared) g.put("count\tds 1\n");
        g.ptr_declared = g.count_declared = true;
    }
    g.put("\n\n");
}

void finish(generator& g) {
    const chip_record* chip = drv.chip;
    g.put("\tpsect\tend_init\n");
    if (rp0 || rp1) {
        g.put("\tclrf\tSTATUS\n");
        rp0 = rp1 = false;
        g.irp = false;
    }
    if (g.arch == ARCH_PIC14 && chip->osccal && (drv.runtime & RT_OSCCAL)) {
        unsigned long a = chip->osccal;
        bool set0 = (a >= 128 && a <= 255) || a >= 384;
        bool set1 = a >= 256;
        if (set0) g.put("\tbsf\t3,5\n");
        if (set1) g.put("\tbsf\t3,6\n");
        // The bank bits now follow what was written, so main is entered in bank 0.
        rp0 = set0;
        rp1 = set1;
        unsigned base = a < 128 ? 0 : a < 256 ? 128 : a < 384 ? 256 : 384;
        g.putf("\tfcall\tosccal_val\nmovwf\t0x%lX ^ 0x%X\n", a, base);
    }
    if (g.arch == ARCH_PIC16) {
        g.put("\tsetf\tSTATUS\n");
        if (str_casecmp(chip->name, "17C42") != 0) g.put("\tmovlr\t0\n");
    } else if (g.arch == ARCH_PIC14 && (rp0 || rp1)) {
        g.put("\tclrf\tSTATUS\n");
        rp0 = rp1 = false;
        g.irp = false;
    }
    g.put("\tljmp _main\n");
    if (g.clear_uses) {
        g.put("\tglobal\tclear_ram\n;\tCalled with FSR containing the base address, and\n;\tW with the last address+1\n");
        if (g.arch == ARCH_PIC16) {
            g.put("clear_ram\n\tclrwdt\t\t;avoid WDT reset in pathological case\n\tbsf\tSTATUS,4\t;set up "
                  "auto-increment\n\tbcf\tSTATUS,5\n\tgoto\tloopent\nclrloop\n\tclrf\tINDF,f\t\t;clear memory, "
                  "auto-increment\nloopent\n\tcpfseq\tFSR\n\tgoto\tclrloop\n\treturn\n");
        } else {
            g.put("clrloop\n\txorwf\tFSR,w\t;restore correct value in W\n\tclrf\tINDF\t;clear a byte\n\tincf\tFSR,f\t"
                  ";increment pointer\nclear_ram\nxorwf\tFSR,w\n");
            if (g.arch == ARCH_PIC12) g.put("\tandlw\t1Fh\t\t;Test low bits only\n");
            g.put("\tbtfss\tSTATUS,2\t;test zero\n\tgoto\tclrloop\n\tclrwdt\t\t;avoid WDT reset in pathological "
                  "case\n\tretlw\t0\n");
        }
    }
    if (g.copy_uses && g.arch == ARCH_PIC14) {
        g.put(";\tCopy the rdata psects\nglobal\tcopy_data,code_ptr,string_indir\n;\tCalled with FSR containing the "
              "base address, and\n;\tW with the last address+1, source address in code_ptr\ncopy_data\n\tmovwf\tcount\t"
              "\t;store end address\ncpyloop\n\tfcall\tstring_indir\t;get byte\n\tmovwf\tINDF\t;store\n\tincf\tFSR\t\t"
              ";update pointer\n\tmovf\tFSR,w\t\t;test for completion\n\txorwf\tcount,w\n\tbtfss\tSTATUS,2\t;skip if "
              "zero\n\tgoto\tcpyloop\n\tretlw\t0\t\t;all done\n");
        if (!g.count_declared) g.put("psect\ttemp,global,class=BANK0,space=1,ovrld\ncount\tds\t1\n");
        g.count_declared = true;
    }
    g.put("\tend\tstart\n");
}

}  // namespace

startup_facts::startup_facts() {
    for (const char* n : reserved_names) symbols.push_back({n, 0, 0, std::string()});
}

uint32_t startup_facts::value(const char* name) const {
    for (const reserved_symbol& s : symbols)
        if (strcmp(s.name, name) == 0) return s.value;
    return 0;
}

bool startup_facts::has_section(const char* prefix) const {
    for (const psect_bound& b : bounds)
        if (b.name.compare(0, strlen(prefix), prefix) == 0 && b.size != 0) return true;
    return false;
}

void read_startup_facts(const std::string& symbol_file, startup_facts& facts) {
    std::vector<linkfile::line> lines;
    linkfile::read(symbol_file, lines);
    for (const linkfile::line& l : lines) {
        linkfile::symbol s;
        if (!linkfile::parse_symbol(l, s)) continue;
        for (reserved_symbol& r : facts.symbols)
            if (s.name == r.name) {
                r.value = s.value;
                if (s.has_offset) r.second = s.load_offset;
                if (!s.text.empty()) r.text = s.text;
            }
        bool low = s.name.compare(0, 3, "__L") == 0, high = s.name.compare(0, 3, "__H") == 0;
        if (!low && !high) continue;
        std::string section = s.name.substr(3);
        // Bounds pair by the exact section name ("__Htext" never closes "text1").
        psect_bound* b = nullptr;
        for (psect_bound& existing : facts.bounds)
            if (existing.name == section) b = &existing;
        if (!b) {
            facts.bounds.push_back(psect_bound{});
            b = &facts.bounds.back();
            b->name = section;
            if (low) {
                b->load = s.load_offset;
                b->class_name = s.text;
            }
        }
        if (low) {
            b->low = s.value;
            b->has_low = true;
        } else {
            b->high = s.value;
            b->has_high = true;
        }
        if (b->has_low && b->has_high) b->size = b->high - b->low;
    }
}

std::string startup_text(const startup_facts& facts, bool final_stage, const std::vector<std::string>& options) {
    generator g;
    const chip_record* chip = drv.chip;
    g.arch = chip ? chip->arch : ARCH_PIC14;
    header(g, final_stage, options);
    g.put(declarations);
    if (g.arch == ARCH_PIC14) {
        if (chip->osccal) {
            g.putf("\tOSCCAL\tequ\t0x%lX\n", (unsigned long)chip->osccal);
            g.put("\tpsect\tosccal,ovrld,class=CODE,delta=2\nosccal_val:\n\t;oscillator constant would be "
                  "pre-programmed here\n");
        }
        g.put("\tSTATUS\tequ\t3\n\tPCLATH\tequ\t0Ah\n\n");
        g.put(pic14_block);
        g.put(chip->interrupt_strategy == 2 ? "\tpsect\tintsave_0,class=COMBANK,space=1\n\n"
                                            : "\tpsect\tintsave_0,class=BANK0,space=1\n\n");
    }
    vectors(g, facts);
    if (drv.runtime & RT_RESETBITS)
        g.put("\tpsect\tptbit_0\nglobal\t___powerdown\n___powerdown\n\tds\t1\nglobal\t___timeout\n___timeout\n\tds\t1\n");
    g.put("\n\n\tpsect\tinit\nstart\n");
    g.put("_exit\n");
    if (drv.runtime & RT_RESETBITS)
        g.put("\tbcf\t___powerdown/8,___powerdown&7\n\tbtfsc\tSTATUS,3\n\tbsf\t___powerdown/8,___powerdown&7\n"
              "\tbcf\t___timeout/8,___timeout&7\n\tbtfsc\tSTATUS,4\n\tbsf\t___timeout/8,___timeout&7\n");
    clear_and_copy(g, facts);
    finish(g);
    return g.out;
}

void startup_reset_banks() { rp0 = rp1 = false; }
