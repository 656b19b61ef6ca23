// Assembly text: line buffer, program sections, header, data and the end-of-file material.
#include "codegen/asmout.h"

#include <algorithm>
#include <cfloat>
#include <cstdio>
#include <cstring>

#include "codegen/context.h"
#include "common/alert.h"

namespace cg {

const psect_row psect_table[PS_LAST + 1] = {
    {"", ""},
    {"bss", "class=RAM,space=1"},
    {"text%u", "local,class=CODE,delta=2"},
    {"data", "class=RAM"},
    {"rbss_0", "class=BANK0,space=1"},
    {"ltext", "local,class=CODE,delta=2"},
    {"strings", "class=STRING,delta=2"},
    {"code", "class=CODE,delta=2"},
    {"const%u", "local,class=CONST,delta=2"},
    {"nvram", "class=BANK0,space=1"},
    {"rbit_0", "class=BANK0,bit,space=1"},
    {"ctext%u", "local,class=ENTRY,delta=2,size=512"},
    {"intcode", "class=CODE,delta=2"},
    {"swtext%u", "local,class=CODE,delta=2,size=256,reloc=256"},
    {"intentry", "class=CODE,delta=2"},
    {"rbss_1", "class=BANK1,space=1"},
    {"rbss_2", "class=BANK2,space=1"},
    {"rbss_3", "class=BANK3,space=1"},
    {"rbit_1", "class=BANK1,bit,space=1"},
    {"rbit_2", "class=BANK2,bit,space=1"},
    {"rbit_3", "class=BANK3,bit,space=1"},
    {"idata_0", "class=CODE"},
    {"idata_1", "class=CODE"},
    {"idata_2", "class=CODE"},
    {"idata_3", "class=CODE"},
    {"jmp_tab", "class=STRING,delta=2"},
    {"intsave", "class=BANK0,space=1"},
    {"intret", "class=CODE,delta=2"},
    {"rdata_0", "class=BANK0,space=1"},
    {"rdata_1", "class=BANK1,space=1"},
    {"rdata_2", "class=BANK2,space=1"},
    {"rdata_3", "class=BANK3,space=1"},
    {"cstrings", "class=CODE,space=0,delta=1"},
    {"nvram_1", "class=BANK1,space=1"},
    {"nvram_2", "class=BANK2,space=1"},
    {"nvram_3", "class=BANK3,space=1"},
    {"nvbit_0", "class=BANK0,bit,space=1"},
    {"nvbit_1", "class=BANK1,bit,space=1"},
    {"nvbit_2", "class=BANK2,bit,space=1"},
    {"nvbit_3", "class=BANK3,bit,space=1"},
    {"maintext", "global,class=CODE,delta=2"},
    {"eeprom_data", "global,class=EEDATA,delta=2,space=2"},
};

namespace {

std::string vformat(const char* format, va_list args) {
    va_list copy;
    va_copy(copy, args);
    int n = std::vsnprintf(nullptr, 0, format, copy);
    va_end(copy);
    std::string out(n > 0 ? static_cast<size_t>(n) : 0, '\0');
    if (n > 0) std::vsnprintf(out.data(), out.size() + 1, format, args);
    return out;
}

std::string sformat(const char* format, ...) __attribute__((format(printf, 1, 2)));
std::string sformat(const char* format, ...) {
    va_list args;
    va_start(args, format);
    std::string s = vformat(format, args);
    va_end(args);
    return s;
}

// Fills the "%u" of a section name.
std::string fill_counter(const std::string& name, uint32_t counter) {
    size_t at = name.find("%u");
    if (at == std::string::npos) return name;
    return name.substr(0, at) + std::to_string(counter) + name.substr(at + 2);
}

const std::string* renamed(const cg_context& ctx, int kind) {
    for (const auto& r : ctx.psects.renames)
        if (r.first == psect_table[kind].name) return &r.second;
    return nullptr;
}

bool printable(uint8_t b) { return b >= '0' && b <= 'z'; }

void write_retlw(cg_context& ctx, uint8_t b) {
    if (printable(b)) emit(ctx, "\tretlw\t%u\t;'%c'\n", b, b);
    else emit(ctx, "\tretlw\t%u\n", b);
}

void write_label(cg_context& ctx, const std::string& label) { emit(ctx, "%s\n", label.c_str()); }

int bank_of(uint16_t classes) {
    if (classes & PC_BANK3) return 3;
    if (classes & PC_BANK2) return 2;
    if (classes & PC_BANK1) return 1;
    return 0;
}

bool is_bit_variable(const symbol* s) {
    return !s->levels && s->base && base_class(s->base) == value_class::bit;
}

// Data is written out after the code that names it, so a message about a variable names the
// line of its declaration rather than the line being read.
class declaration_line {
public:
    declaration_line(cg_context& ctx, const symbol* s) : ctx_(ctx), saved_(ctx.line) {
        if (!s->line) return;
        ctx.line = s->line;
        // A variable declared in a header is reported at the header's line.
        if (s->file && *s->file != ctx.file_name) {
            alert_set_position(s->file->c_str(), &ctx.line, nullptr, nullptr);
            moved_file_ = true;
        }
    }
    ~declaration_line() {
        ctx_.line = saved_;
        if (moved_file_) alert_set_position(ctx_.file_name.c_str(), &ctx_.line, nullptr, nullptr);
    }
    declaration_line(const declaration_line&) = delete;
    declaration_line& operator=(const declaration_line&) = delete;

private:
    cg_context& ctx_;
    int32_t saved_;
    bool moved_file_ = false;
};

// The bank-select bits of a chip with fewer banks cannot reach a higher bank: the code would
// read and write bank 0 while the linker put the variable somewhere else.
void check_bank(cg_context& ctx, const symbol* s, int bank) {
    if (bank < ctx.proc.banks) return;
    const char* name = s->name.c_str();
    declaration_line at(ctx, s);
    alert_message(726, name[0] == '_' ? name + 1 : name, bank, ctx.proc.banks);
}

// The same for a variable placed at an address: the bits cannot select its bank, so the code
// would reach the register of the same offset in a lower bank.
void check_absolute_bank(cg_context& ctx, const symbol* s, uint16_t classes) {
    if (classes & (PC_CONST | PC_EEPROM)) return;
    uint32_t address = is_bit_variable(s) ? s->address / 8 : s->address;
    int bank = bank_of_address(ctx, address);
    if (bank < ctx.proc.banks) return;
    const char* name = s->name.c_str();
    declaration_line at(ctx, s);
    alert_message(727, name[0] == '_' ? name + 1 : name, static_cast<unsigned>(address), bank, ctx.proc.banks);
}

void write_item(cg_context& ctx, const data_item& item, bool cstrings) {
    if (!item.expr.empty()) emit(ctx, "\t%s\t%s\n", cstrings ? "db" : "retlw", item.expr.c_str());
    else if (cstrings) emit(ctx, "\tdb\t%u\n", item.byte);
    else write_retlw(ctx, item.byte);
}

}  // namespace

void emit_char(cg_context& ctx, char c) {
    if (c == '\r') c = '\n';
    ctx.buffer.line.push_back(c);
    if (c != '\n') return;
    if (ctx.buffer.capture) *ctx.buffer.capture += ctx.buffer.line;
    if (!ctx.buffer.dry_run) {
        psect_check(ctx);
        std::fwrite(ctx.buffer.line.data(), 1, ctx.buffer.line.size(), ctx.out);
    }
    ctx.buffer.line.clear();
}

void emit_text(cg_context& ctx, const std::string& text) {
    for (char c : text) emit_char(ctx, c);
}

void emit(cg_context& ctx, const char* format, ...) {
    va_list args;
    va_start(args, format);
    std::string s = vformat(format, args);
    va_end(args);
    emit_text(ctx, s);
}

void emit_direct(cg_context& ctx, const std::string& text) {
    if (!ctx.buffer.dry_run) std::fwrite(text.data(), 1, text.size(), ctx.out);
}

std::string psect_name(const cg_context& ctx, int kind) {
    const std::string* r = renamed(ctx, kind);
    std::string name = r ? *r : psect_table[kind].name;
    return fill_counter(name, kind == PS_CONST ? ctx.psects.const_tables : ctx.psects.function_number);
}

void psect_request(cg_context& ctx, int kind) {
    if (kind == PS_TEXT && ctx.psects.function_override) kind = ctx.psects.function_override;
    ctx.psects.requested = kind;
}

void psect_check(cg_context& ctx, bool force) {
    psect_state& ps = ctx.psects;
    int kind = ps.requested;
    if (kind <= PS_NONE || kind > PS_LAST || ctx.buffer.dry_run) return;
    if (kind == ps.written && !force) return;
    std::string name = psect_name(ctx, kind);
    if (!ps.declared[kind]) {
        std::string flags = psect_table[kind].flags;
        if (renamed(ctx, kind) && flags.rfind("local,", 0) == 0) flags = flags.substr(6);
        std::string line = "\tpsect\t" + name + "," + flags;
        uint32_t fn = ps.function_number;
        if (flag(ctx, MF_PIC12) && ps.declared[PS_CTEXT] &&
            (kind == PS_TEXT || kind == PS_SWTEXT || kind == PS_MAINTEXT))
            line += sformat(",with=ctext%u", fn);
        else if (kind == PS_SWTEXT)
            line += sformat(",with=text%u", fn);
        if (flag(ctx, MF_PIC12) && kind == PS_CTEXT && ps.declared[PS_TEXT]) line += sformat(",with=text%u", fn);
        if (kind >= PS_IDATA0 && kind <= PS_IDATA0 + 3 && !flag(ctx, MF_PIC17)) line += ",delta=2";
        line += "\n";
        std::fwrite(line.data(), 1, line.size(), ctx.out);
        ps.declared[kind] = true;
    }
    std::string line = "\tpsect\t" + name + "\n";
    std::fwrite(line.data(), 1, line.size(), ctx.out);
    ps.written = kind;
}

int data_psect_kind(const cg_context& ctx, uint16_t classes) {
    if (classes & PC_CONST) return flag(ctx, MF_PIC17) ? PS_CSTRINGS : PS_STRINGS;
    if (classes & PC_EEPROM) return PS_EEPROM;
    return PS_RDATA0 + bank_of(classes);
}

bool psect_add_rename(cg_context& ctx, const std::string& text) {
    size_t eq = text.find('=');
    if (eq == std::string::npos) return false;
    ctx.psects.renames.emplace_back(text.substr(0, eq), text.substr(eq + 1));
    return true;
}

void write_header(cg_context& ctx) {
    emit(ctx, "\tprocessor\t%s\n", ctx.proc.name.c_str());
    if (flag(ctx, MF_PIC17)) {
        static const std::pair<const char*, int> regs17[] = {
            {"indf0", 0}, {"indf", 0}, {"fsr0", 1}, {"fsr", 1}, {"pcl", 2}, {"pc", 2}, {"pclath", 3},
            {"alusta", 4}, {"status", 4}, {"cpusta", 6}, {"indf1", 8}, {"fsr1", 9}, {"wreg", 10},
            {"tblptrl", 13}, {"tblptrh", 14}, {"bsr", 15}, {"prodl", 24}, {"prodh", 25}};
        for (const auto& r : regs17) emit(ctx, "%s\tequ\t%d\n", r.first, r.second);
        return;
    }
    if (flag(ctx, MF_ORMCLOMID)) {
        static const std::pair<const char*, int> regs[] = {{"indf", 0},   {"rtcc", 1},  {"pc", 2},
                                                           {"pcl", 2},    {"status", 3}, {"fsr", 4},
                                                           {"porta", 5},  {"portb", 6}, {"portc", 7}};
        for (const auto& r : regs) emit(ctx, "%s\tequ\t%d\n", r.first, r.second);
        if (flag(ctx, MF_PIC14)) emit(ctx, "pclath\tequ\t10\n");
    }
}

std::string asm_name(const symbol* s) { return s->name; }

std::string function_pointer_value(cg_context& ctx, const symbol* f) {
    auto& targets = ctx.fn_pointer_targets;
    if (std::find(targets.begin(), targets.end(), f) == targets.end()) targets.push_back(f);
    // The entry follows the retlw of the argument area's address, which a function with
    // parameters has.
    return "(fpl_" + asm_name(f) + (f->param_number > 0 ? "+1)" : "+0)");
}

void announce_external(cg_context& ctx, symbol* s) {
    if (s->flags & SF_ANNOUNCED) return;
    s->flags |= SF_ANNOUNCED;
    emit(ctx, "\tglobal\t%s\n", asm_name(s).c_str());
    if (outer_level(s->levels) == LEVEL_FUNCTION && s->param_number > 0)
        emit(ctx, "\tglobal\t?%s\n", asm_name(s).c_str());
}

namespace {

int variable_psect(const symbol* s) {
    int bank = bank_of(s->classes);
    if (s->levels) return PS_RBSS0;
    if (s->classes & PC_EEPROM) return PS_EEPROM;
    bool bit = is_bit_variable(s);
    if (s->classes & PC_PERSISTENT) {
        if (bit) return PS_NVBIT0 + bank;
        return bank ? PS_NVRAM1 + bank - 1 : PS_NVRAM;
    }
    if (bit) return bank ? PS_RBIT1 + bank - 1 : PS_RBIT0;
    return bank ? PS_RBSS1 + bank - 1 : PS_RBSS0;
}

void declare_scope(cg_context& ctx, symbol* s) {
    if (s->sclass == storage::external) announce_external(ctx, s);
}

// A variable's label line; the last one written is what helper 7 names.
void label_variable(cg_context& ctx, symbol* s) {
    write_label(ctx, asm_name(s));
    ctx.helpers.last_labelled = s;
}

}  // namespace

void define_variable(cg_context& ctx, symbol* s) {
    if (s->flags & SF_WRITTEN) return;
    if (outer_level(s->levels) == LEVEL_FUNCTION) return;
    uint16_t size = symbol_size(ctx, s);
    bool bit = is_bit_variable(s);
    if (!size && !bit) return;
    s->flags |= SF_WRITTEN;
    declare_scope(ctx, s);
    if (s->flags & SF_ABSOLUTE) {
        check_absolute_bank(ctx, s, s->classes);
        emit(ctx, "%s\tequ\t%lu\n", asm_name(s).c_str(), static_cast<unsigned long>(s->address));
        return;
    }
    // A const object is read from program memory wherever it is named, so one defined without
    // an initialiser takes zero bytes there rather than RAM the reads never reach.
    if (!bit && outer_level(s->levels) != LEVEL_POINTER) {
        int data_kind = data_psect_kind(ctx, s->classes);
        if (data_kind == PS_STRINGS || data_kind == PS_CSTRINGS) {
            define_initialised(ctx, s, std::vector<data_item>(size, data_item{0, {}}));
            return;
        }
    }
    int kind = variable_psect(s);
    if (kind != PS_EEPROM && !s->levels) check_bank(ctx, s, bank_of(s->classes));
    psect_request(ctx, kind);
    label_variable(ctx, s);
    if (kind == PS_EEPROM) {
        for (uint16_t i = 0; i < size; ++i) emit(ctx, "\tdb\t0\n");
    } else if (bit) {
        emit(ctx, "\tds\t%u\n", (s->flags & SF_ARRAY) && s->count ? s->count : 1u);
    } else {
        emit(ctx, "\tds\t%u\n", size);
    }
}

void define_initialised(cg_context& ctx, symbol* s, const std::vector<data_item>& bytes) {
    s->flags |= SF_WRITTEN;
    declare_scope(ctx, s);
    // A pointer's qualifiers (bank, const, eeprom) name what it points to; the pointer itself
    // lives in bank 0 RAM, where the code reads and writes it (as an uninitialised one does).
    // A pointer that is itself const arrives with no levels of its own.
    uint16_t classes = s->classes;
    if (outer_level(s->levels) == LEVEL_POINTER)
        classes &= static_cast<uint16_t>(~(PC_BANK1 | PC_BANK2 | PC_BANK3 | PC_CONST | PC_EEPROM));
    int kind = data_psect_kind(ctx, classes);
    if (s->flags & SF_ABSOLUTE) {
        // The object lives at its address; its label is an equate and the bytes follow it
        // in the section the qualifiers choose.
        check_absolute_bank(ctx, s, classes);
        emit(ctx, "%s\tequ\t%lu\n", asm_name(s).c_str(), static_cast<unsigned long>(s->address));
        return;
    }
    if (kind == PS_STRINGS || kind == PS_CSTRINGS) {
        bool table = kind == PS_STRINGS && flag(ctx, MF_PIC14) && bytes.size() < 256;
        if (table) {
            ++ctx.psects.const_tables;
            ctx.psects.declared[PS_CONST] = false;
            kind = PS_CONST;
        }
        psect_request(ctx, kind);
        label_variable(ctx, s);
        if (table) emit(ctx, "\taddwf\tpc\n");
        for (const data_item& item : bytes) write_item(ctx, item, kind == PS_CSTRINGS);
        return;
    }
    if (kind == PS_EEPROM) {
        psect_request(ctx, kind);
        label_variable(ctx, s);
        for (const data_item& item : bytes) {
            if (item.expr.empty()) emit(ctx, "\tdb\t%u\n", item.byte);
            else emit(ctx, "\tdb\t%s\n", item.expr.c_str());
        }
        return;
    }
    int bank = kind - PS_RDATA0;
    check_bank(ctx, s, bank);
    psect_request(ctx, kind);
    label_variable(ctx, s);
    emit(ctx, "\tds\t%u\n", static_cast<unsigned>(bytes.size()));
    psect_request(ctx, PS_IDATA0 + bank);
    for (const data_item& item : bytes) write_item(ctx, item, false);
}

void write_string_literal(cg_context& ctx, const std::string& label, const std::vector<uint8_t>& bytes) {
    if (flag(ctx, MF_CANREADCODE) && flag(ctx, MF_SPACEOPT)) {
        ctx.strings.push_back({label, bytes});
        return;
    }
    bool pic17 = flag(ctx, MF_PIC17);
    psect_request(ctx, pic17 ? PS_CSTRINGS : PS_STRINGS);
    write_label(ctx, label);
    for (uint8_t b : bytes) {
        if (pic17) emit(ctx, printable(b) ? "\tdb\t%u\t;'%c'\n" : "\tdb\t%u\n", b, b);
        else write_retlw(ctx, b);
    }
}

void write_float_pool(cg_context& ctx) {
    if (ctx.floats.empty()) return;
    psect_request(ctx, flag(ctx, MF_PIC17) ? PS_CSTRINGS : PS_STRINGS);
    for (size_t i = 0; i < ctx.floats.size(); ++i) {
        const float_constant& f = ctx.floats[i];
        std::string text;
        if (f.value > DBL_MAX) text = "1.7976931348623157e+308";
        else if (f.value < -DBL_MAX) text = "-1.7976931348623157e+308";
        else text = sformat("%#.17g", f.value);
        // The size operand tells the assembler which of the two formats to build.
        emit(ctx, "e%u\n\tfcf\t%s,%d\n", static_cast<unsigned>(i + 1), text.c_str(), f.size);
    }
}

namespace {

void write_plain_strings(cg_context& ctx, const std::vector<const collected_string*>& list) {
    emit_direct(ctx, "\n; Strings\n");
    for (const collected_string* s : list) {
        emit(ctx, "%s\n", s->label.c_str());
        for (uint8_t b : s->bytes) write_retlw(ctx, b);
    }
}

std::string byte_comment(uint8_t b, bool first) {
    bool show = (b >= '0' && b <= 'z') || b == ' ';
    if (show) return sformat(first ? "\t;'%c'" : ", '%c'", b);
    return sformat(first ? "\t;0x%02X" : ", 0x%02X", b);
}

void write_collected_strings(cg_context& ctx) {
    if (ctx.strings.empty()) return;
    int kind = flag(ctx, MF_PIC17) ? PS_CSTRINGS : PS_STRINGS;
    emit_direct(ctx, sformat("\n\npsect %s,%s\n", psect_table[kind].name, psect_table[kind].flags));
    ctx.psects.written = kind;
    ctx.psects.requested = kind;
    std::vector<const collected_string*> packed, plain;
    bool after_unterminated = false;
    for (const collected_string& s : ctx.strings) {
        bool low = std::all_of(s.bytes.begin(), s.bytes.end(), [](uint8_t b) { return b < 128; });
        bool unterminated = s.bytes.empty() || s.bytes.back() != 0;
        // A string without its zero continues into the next one (a shared tail), so both stay
        // plain and in order: packing the first alone would cut it off from its end.
        if (low && !after_unterminated && !unterminated) packed.push_back(&s);
        else plain.push_back(&s);
        after_unterminated = unterminated;
    }
    size_t packed_bytes = 0;
    for (const collected_string* s : packed) packed_bytes += s->bytes.size();
    if ((packed_bytes + 1) / 2 < static_cast<size_t>(ctx.proc.string_pack_threshold)) {
        std::vector<const collected_string*> all;
        for (const collected_string& s : ctx.strings) all.push_back(&s);
        write_plain_strings(ctx, all);
        return;
    }
    if (!plain.empty()) write_plain_strings(ctx, plain);
    emit_direct(ctx, "\n; Packed strings\nglobal\tuses_packed_strings\n\n");
    emit(ctx, "packed_strings\n");
    std::vector<uint8_t> area;
    for (const collected_string* s : packed) {
        emit(ctx, "%s\tequ\t(((packed_strings<<1)+0x%04lX)|0x4000)\n", s->label.c_str(),
             static_cast<unsigned long>(area.size()));
        area.insert(area.end(), s->bytes.begin(), s->bytes.end());
    }
    for (size_t i = 0; i + 1 < area.size(); i += 2)
        emit(ctx, "\tdw\t0x%04X%s%s\n", (area[i] << 7) | area[i + 1], byte_comment(area[i], true).c_str(),
             byte_comment(area[i + 1], false).c_str());
    if (area.size() % 2) {
        uint8_t b = area.back();
        emit(ctx, "\tdw\t0x%02X00%s\n", b, byte_comment(b, true).c_str());
    }
    emit(ctx, "\n");
}

// A pointer to a function is the address of its lookup entry: the retlw before it gives the
// address of the function's argument area (for callers that store arguments through the
// pointer), and the entry restores the first argument, which the caller left in btemp, to W
// before jumping to the function. External functions' entries are overlaid across modules.
void write_function_pointer_lookups(cg_context& ctx) {
    if (ctx.fn_pointer_targets.empty()) return;
    emit_direct(ctx, "\n;function pointer lookups\n");
    const char* cls = flag(ctx, MF_PIC12) ? "ENTRY" : "CONST";
    for (const symbol* f : ctx.fn_pointer_targets) {
        std::string name = asm_name(f);
        if (f->sclass == storage::external)
            emit_direct(ctx, sformat("psect fpp_%s,ovrld,global,class=%s,delta=2\n", name.c_str(), cls));
        else
            emit_direct(ctx, sformat("psect fpp_%s,local,class=%s,delta=2\n", name.c_str(), cls));
        ctx.psects.written = ctx.psects.requested = PS_NONE;
        emit(ctx, "fpl_%s\n", name.c_str());
        if (f->param_number > 0) {
            // A static function's area is local to the module, as its exit code declares it.
            // A function whose arguments all travel in W has no area to name.
            const auto& none = ctx.fn_without_area;
            if (std::find(none.begin(), none.end(), f) != none.end()) {
                emit(ctx, "\tretlw\t0\n");
            } else {
                if (f->sclass == storage::external) emit(ctx, "\tglobal\t?%s\n", name.c_str());
                emit(ctx, "\tretlw\t?%s\n", name.c_str());
            }
            emit(ctx, "\tmovf\tbtemp,w\n");
            ctx.btemp_used = std::max(ctx.btemp_used, 1);
        }
        emit(ctx, "\tljmp\t%s\n", name.c_str());
    }
}

}  // namespace

void write_end(cg_context& ctx) {
    write_collected_strings(ctx);
    write_function_pointer_lookups(ctx);
    if (ctx.btemp_used) {
        emit_direct(ctx, "\tpsect\ttemp,ovrld,class=BANK0,space=1\n");
        emit(ctx, "btemp\n\tds\t%d\n", ctx.btemp_used);
        for (int i = ctx.btemp_used - 1; i >= 0; --i) emit(ctx, "\tglobal\tused_btemp%d\n", i);
    }
    if (ctx.xtemp_used) {
        emit_direct(ctx, "\tpsect\txtemp,ovrld,class=BANK0,space=1\n");
        emit(ctx, "xbtemp\n\tds\t%d\n", ctx.xtemp_used);
        for (int i = 11 + ctx.xtemp_used; i >= 12; --i) emit(ctx, "\tglobal\tused_btemp%d\n", i);
    }
    if (ctx.struct_return) {
        emit_direct(ctx, "\tpsect\tstruct,ovrld,class=BANK0,space=1\n");
        emit(ctx, "structret\n\tds\t%u\n", ctx.struct_return);
    }
    if (ctx.code_ptr_used) emit(ctx, "\tglobal\tused_code_ptr,code_ptr\n");
    if (flag(ctx, MF_PIC17)) {
        psect_request(ctx, PS_CSTRINGS);
        emit(ctx, "\talign\t2\n");
    }
    emit(ctx, "\tend\n");
}

}  // namespace cg
