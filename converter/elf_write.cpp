// ELF32 executables from the model: one section and one loadable segment per model segment,
// a symbol table and the section-name table.
#include <algorithm>
#include <cstring>

#include "common/alert.h"
#include "converter/elf.h"
#include "converter/formats.h"

namespace conv {

namespace {

constexpr uint32_t EHDR = 52, SHDR = 40, PHDR = 32, SYM = 16;
constexpr uint32_t SHT_PROGBITS = 1, SHT_SYMTAB = 2, SHT_STRTAB = 3, SHT_NOBITS = 8;
constexpr uint32_t PT_LOAD = 1;

struct section_header {
    uint32_t name = 0, type = 0, flags = 0, address = 0, offset = 0, size = 0, link = 0, info = 0, align = 0,
             entry_size = 0;
};

struct program_header {
    uint32_t type = 0, offset = 0, vaddr = 0, paddr = 0, filesz = 0, memsz = 0, flags = 0, align = 0;
};

struct string_table {
    std::vector<uint8_t> bytes{0};
    uint32_t add(const std::string& s) {
        uint32_t at = static_cast<uint32_t>(bytes.size());
        bytes.insert(bytes.end(), s.begin(), s.end());
        bytes.push_back(0);
        return at;
    }
};

// The file image, built in memory and written once.
struct image {
    std::vector<uint8_t> bytes;
    byte_order order;
    uint32_t size() const { return static_cast<uint32_t>(bytes.size()); }
    void append(const std::vector<uint8_t>& b) { bytes.insert(bytes.end(), b.begin(), b.end()); }
    void word16(uint32_t v) {
        bytes.resize(bytes.size() + 2);
        put16(&bytes[bytes.size() - 2], static_cast<uint16_t>(v), order);
    }
    void word32(uint32_t v) {
        bytes.resize(bytes.size() + 4);
        put32(&bytes[bytes.size() - 4], v, order);
    }
};

const elf_machine machines[] = {
    {"AT&T WE 32100", 1}, {"SUN SPARC", 2}, {"Intel 80386", 3}, {"Motorola m68k family", 4},
    {"Motorola m88k family", 5}, {"Intel 80486", 6}, {"Intel 80860", 7}, {"MIPS R3000 big-endian", 8},
    {"Amdahl", 9}, {"MIPS R4000 big-endian", 10}, {"RS6000", 11}, {"HPPA", 15}, {"nCUBE", 16},
    {"Fujitsu VPP500", 17}, {"Sun's \"v8plus\"", 18}, {"Intel 80960", 19}, {"PowerPC", 20},
    {"NEC V800 series", 36}, {"Fujitsu FR20", 37}, {"TRW RH32", 38}, {"Fujitsu MMA", 39}, {"ARM", 40},
    {"Digital Alpha", 41}, {"Hitachi SH", 42}, {"SPARC v9 64-bit", 43}, {"Siemens Tricore", 44},
    {"Argonaut RISC Core", 45}, {"Hitachi H8/300", 46}, {"Hitachi H8/300H", 47}, {"Hitachi H8S", 48},
    {"Hitachi H8/500", 49}, {"Intel Merced", 50}, {"Stanford MIPS-X", 51}, {"Motorola Coldfire", 52},
    {"Motorola M68HC12", 53}, {"Motorola M68HC05", 19717}, {"DEC Alpha", 36902},
};

}  // namespace

const elf_machine* elf_machines(size_t& count) {
    count = sizeof machines / sizeof machines[0];
    return machines;
}

uint32_t elf_machine_of(const std::string& processor) {
    for (const elf_machine& m : machines)
        if (std::strstr(m.description, processor.c_str())) return m.value;
    return 0;
}

bool elf_write(conv_context& ctx, FILE* out, const std::string& name) {
    const model& md = ctx.md;
    image img{std::vector<uint8_t>(EHDR, 0), ctx.order};
    string_table shstr, strtab;
    std::vector<section_header> sections(1);
    std::vector<program_header> programs;

    for (size_t i = 0; i < md.segments.size(); ++i) {
        const conv_segment& seg = *md.segments[i];
        uint32_t number = static_cast<uint32_t>(i + 1);
        uint32_t start = img.size();
        uint64_t seg_end = uint64_t(seg.base) + seg.size;
        // Blocks are clipped to the segment, so one merged across two segments fills both.
        uint64_t written_end = seg.base;
        bool any = false;
        std::vector<uint8_t> stretch(seg.size, 0);
        for (const auto& d : md.data) {
            if (d->segment != number && d->segment != 0) continue;
            uint64_t from = std::max<uint64_t>(d->address, seg.base);
            uint64_t to = std::min<uint64_t>(uint64_t(d->address) + d->size(), seg_end);
            if (!d->size() || from >= to) continue;
            std::memcpy(&stretch[from - seg.base], &d->bytes[from - d->address], to - from);
            written_end = std::max(written_end, to);
            any = true;
        }
        section_header sh;
        sh.name = shstr.add(seg.name);
        sh.type = any ? SHT_PROGBITS : SHT_NOBITS;
        sh.flags = any ? 6 : 3;
        sh.address = seg.base;
        sh.offset = start;
        sh.size = seg.size;
        sections.push_back(sh);
        uint32_t written = static_cast<uint32_t>(written_end - seg.base);
        // A program section holds its whole size, so no section shows bytes of the next one.
        if (any) img.append(stretch);
        if (seg.size) {
            program_header ph;
            ph.type = PT_LOAD;
            ph.offset = start;
            ph.vaddr = seg.base;
            ph.filesz = any ? written : 0;
            ph.memsz = seg.size;
            programs.push_back(ph);
        }
    }

    // Local symbols come first: the symbol table's info is the index of the first global.
    std::vector<uint8_t> symbols(SYM, 0);
    uint32_t count = 1, first_global = 1;
    for (int global = 0; global < 2; ++global) {
        if (global) first_global = count;
        for (const auto& f : md.files)
            for (const conv_symbol* s : f->symbols) {
                if (bool(s->flags & SYM_LOCAL) == bool(global)) continue;
                uint8_t entry[SYM] = {};
                put32(entry, strtab.add(s->name), ctx.order);
                put32(entry + 4, s->value, ctx.order);
                entry[12] = global ? 0x10 : 0;
                put16(entry + 14, static_cast<uint16_t>(s->segment), ctx.order);
                symbols.insert(symbols.end(), entry, entry + SYM);
                ++count;
            }
    }
    section_header strsec;
    strsec.name = shstr.add(".strtab");
    strsec.type = SHT_STRTAB;
    strsec.offset = img.size();
    strsec.size = static_cast<uint32_t>(strtab.bytes.size());
    img.append(strtab.bytes);
    uint32_t strtab_index = static_cast<uint32_t>(sections.size());
    sections.push_back(strsec);

    section_header symsec;
    symsec.name = shstr.add(".symtab");
    symsec.type = SHT_SYMTAB;
    symsec.offset = img.size();
    symsec.size = static_cast<uint32_t>(symbols.size());
    symsec.link = strtab_index;
    symsec.info = first_global;
    symsec.entry_size = SYM;
    img.append(symbols);
    sections.push_back(symsec);

    section_header names;
    names.name = shstr.add(".shstrtab");
    names.type = SHT_STRTAB;
    names.offset = img.size();
    names.size = static_cast<uint32_t>(shstr.bytes.size());
    uint32_t shstrndx = static_cast<uint32_t>(sections.size());
    sections.push_back(names);
    img.append(shstr.bytes);

    uint32_t shoff = img.size();
    for (const section_header& s : sections)
        for (uint32_t v : {s.name, s.type, s.flags, s.address, s.offset, s.size, s.link, s.info, s.align, s.entry_size})
            img.word32(v);
    uint32_t phoff = programs.empty() ? 0 : img.size();
    for (const program_header& p : programs)
        for (uint32_t v : {p.type, p.offset, p.vaddr, p.paddr, p.filesz, p.memsz, p.flags, p.align}) img.word32(v);

    image head{{}, ctx.order};
    const uint8_t ident[16] = {0x7F, 'E', 'L', 'F', 1, uint8_t(ctx.order == byte_order::big ? 2 : 1), 1, 255};
    head.bytes.assign(ident, ident + 16);
    head.word16(2);
    head.word16(elf_machine_of(ctx.machine.processor_name));
    head.word32(1);
    head.word32(md.entry_address);
    head.word32(phoff);
    head.word32(shoff);
    head.word32(0);
    head.word16(EHDR);
    head.word16(PHDR);
    head.word16(static_cast<uint32_t>(programs.size()));
    head.word16(SHDR);
    head.word16(static_cast<uint32_t>(sections.size()));
    head.word16(shstrndx);
    std::copy(head.bytes.begin(), head.bytes.end(), img.bytes.begin());

    if (std::fwrite(img.bytes.data(), 1, img.bytes.size(), out) != img.bytes.size()) alert_message(413, name.c_str());
    return true;
}

bool elf_probe(conv_context& ctx, FILE* in) {
    uint8_t h[EHDR];
    auto fail = [&](const char* format, int value) {
        if (ctx.opt.verbose_level >= 2) std::fprintf(stderr, format, value);
        return false;
    };
    if (std::fread(h, 1, EHDR, in) != EHDR) return fail("ELF header too short\n", 0);
    if (std::memcmp(h, "\x7F" "ELF", 4) != 0) return fail("Magic number not ELF\n", 0);
    if (h[4] != 1) return fail("Not 32 bit ELF\n", 0);
    if (h[5] == 1) ctx.order = byte_order::little;
    else if (h[5] == 2) ctx.order = byte_order::big;
    else return fail("Not big or little-endian ELF (%d)\n", h[5]);
    if (h[6] != 1) return fail("Unsupported ELF Version %d\n", h[6]);
    return true;
}

void elf_read(conv_context&, FILE*, const std::string&) {}

}  // namespace conv
