// ICOFF: sections of the model's segments with the program bytes that fall in them, line
// records, and one file entry plus its symbols per source file, names in a sorted string table.
#include <algorithm>
#include <cstring>
#include <ctime>
#include <map>

#include "common/alert.h"
#include "converter/formats.h"

namespace conv {

namespace {

constexpr uint16_t ICOFF_MAGIC = 0x181;
constexpr uint32_t ICOFF_LINE = 6, PIECE = 16384, MAX_DUMP_FILES = 8192;
constexpr uint8_t I_GLOBAL = 1, I_LOCAL = 2, I_FILE = 55, I_FUNCTION_TYPE = 28;
constexpr byte_order BE = byte_order::big;

const char* icoff_class_name(uint32_t cls) {
    static const std::map<uint32_t, const char*> names = {
        {1, "global symbol "}, {2, "non-global symbol "}, {3, "label "}, {4, "physical end of function "},
        {5, "function entry point "}, {6, "function exit point "}, {7, "block begin "}, {8, "block end "},
        {9, "section size symbol "}, {20, "simple type "}, {21, "subrange type "}, {22, "enumeration type "},
        {23, "array of . . . "}, {24, "pointer to . . . "}, {25, "tag type "}, {26, "set of "}, {27, "type of "},
        {28, "function or procedure "}, {29, "record type "}, {30, "union type "}, {31, "C array type "},
        {50, "local variable "}, {51, "parameter "}, {52, "record member "}, {53, "bit field "},
        {54, "enumeration literal "}, {55, "file name "},
    };
    auto found = names.find(cls);
    return found == names.end() ? "??Unknown" : found->second;
}

std::string type_text(uint32_t type) {
    static const char* const bases[10] = {"char", "uchar", "signed_8", "signed_16", "signed_32",
                                          "unsigned_8", "unsigned_16", "unsigned_32", "float", "double"};
    std::string text;
    uint32_t b = type & 15;
    if (b >= 1 && b <= 10) text = bases[b - 1];
    else if (b > 10) text = "??type";
    if (type & 0x10) text += " register ";
    if (type & 0x20) text += " VAR parameter ";
    if (type & 0x40) text += " ALIAS parameter ";
    return text;
}

bool contains_text(const std::string& name) {
    std::string lower = name;
    for (char& c : lower) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return lower.find("text") != std::string::npos;
}

struct icoff_parts {
    std::vector<uint8_t> bytes;
    uint16_t nsections = 0, opthdr = 0, flags = 0;
    uint32_t dated = 0, symptr = 0, nsyms = 0;
    std::vector<uint8_t> strings;   // from the symbol table's end to the end of the file

    bool have(uint64_t at, uint64_t n) const { return at <= bytes.size() && n <= bytes.size() - at; }
    const uint8_t* at(uint64_t offset) const { return bytes.data() + offset; }
    const uint8_t* section(uint32_t i) const { return at(COFF_HEADER + opthdr + uint64_t(COFF_SECTION) * i); }
    const uint8_t* entry(uint32_t i) const { return at(symptr + uint64_t(COFF_ENTRY) * i); }
    bool name_at(uint32_t offset, std::string& out) const {
        if (offset >= strings.size()) return false;
        const uint8_t* p = strings.data() + offset;
        out.assign(reinterpret_cast<const char*>(p), strnlen(reinterpret_cast<const char*>(p), strings.size() - offset));
        return true;
    }
};

// Header, section headers and string table; false after 1037.
bool icoff_load(FILE* in, icoff_parts& f) {
    f.bytes = read_all(in);
    if (!f.have(0, COFF_HEADER)) return alert_message(1037, "COFF header"), false;
    f.nsections = get16(f.at(2), BE);
    f.dated = get32(f.at(4), BE);
    f.symptr = get32(f.at(8), BE);
    f.nsyms = get32(f.at(12), BE);
    f.opthdr = get16(f.at(16), BE);
    f.flags = get16(f.at(18), BE);
    if (!f.have(COFF_HEADER + f.opthdr, uint64_t(COFF_SECTION) * f.nsections))
        return alert_message(1037, "COFF section header"), false;
    uint64_t strings = f.symptr + uint64_t(COFF_ENTRY) * f.nsyms;
    if (!f.have(strings, 0)) return alert_message(1037, "COFF string table"), false;
    f.strings.assign(f.bytes.begin() + static_cast<std::ptrdiff_t>(strings), f.bytes.end());
    return true;
}

std::string section_name(const uint8_t* p) {
    return std::string(reinterpret_cast<const char*>(p), strnlen(reinterpret_cast<const char*>(p), 8));
}

}  // namespace

bool icoff_probe(conv_context& ctx, FILE* in) {
    uint8_t h[COFF_HEADER];
    if (std::fread(h, 1, COFF_HEADER, in) != COFF_HEADER) return false;
    if (get16(h, BE) != ICOFF_MAGIC || get16(h + 2, BE) > 1000 || int32_t(get32(h + 8, BE)) < 0 ||
        int32_t(get32(h + 12, BE)) < 0)
        return false;
    ctx.order = BE;
    ctx.icoff_machine = true;
    return true;
}

bool icoff_write(conv_context& ctx, FILE* out, const std::string& name) {
    ctx.icoff_machine = true;
    ctx.order = BE;
    const model& md = ctx.md;
    const uint32_t nseg = static_cast<uint32_t>(md.segments.size());
    std::vector<coff_section_header> headers(nseg);
    std::vector<uint8_t> image(COFF_HEADER + COFF_SECTION * nseg);
    for (uint32_t n = 0; n < nseg; ++n) {
        const conv_segment& s = *md.segments[n];
        coff_section_header& h = headers[n];
        h.name = s.name.substr(0, 8);
        h.paddr = h.vaddr = s.base;
        h.size = s.size;
        h.scnptr = static_cast<uint32_t>(image.size());
        // Every block that overlaps the segment gives the part inside it: merged blocks may span two.
        uint64_t end = h.scnptr;
        for (const auto& d : md.data) {
            uint64_t lo = std::max<uint64_t>(d->address, s.base);
            uint64_t hi = std::min<uint64_t>(uint64_t(d->address) + d->size(), uint64_t(s.base) + s.size);
            if (lo >= hi) continue;
            uint64_t at = h.scnptr + (lo - s.base);
            if (image.size() < at + (hi - lo)) image.resize(at + (hi - lo));
            std::memcpy(&image[at], &d->bytes[lo - d->address], hi - lo);
            end = std::max(end, at + (hi - lo));
        }
        if (end > h.scnptr) {
            image.resize(std::max<uint64_t>(image.size(), uint64_t(h.scnptr) + s.size));
            h.flags = contains_text(s.name) ? 0x4020 : 0x4040;
        } else {
            h.flags = 0x4080;
        }
    }

    // Symbol-table positions of the files that have symbols.
    std::vector<uint32_t> position(md.files.size(), 0);
    uint32_t entries = 0;
    for (size_t i = 0; i < md.files.size(); ++i)
        if (!md.files[i]->symbols.empty()) {
            position[i] = entries;
            entries += static_cast<uint32_t>(md.files[i]->symbols.size()) + 1;
        }

    for (uint32_t n = 0; n < nseg; ++n) {
        coff_section_header& h = headers[n];
        h.lnnoptr = static_cast<uint32_t>(image.size());
        uint32_t count = 0;
        auto entry = [&](uint32_t first, uint32_t line) {
            if (count == 0xFFFF) return;
            uint8_t e[ICOFF_LINE];
            put32(e, first, BE);
            put16(e + 4, static_cast<uint16_t>(line), BE);
            image.insert(image.end(), e, e + ICOFF_LINE);
            ++count;
        };
        const conv_file* last = nullptr;
        for (size_t i = 0; i < md.files.size(); ++i)
            for (const conv_line* l : md.files[i]->lines) {
                if (l->segment != n + 1) continue;
                if (last != md.files[i].get()) entry(position[i], 0);
                last = md.files[i].get();
                entry(l->address, static_cast<uint32_t>(l->line));
            }
        h.nlines = static_cast<uint16_t>(count);
    }

    std::vector<std::string> names;
    for (const auto& f : md.files) {
        names.push_back(f->name);
        for (const conv_symbol* s : f->symbols) names.push_back(s->name);
    }
    std::sort(names.begin(), names.end());
    names.erase(std::unique(names.begin(), names.end()), names.end());
    std::vector<uint32_t> offsets;
    uint32_t next = 1;
    for (const std::string& n : names) {
        offsets.push_back(next);
        next += static_cast<uint32_t>(n.size()) + 1;
    }
    auto string_of = [&](const std::string& n) {
        auto it = std::lower_bound(names.begin(), names.end(), n);
        if (it == names.end() || *it != n) alert_message(626);
        return offsets[static_cast<size_t>(it - names.begin())];
    };

    const uint32_t symptr = static_cast<uint32_t>(image.size());
    uint32_t nsyms = 0;
    auto symbol = [&](const std::string& n, uint32_t value, uint16_t section, uint8_t cls, uint8_t flag) {
        coff_record r{};
        put32(&r[0], string_of(n), BE);
        put32(&r[4], value, BE);
        put16(&r[12], section, BE);
        r[16] = cls;
        r[17] = flag;
        image.insert(image.end(), r.begin(), r.end());
        ++nsyms;
    };
    for (const auto& f : md.files) {
        if (f->symbols.empty()) continue;
        symbol(f->name, 0, 0, I_FILE, 0);
        for (const conv_symbol* s : f->symbols)
            symbol(s->name, s->value, s->flags & SYM_NO_SEGMENT ? 0xFFFF : static_cast<uint16_t>(s->segment),
                   s->flags & SYM_LOCAL ? I_LOCAL : I_GLOBAL, s->flags & SYM_FUNCTION ? I_FUNCTION_TYPE : 0);
    }
    image.push_back(0);
    for (const std::string& n : names) image.insert(image.end(), n.c_str(), n.c_str() + n.size() + 1);

    coff_strings unused;
    coff_put_header(image.data(), ICOFF_MAGIC, static_cast<uint16_t>(nseg), symptr, nsyms, 0, 0x1003, BE);
    for (uint32_t n = 0; n < nseg; ++n)
        coff_put_section(&image[COFF_HEADER + COFF_SECTION * n], headers[n], false, unused, BE);
    if (std::fwrite(image.data(), 1, image.size(), out) != image.size()) alert_message(413, name.c_str());
    return true;
}

void icoff_read(conv_context& ctx, FILE* in, const std::string&) {
    icoff_parts f;
    if (!icoff_load(in, f)) return;
    model& md = ctx.md;
    for (uint32_t i = 0; i < f.nsections; ++i) {
        const uint8_t* p = f.section(i);
        md.seg_add(section_name(p), get32(p + 8, BE), get32(p + 16, BE), i);
    }
    std::vector<uint32_t> file_at(f.nsyms, 0);
    uint32_t current = 0;
    for (uint32_t i = 0; i < f.nsyms; ++i) {
        if (!f.have(f.symptr + uint64_t(COFF_ENTRY) * i, COFF_ENTRY)) return (void)alert_message(1037, "COFF symbol table");
        const uint8_t* e = f.entry(i);
        std::string n;
        if (!f.name_at(get32(e, BE), n)) return (void)alert_message(1037, "COFF string table");
        uint32_t cls = e[16];
        if (cls >= 1 && cls <= 3) md.sym_add(n, get32(e + 4, BE), get16(e + 12, BE), current, 0);
        else if (cls == I_FILE) current = md.file_add(n);
        else if (!((cls >= 4 && cls <= 9) || (cls >= 20 && cls <= 31) || (cls >= 50 && cls <= 54)))
            alert_message(633, int(cls));
        file_at[i] = current;
    }
    for (uint32_t i = 0; i < f.nsections; ++i) {
        const uint8_t* p = f.section(i);
        uint32_t lnnoptr = get32(p + 28, BE), nlines = get16(p + 34, BE);
        if (!f.have(lnnoptr, uint64_t(ICOFF_LINE) * nlines)) return (void)alert_message(1037, "COFF line number");
        uint32_t file = 0;
        for (uint32_t k = 0; k < nlines; ++k) {
            const uint8_t* l = f.at(lnnoptr + uint64_t(ICOFF_LINE) * k);
            uint32_t first = get32(l, BE), line = get16(l + 4, BE);
            if (line) md.line_add(static_cast<int32_t>(line), first, 0, file, 0);
            else file = first < file_at.size() ? file_at[first] : 0;
        }
    }
    for (uint32_t i = 0; i < f.nsections; ++i) {
        const uint8_t* p = f.section(i);
        uint32_t base = get32(p + 8, BE), size = get32(p + 16, BE), scnptr = get32(p + 20, BE);
        if ((get32(p + 36, BE) & SECTION_BSS) || !size) continue;
        if (!f.have(scnptr, size)) return (void)alert_message(1037, "COFF data");
        for (uint32_t done = 0; done < size; done += PIECE)
            md.data_add(base + done, f.at(uint64_t(scnptr) + done), std::min(PIECE, size - done), i + 1);
    }
}

bool icoff_dump(conv_context& ctx, FILE* in) {
    icoff_parts f;
    if (!icoff_load(in, f)) return false;
    std::time_t t = f.dated;
    const char* when = std::ctime(&t);
    std::printf("COFF header:\n\tMagic:\t0%o\n\tSections:\t%u\n\tDated:\t%s\tSymptr:\t%X\n\tNsyms:\t%d\n\tOpthdr:\t%u\n\tFlags:\t0x%X",
                get16(f.at(0), BE), f.nsections, when ? when : "?\n", f.symptr, int32_t(f.nsyms), f.opthdr, f.flags);
    for (uint32_t bit = 0; bit < 13; ++bit)
        if (f.flags & (1u << bit)) std::printf(" %s", coff_header_flag_names[bit]);
    std::printf("\n");
    std::vector<std::string> sections;
    for (uint32_t i = 0; i < f.nsections; ++i) {
        const uint8_t* p = f.section(i);
        sections.push_back(section_name(p));
        std::printf("Section %d: %s: @%X size %X lines %u flags %X\n", int(i), sections.back().c_str(),
                    get32(p + 8, BE), get32(p + 16, BE), get16(p + 34, BE), get32(p + 36, BE));
    }
    std::printf("String table: %d bytes\n", int32_t(f.strings.size()));
    if (ctx.opt.verbose_level)
        for (uint32_t offset = 1; offset < f.strings.size();) {
            std::string n;
            f.name_at(offset, n);
            std::printf("%5d:\t%s\n", int(offset), n.c_str());
            offset += static_cast<uint32_t>(n.size()) + 1;
        }
    std::vector<std::string> files;
    for (uint32_t i = 0; i < f.nsyms; ++i) {
        if (!f.have(f.symptr + uint64_t(COFF_ENTRY) * i, COFF_ENTRY)) return alert_message(1037, "COFF symbol table"), false;
        const uint8_t* e = f.entry(i);
        uint32_t offset = get32(e, BE), value = get32(e + 4, BE), cls = e[16];
        std::string n;
        if (!f.name_at(offset, n)) return alert_message(1037, "COFF string table"), false;
        uint16_t section = get16(e + 12, BE);
        std::string where = section >= 1 && section <= sections.size() ? sections[section - 1] : "(abs)";
        std::printf("%5u: %5u:\t%20.20s\t", i, offset, icoff_class_name(cls));
        if (cls >= 1 && cls <= 3) std::printf("%s = %X:%s %s\n", n.c_str(), value, where.c_str(), type_text(e[17]).c_str());
        else if ((cls >= 4 && cls <= 8) || cls == 50 || cls == 51) std::printf("%s = %X:%s\n", n.c_str(), value, type_text(e[17]).c_str());
        else if (cls == 9) std::printf("%s, value=%X, section=%d\n", n.c_str(), value, int(section));
        else if (cls == 20) std::printf("%s %s\n", n.c_str(), type_text(e[17]).c_str());
        else if (cls == I_FILE) {
            if (files.size() >= MAX_DUMP_FILES) alert_message(625);
            files.push_back(n);
            std::printf("%s\n", n.c_str());
        } else std::printf("\n");
    }
    for (uint32_t i = 0; i < f.nsections; ++i) {
        const uint8_t* p = f.section(i);
        uint32_t lnnoptr = get32(p + 28, BE), nlines = get16(p + 34, BE);
        if (!nlines) continue;
        std::printf("Section %d line numbers:\n", int(i));
        if (!f.have(lnnoptr, uint64_t(ICOFF_LINE) * nlines)) return alert_message(1037, "COFF line number"), false;
        for (uint32_t k = 0; k < nlines; ++k) {
            const uint8_t* l = f.at(lnnoptr + uint64_t(ICOFF_LINE) * k);
            uint32_t first = get32(l, BE), line = get16(l + 4, BE);
            if (line) std::printf("%5.5u:\t%X\n", line, first);
            else std::printf("File entry: %u\n", first);
        }
    }
    return true;
}

}  // namespace conv
