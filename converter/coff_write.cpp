// The Microchip COFF and generic COFF writers: file layout, sections, processor words and line
// numbers around the symbol table of coff_symtab.
#include <algorithm>
#include <cstring>

#include "common/alert.h"
#include "converter/coff_symtab.h"
#include "converter/formats.h"

namespace conv {

namespace {

constexpr uint32_t MAX_LINES = 0xFFFF;   // the header's line count is 16 bits

bool ends_in_as(const std::string& name) {
    size_t dot = name.rfind('.');
    if (dot == std::string::npos) return false;
    std::string ext = name.substr(dot);
    return ext.size() == 3 && ext[1] != 0 && std::tolower(static_cast<unsigned char>(ext[1])) == 'a' &&
           std::tolower(static_cast<unsigned char>(ext[2])) == 's';
}

bool contains_nocase(const std::string& text, const std::string& part) {
    auto it = std::search(text.begin(), text.end(), part.begin(), part.end(), [](char a, char b) {
        return std::tolower(static_cast<unsigned char>(a)) == std::tolower(static_cast<unsigned char>(b));
    });
    return it != text.end();
}

// The -N list split at its commas; 599 when there is none.
std::vector<std::string> code_classes(const conv_context& ctx) {
    if (ctx.opt.code_class_list.empty()) alert_message(599);
    std::vector<std::string> names;
    const std::string& list = ctx.opt.code_class_list;
    for (size_t start = 0; start <= list.size();) {
        size_t comma = list.find(',', start);
        if (comma == std::string::npos) comma = list.size();
        if (comma > start) names.push_back(list.substr(start, comma - start));
        start = comma + 1;
    }
    return names;
}

// What both writers share: the code classes, the section list and the section of an address.
class coff_layout {
public:
    coff_layout(const conv_context& ctx, std::vector<std::string> code_classes, uint32_t code_unit,
                uint32_t data_unit)
        : md_(ctx.md), code_classes_(std::move(code_classes)), code_unit_(code_unit), data_unit_(data_unit) {}

    bool is_code(const conv_segment& s) const {
        const conv_segment* cls = md_.segment(s.space);
        return cls && std::find(code_classes_.begin(), code_classes_.end(), cls->name) != code_classes_.end();
    }

    // Data sections from the segments that are not code, then one program section per data block.
    void make_sections(bool cut_names) {
        for (size_t i = 0; i < md_.segments.size(); ++i) {
            const conv_segment& s = *md_.segments[i];
            if (is_code(s)) continue;
            uint32_t same = 0;
            for (size_t k = 0; k < i; ++k) same += md_.segments[k]->name == s.name;
            coff_section_header h;
            h.name = same ? s.name + "." + std::to_string(same) : s.name;
            if (cut_names) h.name = h.name.substr(0, 8);
            else if (h.name.size() > 8) strings.store(h.name);
            h.paddr = s.base / data_unit_;
            h.size = s.size;
            h.flags = SECTION_BSS;
            sections.push_back(h);
        }
        data_sections = static_cast<uint32_t>(sections.size());
        for (size_t n = 0; n < md_.data.size(); ++n) {
            coff_section_header h;
            h.name = "_text" + std::to_string(n);
            h.paddr = md_.data[n]->address / code_unit_;
            h.size = md_.data[n]->size();
            h.flags = SECTION_TEXT;
            sections.push_back(h);
        }
    }

    // Program bytes from `offset`, each block where its section says.
    void place_code(uint32_t offset) {
        image.resize(offset);
        for (size_t n = 0; n < md_.data.size(); ++n) {
            sections[data_sections + n].scnptr = static_cast<uint32_t>(image.size());
            image.insert(image.end(), md_.data[n]->bytes.begin(), md_.data[n]->bytes.end());
        }
    }

    // The 1-based program section whose block holds a program address; 0 when none does.
    uint32_t code_section(uint32_t address) const {
        uint64_t at = uint64_t(address) * code_unit_;
        for (size_t n = 0; n < md_.data.size(); ++n) {
            const conv_data& d = *md_.data[n];
            if (d.address <= at && at - d.address < d.size()) return data_sections + static_cast<uint32_t>(n) + 1;
        }
        return 0;
    }

    uint16_t section_of(uint32_t address, uint32_t space) const {
        const conv_segment* cls = md_.segment(space);
        if (cls && is_code(*cls)) {
            uint32_t s = code_section(address);
            return static_cast<uint16_t>(s ? s : space);
        }
        uint32_t k = md_.seg_for_address(address, space, data_unit_);
        uint32_t code = 0;
        for (uint32_t i = 1; i <= k && i <= md_.segments.size(); ++i) code += is_code(*md_.segments[i - 1]);
        return static_cast<uint16_t>(k - code);
    }

    // Each function's line records: those of its source file within its line range.
    void attach_lines(std::vector<coff_function>& functions, bool compare_space) const {
        for (coff_function& f : functions) {
            dbg_sym* scope = f.scope;
            if (!scope->first_line) continue;
            if (!scope->last_line) scope->last_line = scope->first_line;
            for (const auto& file : md_.files) {
                if (file->name != scope->link_name) continue;
                for (const conv_line* l : file->lines) {
                    if (compare_space && l->segment != f.space) continue;
                    if (l->line < 0 || uint32_t(l->line) < scope->first_line || uint32_t(l->line) > scope->last_line)
                        continue;
                    f.lines.push_back(l);
                }
            }
        }
    }

    void write(FILE* out, const std::string& name) const {
        if (!image.empty() && std::fwrite(image.data(), 1, image.size(), out) != image.size())
            alert_message(413, name.c_str());
    }

    std::vector<coff_section_header> sections;
    uint32_t data_sections = 0;
    coff_strings strings;
    std::vector<uint8_t> image;

private:
    const model& md_;
    std::vector<std::string> code_classes_;
    uint32_t code_unit_, data_unit_;
};

void append_symbols(std::vector<uint8_t>& image, const std::vector<coff_record>& entries) {
    for (const coff_record& r : entries) image.insert(image.end(), r.begin(), r.end());
}

// Processor words from -P; false when they cannot be worked out.
bool processor_words(const conv_context& ctx, mcoff_words& w) {
    const std::vector<std::string>& fields = ctx.opt.processor_fields;
    const std::string& chip = ctx.machine.processor_name;
    if (chip.empty()) return false;
    if (!fields.empty() && !fields[0].empty()) {
        char* end = nullptr;
        unsigned long id = std::strtoul(fields[0].c_str(), &end, 16);
        if (end == fields[0].c_str() || !std::isxdigit(static_cast<unsigned char>(fields[0][0]))) return false;
        w.processor = static_cast<uint32_t>(id);
    }
    if (fields.size() > 1 && fields[1].size() > 4 && fields[1].compare(0, 3, "PIC") == 0) {
        int family = std::atoi(fields[1].c_str() + 3);
        if (family == 12 || family == 14 || family == 16) {
            w.rom_width = static_cast<uint32_t>(family);
            w.code_unit = 2;
        } else if (family != 18) {
            return false;
        }
    } else if (chip.size() < 2 || chip[1] != '8') {
        w.rom_width = 0;
        w.code_unit = 2;
    }
    return true;
}

}  // namespace

bool mcoff_write(conv_context& ctx, FILE* out, const std::string& name) {
    std::vector<std::string> classes = code_classes(ctx);
    mcoff_words w;
    if (!processor_words(ctx, w)) {
        alert_message(600);
        return false;
    }
    ctx.order = byte_order::little;
    const byte_order le = byte_order::little;
    coff_layout layout(ctx, std::move(classes), w.code_unit, w.data_unit);
    layout.make_sections(false);
    const uint32_t section_count = static_cast<uint32_t>(layout.sections.size());
    layout.place_code(COFF_HEADER + MCOFF_OPTHDR + COFF_SECTION * section_count);

    coff_symtab_mode mode;
    coff_symtab table(ctx, mode, layout.strings,
                      [&layout](uint32_t address, uint32_t space) { return layout.section_of(address, space); });
    table.walk_modules();
    table.close_file();
    table.labels();
    std::vector<const conv_file*> assembler_files;
    for (const auto& f : ctx.md.files)
        if (ends_in_as(f->name) && !f->lines.empty()) {
            table.assembler_file(*f);
            assembler_files.push_back(f.get());
        }

    layout.attach_lines(table.functions, true);
    const machine_desc* m = ctx.machine.current;
    const uint32_t step = m && m->code_step ? m->code_step : 1;
    for (uint32_t s = layout.data_sections + 1; s <= section_count; ++s) {
        coff_section_header& h = layout.sections[s - 1];
        h.lnnoptr = static_cast<uint32_t>(layout.image.size());
        uint32_t count = 0;
        auto entry = [&](uint32_t srcndx, const conv_line& l, uint32_t address, uint32_t fcnndx) {
            if (count == MAX_LINES) return;
            uint8_t e[MCOFF_LINE] = {};
            put32(e, srcndx, le);
            put16(e + 4, static_cast<uint16_t>(l.line), le);
            put32(e + 6, address, le);
            put32(e + 12, fcnndx, le);
            layout.image.insert(layout.image.end(), e, e + MCOFF_LINE);
            ++count;
        };
        auto record = [&](uint32_t srcndx, const conv_line& l, bool single, uint32_t fcnndx) {
            if (single || l.end_address < l.address) {
                entry(srcndx, l, l.address, fcnndx);
                return;
            }
            for (uint64_t a = l.address; a <= l.end_address && count < MAX_LINES; a += step)
                entry(srcndx, l, static_cast<uint32_t>(a), fcnndx);
        };
        for (const coff_function& f : table.functions) {
            if (f.lines.empty() || !f.placed || layout.code_section(f.address) != s) continue;
            const conv_file* src = ctx.md.file_find(f.scope->link_name.c_str());
            auto found = src ? table.file_index.find(src) : table.file_index.end();
            uint32_t srcndx = found == table.file_index.end() ? 0 : found->second;
            for (size_t i = 0; i < f.lines.size(); ++i)
                record(srcndx, *f.lines[i], i + 1 == f.lines.size(), f.symbol_index);
        }
        for (const conv_file* file : assembler_files)
            for (const conv_line* l : file->lines)
                if (l->address && layout.code_section(l->address) == s)
                    record(table.file_index[file], *l, false, 0);
        h.nlines = static_cast<uint16_t>(count);
        if (!count) h.lnnoptr = 0;
    }

    const uint32_t symptr = static_cast<uint32_t>(layout.image.size());
    append_symbols(layout.image, table.entries);
    layout.strings.append_to(layout.image, le);
    coff_put_header(layout.image.data(), MCOFF_MAGIC, static_cast<uint16_t>(section_count), symptr,
                    static_cast<uint32_t>(table.entries.size()), MCOFF_OPTHDR, 2, le);
    uint8_t* opt = layout.image.data() + COFF_HEADER;
    put16(opt, MCOFF_OPT_MAGIC, le);
    put16(opt + 2, 0, le);
    put32(opt + 4, w.processor, le);
    put32(opt + 8, w.rom_width, le);
    put32(opt + 12, w.ram_width, le);
    for (uint32_t s = 0; s < section_count; ++s)
        coff_put_section(layout.image.data() + COFF_HEADER + MCOFF_OPTHDR + COFF_SECTION * s, layout.sections[s],
                         true, layout.strings, le);
    layout.write(out, name);
    return true;
}

bool coff_write(conv_context& ctx, FILE* out, const std::string& name) {
    std::vector<std::string> classes = code_classes(ctx);
    if (!ctx.coff_machine) {
        const std::string& wanted =
            ctx.opt.processor_fields.empty() ? ctx.machine.processor_name : ctx.opt.processor_fields[0];
        if (wanted.empty()) {
            alert_message(600);
            return false;
        }
        for (uint32_t row = 1; row <= COFF_MACHINES && !ctx.coff_machine; ++row)
            if (contains_nocase(coff_machines[row - 1].name, wanted)) ctx.coff_machine = row;
        if (!ctx.coff_machine) {
            alert_message(601, wanted.c_str());
            return false;
        }
    }
    const coff_machine& row = coff_machines[ctx.coff_machine - 1];
    const byte_order order = row.order;
    ctx.order = order;
    coff_layout layout(ctx, std::move(classes), row.code_unit, row.data_unit);
    layout.make_sections(true);
    const uint32_t section_count = static_cast<uint32_t>(layout.sections.size());
    layout.place_code(COFF_HEADER +
                      COFF_SECTION * static_cast<uint32_t>(ctx.md.segments.size() + section_count));

    coff_symtab_mode mode;
    mode.generic = true;
    mode.pic30 = ctx.coff_machine == COFF_PIC30;
    mode.order = order;
    mode.type_sizes = row.type_sizes;
    mode.pointer_size = row.pointer_size;
    mode.float_size = row.type_sizes[6];
    coff_symtab table(ctx, mode, layout.strings,
                      [&layout](uint32_t address, uint32_t space) { return layout.section_of(address, space); });
    table.walk_modules();
    table.labels();

    layout.attach_lines(table.functions, false);
    if (mode.pic30) {
        // One entry per line, at its lowest address, in address order.
        for (coff_function& f : table.functions) {
            if (f.lines.size() < 2) continue;
            auto by_line = [](const conv_line* a, const conv_line* b) {
                return a->line != b->line ? a->line < b->line : a->address < b->address;
            };
            std::sort(f.lines.begin(), f.lines.end(), by_line);
            f.lines.erase(std::unique(f.lines.begin(), f.lines.end(),
                                      [](const conv_line* a, const conv_line* b) { return a->line == b->line; }),
                          f.lines.end());
            std::sort(f.lines.begin(), f.lines.end(), [](const conv_line* a, const conv_line* b) {
                return a->address != b->address ? a->address < b->address : a->line < b->line;
            });
        }
    }
    for (uint32_t s = layout.data_sections + 1; s <= section_count; ++s) {
        coff_section_header& h = layout.sections[s - 1];
        h.lnnoptr = static_cast<uint32_t>(layout.image.size());
        uint32_t count = 0;
        auto entry = [&](uint32_t address, uint32_t line) {
            if (count == MAX_LINES) return;
            uint8_t e[8] = {};
            put32(e, address, order);
            if (row.line_entry == 6) put16(e + 4, static_cast<uint16_t>(line), order);
            else put32(e + 4, line, order);
            layout.image.insert(layout.image.end(), e, e + row.line_entry);
            ++count;
        };
        for (const coff_function& f : table.functions) {
            if (f.lines.empty() || !f.placed || layout.code_section(f.address) != s) continue;
            entry(f.symbol_index, 0);
            for (const conv_line* l : f.lines) entry(l->address, static_cast<uint32_t>(l->line));
        }
        h.nlines = static_cast<uint16_t>(count);
    }

    const uint32_t symptr = static_cast<uint32_t>(layout.image.size());
    append_symbols(layout.image, table.entries);
    layout.strings.append_to(layout.image, order);
    coff_put_header(layout.image.data(), row.magic, static_cast<uint16_t>(section_count), symptr,
                    static_cast<uint32_t>(table.entries.size()), 0, static_cast<uint16_t>(row.flags | 3), order);
    for (uint32_t s = 0; s < section_count; ++s)
        coff_put_section(layout.image.data() + COFF_HEADER + COFF_SECTION * s, layout.sections[s], false,
                         layout.strings, order);
    layout.write(out, name);
    return true;
}

}  // namespace conv
