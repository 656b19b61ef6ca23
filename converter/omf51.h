// The record layer of OMF-51 files, shared by the plain and the extended format: framing,
// checksum, the record buffer, the pending Debug Item record and the content writer.
#pragma once
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

namespace conv {

class model;

enum class omf_read_kind : uint8_t { ignored, content, scope, debug_item };
enum class omf_dump_kind : uint8_t {
    name_only, module_header, module_end, content, scope, debug_item, keil_typedef, keil_info, source_name
};

struct omf_row {
    uint8_t type;
    const char* name;
    omf_read_kind read;
    omf_dump_kind dump;
};

// One format's record state; the plain and the extended rows each keep their own.
class omf_records {
public:
    omf_records(const omf_row* table, size_t rows, bool extended) : table_(table), rows_(rows), extended_(extended) {}

    const omf_row* row_of(uint8_t type) const;
    bool extended() const { return extended_; }

    // A record into the buffer; with `report`, short records (1041) and bad checksums (1040).
    bool read(FILE* in, bool report, uint32_t verbose);
    void write(FILE* out, uint8_t type, size_t body_length);
    // A record from its own body, leaving the buffer and the pending record alone.
    static void emit(FILE* out, uint8_t type, const uint8_t* body, size_t body_length);
    // Entries of `type` (and def type, -1 for none) are collected until a record is full.
    void begin_entry(FILE* out, uint8_t type, int def_type);
    void flush(FILE* out) { begin_entry(out, 0, -1); }
    // True when an entry of that type and def type would join the pending record.
    bool keeps(uint8_t type, int def_type) const;
    void append(uint8_t byte);
    void append16(uint32_t value);
    // A counted string cut to `max` characters.
    void append_name(const std::string& name, size_t max);
    // A record of its own: the pending one is flushed first.
    void record(FILE* out, uint8_t type, const std::vector<uint8_t>& body);
    std::vector<uint8_t> counted(const std::string& name) const;
    void scope_def(FILE* out, const std::string& name, uint8_t block_type);
    void content(FILE* out, const model& md, uint32_t low, uint32_t high);

    // The last record read: type, length (checksum included), offset, body.
    uint8_t type = 0;
    uint32_t length = 0;
    long offset = 0;
    std::vector<uint8_t> buffer;
    uint32_t current_file = 0;   // the reader's module; 0 outside one

    // Called before a pending record is written and before a flush: the extended writer puts
    // its source file name and type records there. `pending` tells whether one is pending.
    void (*before_write)(void* owner, FILE* out, bool pending) = nullptr;
    void* owner = nullptr;

private:
    void write_interval(FILE* out, const model& md, uint32_t from, uint32_t to);
    void ensure(size_t size);

    const omf_row* table_;
    size_t rows_;
    bool extended_;
    uint8_t pending_ = 0;
    size_t position_ = 0;
    bool range_set_ = false;
    uint32_t low_ = 0, high_ = 0;
};

struct omf_state {
    omf_state();
    omf_records plain;
    omf_records extended;
};

}  // namespace conv
