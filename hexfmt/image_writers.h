// Hex image formats: one writer per format behind one interface, chosen from one table.
// ormhex feeds a writer with the object's IDENT and symbols while it reads, then with the
// image's records in ascending address order.
#pragma once
#include <cstdint>
#include <ctime>
#include <memory>
#include <string>

#include "objfmt/objfmt.h"
#include "hexfmt/hexfmt.h"

namespace hexfmt {

// What a writer needs to know besides the records. The program keeps it up to date while it
// reads the object; writers read it when they are called.
struct ImageInfo {
    std::string input_name;      // Motorola S0 line
    std::string module_name;     // UBROF module name: the output name without its extension
    obj::byte_order order;       // target order of multi-byte fields (after -V)
    std::string machine;         // processor name from IDENT
    uint32_t start = 0;          // start address
    uint32_t segstart = 0;       // start segment (Intel end)
    bool linear = false;         // Intel type 04 records (-I)
    uint32_t fill = 0;           // Binary and tsk fill pattern
    bool has_fill_end = false;
    uint32_t fill_end = 0;       // Binary and tsk padding end (exclusive)
    bool has_base = false;
    uint32_t base = 0;           // Binary base (-B<addr>)
    uint32_t lowest = 0;         // lowest address of the image
    uint32_t highest = 0;        // highest written address plus one
    std::tm date{};              // local date of the run (UBROF)
};

struct Symbol {
    uint32_t value;
    uint16_t flags;
    std::string psect;
    std::string name;
};

class FormatWriter {
public:
    FormatWriter(OutFile& out, const ImageInfo& info) : out_(out), info_(info) {}
    virtual ~FormatWriter() = default;
    virtual void ident() {}                       // an IDENT record was read
    virtual void symbol(const Symbol&) {}         // one SYM entry, in file order
    virtual void begin() {}                       // before the first record
    // One record of cut data, or for span formats one page span (absent bytes included).
    virtual void record(uint32_t address, const uint8_t* data, uint32_t n) = 0;
    virtual void finish() = 0;                    // end record, padding

protected:
    OutFile& out_;
    const ImageInfo& info_;
};

enum class Format { intel, motorola, aahex, tektronix, ext_tektronix, ubrof, binary, tsk };

struct FormatRow {
    Format format;
    const char* name;
    uint32_t max_record;   // data bytes per record (per write for span formats)
    bool binary_mode;      // opened in binary mode
    bool spans;            // takes whole page spans instead of cut records
    std::unique_ptr<FormatWriter> (*make)(OutFile& out, const ImageInfo& info);
};

const FormatRow& format_row(Format format);

// Binary fill pattern: the byte that fill value `fill` puts at `address` in target order.
uint8_t fill_byte(uint32_t fill, uint32_t address, const obj::byte_order& order);

// The extended Tektronic checksum of the characters of a line after its "%" (the checksum
// digits themselves excluded). -1 when a character is outside the format's table.
int ext_tek_checksum(const std::string& length_type_body);

// UBROF's CRC-16: generator 0x8005, start 0, bits of each byte least significant first.
class Crc16 {
public:
    void add(uint8_t byte);
    void reset() { value_ = 0; }
    uint16_t value() const { return value_; }

private:
    uint16_t value_ = 0;
};

}  // namespace hexfmt
