// Shared pieces of the hex formats: digits, the output stream, the format table.
#include "hexfmt/hexfmt.h"

#include "common/alert.h"

namespace hexfmt {

char hex_digit(unsigned value) { return "0123456789ABCDEF"[value & 0xF]; }

int hex_value(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

void append_hex(std::string& out, uint64_t value, int digits) {
    for (int i = digits - 1; i >= 0; --i) out += hex_digit(static_cast<unsigned>(value >> (4 * i)));
}

void append_intel_line(std::string& line, uint8_t type, uint16_t address, const uint8_t* data, uint32_t n) {
    line += ':';
    append_hex(line, n, 2);
    append_hex(line, address, 4);
    append_hex(line, type, 2);
    unsigned sum = n + (address >> 8) + (address & 0xFF) + type;
    for (uint32_t i = 0; i < n; ++i) {
        append_hex(line, data[i], 2);
        sum += data[i];
    }
    append_hex(line, (0x100 - (sum & 0xFF)) & 0xFF, 2);
    line += '\n';
}

std::string intel_line(uint8_t type, uint16_t address, const uint8_t* data, uint32_t n) {
    std::string line;
    append_intel_line(line, type, address, data, n);
    return line;
}

OutFile::~OutFile() {
    if (stream_ && owned_) fclose(stream_);
}

bool OutFile::open(const std::string& name, bool binary) {
    name_ = name;
    stream_ = fopen(name.c_str(), binary ? "wb" : "w");
    owned_ = true;
    written_ = 0;
    return stream_ != nullptr;
}

void OutFile::attach(FILE* stream, const std::string& name) {
    stream_ = stream;
    owned_ = false;
    name_ = name;
    written_ = 0;
}

void OutFile::write(const void* data, size_t n) {
    if (n == 0) return;
    if (fwrite(data, 1, n, stream_) != n) alert_message(413, name_.c_str());
    written_ += n;
}

bool OutFile::close() {
    if (!stream_) return true;
    bool ok = fflush(stream_) == 0 && !ferror(stream_);
    if (owned_ && fclose(stream_) != 0) ok = false;
    stream_ = nullptr;
    return ok;
}

}  // namespace hexfmt
