// The DWARF 2 sections of an ELF file, each listed by its own printer. Every length, offset and
// count comes from the file, so each is checked against its section before it is used.
#include "converter/dwarf_dump.h"

#include <algorithm>
#include <cctype>
#include <cstring>
#include <ctime>
#include <map>

#include "common/alert.h"
#include "converter/dwarf_names.h"

namespace conv {

namespace {

// A bounded reader over one section; a read past its end clears `ok` and yields 0.
struct cursor {
    const uint8_t* base;
    const uint8_t* p;
    const uint8_t* end;
    byte_order order;
    bool ok = true;

    uint32_t offset() const { return static_cast<uint32_t>(p - base); }
    size_t left() const { return static_cast<size_t>(end - p); }
    bool need(size_t n) {
        if (ok && left() >= n) return true;
        ok = false;
        return false;
    }
    uint32_t u8() { return need(1) ? *p++ : 0; }
    uint32_t u16() {
        if (!need(2)) return 0;
        p += 2;
        return get16(p - 2, order);
    }
    uint32_t u32() {
        if (!need(4)) return 0;
        p += 4;
        return get32(p - 4, order);
    }
    uint32_t uleb() {
        if (!need(1)) return 0;
        return get_uleb128(p, end);
    }
    int32_t sleb() {
        if (!need(1)) return 0;
        return get_sleb128(p, end);
    }
    uint32_t address(uint32_t size) {
        switch (size) {
        case 1: return u8();
        case 2: return u16();
        case 4: return u32();
        }
        alert_message(632, static_cast<unsigned long>(size));
        return 0;
    }
    std::string text() {
        const void* nul = std::memchr(p, 0, left());
        if (!nul) {
            ok = false;
            p = end;
            return {};
        }
        std::string s(reinterpret_cast<const char*>(p));
        p += s.size() + 1;
        return s;
    }
    cursor sub(size_t n) const {
        cursor c = *this;
        c.end = p + std::min(n, left());
        return c;
    }
};

struct abbreviation {
    uint32_t tag = 0, children = 0;
    std::vector<std::pair<uint32_t, uint32_t>> specs;
};

enum row : int { STR, ABBREV, INFO, LINE, FRAME, PUBNAMES, ARANGES, MACINFO, LOC, ROWS };
const char* const section_names[ROWS] = {".debug_str", ".debug_abbrev", ".debug_info", ".debug_line",
                                         ".debug_frame", ".debug_pubnames", ".debug_aranges", ".debug_macinfo",
                                         ".debug_loc"};
const char* const descriptions[ROWS] = {"string table", "abbreviation table", "debug contributions",
                                        "line number information", "call frame information", "name lookup table",
                                        "address range table", "macro information", "location lists"};

class dwarf_printer {
public:
    dwarf_printer(conv_context& ctx, FILE* in) : in_(in), v_(ctx.opt.verbose_level), order_(ctx.order) {}

    void run(const std::vector<elf_section>& sections);

private:
    cursor at(const std::vector<uint8_t>& b) const { return {b.data(), b.data(), b.data() + b.size(), order_}; }
    bool load(int r, std::vector<uint8_t>& out) {
        return found_[r] && elf_load_section(in_, *found_[r], descriptions[r], out);
    }
    void section(int r);
    void print_str(cursor c);
    void print_abbrev(cursor c);
    void print_info(cursor c);
    bool print_entries(cursor& c, uint32_t unit_start, uint32_t address_size, const std::map<uint32_t, abbreviation>& abbrevs);
    void print_value(cursor& c, uint32_t attribute, uint32_t form, uint32_t address_size);
    void print_line(cursor c);
    void print_program(cursor c, uint32_t offset);
    void print_frame(cursor c);
    bool print_cfa(cursor c, uint32_t code_align, int32_t data_align, uint32_t location);
    void print_pubnames(cursor c);
    void print_aranges(cursor c);
    void print_macinfo(cursor c);
    void print_loc(cursor c);
    std::map<uint32_t, abbreviation> abbreviations(uint32_t offset) const;

    FILE* in_;
    uint32_t v_;
    byte_order order_;
    const elf_section* found_[ROWS] = {};
    std::vector<uint8_t> str_, abbrev_;
    std::vector<uint32_t> line_offsets_;
};

void dwarf_printer::run(const std::vector<elf_section>& sections) {
    for (const elf_section& s : sections)
        for (int r = 0; r < ROWS; ++r)
            if (s.name == section_names[r] && !found_[r]) found_[r] = &s;
    if (!found_[INFO]) return;
    std::printf("\n\nDWARF:");
    if (!found_[ABBREV]) {
        std::fflush(stdout);
        alert_message(667);
        return;
    }
    load(STR, str_);
    if (v_ >= 2) section(STR);
    load(ABBREV, abbrev_);
    section(ABBREV);
    section(INFO);
    str_.clear();
    abbrev_.clear();
    if (line_offsets_.empty()) std::printf("\nNo references to line number information");
    else section(LINE);
    for (int r : {FRAME, PUBNAMES, ARANGES, MACINFO, LOC}) section(r);
}

void dwarf_printer::section(int r) {
    std::putchar('\n');
    if (!found_[r]) {
        std::printf("No %s (from %s)\n", descriptions[r], section_names[r]);
        return;
    }
    std::string title = descriptions[r];
    title[0] = static_cast<char>(std::toupper(static_cast<unsigned char>(title[0])));
    std::printf("%s (%s):\n", title.c_str(), section_names[r]);
    std::vector<uint8_t> own;
    const std::vector<uint8_t>* bytes = r == STR ? &str_ : r == ABBREV ? &abbrev_ : &own;
    if (r != STR && r != ABBREV && !load(r, own)) return;
    std::fflush(stdout);
    cursor c = at(*bytes);
    switch (r) {
    case STR: print_str(c); break;
    case ABBREV: print_abbrev(c); break;
    case INFO: print_info(c); break;
    case LINE: print_line(c); break;
    case FRAME: print_frame(c); break;
    case PUBNAMES: print_pubnames(c); break;
    case ARANGES: print_aranges(c); break;
    case MACINFO: print_macinfo(c); break;
    case LOC: print_loc(c); break;
    }
    std::fflush(stdout);
}

void dwarf_printer::print_str(cursor c) {
    while (c.left()) {
        uint32_t offset = c.offset();
        std::string s = c.text();
        std::printf("0x%08lX: \"%s\"\n", static_cast<unsigned long>(offset), s.c_str());
    }
}

void dwarf_printer::print_abbrev(cursor c) {
    while (c.left() && c.ok) {
        uint32_t offset = c.offset();
        uint32_t code = c.uleb();
        if (!code) continue;
        uint32_t tag = c.uleb(), children = c.u8();
        std::printf("\n@ 0x%08lX\n%5.5lu(%c): %s\n", static_cast<unsigned long>(offset), static_cast<unsigned long>(code),
                    children == 1 ? 'Y' : children == 0 ? 'N' : '?', DW_TAG.full(tag).c_str());
        for (;;) {
            uint32_t name = c.uleb(), form = c.uleb();
            if (!c.ok || (!name && !form)) break;
            std::printf("          %-30s %s\n", DW_AT.full(name).c_str(), DW_FORM.full(form).c_str());
        }
    }
}

std::map<uint32_t, abbreviation> dwarf_printer::abbreviations(uint32_t offset) const {
    std::map<uint32_t, abbreviation> out;
    cursor c = at(abbrev_);
    c.p += offset;
    while (c.left() && c.ok) {
        uint32_t code = c.uleb();
        if (!code) break;
        abbreviation a;
        a.tag = c.uleb();
        a.children = c.u8();
        for (;;) {
            uint32_t name = c.uleb(), form = c.uleb();
            if (!c.ok || (!name && !form)) break;
            a.specs.emplace_back(name, form);
        }
        out.emplace(code, std::move(a));
    }
    return out;
}

void dwarf_printer::print_info(cursor c) {
    for (int unit = 1; c.left(); ++unit) {
        uint32_t start = c.offset();
        std::printf("\nCompilation Unit %d @ 0x%08lX\n", unit, static_cast<unsigned long>(start));
        uint32_t length = c.u32();
        if (!c.ok || length < 7 || length > c.left()) return (void)alert_message(659, static_cast<unsigned long>(length));
        cursor u = c.sub(length);
        c.p += length;
        uint32_t version = u.u16(), abbrev_offset = u.u32(), address_size = u.u8();
        std::printf("size=%lu ver=0x%04X abbrev offset=0x%08lX, addrsize=%u\n\n", static_cast<unsigned long>(length),
                    version, static_cast<unsigned long>(abbrev_offset), address_size);
        if (abbrev_offset >= abbrev_.size()) {
            alert_message(660, static_cast<unsigned long>(abbrev_.size()));
            continue;
        }
        if (address_size != 1 && address_size != 2 && address_size != 4) {
            alert_message(661, address_size);
            continue;
        }
        std::fflush(stdout);
        if (print_entries(u, start, address_size, abbreviations(abbrev_offset)) && u.left()) alert_message(662);
    }
}

bool dwarf_printer::print_entries(cursor& c, uint32_t unit_start, uint32_t address_size,
                                  const std::map<uint32_t, abbreviation>& abbrevs) {
    int depth = 0;
    while (c.left()) {
        uint32_t offset = c.offset();
        uint32_t code = c.uleb();
        if (!code) {
            if (v_ >= 4) std::printf("%*s+<NULL ENTRY>\n", 2 * depth, "");
            if (depth > 0 && --depth == 0) break;
            continue;
        }
        auto found = abbrevs.find(code);
        if (found == abbrevs.end()) {
            std::fflush(stdout);
            alert_message(658, static_cast<unsigned long>(code));
            return false;
        }
        const abbreviation& a = found->second;
        std::printf("%*s+%s (%lu) @ 0x%lX (0x%lX)\n", 2 * depth, "", DW_TAG.bare(a.tag).c_str(),
                    static_cast<unsigned long>(code), static_cast<unsigned long>(offset - unit_start),
                    static_cast<unsigned long>(offset));
        for (auto [name, form] : a.specs) {
            std::printf("%*s %s[%s] = ", 2 * depth, "", DW_AT.bare(name).c_str(), DW_FORM.bare(form).c_str());
            print_value(c, name, form, address_size);
            std::putchar('\n');
            if (!c.ok) {
                std::fflush(stdout);
                alert_message(662);
                return false;
            }
        }
        if (a.children == 1) ++depth;
        else if (depth == 0) break;   // the unit's one top entry had no children
    }
    return true;
}

const dwarf_class* value_class(uint32_t attribute) {
    switch (attribute) {
    case 0x13: return &DW_LANG;
    case 0x3E: return &DW_ATE;
    case 0x32: return &DW_ACCESS;
    case 0x17: return &DW_VIS;
    case 0x4C: return &DW_VIRTUALITY;
    case 0x42: return &DW_ID;
    case 0x36: return &DW_CC;
    case 0x20: return &DW_INL;
    case 0x09: return &DW_ORD;
    case 0x16: return &DW_DSC;
    }
    return nullptr;
}

void dwarf_printer::print_value(cursor& c, uint32_t attribute, uint32_t form, uint32_t address_size) {
    char text[96] = "";
    uint32_t raw = 0;
    auto hex = [&](const char* f, uint32_t v) { std::snprintf(text, sizeof text, f, static_cast<unsigned long>(v)); };
    switch (form) {
    case 0x01:
        raw = c.address(address_size);
        hex(address_size == 1 ? "0x%02lX" : address_size == 2 ? "0x%04lX" : "0x%08lX", raw);
        break;
    case 0x0b: case 0x11: hex("0x%02lX", raw = c.u8()); break;
    case 0x05: case 0x12: hex("0x%04lX", raw = c.u16()); break;
    case 0x06: case 0x13: hex("0x%08lX", raw = c.u32()); break;
    case 0x07: case 0x14: {
        uint32_t first = c.u32(), second = c.u32();
        uint32_t low = order_ == byte_order::little ? first : second, high = order_ == byte_order::little ? second : first;
        std::snprintf(text, sizeof text, "0x%08lX%08lX", static_cast<unsigned long>(high), static_cast<unsigned long>(low));
        raw = low;
        break;
    }
    case 0x0a: case 0x03: case 0x04: case 0x09: {
        uint32_t n = form == 0x0a ? c.u8() : form == 0x03 ? c.u16() : form == 0x04 ? c.u32() : c.uleb();
        hex(form == 0x0a ? "0x%02lX" : form == 0x04 ? "0x%08lX" : "0x%04lX", n);
        if (c.need(n)) c.p += n;
        break;
    }
    case 0x08: std::printf("\"%s\"", c.text().c_str()); return;
    case 0x0e: {
        uint32_t offset = c.u32();
        if (offset < str_.size())
            std::printf("\"%.*s\"", int(strnlen(reinterpret_cast<const char*>(&str_[offset]), str_.size() - offset)),
                        reinterpret_cast<const char*>(&str_[offset]));
        else
            std::printf("?? Invalid string table offset: 0x%08lX", static_cast<unsigned long>(offset));
        return;
    }
    case 0x0c: std::fputs(c.u8() ? "true" : "false", stdout); return;
    case 0x0d: std::snprintf(text, sizeof text, "%ld", static_cast<long>(int32_t(raw = uint32_t(c.sleb())))); break;
    case 0x0f: std::snprintf(text, sizeof text, "%lu", static_cast<unsigned long>(raw = c.uleb())); break;
    case 0x15: hex("0x%08lX", raw = c.uleb()); break;
    case 0x10: hex("0x%08lX", raw = c.u32()); break;
    case 0x16: {
        uint32_t real = c.uleb();
        std::printf("%s: ", DW_FORM.bare(real).c_str());
        if (real == 0x16) {
            c.ok = false;   // an indirect form naming itself would never end
            return;
        }
        print_value(c, attribute, real, address_size);
        return;
    }
    default:
        std::printf("?? Unknown form 0x%lX", static_cast<unsigned long>(form));
        c.ok = false;   // its size is unknown, so nothing after it can be read
        return;
    }
    if (attribute == 0x10 && c.ok) line_offsets_.push_back(raw);
    if (const dwarf_class* k = value_class(attribute)) std::printf("%s (%s)", k->bare(raw).c_str(), text);
    else std::fputs(text, stdout);
}

// ---- .debug_line ----

std::string time_text(uint32_t t) {
    std::time_t when = static_cast<std::time_t>(t);
    char text[64] = "";
    if (const char* s = std::ctime(&when)) std::snprintf(text, sizeof text, "%s", s);
    if (char* nl = std::strchr(text, '\n')) *nl = 0;
    return text;
}

void dwarf_printer::print_line(cursor c) {
    std::sort(line_offsets_.begin(), line_offsets_.end());
    line_offsets_.erase(std::unique(line_offsets_.begin(), line_offsets_.end()), line_offsets_.end());
    for (size_t i = 0; i < line_offsets_.size(); ++i) {
        uint32_t offset = line_offsets_[i];
        std::printf("\nGroup %u @ 0x%08lX\n\n", unsigned(i + 1), static_cast<unsigned long>(offset));
        if (offset >= c.left()) {
            alert_message(648, static_cast<unsigned long>(offset));
            continue;
        }
        cursor g = c;
        g.p += offset;
        print_program(g, offset);
    }
}

void dwarf_printer::print_program(cursor c, uint32_t) {
    uint32_t length = c.u32();
    if (length > c.left()) return (void)alert_message(649, static_cast<unsigned long>(length));
    if (length < 14) return (void)alert_message(644, static_cast<unsigned long>(length));
    cursor u = c.sub(length);
    uint32_t version = u.u16(), prolog = u.u32();
    const uint8_t* program = u.p + prolog;
    uint32_t min_len = u.u8(), def_stmt = u.u8();
    int32_t line_base = static_cast<int8_t>(u.u8());
    uint32_t line_range = u.u8(), opcode_base = u.u8();
    std::printf("size=%lu ver=%u prolog=%u\n", static_cast<unsigned long>(length), version, prolog);
    std::printf("min_len=%u def_stmt=%s line_base=%d line_range=%u opcode_base=%u\n", min_len,
                def_stmt ? "true" : "false", line_base, line_range, opcode_base);
    static const uint32_t standard[8] = {0, 1, 1, 1, 1, 0, 0, 0};
    std::vector<uint32_t> lengths(opcode_base ? opcode_base : 1, 0);
    std::fputs("opcode lengths:", stdout);
    for (uint32_t i = 1; i < opcode_base; ++i) {
        lengths[i] = u.u8();
        std::printf(" %u", lengths[i]);
        if (i <= 8 && lengths[i] != standard[i - 1]) std::fputs("(?)", stdout);
    }
    if (!u.ok) return (void)alert_message(645);
    std::vector<std::string> files{""};
    std::fputs("\nIncludes:\n", stdout);
    int n = 0;
    for (;;) {
        std::string dir = u.text();
        if (!u.ok || dir.empty()) break;
        std::printf("%5d.  \"%s\"\n", ++n, dir.c_str());
    }
    if (!n) std::puts("        None");
    std::fputs("Files:\n", stdout);
    n = 0;
    for (;;) {
        std::string name = u.text();
        if (!u.ok || name.empty()) break;
        uint32_t dir = u.uleb(), time = u.uleb(), size = u.uleb();
        std::printf("%5d.  \"%s\"\n           dir: %5lu, time: %s (0x%08lX), %lu %s\n", ++n, name.c_str(),
                    static_cast<unsigned long>(dir), time_text(time).c_str(), static_cast<unsigned long>(time),
                    static_cast<unsigned long>(size), size == 1 ? "byte" : "bytes");
    }
    if (!n) std::puts("        None");
    if (!u.ok) return (void)alert_message(646);
    if (u.p != program) alert_message(647, int(u.p - (c.p + 6)), int(prolog));
    if (program < u.p || program > u.end) return;
    u.p = program;

    struct state {
        uint32_t address = 0, file = 1;
        int32_t line = 1, column = 0;
        bool is_stmt, basic_block = false;
    };
    std::vector<state> matrix;
    state s{0, 1, 1, 0, def_stmt != 0, false};
    int sequence = 1;
    bool started = false;
    auto row = [&] {
        matrix.push_back(s);
        s.basic_block = false;
    };
    while (u.left() && u.ok) {
        if (!started && v_ >= 2) std::printf("\n\nStatement program sequence %d\n\n", sequence);
        started = true;
        uint32_t at = u.offset();
        uint32_t op = u.u8();
        if (v_ >= 2) std::printf("%5.5u:  ", at);
        if (op >= opcode_base) {
            uint32_t adjusted = op - opcode_base;
            int32_t dline = line_range ? line_base + int32_t(adjusted % line_range) : 0;
            uint32_t daddr = line_range ? (adjusted / line_range) * min_len : 0;
            if (v_ >= 2) std::printf("SPECIAL(line=%ld, addr=%ld)\n", long(dline), long(daddr));
            if (line_range) {
                s.address += daddr;
                s.line += dline;
                row();
            }
            continue;
        }
        if (op == 0) {
            uint32_t len = u.uleb();
            if (!len) {
                alert_message(640);
                return;
            }
            if (len > u.left()) return (void)alert_message(642);
            cursor e = u.sub(len);
            u.p += len;
            uint32_t sub = e.u8();
            if (v_ >= 2) std::printf("%-24s", DW_LNE.full(sub).c_str());
            switch (sub) {
            case 1:
                row();
                if (v_ >= 2) std::putchar('\n');
                std::printf("\nGenerated line number matrix:\n\nstmt    address   file        line        column      "
                            "is_stmt      basic_block\n");
                for (size_t i = 0; i < matrix.size(); ++i)
                    std::printf("%5.5lu:  %08lX  %-10lu  %-10ld  %-10ld  %-5s        %-5s\n",
                                static_cast<unsigned long>(i), static_cast<unsigned long>(matrix[i].address),
                                static_cast<unsigned long>(matrix[i].file), long(matrix[i].line),
                                long(matrix[i].column), matrix[i].is_stmt ? "true" : "false",
                                matrix[i].basic_block ? "true" : "false");
                matrix.clear();
                s = state{0, 1, 1, 0, def_stmt != 0, false};
                ++sequence;
                started = false;
                break;
            case 2:
                if (len - 1 != 1 && len - 1 != 2 && len - 1 != 4) {
                    alert_message(641, static_cast<unsigned long>(len - 1));
                    return;
                }
                s.address = e.address(len - 1);
                if (v_ >= 2) std::printf(": 0x%08lX\n", static_cast<unsigned long>(s.address));
                break;
            case 3: {
                std::string name = e.text();
                uint32_t dir = e.uleb(), time = e.uleb(), size = e.uleb();
                if (!e.ok) return (void)alert_message(642);
                if (v_ >= 2)
                    std::printf(": \"%s\" dir: %5lu, time: %s (0x%08lX), %lu %s\n", name.c_str(),
                                static_cast<unsigned long>(dir), time_text(time).c_str(),
                                static_cast<unsigned long>(time), static_cast<unsigned long>(size),
                                size == 1 ? "byte" : "bytes");
                break;
            }
            default:
                alert_message(643, unsigned(sub));
                return;
            }
            continue;
        }
        if (v_ >= 2) std::printf("%-24s", DW_LNS.full(op).c_str());
        switch (op) {
        case 1: row(); break;
        case 2: {
            uint32_t d = u.uleb() * min_len;
            s.address += d;
            if (v_ >= 2) std::printf(": 0x%08lX", static_cast<unsigned long>(d));
            break;
        }
        case 3: {
            int32_t d = u.sleb();
            s.line += d;
            if (v_ >= 2) std::printf(": %ld", long(d));
            break;
        }
        case 4:
        case 5: {
            uint32_t value = u.uleb();
            if (op == 4) s.file = value;
            else s.column = int32_t(value);
            if (v_ >= 2) std::printf(": %lu", static_cast<unsigned long>(value));
            break;
        }
        case 6: s.is_stmt = !s.is_stmt; break;
        case 7: s.basic_block = true; break;
        case 8: s.address += line_range ? ((255 - opcode_base) / line_range) * min_len : 0; break;
        case 9: {
            uint32_t d = u.u16();
            s.address += d;
            if (v_ >= 2) std::printf(": 0x%08lX", static_cast<unsigned long>(d));
            break;
        }
        default:
            for (uint32_t i = 0; i < lengths[op]; ++i) u.uleb();
            if (v_ >= 2) std::printf(": %lu args", static_cast<unsigned long>(lengths[op]));
        }
        if (v_ >= 2) std::putchar('\n');
    }
}

// ---- .debug_frame ----

bool dwarf_printer::print_cfa(cursor c, uint32_t code_align, int32_t data_align, uint32_t location) {
    while (c.left()) {
        uint32_t op = c.u8();
        uint32_t high = op & 0xC0, low = op & 0x3F;
        std::fputs("        ", stdout);
        auto advance = [&](uint32_t delta) {
            location += delta * code_align;
            std::printf("(%lu, loc -> 0x%08lX)", static_cast<unsigned long>(delta * code_align),
                        static_cast<unsigned long>(location));
        };
        if (high) {
            std::fputs(DW_CFA.full(high).c_str(), stdout);
            if (high == 0x40) advance(low);
            else if (high == 0x80)
                std::printf("(r%lu, %ld)", static_cast<unsigned long>(low), long(int32_t(c.uleb()) * data_align));
            else std::printf("(r%lu)", static_cast<unsigned long>(low));
        } else {
            if (op > 0x0e) {
                std::putchar('\n');
                std::fflush(stdout);
                alert_message(650, static_cast<unsigned long>(op));
                return false;
            }
            std::fputs(DW_CFA.full(op).c_str(), stdout);
            switch (op) {
            case 0x01:
                location = c.u32();
                std::printf("(0x%08lX", static_cast<unsigned long>(location));
                std::putchar(')');
                break;
            case 0x02: advance(c.u8()); break;
            case 0x03: advance(c.u16()); break;
            case 0x04: advance(c.u32()); break;
            case 0x05: {
                uint32_t reg = c.uleb();
                std::printf("(r%lu, %ld)", static_cast<unsigned long>(reg), long(int32_t(c.uleb()) * data_align));
                break;
            }
            case 0x06: case 0x07: case 0x08: case 0x0d:
                std::printf("(r%lu)", static_cast<unsigned long>(c.uleb()));
                break;
            case 0x09: {
                uint32_t a = c.uleb(), b = c.uleb();
                std::printf("(r%lu, r%lu)", static_cast<unsigned long>(a), static_cast<unsigned long>(b));
                break;
            }
            case 0x0c: {
                uint32_t reg = c.uleb(), offset = c.uleb();
                std::printf("(r%lu, %ld)", static_cast<unsigned long>(reg), long(offset));
                break;
            }
            case 0x0e: std::printf("(%ld)", long(c.uleb())); break;
            }
        }
        std::putchar('\n');
        if (!c.ok) return false;
    }
    return true;
}

void dwarf_printer::print_frame(cursor c) {
    struct cie {
        uint32_t code_align;
        int32_t data_align;
    };
    std::map<uint32_t, cie> cies;
    while (c.left()) {
        uint32_t start = c.offset();
        uint32_t length = c.u32();
        if (!c.ok || length > c.left()) return (void)alert_message(657);
        cursor e = c.sub(length);
        c.p += length;
        uint32_t id = e.u32();
        if (id == 0xFFFFFFFF) {
            std::printf("\nCommon Information Entry @ 0x%08lX\n", static_cast<unsigned long>(start));
            if (length < 6) return (void)alert_message(651);
            uint32_t version = e.u8();
            std::string augmentation = e.text();
            std::printf("size=%lu ver=%u\nAugmentation: ", static_cast<unsigned long>(length), version);
            if (!augmentation.empty()) {
                std::printf("\"%s\" (unknown)\n", augmentation.c_str());
                return;
            }
            uint32_t code_align = e.uleb();
            int32_t data_align = e.sleb();
            uint32_t return_column = e.u8();
            std::printf("None\ncode align=%lu, data align=%ld, return col=%d\n", static_cast<unsigned long>(code_align),
                        long(data_align), int(return_column));
            if (!e.ok) return (void)alert_message(652);
            cies[start] = {code_align, data_align};
            if (!print_cfa(e, code_align, data_align, 0)) return (void)alert_message(652);
            continue;
        }
        std::printf("\nFrame Description Entry @ 0x%08lX\n", static_cast<unsigned long>(start));
        if (length < 8) return (void)alert_message(653);
        if (id >= static_cast<size_t>(c.end - c.base)) return (void)alert_message(654);
        auto found = cies.find(id);
        if (found == cies.end()) {
            cursor p = c;
            p.p = p.base + id;
            p.u32();
            return (void)alert_message(655, static_cast<unsigned long>(p.u32()));
        }
        uint32_t low = e.u32(), range = e.u32();
        std::printf("size=%lu CIE_pointer=0x%08lX location range=0x%08lX..0x%08lX\n", static_cast<unsigned long>(length),
                    static_cast<unsigned long>(id), static_cast<unsigned long>(low),
                    static_cast<unsigned long>(low + range));
        if (!e.ok || !print_cfa(e, found->second.code_align, found->second.data_align, low)) return (void)alert_message(656);
    }
}

// ---- name, range, macro and location tables ----

void dwarf_printer::print_pubnames(cursor c) {
    for (int set = 1; c.left(); ++set) {
        uint32_t start = c.offset();
        uint32_t length = c.u32();
        std::printf("\nSet %d @ 0x%08lX\n", set, static_cast<unsigned long>(start));
        if (!c.ok || length < 10 || length > c.left()) return (void)alert_message(663);
        cursor s = c.sub(length);
        c.p += length;
        uint32_t version = s.u16(), offset = s.u32(), size = s.u32();
        std::printf("size=%lu, ver=%u, offs=0x%08lX, debug size=%lu\n", static_cast<unsigned long>(length), version,
                    static_cast<unsigned long>(offset), static_cast<unsigned long>(size));
        for (;;) {
            uint32_t entry = s.u32();
            if (!s.ok || !entry) break;
            std::string name = s.text();
            if (!s.ok) break;
            std::printf("  0x%08lX: \"%s\"\n", static_cast<unsigned long>(entry), name.c_str());
        }
        if (!s.ok) alert_message(663);
    }
}

void dwarf_printer::print_aranges(cursor c) {
    for (int set = 1; c.left(); ++set) {
        uint32_t start = c.offset();
        uint32_t length = c.u32();
        std::printf("\nSet %d @ 0x%08lX\n", set, static_cast<unsigned long>(start));
        if (!c.ok || length < 10 || length > c.left()) return (void)alert_message(664);
        cursor s = c.sub(length);
        c.p += length;
        uint32_t version = s.u16(), offset = s.u32(), address_size = s.u8(), segment_size = s.u8();
        std::printf("size=%lu, ver=%u, offs=0x%08lX addrsize=%u, segsize=%u%s\n", static_cast<unsigned long>(length),
                    version, static_cast<unsigned long>(offset), address_size, segment_size,
                    segment_size ? "" : " (flat)");
        // Tuples start at a multiple of twice the address size from the set's start.
        uint32_t tuple = 2 * address_size;
        if (tuple) {
            uint32_t used = s.offset() - start;
            uint32_t pad = (tuple - used % tuple) % tuple;
            if (s.need(pad)) s.p += pad;
        }
        while (s.left() && s.ok) {
            uint32_t from = s.address(address_size), size = s.address(address_size);
            if (!s.ok || (!from && !size)) break;
            std::printf("  0x%08lX..0x%08lX\n", static_cast<unsigned long>(from), static_cast<unsigned long>(from + size));
        }
    }
}

void dwarf_printer::print_macinfo(cursor c) {
    int set = 1;
    bool open = false;
    while (c.left() && c.ok) {
        if (!open) std::printf("\nSet %d @ 0x%08lX\n", set++, static_cast<unsigned long>(c.offset()));
        open = true;
        uint32_t type = c.u8();
        if (!type) {
            open = false;
            continue;
        }
        std::printf("  %s", DW_MACINFO.full(type).c_str());
        if (type == 3) {
            uint32_t line = c.uleb(), file = c.uleb();
            std::printf("(%ld, %ld)", long(line), long(file));
        } else if (type == 1 || type == 2 || type == 255) {
            uint32_t line = c.uleb();
            std::string s = c.text();
            std::printf("(%ld, \"%s\")", long(line), s.c_str());
        }
        std::putchar('\n');
    }
}

void dwarf_printer::print_loc(cursor c) {
    int set = 1;
    bool open = false;
    while (c.left() && c.ok) {
        if (!open) std::printf("\nSet %d @ 0x%08lX\n", set++, static_cast<unsigned long>(c.offset()));
        open = true;
        uint32_t from = c.u32(), to = c.u32();
        if (!c.ok) return;
        if (!from && !to) {
            open = false;
            continue;
        }
        uint32_t size = c.u16();
        std::printf("range=0x%08lX..0x%08lX size=%u\n", static_cast<unsigned long>(from), static_cast<unsigned long>(to),
                    size);
        if (!c.need(size)) return (void)alert_message(665);
        cursor e = c.sub(size);
        c.p += size;
        while (e.left()) {
            uint32_t op = e.u8();
            std::printf("        %s", dwarf_op_name(op).c_str());
            switch (op) {
            case 0x03: std::printf("(0x%08lX)", static_cast<unsigned long>(e.u32())); break;
            case 0x08: case 0x15: case 0x94: case 0x95: std::printf("(%u)", e.u8()); break;
            case 0x09: std::printf("(%d)", int(int8_t(e.u8()))); break;
            case 0x0a: std::printf("(%u)", e.u16()); break;
            case 0x0b: case 0x2f: case 0x28: std::printf("(%d)", int(int16_t(e.u16()))); break;
            case 0x0c: std::printf("(%lu)", static_cast<unsigned long>(e.u32())); break;
            case 0x0d: std::printf("(%ld)", long(int32_t(e.u32()))); break;
            case 0x0e: case 0x0f: {
                uint32_t a = e.u32(), b = e.u32();
                bool little = order_ == byte_order::little;
                std::printf("(0x%08lX%08lX)", static_cast<unsigned long>(little ? b : a),
                            static_cast<unsigned long>(little ? a : b));
                break;
            }
            case 0x10: case 0x23: case 0x90: case 0x93: std::printf("(%lu)", static_cast<unsigned long>(e.uleb())); break;
            case 0x11: case 0x91: std::printf("(%ld)", long(e.sleb())); break;
            case 0x92: {
                uint32_t reg = e.uleb();
                std::printf("(%lu, %ld)", static_cast<unsigned long>(reg), long(e.sleb()));
                break;
            }
            default:
                if (op >= 0x70 && op <= 0x8F) std::printf("(%ld)", long(e.sleb()));
            }
            std::putchar('\n');
            if (!e.ok) {
                std::fflush(stdout);
                alert_message(665);
                break;
            }
        }
    }
}

}  // namespace

void dwarf_dump(conv_context& ctx, FILE* in, const std::vector<elf_section>& sections) {
    dwarf_printer(ctx, in).run(sections);
}

}  // namespace conv
