// ormhex's passes: reading the absolute object into the image, checksums, and writing the
// image through a format writer or as an executable image.
#pragma once
#include <cstdint>
#include <cstdio>
#include <map>
#include <string>
#include <vector>

#include "hexfmt/image_writers.h"
#include "outtools/ormhex/hexopts.h"
#include "outtools/ormhex/pages.h"

namespace hex {

struct ObjectData {
    bool has_start = false;
    std::vector<hexfmt::Symbol> symbols;         // kept for the COFF image
    std::map<std::string, uint32_t> specials;    // the executable images' size symbols
    std::map<std::string, uint32_t> defined;     // every symbol, for the -R table
    std::vector<uint32_t> relocations;           // target addresses of accepted entries
    uint32_t segments = 0;
    uint32_t special(const char* name) const;    // 0 when the object does not define it
};

// Reads the object until its END record. The writer gets IDENT and symbols as they come;
// `symbols` (may be null) gets the -S list.
void read_object(FILE* in, const HexOptions& options, PageImage& image, hexfmt::ImageInfo& info,
                 hexfmt::FormatWriter* writer, FILE* symbols, ObjectData& data);

struct ChecksumEntry {
    uint32_t start, end, destination, destination_end, initial;
};
// Reads a checksum list; malformed text is fatal 427, more than 256 entries fatal 1209.
std::vector<ChecksumEntry> parse_checksum_list(const std::string& text);
// Sums each range and stores the result at its destination in target order.
void apply_checksums(PageImage& image, const std::vector<ChecksumEntry>& list, const obj::byte_order& order);

// Cuts the sorted image into records for the writer (spans for the span formats).
void write_records(PageImage& image, const hexfmt::FormatRow& row, const HexOptions& options,
                   hexfmt::FormatWriter& writer);

// -R: the relocation table stored into the image at its symbol.
void store_relocation_table(PageImage& image, const HexOptions& options, const ObjectData& data,
                            const obj::byte_order& order);
// The executable images; the whole file is built in memory and then written.
std::vector<uint8_t> build_executable(PageImage& image, const HexOptions& options, const ObjectData& data,
                                      const hexfmt::ImageInfo& info);

}  // namespace hex
