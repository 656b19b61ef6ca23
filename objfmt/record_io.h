// Framing of object records on a file or in memory: a bounded reader and a writer whose
// one-record buffer merges consecutive entries of one type.
#pragma once
#include <cstdint>
#include <cstdio>
#include <functional>
#include <string>
#include <vector>

#include "objfmt/objfmt.h"
#include "objfmt/records.h"

namespace obj {

enum class read_status {
    ok,
    end_of_input,   // no byte left where a header should start
    short_header,   // one or two header bytes, then the end
    bad_type,       // type 0 or above the reader's limit; the body is not read
    too_long,       // length above the reader's limit; the body is stepped over, not kept
    short_body,     // the input ended inside the body; body holds what was there
};

// Reads records one at a time from a FILE* (not owned) or a byte range (not owned).
class record_reader {
public:
    record_reader(FILE* file, uint32_t body_limit = max_body, int type_limit = last_record_type);
    record_reader(const uint8_t* data, size_t size, uint32_t body_limit = max_body,
                  int type_limit = last_record_type);
    read_status next(record& out);
    uint64_t position() const { return position_; }   // offset from where reading began
    // The linker's messages for a failed read: 505 (end before END), 380 (fatal), 506, 502.
    static void report(read_status status, const record& r);
private:
    size_t read_bytes(uint8_t* out, size_t n);
    void skip_bytes(size_t n);
    FILE* file_ = nullptr;
    const uint8_t* data_ = nullptr;
    size_t size_ = 0;
    uint32_t body_limit_;
    int type_limit_;
    uint64_t position_ = 0;
};

// Reads every record of the first module (up to and including END) of a byte range.
// On failure reports with record_reader::report (or 502 for a bad body) and returns false.
bool read_module(const uint8_t* data, size_t size, std::vector<record>& out);

// Writes records to a FILE* (not owned) or appends them to a byte vector.
class record_writer {
public:
    explicit record_writer(FILE* file) : file_(file) {}
    explicit record_writer(std::vector<uint8_t>* bytes) : bytes_(bytes) {}
    ~record_writer() = default;

    // A whole record at once; flushes the buffered record first. False when the body is over
    // max_body or the write failed.
    bool write_record(uint8_t type, const uint8_t* body, size_t length);
    bool write_record(uint8_t type, const std::vector<uint8_t>& body) {
        return write_record(type, body.data(), body.size());
    }
    // One entry of a run-of-entries record (SYM, RELOC, SIGNAT, FNINFO, SEGMENT, XSYM, DABS):
    // appended to the buffered record when that has the same type and room, otherwise the
    // buffered record is flushed and a new one begun. False for an entry over max_body.
    bool add_entry(uint8_t type, const uint8_t* entry, size_t length);
    bool add_entry(uint8_t type, const std::vector<uint8_t>& entry) {
        return add_entry(type, entry.data(), entry.size());
    }
    // Bytes still free in the buffered record when it has this type, else max_body.
    uint32_t room_for(uint8_t type) const;
    bool flush();
    // Records whose type the filter refuses are dropped at flush (the linker's -F).
    void set_filter(std::function<bool(uint8_t type)> keep) { keep_ = std::move(keep); }
    bool ok() const { return ok_; }
    uint64_t bytes_written() const { return written_; }
private:
    bool emit(uint8_t type, const uint8_t* body, size_t length);
    FILE* file_ = nullptr;
    std::vector<uint8_t>* bytes_ = nullptr;
    uint8_t buffer_type_ = 0;
    std::vector<uint8_t> buffer_;
    std::function<bool(uint8_t)> keep_;
    bool ok_ = true;
    uint64_t written_ = 0;
};

// The whole content of a file; false when it cannot be opened or read.
bool read_file(const std::string& path, std::vector<uint8_t>& out);
// Writes the bytes as the whole file under a temporary name renamed over `path` only when
// whole; on any failure false (errno tells why) and whatever `path` was is left as it was.
bool write_file(const std::string& path, const std::vector<uint8_t>& bytes);

}  // namespace obj
