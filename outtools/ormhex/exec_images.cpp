// Executable images (MS-DOS, COFF, the -P and -N headers) and the -R relocation table.
#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <ctime>

#include "common/alert.h"
#include "outtools/ormhex/hexconv.h"

namespace hex {

namespace {

// A file built in memory; fields are written in the target's byte order.
struct FileBuffer {
    std::vector<uint8_t> bytes;
    const obj::byte_order& order;

    // An image file cannot reach 4 GiB: such an offset is refused rather than cut down to
    // the host's size_t, which on a 32-bit host would write past the buffer.
    uint8_t* at(uint64_t offset, size_t n) {
        if (n > UINT32_MAX || offset > UINT32_MAX - static_cast<uint64_t>(n)) refuse_size();
        const size_t end = static_cast<size_t>(offset + n);
        if (bytes.size() < end) bytes.resize(end);
        return bytes.data() + static_cast<size_t>(offset);
    }
    [[noreturn]] static void refuse_size() {
        alert_message(418);   // fatal: ends the program
        std::exit(1);
    }
    void u16(uint64_t offset, uint32_t value) { obj::put_word(order, at(offset, 2), static_cast<uint16_t>(value)); }
    void u32(uint64_t offset, uint32_t value) { obj::put_long(order, at(offset, 4), value); }
    void text(uint64_t offset, const std::string& s) {
        const size_t n = s.size();
        if (n) std::memcpy(at(offset, n), s.data(), n);
    }
};

// Each page's written span at file offset (address + delta).
void place_image(PageImage& image, FileBuffer& file, int64_t delta) {
    for (size_t i = 0; i < image.count(); ++i) {
        const PageImage::Page& page = image.page(i);
        if (page.low >= page.high) continue;
        const uint8_t* data = image.slot(i);
        uint32_t base = page.number * page_size;
        int64_t offset = static_cast<int64_t>(page.low) + delta;
        if (offset < 0) alert_message(415);
        std::copy(data + (page.low - base), data + (page.high - base), file.at(static_cast<uint64_t>(offset), page.high - page.low));
    }
}

void require_zero_start(PageImage& image) {
    if (image.count() && image.lowest() != 0) alert_message(412);
}

// The -P relocation list: a 32-bit first address, then one byte per further address giving
// its distance (1: a step of 254 with no address), 0 at the end, padded to an even length.
void append_p_relocations(FileBuffer& file, std::vector<uint32_t> addresses) {
    std::sort(addresses.begin(), addresses.end());
    uint64_t offset = file.bytes.size();
    uint64_t start = offset;
    file.u32(offset, addresses.empty() ? 0 : addresses[0]);
    offset += 4;
    if (addresses.empty()) return;
    for (size_t i = 1; i < addresses.size(); ++i) {
        uint32_t distance = addresses[i] - addresses[i - 1];
        if (distance == 0) continue;
        while (distance > 254) {
            *file.at(offset++, 1) = 1;
            distance -= 254;
        }
        *file.at(offset++, 1) = static_cast<uint8_t>(distance);
    }
    *file.at(offset++, 1) = 0;
    if ((offset - start) % 2) *file.at(offset++, 1) = 0;
}

std::vector<uint8_t> p_image(PageImage& image, const HexOptions& options, const ObjectData& data,
                             const hexfmt::ImageInfo& info) {
    require_zero_start(image);
    if (options.exec_value_set) {
        uint8_t bytes[4];
        obj::put_long(info.order, bytes, options.exec_value);
        for (uint32_t i = 0; i < 4; ++i) image.put(2 + i, bytes[i]);
    }
    FileBuffer file{{}, info.order};
    const uint32_t htext = data.special("__Htext"), lbss = data.special("__Lbss");
    file.u16(0, 0x601A);
    file.u32(2, htext);
    file.u32(6, lbss - htext);
    file.u32(10, data.special("__Hbss") - lbss);
    file.u32(14, 0);   // -S is refused with -P, so no symbol is written
    file.at(18, 10);
    place_image(image, file, 28);
    file.at(28 + static_cast<uint64_t>(image.highest()), 0);
    append_p_relocations(file, data.relocations);
    return file.bytes;
}

std::vector<uint8_t> n_image(PageImage& image, const HexOptions& options, const ObjectData& data,
                             const hexfmt::ImageInfo& info) {
    require_zero_start(image);
    FileBuffer file{{}, info.order};
    const uint32_t hbss = data.special("__Hbss"), hdata = data.special("__Hdata");
    file.u32(0, 0x04100301);
    file.u32(4, 32);
    file.u32(8, data.special("__Htext"));
    file.u32(12, hdata - data.special("__Ldata"));
    file.u32(16, hbss ? hbss - hdata : 0);
    file.u32(20, 0);
    file.u32(24, (options.exec_value_set ? options.exec_value : 0x10000) + hbss);
    file.u32(28, 0);
    place_image(image, file, 32);
    return file.bytes;
}

std::vector<uint8_t> msdos_image(PageImage& image, const HexOptions& options, const ObjectData& data,
                                 const hexfmt::ImageInfo& info) {
    require_zero_start(image);
    const bool header_relocations = options.reloc_long && options.reloc_symbol == "Dos_hdr";
    const uint32_t count = header_relocations ? static_cast<uint32_t>(data.relocations.size()) : 0;
    uint32_t header = 256;
    if (header_relocations && count > 44) header = (count + 3) / 4 * 16 + 64;
    const uint32_t hbss = data.special("__Hbss"), hdata = data.special("__Hdata");
    const uint32_t bstack = data.special("__Bstack");
    uint32_t stack = options.exec_value_set ? options.exec_value + hbss : 0x10000;
    stack = std::min<uint32_t>(stack, 0xFFFF0);
    const uint32_t size = header + std::max(data.special("__Btext") + data.special("__Htext") - data.special("__Ltext"),
                                            data.special("__Bdata") + hdata - data.special("__Ldata"));
    FileBuffer file{{}, info.order};
    file.at(0, header);
    file.text(0, "MZ");
    file.u16(2, size % 512);
    file.u16(4, (size + 511) / 512);
    file.u16(6, count);
    file.u16(8, header / 16);
    const uint16_t field12 = static_cast<uint16_t>(2 - (hdata - stack) / 16);
    file.u16(12, field12);
    file.u16(10, std::min<uint32_t>(field12, (hbss - hdata + 4096) / 16));
    file.u16(14, bstack ? bstack / 16 : data.special("__Bdata") / 16);
    file.u16(16, bstack ? data.special("__Hstack") : hbss + 0x800);
    file.u16(18, 0);
    file.u16(20, info.start);
    file.u16(22, 0);
    file.u16(24, header_relocations ? 64 : 0);
    for (uint32_t i = 0; i < count; ++i) {
        uint32_t address = data.relocations[i];
        file.u16(64 + 4 * i, address & 0xF);
        file.u16(64 + 4 * i + 2, address >> 4);
    }
    place_image(image, file, header);
    file.at(0, size);
    return file.bytes;
}

uint32_t round4(uint32_t n) { return (n + 3) & ~3u; }

std::vector<uint8_t> coff_image(PageImage& image, const HexOptions& options, const ObjectData& data,
                                const hexfmt::ImageInfo& info) {
    const uint32_t btext = data.special("__Btext");
    const uint32_t text_offset = btext ? btext : 168;
    if (text_offset < 168) alert_message(415);
    uint32_t data_value = data.special("__Bdata");
    if (options.coff_text_data && data_value == 0) data_value = data.special("__Htext");
    const uint32_t ltext = data.special("__Ltext"), ldata = data.special("__Ldata"), lbss = data.special("__Lbss");
    const uint32_t text_size = round4(data.special("__Htext") - ltext);
    const uint32_t data_size = round4(data.special("__Hdata") - ldata);
    const uint32_t bss_size = round4(data.special("__Hbss") - lbss);
    const uint32_t symtab = text_offset + data_value + data_size;

    FileBuffer file{{}, info.order};
    file.at(0, 168);
    file.u16(0, options.exec_value_set ? options.exec_value : options.coff_text_data ? 408 : 336);
    file.u16(2, 3);
    file.u32(4, static_cast<uint32_t>(time(nullptr)));
    file.u32(8, symtab);
    file.u32(12, static_cast<uint32_t>(data.symbols.size()));
    file.u16(16, 28);
    file.u16(18, 0x207);
    file.u16(20, options.coff_text_data ? 267 : 263);
    file.u16(22, 0);
    file.u32(24, text_size);
    file.u32(28, data_size);
    file.u32(32, bss_size);
    file.u32(36, info.start);
    file.u32(40, ltext);
    file.u32(44, ldata);
    struct Section {
        const char* name;
        uint32_t address, size, offset, flags;
    } sections[3] = {{".text", ltext, text_size, text_offset, 0x20},
                     {".data", ldata, data_size, text_offset + data_value, 0x40},
                     {".bss", lbss, bss_size, 0, 0x80}};
    for (int i = 0; i < 3; ++i) {
        uint64_t at = 48 + 40 * i;
        file.text(at, sections[i].name);
        file.u32(at + 8, sections[i].address);
        file.u32(at + 12, sections[i].address);
        file.u32(at + 16, sections[i].size);
        file.u32(at + 20, sections[i].offset);
        file.u32(at + 36, sections[i].flags);
    }
    place_image(image, file, static_cast<int64_t>(text_offset) - static_cast<int64_t>(btext));

    // Symbols, then the string table: its size word counts as its first four bytes.
    uint64_t at = symtab;
    uint32_t string_offset = 4;
    std::string strings;
    for (const hexfmt::Symbol& sym : data.symbols) {
        int16_t section = -1;
        char first = sym.psect.empty() ? '\0' : sym.psect[0];
        if (first == 'd') section = 2;
        else if (first == 't' || first == '_') section = 1;
        else if (first == 'b') section = 3;
        else if (sym.psect.empty() && (sym.flags & 0x06)) section = 0;
        file.u32(at, 0);
        file.u32(at + 4, string_offset);
        file.u32(at + 8, sym.value);
        file.u16(at + 12, static_cast<uint16_t>(section));
        file.u16(at + 14, 0);
        *file.at(at + 16, 1) = 2;
        *file.at(at + 17, 1) = 0;
        at += 18;
        strings += sym.name;
        strings += '\0';
        string_offset += static_cast<uint32_t>(sym.name.size() + 1);
    }
    file.u32(at, static_cast<uint32_t>(strings.size() + 4));
    file.text(at + 4, strings);
    return file.bytes;
}

}  // namespace

void store_relocation_table(PageImage& image, const HexOptions& options, const ObjectData& data,
                            const obj::byte_order& order) {
    auto symbol = data.defined.find(options.reloc_symbol);
    if (symbol == data.defined.end()) alert_message(1206, options.reloc_symbol.c_str());
    uint32_t address = symbol->second;
    auto word = [&](uint32_t value) {
        uint8_t bytes[2];
        obj::put_word(order, bytes, static_cast<uint16_t>(value));
        image.put(address++, bytes[0]);
        image.put(address++, bytes[1]);
    };
    word(static_cast<uint32_t>(data.relocations.size()));
    for (uint32_t target : data.relocations) {
        word(target);
        if (options.reloc_long) word(target >> 16);
    }
}

std::vector<uint8_t> build_executable(PageImage& image, const HexOptions& options, const ObjectData& data,
                                      const hexfmt::ImageInfo& info) {
    switch (options.exec) {
    case ExecImage::msdos: return msdos_image(image, options, data, info);
    case ExecImage::coff: return coff_image(image, options, data, info);
    case ExecImage::p_header: return p_image(image, options, data, info);
    case ExecImage::n_header: return n_image(image, options, data, info);
    case ExecImage::none: break;
    }
    return {};
}

}  // namespace hex
