// Pieces shared by every hex format: digits, the Intel HEX line and the output stream.
#pragma once
#include <cstdint>
#include <cstdio>
#include <string>

namespace hexfmt {

char hex_digit(unsigned value);   // upper case
int hex_value(char c);            // '0'-'9', 'A'-'F'; -1 for anything else (lower case too)
void append_hex(std::string& out, uint64_t value, int digits);

// One Intel HEX line: ":" count address type data checksum and a newline.
std::string intel_line(uint8_t type, uint16_t address, const uint8_t* data, uint32_t n);
// The same appended to `line`: writers that reuse one buffer make no string per record.
void append_intel_line(std::string& line, uint8_t type, uint16_t address, const uint8_t* data, uint32_t n);

// An output stream of a writer. Every short write is fatal message 413 with the file name.
class OutFile {
public:
    OutFile() = default;
    OutFile(const OutFile&) = delete;
    OutFile& operator=(const OutFile&) = delete;
    ~OutFile();
    bool open(const std::string& name, bool binary);   // false when it cannot be created
    void attach(FILE* stream, const std::string& name); // not closed by this object
    void write(const void* data, size_t n);
    void put(uint8_t byte) { write(&byte, 1); }
    void text(const std::string& s) { write(s.data(), s.size()); }
    bool close();                                        // false when flushing or closing fails
    const std::string& name() const { return name_; }
    uint64_t offset() const { return written_; }         // bytes written so far
    bool is_open() const { return stream_ != nullptr; }

private:
    FILE* stream_ = nullptr;
    bool owned_ = false;
    std::string name_;
    uint64_t written_ = 0;
};

}  // namespace hexfmt
