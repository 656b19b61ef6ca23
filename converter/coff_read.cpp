// Probe, read and dump of COFF and Microchip COFF files. The file is read whole; every offset,
// index and count it holds is checked against what was read.
#include <cstring>
#include <ctime>

#include "common/alert.h"
#include "converter/formats.h"

namespace conv {

namespace {

constexpr uint32_t MAX_SECTIONS = 1000;
constexpr uint32_t PIECE = 16384;

uint32_t machine_of_magic(uint16_t high_first) {
    for (uint32_t row = 1; row <= COFF_MACHINES; ++row) {
        const coff_machine& m = coff_machines[row - 1];
        uint16_t as_stored = m.order == byte_order::big ? m.magic : static_cast<uint16_t>((m.magic >> 8) | (m.magic << 8));
        if (as_stored == high_first) return row;
    }
    return 0;
}

bool probe_header(FILE* in, uint8_t* header) { return std::fread(header, 1, COFF_HEADER, in) == COFF_HEADER; }

bool plausible(const uint8_t* header, byte_order order) {
    return get16(header + 2, order) <= MAX_SECTIONS && int32_t(get32(header + 8, order)) >= 0 &&
           int32_t(get32(header + 12, order)) >= 0;
}

struct coff_section {
    std::string name;
    uint32_t paddr, size, scnptr, lnnoptr, flags;
    uint16_t nlines;
};

// One reading of a file: its parts, found and checked in the order that reading needs them.
class coff_file {
public:
    coff_file(conv_context& ctx, std::vector<uint8_t> bytes, bool microchip)
        : ctx_(ctx), bytes_(std::move(bytes)), mc_(microchip) {
        order_ = mc_ ? byte_order::little : byte_order::big;
        if (!mc_ && bytes_.size() >= 2) {
            machine_ = machine_of_magic(static_cast<uint16_t>(bytes_[0] << 8 | bytes_[1]));
            if (machine_) order_ = coff_machines[machine_ - 1].order;
        }
    }

    bool header() {
        if (!have(0, COFF_HEADER)) return short_read("COFF header");
        magic = get16(at(0), order_);
        nsections = get16(at(2), order_);
        dated = get32(at(4), order_);
        symptr = get32(at(8), order_);
        nsyms = get32(at(12), order_);
        opthdr = get16(at(16), order_);
        flags = get16(at(18), order_);
        if (!mc_ && machine_) {
            code_unit = coff_machines[machine_ - 1].code_unit;
            data_unit = coff_machines[machine_ - 1].data_unit;
            type_sizes = coff_machines[machine_ - 1].type_sizes;
            pointer_size = coff_machines[machine_ - 1].pointer_size;
        }
        return true;
    }

    // The Microchip optional header's processor words; false after a short read.
    bool microchip_words(const char* what) {
        if (!have(COFF_HEADER, MCOFF_OPTHDR)) return short_read(what);
        const uint8_t* p = at(COFF_HEADER);
        opt_magic = get16(p, order_);
        opt_version = get16(p + 2, order_);
        mcoff_words& w = ctx_.mcoff;
        w.processor = get32(p + 4, order_);
        w.rom_width = get32(p + 8, order_);
        w.ram_width = get32(p + 12, order_);
        if (!w.rom_width || !w.ram_width) alert_message(639);
        w.code_unit = w.rom_width ? (w.rom_width + 7) / 8 : 1;
        w.data_unit = w.ram_width ? (w.ram_width + 7) / 8 : 1;
        code_unit = w.code_unit;
        data_unit = w.data_unit;
        type_sizes = mcoff_type_sizes;
        pointer_size = 2;
        return true;
    }

    bool strings() {
        uint64_t start = uint64_t(symptr) + uint64_t(COFF_ENTRY) * nsyms;
        if (!have(start, 4)) return short_read("COFF string table size");
        uint32_t length = get32(at(start), order_);
        if (length < 4) {
            alert_message(1038);
            return false;
        }
        if (!have(start, length)) return short_read("COFF string table");
        string_table.assign(at(start), at(start) + length);
        string_offset = static_cast<uint32_t>(start);
        return true;
    }

    bool section_headers() {
        uint64_t start = uint64_t(COFF_HEADER) + opthdr;
        if (!have(start, uint64_t(COFF_SECTION) * nsections)) return short_read("COFF section header");
        for (uint32_t i = 0; i < nsections; ++i) {
            const uint8_t* p = at(start + uint64_t(COFF_SECTION) * i);
            coff_section s;
            s.name = mc_ ? name_of(p) : std::string(reinterpret_cast<const char*>(p), strnlen8(p));
            s.paddr = get32(p + 8, order_);
            s.size = get32(p + 16, order_);
            s.scnptr = get32(p + 20, order_);
            s.lnnoptr = get32(p + 28, order_);
            s.nlines = get16(p + 34, order_);
            s.flags = get32(p + 36, order_);
            sections.push_back(s);
        }
        return true;
    }

    // Program-memory sections count in code units, every other section in data units.
    uint32_t unit_of(const coff_section& s) const { return s.flags & (0x20 | 0x100) ? code_unit : data_unit; }

    bool symbol_exists(uint32_t index) const { return index < nsyms && have(entry_offset(index), COFF_ENTRY); }
    const uint8_t* entry(uint32_t index) const { return at(entry_offset(index)); }

    // A name field of a symbol entry or a Microchip section header.
    std::string name_of(const uint8_t* field) const {
        if (get32(field, order_) != 0) return std::string(reinterpret_cast<const char*>(field), strnlen8(field));
        std::string text;
        if (!coff_string_at(string_table, get32(field + 4, order_), text)) text.clear();
        return text;
    }

    // The file name of a ".file" auxiliary entry.
    std::string file_name_of(const uint8_t* aux) const {
        std::string text;
        if (mc_) {
            coff_string_at(string_table, get32(aux, order_), text);
        } else if (get32(aux, order_) == 0) {
            coff_string_at(string_table, get32(aux + 4, order_), text);
        } else {
            text.assign(reinterpret_cast<const char*>(aux), strnlen(reinterpret_cast<const char*>(aux), 14));
        }
        return text;
    }

    bool have(uint64_t offset, uint64_t count) const { return offset <= bytes_.size() && count <= bytes_.size() - offset; }
    const uint8_t* at(uint64_t offset) const { return bytes_.data() + offset; }
    bool short_read(const char* what) const {
        alert_message(1037, what);
        return false;
    }
    byte_order order() const { return order_; }
    bool microchip() const { return mc_; }
    uint32_t machine() const { return machine_; }

    uint16_t magic = 0, nsections = 0, opthdr = 0, flags = 0, opt_magic = 0, opt_version = 0;
    uint32_t dated = 0, symptr = 0, nsyms = 0;
    uint32_t code_unit = 1, data_unit = 1, pointer_size = 2, string_offset = 0;
    const uint8_t* type_sizes = mcoff_type_sizes;
    std::vector<uint8_t> string_table;
    std::vector<coff_section> sections;

private:
    static size_t strnlen8(const uint8_t* p) { return strnlen(reinterpret_cast<const char*>(p), 8); }
    uint64_t entry_offset(uint32_t index) const { return uint64_t(symptr) + uint64_t(COFF_ENTRY) * index; }

    conv_context& ctx_;
    std::vector<uint8_t> bytes_;
    bool mc_;
    byte_order order_;
    uint32_t machine_ = 0;
};

bool known_class(int32_t cls, bool mc) {
    if (cls == 0 || cls == 1 || cls == 8 || (cls >= 10 && cls <= 13) || (cls >= 15 && cls <= 19) ||
        (cls >= 100 && cls <= 102))
        return true;
    return mc && cls >= 107 && cls <= 109;
}

void read_file(conv_context& ctx, FILE* in, bool mc) {
    coff_file f(ctx, read_all(in), mc);
    if (!f.header()) return;
    if (mc) {
        if (f.opthdr == MCOFF_OPTHDR) {
            if (!f.microchip_words("Microchip optional header")) return;
        } else {
            alert_message(1043);
        }
    }
    if (!f.strings() || !f.section_headers()) return;
    model& md = ctx.md;
    for (size_t i = 0; i < f.sections.size(); ++i) {
        const coff_section& s = f.sections[i];
        md.seg_add(s.name, s.paddr * f.unit_of(s), s.size, static_cast<uint32_t>(i));
    }
    for (size_t i = 0; i < f.sections.size(); ++i) {
        const coff_section& s = f.sections[i];
        if ((s.flags & SECTION_BSS) || !s.size) continue;
        if (!f.have(s.scnptr, s.size)) {
            f.short_read("COFF data");
            return;
        }
        for (uint32_t done = 0; done < s.size; done += PIECE) {
            uint32_t n = std::min(PIECE, s.size - done);
            md.data_add(s.paddr * f.unit_of(s) + done, f.at(uint64_t(s.scnptr) + done), n, static_cast<uint32_t>(i + 1));
        }
    }

    // Symbols; the file current at each entry serves the line numbers that name the entry.
    std::vector<uint32_t> file_at(f.nsyms, 0);
    uint32_t current = 0;
    for (uint32_t i = 0; i < f.nsyms; ++i) {
        if (!f.symbol_exists(i)) {
            f.short_read("COFF symbol table");
            return;
        }
        const uint8_t* e = f.entry(i);
        uint32_t numaux = e[17];
        int32_t cls = mc ? int32_t(e[16]) : int32_t(int8_t(e[16]));
        std::string name = f.name_of(e);
        if (cls == 2 || cls == 3 || cls == 6) {
            int16_t section = static_cast<int16_t>(get16(e + 12, f.order()));
            md.sym_add(name, get32(e + 8, f.order()), section < 0 ? 0 : uint32_t(section), current, 0);
        } else if (cls == 103) {
            std::string file = numaux && f.symbol_exists(i + 1) ? f.file_name_of(f.entry(i + 1)) : name;
            current = md.file_add(file.empty() ? name : file);
        } else if (!known_class(cls, mc)) {
            alert_message(633, cls);
        }
        file_at[i] = current;
        for (uint32_t k = 0; k < numaux && i + 1 < f.nsyms; ++k) file_at[++i] = current;
    }

    auto file_of = [&](uint32_t index) { return index < file_at.size() ? file_at[index] : 0; };
    const uint32_t width = mc ? MCOFF_LINE : f.machine() ? coff_machines[f.machine() - 1].line_entry : 6;
    for (const coff_section& s : f.sections) {
        if (!s.nlines) continue;
        if (!f.have(s.lnnoptr, uint64_t(width) * s.nlines)) {
            f.short_read("COFF line number");
            return;
        }
        current = 0;
        for (uint32_t k = 0; k < s.nlines; ++k) {
            const uint8_t* p = f.at(uint64_t(s.lnnoptr) + uint64_t(width) * k);
            if (mc) {
                uint32_t srcndx = get32(p, f.order());
                uint32_t paddr = get32(p + 6, f.order());
                if (srcndx) md.line_add(get16(p + 4, f.order()), paddr, 0, file_of(srcndx), 0);
                else current = file_of(paddr);
            } else {
                uint32_t line = width == 6 ? get16(p + 4, f.order()) : get32(p + 4, f.order());
                uint32_t first = get32(p, f.order());
                if (line) md.line_add(static_cast<int32_t>(line), first, 0, current, 0);
                else current = file_of(first);
            }
        }
    }
}

std::string ctime_text(uint32_t stamp) {
    std::time_t t = static_cast<std::time_t>(stamp);
    const char* text = std::ctime(&t);
    return text ? text : "?\n";
}

// The text of a type word, with the dimensions and function fields of its auxiliary entry.
std::string type_text(uint32_t word, const uint8_t* aux, byte_order order) {
    std::string text;
    char buffer[64];
    uint32_t dimension = 0;
    for (uint32_t shift = 4; shift < 16; shift += 2) {
        uint32_t d = (word >> shift) & 3;
        if (d == 1) {
            text += "pointer to ";
        } else if (d == 2) {
            text += "function ";
            if (aux) {
                std::snprintf(buffer, sizeof buffer, "[lineptr %X, endndx %d] ", get32(aux + 8, order),
                              int32_t(get32(aux + 12, order)));
                text += buffer;
            }
            text += "returning ";
        } else if (d == 3) {
            text += "array ";
            uint32_t n = aux && dimension < 4 ? get16(aux + 8 + 2 * dimension, order) : 0;
            ++dimension;
            if (n) {
                std::snprintf(buffer, sizeof buffer, "[%u] of ", n);
                text += buffer;
            } else {
                text += "[] of ";
            }
        }
    }
    return text + coff_base_type_names[word & 15];
}

bool dump_file(conv_context& ctx, FILE* in, bool mc) {
    coff_file f(ctx, read_all(in), mc);
    if (!f.header()) return false;
    const uint32_t verbose = ctx.opt.verbose_level;
    std::printf("COFF header:\n\tMagic:\t\t0x%X", f.magic);
    if (!mc && f.machine()) std::printf(" (%s)", coff_machines[f.machine() - 1].name);
    std::printf("\n\tSections:\t%u\n\tDated:\t\t%s\tSymptr:\t\t0x%X\n\tNsyms:\t\t%d\n\tOpthdr:\t\t%u\n\tFlags:\t\t0x%X",
                f.nsections, ctime_text(f.dated).c_str(), f.symptr, int32_t(f.nsyms), f.opthdr, f.flags);
    for (uint32_t bit = 0; bit < 13; ++bit)
        if (f.flags & (1u << bit)) std::printf(" %s", coff_header_flag_names[bit]);
    std::printf("\n\n");

    if (mc) {
        if (f.opthdr != MCOFF_OPTHDR) {
            alert_message(1036, "optional", MCOFF_OPTHDR);
        } else {
            if (!f.microchip_words("optional header")) return false;
            std::printf("Optional header:\n\tMagic:\t\t0x%X", f.opt_magic);
            if (f.opt_magic >= 5000 && f.opt_magic <= 5999) std::printf(" (BRYLLEX Software)");
            std::printf("\n\tVersion:\t0x%X\n\tProcessor:\t0x%X\n\tROM width:\t%u\n\tRAM width:\t%u\n", f.opt_version,
                        ctx.mcoff.processor, ctx.mcoff.rom_width, ctx.mcoff.ram_width);
            if (f.opt_version) alert_message(638, 0);
        }
    } else if (f.opthdr && f.machine() == COFF_PIC30) {
        if (f.opthdr != 28) {
            alert_message(1036, "AOUT", 28);
        } else if (!f.have(COFF_HEADER, 28)) {
            return f.short_read("AOUT optional header");
        } else {
            const uint8_t* p = f.at(COFF_HEADER);
            byte_order o = f.order();
            std::printf("AOUT optional header:\n\tMagic:\t\t0x%X", get16(p, o));
            std::printf("\n\tVersion:\t0x%X\n\tText size:\t0x%X\n\tInit. data:\t0x%X\n\tUninit. data:\t0x%X\n"
                        "\tEntry point:\t0x%X\n\tText base:\t0x%X\n\tData base:\t0x%X\n\n",
                        get16(p + 2, o), get32(p + 4, o), get32(p + 8, o), get32(p + 12, o), get32(p + 16, o),
                        get32(p + 20, o), get32(p + 24, o));
        }
    }

    if (!f.strings() || !f.section_headers()) return false;
    for (size_t i = 0; i < f.sections.size(); ++i) {
        const coff_section& s = f.sections[i];
        std::printf("Section %d: %s: @%X", int(i), s.name.c_str(), s.paddr);
        if (verbose > 1) std::printf(" scnptr 0x%X relptr 0x%X lnnoptr 0x%X", s.scnptr, get32(f.at(COFF_HEADER + f.opthdr + COFF_SECTION * i + 24), f.order()), s.lnnoptr);
        std::printf(" size 0x%X lines %u relocs %u flags 0x%X", s.size, s.nlines,
                    get16(f.at(COFF_HEADER + f.opthdr + COFF_SECTION * i + 32), f.order()), s.flags);
        if (verbose > 1) {
            bool first = true;
            for (uint32_t bit = mc ? 16 : 7; bit >= 1; --bit)
                if (s.flags & (1u << bit)) {
                    std::printf(first ? " ( %s" : ", %s", coff_section_flag_names[bit]);
                    first = false;
                }
            if (!first) std::printf(" )");
        }
        std::printf("\n");
    }
    std::printf("\nString table: %d bytes, file offset 0x%X\n", int32_t(f.string_table.size()), f.string_offset);
    if (verbose > 1)
        for (uint32_t offset = 4; offset < f.string_table.size();) {
            std::string text;
            coff_string_at(f.string_table, offset, text);
            std::printf("%5d:\t%s\n", int(offset), text.c_str());
            offset += static_cast<uint32_t>(text.size()) + 1;
        }

    auto entry_name = [&](uint32_t index) {
        return f.symbol_exists(index) ? f.name_of(f.entry(index)) : std::string("??");
    };
    auto section_name = [&](int16_t n) -> std::string {
        if (n == -1) return "undef";
        if (n < 1 || n > int(f.sections.size())) return "(abs)";
        return f.sections[n - 1].name;
    };
    if (verbose >= 1) {
        std::printf("Symbol table:\n");
        for (uint32_t i = 0; i < f.nsyms; ++i) {
            if (!f.symbol_exists(i)) return f.short_read("COFF symbol table");
            const uint8_t* e = f.entry(i);
            byte_order o = f.order();
            uint32_t numaux = e[17];
            if (uint64_t(i) + numaux >= f.nsyms || !f.symbol_exists(i + numaux)) {
                alert_message(1039);
                return false;
            }
            const uint8_t* aux = numaux ? f.entry(i + 1) : nullptr;
            uint32_t cls = e[16];
            uint32_t type = get16(e + 14, o);
            uint32_t value = get32(e + 8, o);
            int16_t section = static_cast<int16_t>(get16(e + 12, o));
            std::string name = f.name_of(e);
            uint32_t base = type & 15;
            bool array = ((type >> 4) & 3) == 3;
            uint32_t size = base >= 8 && base <= 10 ? 0 : f.type_sizes[base];
            uint32_t count = 1;
            if ((array || (base >= 8 && base <= 10)) && aux) size = get16(aux + 6, o);
            if (array) {
                uint32_t element = ((type >> 6) & 3) == 1 ? f.pointer_size : f.type_sizes[base];
                count = element ? size / element : 1;
            }
            const char* cname = coff_class_name(cls);
            char unknown[32];
            if (!cname) {
                std::snprintf(unknown, sizeof unknown, "??Unknown (%u)", cls);
                cname = unknown;
            }
            std::printf("%5u:\t%24.24s %u %u[%u]\t", i, cname, numaux, size, count);
            std::string text = type_text(type, aux, o);
            switch (cls) {
            case 0: std::printf("%s", name.c_str()); break;
            case 1: case 4: case 8: case 9: case 11: case 13: case 16: case 17: case 19:
                std::printf("%s = %X: %s", name.c_str(), value, text.c_str());
                break;
            case 2: case 3: case 6: case 127:
                std::printf("%s = %X: %s %s", name.c_str(), value, section_name(section).c_str(), text.c_str());
                break;
            case 10: case 12: case 15: case 102:
                std::printf("%s", name.c_str());
                if (aux) std::printf(": tag %u, size %u, index %u", get32(aux, o), get16(aux + 6, o), get32(aux + 12, o));
                break;
            case 18:
                std::printf("%s = %X", name.c_str(), value);
                if (aux) std::printf(": size %u", get16(aux + 6, o));
                break;
            case 100: case 101:
                std::printf("%s = %X: %s", name.c_str(), value, section_name(section).c_str());
                if (aux) std::printf(": line %u, index %u", get16(aux + 4, o), get32(aux + 12, o));
                break;
            case 103:
                if (aux && mc) std::printf("%s [%u]", f.file_name_of(aux).c_str(), get32(aux, o));
                else if (aux) std::printf("%s", f.file_name_of(aux).c_str());
                break;
            case 107:
                if (mc) std::printf("%s", name.c_str());
                break;
            case 108:
                if (mc) std::printf("%s: %X", name == ".list" ? "ON" : name == ".nolist" ? "OFF" : name.c_str(), value);
                break;
            case 109:
                if (mc) {
                    std::printf("%s = %X", name.c_str(), value);
                    if (aux) std::printf(": size %X, relocs %d, lines %d", get32(aux, o), get16(aux + 4, o), get16(aux + 6, o));
                }
                break;
            default: break;
            }
            std::printf("\n");
            i += numaux;
        }

        const uint32_t width = mc ? MCOFF_LINE : f.machine() ? coff_machines[f.machine() - 1].line_entry : 6;
        for (size_t n = 0; n < f.sections.size(); ++n) {
            const coff_section& s = f.sections[n];
            if (!s.nlines) continue;
            std::printf("Section %d line numbers: %u, file offset 0x%X\n", int(n), s.nlines, s.lnnoptr);
            if (!f.have(s.lnnoptr, uint64_t(width) * s.nlines)) return f.short_read("COFF line number");
            for (uint32_t k = 0; k < s.nlines; ++k) {
                const uint8_t* p = f.at(uint64_t(s.lnnoptr) + uint64_t(width) * k);
                byte_order o = f.order();
                if (mc) {
                    uint32_t srcndx = get32(p, o), paddr = get32(p + 6, o);
                    if (srcndx)
                        std::printf("%5.5d:\tsrcndx: %u, paddr: 0x%X, flags 0x%X, fcnndx: %u\n", get16(p + 4, o), srcndx,
                                    paddr, get16(p + 10, o), get32(p + 12, o));
                    else
                        std::printf("Symbol: %s (%u)\n", entry_name(paddr).c_str(), paddr);
                } else {
                    uint32_t first = get32(p, o);
                    uint32_t line = width == 6 ? get16(p + 4, o) : get32(p + 4, o);
                    if (line) std::printf("%5.5d:\t%X\n", int32_t(line), first);
                    else std::printf("Symbol: %s (%u)\n", entry_name(first).c_str(), first);
                }
            }
        }
    }
    return true;
}

}  // namespace

bool coff_probe(conv_context& ctx, FILE* in) {
    uint8_t header[COFF_HEADER];
    if (!probe_header(in, header)) return false;
    uint32_t row = machine_of_magic(static_cast<uint16_t>(header[0] << 8 | header[1]));
    if (!row || !plausible(header, coff_machines[row - 1].order)) return false;
    ctx.order = coff_machines[row - 1].order;
    ctx.coff_machine = row;
    return true;
}

bool mcoff_probe(conv_context& ctx, FILE* in) {
    uint8_t header[COFF_HEADER];
    if (!probe_header(in, header)) return false;
    if (header[0] != 0x34 || header[1] != 0x12 || !plausible(header, byte_order::little)) return false;
    ctx.order = byte_order::little;
    return true;
}

void coff_read(conv_context& ctx, FILE* in, const std::string&) { read_file(ctx, in, false); }
void mcoff_read(conv_context& ctx, FILE* in, const std::string&) { read_file(ctx, in, true); }
bool coff_dump(conv_context& ctx, FILE* in) { return dump_file(ctx, in, false); }
bool mcoff_dump(conv_context& ctx, FILE* in) { return dump_file(ctx, in, true); }

}  // namespace conv
