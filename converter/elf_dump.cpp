// Readable listing of an ELF32 file: header, sections, symbols, program headers, then DWARF.
#include <cstring>

#include "common/alert.h"
#include "converter/dwarf_dump.h"
#include "converter/elf.h"

namespace conv {

namespace {

struct value_name {
    uint32_t value;
    const char* name;
};

const value_name classes[] = {{0, "Invalid class"}, {1, "32-bit objects"}, {2, "64-bit objects"}};
const value_name encodings[] = {
    {0, "Invalid data encoding"}, {1, "2's complement, little endian"}, {2, "2's complement, big endian"}};
const value_name abis[] = {{0, "UNIX System V Revision 4"}, {1, "HP-UX"}, {2, "NetBSD"}, {3, "Linux"}, {4, "Hurd"},
                           {6, "Solaris"}, {7, "AIX"}, {8, "IRIX"}, {9, "FreeBSD"}, {10, "TRU64 UNIX"},
                           {11, "Novell Modesto"}, {12, "OpenBSD"}, {97, "ARM"}, {255, "Standalone (embedded)"}};
const value_name file_types[] = {{0, "ET_NONE"}, {2, "ET_EXEC"}, {1, "ET_REL"}, {3, "ET_DYN"}, {4, "ET_CORE"}};
const value_name section_types[] = {
    {0, "Unused"}, {1, "Program data"}, {2, "Symbol table"}, {3, "String table"},
    {4, "Reloc entries with addends"}, {5, "Symbol hash table"}, {6, "Dynamic linking information"},
    {7, "Notes"}, {8, "Prog space without data (bss)"}, {9, "Reloc entries, no addends"}, {10, "Reserved"},
    {11, "Dynamic linker symbol table"}, {0x60000000, "Start OS-specific"},
    {0x6FFFFFFB, "Sun-specific low bound. "}, {0x6FFFFFFD, "Version definition section. "},
    {0x6FFFFFFE, "Version needs section. "}, {0x6FFFFFFF, "Version symbol table. "},
    {0x70000000, "Start of processor-specific"}, {0x7FFFFFFF, "End of processor-specific"},
    {0x80000000, "Start of application-specific"}, {0x8FFFFFFF, "End of application-specific"}};
const value_name program_types[] = {{0, "Unused"}, {1, "Loadable program segment"},
                                    {2, "Dynamic linking information"}, {3, "Program interpreter"},
                                    {4, "Auxiliary information"}, {5, "Reserved"}, {6, "Program header table"}};
const value_name symbol_types[] = {
    {0, "unspecified"}, {1, "data object"}, {2, "code object"}, {3, "associated with a section"}, {4, "file name"}};
const value_name bindings[] = {{0, "Local symbol"}, {1, "Global symbol"}, {2, "Weak symbol"}};

template <size_t N> std::string name_of(const value_name (&table)[N], uint32_t value, uint32_t verbose) {
    char text[96];
    for (const value_name& row : table)
        if (row.value == value) {
            if (verbose >= 3) std::snprintf(text, sizeof text, "%s (0x%X)", row.name, value);
            else return row.name;
            return text;
        }
    std::snprintf(text, sizeof text, "0x%X", value);
    return text;
}

std::string machine_name(uint32_t value, uint32_t verbose) {
    size_t count;
    const elf_machine* rows = elf_machines(count);
    char text[96];
    for (size_t i = 0; i < count; ++i)
        if (rows[i].value == value) {
            if (verbose < 3) return rows[i].description;
            std::snprintf(text, sizeof text, "%s (0x%X)", rows[i].description, value);
            return text;
        }
    std::snprintf(text, sizeof text, "0x%X", value);
    return text;
}

long file_size(FILE* in) {
    long at = std::ftell(in);
    std::fseek(in, 0, SEEK_END);
    long size = std::ftell(in);
    std::fseek(in, at, SEEK_SET);
    return size;
}

// `size` bytes at `offset`, never more than the file holds; false on a short read.
bool read_at(FILE* in, uint32_t offset, uint64_t size, std::vector<uint8_t>& out) {
    out.clear();
    long total = file_size(in);
    if (uint64_t(offset) + size > uint64_t(total < 0 ? 0 : total)) return false;
    out.resize(size);
    return std::fseek(in, offset, SEEK_SET) == 0 && std::fread(out.data(), 1, size, in) == size;
}

void preview(FILE* in, uint32_t offset, uint32_t verbose) {
    if (verbose < 3) return;
    std::printf("\n\t%4lX: ", static_cast<unsigned long>(offset));
    long total = file_size(in);
    std::vector<uint8_t> b;
    uint32_t n = total > long(offset) ? std::min<uint32_t>(16, uint32_t(total - offset)) : 0;
    if (read_at(in, offset, n, b))
        for (uint8_t c : b) std::printf(" %2.2X", c);
}

std::string table_string(const std::vector<uint8_t>& table, uint32_t offset) {
    if (offset >= table.size()) return "(unknown)";
    const char* s = reinterpret_cast<const char*>(table.data() + offset);
    return std::string(s, strnlen(s, table.size() - offset));
}

void list_symbols(FILE* in, const elf_section& s, uint32_t entry_size, const std::vector<uint8_t>& names,
                  byte_order order, uint32_t verbose) {
    std::printf("Section header entry size: 0x%X\n", entry_size);
    std::vector<uint8_t> b;
    if (entry_size < 16 || !read_at(in, s.offset, s.size, b)) return;
    for (uint32_t at = 0; at + 16 <= b.size(); at += entry_size) {
        const uint8_t* e = &b[at];
        std::printf("\t%-20s  0x%08lX  %-5ld", table_string(names, get32(e, order)).c_str(),
                    static_cast<unsigned long>(get32(e + 4, order)), static_cast<long>(get32(e + 8, order)));
        std::string kind = name_of(bindings, e[12] >> 4, verbose) + "/" + name_of(symbol_types, e[12] & 15, verbose);
        std::printf("  %-26s  0x%04X\n", kind.c_str(), get16(e + 14, order));
    }
}

}  // namespace

bool elf_load_section(FILE* in, const elf_section& s, const char* description, std::vector<uint8_t>& out) {
    if (read_at(in, s.offset, s.size, out)) return true;
    alert_message(666, s.name.c_str(), description);
    out.clear();
    return false;
}

bool elf_dump(conv_context& ctx, FILE* in) {
    const uint32_t v = ctx.opt.verbose_level;
    uint8_t h[52];
    if (std::fread(h, 1, 52, in) != 52) {
        alert_message(1037, "ELF header");
        return false;
    }
    if (std::memcmp(h, "\x7F" "ELF", 4) != 0 || h[4] != 1) return false;
    if (h[5] != 1 && h[5] != 2) return false;
    ctx.order = h[5] == 2 ? byte_order::big : byte_order::little;
    if (h[6] != 1) return false;
    const byte_order o = ctx.order;
    uint32_t entry = get32(h + 24, o), phoff = get32(h + 28, o), shoff = get32(h + 32, o);
    uint32_t phentsize = get16(h + 42, o), phnum = get16(h + 44, o), shentsize = get16(h + 46, o),
             shnum = get16(h + 48, o), shstrndx = get16(h + 50, o);

    std::printf("ELF header:\n\tClass:   \t%s\n", name_of(classes, h[4], v).c_str());
    std::printf("\tData:   \t%s\n", name_of(encodings, h[5], v).c_str());
    std::printf("\tVersion:\t0x%X\n", h[6]);
    std::printf("\tOS ABI:\t\t%s\n", name_of(abis, h[7], v).c_str());
    std::printf("\tType:   \t%s\n", name_of(file_types, get16(h + 16, o), v).c_str());
    std::printf("\tMachine:\t%s\n", machine_name(get16(h + 18, o), v).c_str());
    std::printf("\tProg hdrs:\t%d [0x%X]", int(phnum), phentsize);
    if (v >= 2) std::printf(" (@ 0x%lX)", static_cast<unsigned long>(phoff));
    std::printf("\n\tSec hdrs:\t%d [0x%X]", int(shnum), shentsize);
    if (v >= 2) std::printf(" (@ 0x%lX)", static_cast<unsigned long>(shoff));
    std::printf("\n\tStrtab:\t\t0x%X\n\tStart addr:\t0x%lX\n\n", shstrndx, static_cast<unsigned long>(entry));

    std::vector<elf_section> sections;
    if (shnum) {
        // Entries are read at their stated stride but never shorter than an ELF32 header.
        uint32_t stride = shentsize < 40 ? 40 : shentsize;
        std::vector<uint8_t> table;
        if (!read_at(in, shoff, uint64_t(stride) * (shnum - 1) + 40, table)) {
            alert_message(1037, "ELF section headers");
            return false;
        }
        if (shstrndx >= shnum) {
            std::fflush(stdout);
            std::fputs("Bad ELF string table index\n", stderr);
            return false;
        }
        struct raw {
            uint32_t name, type, flags, address, offset, size, link, info, align, entsize;
        };
        std::vector<raw> raws(shnum);
        for (uint32_t i = 0; i < shnum; ++i) {
            const uint8_t* p = &table[uint64_t(i) * stride];
            raws[i] = {get32(p, o), get32(p + 4, o), get32(p + 8, o), get32(p + 12, o), get32(p + 16, o),
                       get32(p + 20, o), get32(p + 24, o), get32(p + 28, o), get32(p + 32, o), get32(p + 36, o)};
        }
        std::vector<uint8_t> names, symbol_names;
        read_at(in, raws[shstrndx].offset, raws[shstrndx].size, names);
        for (const raw& r : raws)
            if (table_string(names, r.name) == ".strtab") {
                read_at(in, r.offset, r.size, symbol_names);
                break;
            }
        std::printf("\nString table:\n");
        if (v >= 3)
            for (size_t at = 0; at < names.size();) {
                std::string s = table_string(names, static_cast<uint32_t>(at));
                std::printf("%08lX: %s\n", static_cast<unsigned long>(at), s.c_str());
                at += s.size() + 1;
            }
        std::printf("\nSections:\n\nNo.   Name                 Type                           Address  Size     Link     ");
        if (v >= 2) std::fputs("Offset   Info     Align    ", stdout);
        std::puts("Flags");
        for (uint32_t i = 0; i < shnum; ++i) {
            const raw& r = raws[i];
            std::string name = table_string(names, r.name);
            std::printf("%4.4X  %-20.20s %-30.30s", i, name.c_str(), name_of(section_types, r.type, v).c_str());
            for (uint32_t x : {r.address, r.size, r.link}) std::printf(" %08lX", static_cast<unsigned long>(x));
            if (v >= 2)
                for (uint32_t x : {r.offset, r.info, r.align}) std::printf(" %08lX", static_cast<unsigned long>(x));
            if (r.flags & 1) std::fputs(" WRITE", stdout);
            if (r.flags & 2) std::fputs(" ALLOC", stdout);
            if (r.flags & 4) std::fputs(" EXECINSTR", stdout);
            if (r.size && (r.flags & 2) && r.type != 8) preview(in, r.offset, v);
            std::putchar('\n');
            sections.push_back({name, r.offset, r.size});
            if (v >= 1 && r.type == 2) list_symbols(in, sections.back(), r.entsize, symbol_names, o, v);
        }
    }

    std::printf("\nProgram Headers:\n\nNo.   Type                                 Virtual  Physical Filesize Memsize  Flg ");
    if (v >= 2) std::fputs("Align    ", stdout);
    std::putchar('\n');
    if (phnum) {
        uint32_t stride = phentsize < 32 ? 32 : phentsize;
        std::vector<uint8_t> table;
        if (!read_at(in, phoff, uint64_t(stride) * (phnum - 1) + 32, table)) {
            alert_message(1037, "ELF program headers");
            return false;
        }
        for (uint32_t i = 0; i < phnum; ++i) {
            const uint8_t* p = &table[uint64_t(i) * stride];
            uint32_t offset = get32(p + 4, o), filesz = get32(p + 16, o), flags = get32(p + 24, o);
            std::printf("%4.4X  %-36.36s", i, name_of(program_types, get32(p, o), v).c_str());
            for (int k : {8, 12, 16, 20}) std::printf(" %08lX", static_cast<unsigned long>(get32(p + k, o)));
            std::printf(" %c%c%c", flags & 4 ? 'r' : '-', flags & 2 ? 'w' : '-', flags & 1 ? 'x' : '-');
            if (v >= 2) std::printf(" %08lX", static_cast<unsigned long>(get32(p + 28, o)));
            if (filesz) preview(in, offset, v);
            std::putchar('\n');
        }
    }
    if (shnum) dwarf_dump(ctx, in, sections);
    return true;
}

}  // namespace conv
