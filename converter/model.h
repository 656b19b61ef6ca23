// The converter's flat model: files, symbols, segments, line records and data blocks that
// every reader adds to and every writer walks. Indices between records are 1-based; 0 is none.
#pragma once
#include <cstdint>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

namespace conv {

struct conv_symbol;
struct conv_line;

struct conv_file {
    std::string name;
    std::vector<conv_symbol*> symbols;   // filled when the model is completed
    uint32_t symbol_count = 0;
    std::vector<conv_line*> lines;       // filled when completed, by line number
    uint32_t line_count = 0;
    uint32_t index = 0;
};

// Bits of conv_symbol::flags set by the symbol-file reader.
constexpr uint32_t SYM_NO_SEGMENT = 1;
constexpr uint32_t SYM_LOCAL = 2;
// Set by the OMF-51 readers.
constexpr uint32_t SYM_FUNCTION = 4;
constexpr uint32_t SYM_WRITTEN = 8;

struct conv_symbol {
    uint32_t file = 0;
    uint32_t value = 0;
    uint32_t segment = 0;
    uint32_t flags = 0;
    std::string name;
};

struct conv_segment {
    uint32_t space = 0;
    uint32_t base = 0;
    uint32_t size = 0;
    std::string name;
};

struct conv_line {
    uint32_t file = 0;
    uint32_t address = 0;
    uint32_t end_address = 0;
    uint32_t segment = 0;
    uint32_t kind = 0;
    int32_t line = 0;
};

struct conv_data {
    uint32_t address = 0;
    std::vector<uint8_t> bytes;   // its size is the block's size
    uint32_t segment = 0;
    uint32_t size() const { return static_cast<uint32_t>(bytes.size()); }
};

// Symbol names hash with one leading "_" skipped, so "_x" and "x" share a bucket.
uint32_t name_hash(const std::string& name);
uint32_t file_name_hash(const std::string& name);

class model {
public:
    explicit model(const bool& strip_extensions) : strip_extensions_(strip_extensions) {}

    uint32_t file_add(const std::string& name);
    void sym_add(const std::string& name, uint32_t value, uint32_t segment, uint32_t file, uint32_t flags);
    uint32_t seg_add(const std::string& name, uint32_t base, uint32_t size, uint32_t space);
    void line_add(int32_t line, uint32_t address, uint32_t segment, uint32_t file, uint32_t kind);
    void data_add(uint32_t address, const uint8_t* bytes, uint32_t size, uint32_t segment);

    conv_file* file_lookup(const std::string& name) const;
    conv_file* file_find(const char* name) const;
    conv_symbol* sym_lookup(const std::string& name) const;
    bool sym_value_lookup(const std::string& name, uint32_t& value, uint32_t& segment) const;
    conv_segment* seg_find(const std::string& name) const;
    uint32_t seg_for_address(uint32_t address, uint32_t space, uint32_t scale) const;
    conv_segment* segment(uint32_t index) const {
        return index >= 1 && index <= segments.size() ? segments[index - 1].get() : nullptr;
    }

    // Line ends, per-file arrays, merged data blocks, segment extents; then the listings
    // when `verbose` is not 0.
    void complete(uint32_t verbose);

    std::vector<std::unique_ptr<conv_file>> files;
    std::vector<std::unique_ptr<conv_symbol>> symbols;
    std::vector<std::unique_ptr<conv_segment>> segments;
    std::vector<std::unique_ptr<conv_line>> lines;
    std::vector<std::unique_ptr<conv_data>> data;
    uint32_t entry_address = 0;

private:
    std::string cut_extension(const std::string& name) const;
    struct name_hasher {
        size_t operator()(const std::string& s) const { return name_hash(s); }
    };
    const bool& strip_extensions_;
    std::unordered_map<std::string, conv_file*> file_table_;   // keyed by the lower-cased name
    std::unordered_map<std::string, conv_symbol*, name_hasher> symbol_table_;
};

}  // namespace conv
