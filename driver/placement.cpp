// Class options ("-ACODE=...") and placement options ("-p...") for the linker.
#include "driver/placement.h"

#include <cstdarg>
#include <cstdio>
#include "common/osdep.h"

#include "common/alloc.h"
#include "common/lists/lists.h"
#include "driver/chipfile.h"
#include "driver/passrun.h"
#include "driver/state.h"

namespace {

std::string key_of(const std::string& text) { return text.substr(0, text.find('=')); }

std::string format(const char* fmt, ...) __attribute__((format(printf, 1, 2)));
std::string format(const char* fmt, ...) {
    va_list args;
    va_start(args, fmt);
    char* text = vformat_string(fmt, args);
    va_end(args);
    std::string result = text;
    xfree(text);
    return result;
}

// On a chip whose RAM all lies in bank 0 the other banks reach it through their mirrors, so
// a bank-qualified variable is placed there; elsewhere each bank's psects go to its own
// class, and the linker refuses a psect whose bank has no RAM.
int data_bank_class(int bank) {
    for (int i = 1; i < 4; ++i) {
        const mem_class* c = class_find(drv.spaces, format("BANK%d", i).c_str());
        if (c && c->available) return bank;
    }
    return 0;
}

}  // namespace

void add_linker_option(arglist& list, const std::string& text) {
    // A user's -L option overrides a generated one with the very same key.
    if (text.find('=') != std::string::npos)
        for (const std::string& user : drv.link_options)
            if (user.find('=') != std::string::npos && str_casecmp(key_of(user).c_str(), key_of(text).c_str()) == 0)
                return;
    list.append(text, ARG_CONFIGURABLE);
}

void add_class_options(mem_space* space, arglist& list) {
    if (!space) return;
    for (mem_class* c = space->classes; c; c = c->next) {
        char* text = class_format(c, "-A", c->name);
        if (*text) add_linker_option(list, text);
        xfree(text);
    }
}

void linker_placement_options(arglist& list, bool interrupt_routine) {
    add_linker_option(list, "-ppowerup=CODE");
    const chip_record* chip = drv.chip;
    if (!chip || chip->arch != ARCH_PIC14) return;
    unsigned long offset = chip->codeoffset;
    // init23 clears and copies banks 2 and 3; it runs between init and end_init.
    if (interrupt_routine)
        add_linker_option(list, format("-preset_vec=0%lXh,intentry=0%lXh,intcode,intret,init,init23,end_init,clrtext,"
                                       "maintext,stringtable,pstrings,strings",
                                       offset, offset + 4));
    else
        add_linker_option(list, format("-preset_vec=0%lXh,intentry,intcode,intret,init,init23,end_init,clrtext,"
                                       "maintext,stringtable,pstrings,strings",
                                       offset));
    unsigned long save = chip->intsave;
    if (save == 0)
        for (int i = 0; i < chip->rambank_count; ++i)
            if (chip->rambank[i].low <= 127) {
                save = chip->rambank[i].low;
                break;
            }
    int32_t s = chip->interrupt_strategy;
    bool done[4] = {false, false, false, false};
    bool intsave0_written = false;
    long previous_bank = -1;
    for (int i = 0; i < chip->banks; ++i) {
        unsigned long r = i < 4 ? chip->rambank[i].low : 0;
        if (r < 128 && !intsave0_written && (s == 1 || s == 3 || s == 4 || s == 5 || s == 6)) {
            add_linker_option(list, format("-pintsave_0=0%lXh", save));
            intsave0_written = true;
            done[0] = true;
        } else if ((s == 3 || s == 6) && r > 127 && long(r / 128) != previous_bank) {
            add_linker_option(list, format("-pintsave_%lu=0%lXh", r / 128, (r & ~127ul) + save));
            if (r < 512) done[r / 128] = true;
        }
        previous_bank = long(r / 128);
        int c = data_bank_class(i);
        add_linker_option(list, format("-prbit_%d=BANK%d,rbss_%d=BANK%d,rdata_%d=BANK%d,idata_%d=CODE", i, c, i, c, i, c, i));
        if (i == 0) add_linker_option(list, "-pnvram=BANK0");
        else add_linker_option(list, format("-pnvram_%d=BANK%d,nvbit_%d=BANK%d", i, c, i, c));
    }
    bool common_big = chip->has_common && chip->common.high - chip->common.low + 1 > 11;
    add_linker_option(list, common_big ? "-ptemp=COMBANK" : "-ptemp=BANK0");
    add_class_options(space_find(drv.spaces, "config"), list);
    add_linker_option(list, "-pconfig=CONFIG");
    add_class_options(space_find(drv.spaces, "idloc"), list);
    add_linker_option(list, "-pidloc=IDLOC");
    if (chip->eepromsize) {
        add_class_options(space_find(drv.spaces, "eedata"), list);
        add_linker_option(list, "-peeprom_data=EEDATA");
    }
    if (chip->osccal) {
        mem_class* code = class_find(drv.spaces, "CODE");
        uint32_t address = code ? class_high(code) + 1 : 0;
        add_linker_option(list, format("-posccal=0%Xh", address));
        space_add_range_all(drv.code_space, 1, address, address, 0);
    }
    add_linker_option(list, "-pfloat_text0=CODE,float_text1=CODE,float_text2=CODE");
    add_linker_option(list, "-pfloat_text3=CODE,float_text4=CODE");
    for (int i = 0; i < chip->banks; ++i) {
        if (i < 4 && done[i]) continue;
        if (i == 0 && s == 2) add_linker_option(list, format("-pintsave_%d=COMBANK", i));
        else add_linker_option(list, format("-pintsave_%d=BANK%d", i, data_bank_class(i)));
    }
}
