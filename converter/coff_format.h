// Record layouts and tables of the COFF family (Microchip COFF, the generic COFF rows and
// ICOFF), shared by the writers, the readers and the dumps.
#pragma once
#include <array>
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "converter/encodings.h"

namespace conv {

struct conv_context;

constexpr uint32_t COFF_HEADER = 20, COFF_SECTION = 40, COFF_ENTRY = 18, MCOFF_OPTHDR = 16, MCOFF_LINE = 16;
constexpr uint16_t MCOFF_MAGIC = 0x1234, MCOFF_OPT_MAGIC = 5000;
constexpr uint32_t SECTION_TEXT = 0x20, SECTION_BSS = 0x80;

// Storage classes the writers make.
enum : uint8_t {
    C_EXT = 2, C_STAT = 3, C_LABEL = 6, C_MOS = 8, C_STRTAG = 10, C_FIELD = 18, C_BLOCK = 100, C_FCN = 101,
    C_EOS = 102, C_FILE = 103, C_EOF = 107,
};

using coff_record = std::array<uint8_t, COFF_ENTRY>;

struct coff_machine {
    const char* name;
    uint16_t magic;
    uint16_t flags;
    byte_order order;
    const uint8_t* type_sizes;   // by base type 0-15
    uint32_t pointer_size;
    uint32_t line_entry;         // bytes
    uint32_t code_unit, data_unit;
};

constexpr uint32_t COFF_MACHINES = 6;
constexpr uint32_t COFF_PIC30 = 6;
extern const coff_machine coff_machines[COFF_MACHINES];   // rows 1-6
extern const uint8_t mcoff_type_sizes[16];

// Processor words of a Microchip COFF file: worked out from -P by the writer, taken from the
// optional header by the reader.
struct mcoff_words {
    uint32_t processor = 0, rom_width = 8, ram_width = 8, code_unit = 1, data_unit = 1;
};

// Names the dumps print.
const char* coff_class_name(uint32_t cls);   // null for a class without a name
extern const char* const coff_header_flag_names[13];
extern const char* const coff_section_flag_names[17];   // bit 0 upward
extern const char* const coff_base_type_names[16];

// The rest of a stream: the binary readers check every offset against what they got.
std::vector<uint8_t> read_all(FILE* in);

// The string table as written: a 4-byte length, then each distinct string once.
class coff_strings {
public:
    uint32_t store(const std::string& s);   // offset from the start of the length field
    uint32_t size() const { return 4 + static_cast<uint32_t>(bytes_.size()); }
    void append_to(std::vector<uint8_t>& image, byte_order order) const;

private:
    std::vector<uint8_t> bytes_;
    std::vector<std::pair<std::string, uint32_t>> index_;   // searched linearly: tables stay small
};

// The 8-byte name field: in place when it fits, else 4 zero bytes and a string-table offset.
void coff_put_name(uint8_t* field, const std::string& name, coff_strings& strings, byte_order order);

// The text of the NUL-ended string at `offset` of a string table (length field included); false
// when the offset lies outside it.
bool coff_string_at(const std::vector<uint8_t>& table, uint32_t offset, std::string& out);

void coff_put_header(uint8_t* p, uint16_t magic, uint16_t sections, uint32_t symptr, uint32_t nsyms,
                     uint16_t opthdr, uint16_t flags, byte_order order);

struct coff_section_header {
    std::string name;        // written through coff_put_name when `long_names`, else cut to 8
    uint32_t paddr = 0, vaddr = 0, size = 0, scnptr = 0, lnnoptr = 0;
    uint16_t nlines = 0;
    uint32_t flags = 0;
};
void coff_put_section(uint8_t* p, const coff_section_header& h, bool long_names, coff_strings& strings,
                      byte_order order);

}  // namespace conv
