// Text image formats: Intel HEX, Motorola HEX, American Automation Hex, Tektronic Hex and
// extended Tektronic Hex.
#include <cstdio>

#include "common/alert.h"
#include "hexfmt/writers.h"

namespace hexfmt {

namespace {

// Data a format cannot address is refused, never written with a cut address.
void refuse_address(uint32_t address, Format format) {
    alert_message(411, static_cast<unsigned long>(address), format_row(format).name);
}

class IntelWriter : public FormatWriter {
public:
    using FormatWriter::FormatWriter;

    void record(uint32_t address, const uint8_t* data, uint32_t n) override {
        uint32_t base = address & 0xFFFF0000u;
        if (!have_base_ || base != base_) {
            if (info_.linear) {
                extended(4, static_cast<uint16_t>(address >> 16));
            } else {
                // A type 02 value is 16 bits: segment base (address >> 4) reaches 0xFFFF0 at most.
                if (address >= 0x100000) refuse_address(address, Format::intel);
                extended(2, static_cast<uint16_t>(base >> 4));
            }
            have_base_ = true;
            base_ = base;
        }
        line_.clear();
        append_intel_line(line_, 0, static_cast<uint16_t>(address), data, n);
        out_.text(line_);
    }

    void finish() override {
        uint32_t segment = info_.segstart;
        if (!have_base_ || (segment << 4) != base_) {
            if (segment > 0xFFFF) refuse_address(segment << 4, Format::intel);
            if (info_.linear && segment == 0)
                out_.text(":020000040000FA\n");
            else
                extended(2, static_cast<uint16_t>(segment));
        }
        uint8_t none = 0;
        out_.text(intel_line(1, static_cast<uint16_t>(info_.start), &none, 0));
    }

private:
    void extended(uint8_t type, uint16_t value) {
        uint8_t bytes[2] = {static_cast<uint8_t>(value >> 8), static_cast<uint8_t>(value)};
        out_.text(intel_line(type, 0, bytes, 2));
    }

    bool have_base_ = false;
    uint32_t base_ = 0;
    std::string line_;   // reused for every data record
};

// One S-record line: type digit, count, address of `address_bytes` bytes, data, checksum.
std::string srecord_line(char type, uint32_t address, int address_bytes, const uint8_t* data,
                         uint32_t n) {
    std::string line = "S";
    line += type;
    uint32_t count = n + address_bytes + 1;
    append_hex(line, count, 2);
    append_hex(line, address, 2 * address_bytes);
    unsigned sum = count;
    for (int i = 0; i < address_bytes; ++i) sum += (address >> (8 * i)) & 0xFF;
    for (uint32_t i = 0; i < n; ++i) {
        append_hex(line, data[i], 2);
        sum += data[i];
    }
    append_hex(line, ~sum & 0xFF, 2);
    line += '\n';
    return line;
}

class MotorolaWriter : public FormatWriter {
public:
    using FormatWriter::FormatWriter;

    void begin() override {
        std::string name = info_.input_name;
        if (name.size() > 252) name.resize(252);   // the count field is one byte
        out_.text(srecord_line('0', 0, 2, reinterpret_cast<const uint8_t*>(name.data()),
                               static_cast<uint32_t>(name.size())));
    }

    void record(uint32_t address, const uint8_t* data, uint32_t n) override {
        if (address < 0x10000)
            out_.text(srecord_line('1', address, 2, data, n));
        else if (address <= 0xFFFFFF)
            out_.text(srecord_line('2', address, 3, data, n));
        else
            out_.text(srecord_line('3', address, 4, data, n));
    }

    void finish() override {
        uint32_t start = info_.start;
        if (start > 0xFFFFFF)
            out_.text(srecord_line('7', start, 4, nullptr, 0));
        else if (start >= 0x10000)
            out_.text(srecord_line('8', start, 3, nullptr, 0));
        else
            out_.text(srecord_line('9', start, 2, nullptr, 0));
    }
};

class AmericanAutomationWriter : public MotorolaWriter {
public:
    using MotorolaWriter::MotorolaWriter;

    void symbol(const Symbol& sym) override {
        char value[16];
        snprintf(value, sizeof value, "%lX", static_cast<unsigned long>(sym.value));
        out_.text("SA " + sym.name + " " + value + " 0 -17 1 1\n");
    }
};

unsigned nibble_sum(uint32_t value, int digits) {
    unsigned sum = 0;
    for (int i = 0; i < digits; ++i) sum += (value >> (4 * i)) & 0xF;
    return sum;
}

class TektronixWriter : public FormatWriter {
public:
    using FormatWriter::FormatWriter;

    void record(uint32_t address, const uint8_t* data, uint32_t n) override {
        if (address + n - 1 > 0xFFFF) refuse_address(address, Format::tektronix);
        std::string line = "/";
        append_hex(line, address, 4);
        append_hex(line, n, 2);
        append_hex(line, (nibble_sum(address, 4) + nibble_sum(n, 2)) & 0xFF, 2);
        unsigned sum = 0;
        for (uint32_t i = 0; i < n; ++i) {
            append_hex(line, data[i], 2);
            sum += nibble_sum(data[i], 2);
        }
        append_hex(line, sum & 0xFF, 2);
        line += '\n';
        out_.text(line);
    }

    void finish() override {
        uint32_t start = info_.start;
        if (start > 0xFFFF) refuse_address(start, Format::tektronix);
        std::string line = "/";
        append_hex(line, start, 4);
        line += "00";
        append_hex(line, nibble_sum(start, 4) & 0xFF, 2);
        line += '\n';
        out_.text(line);
    }
};

class ExtTektronixWriter : public FormatWriter {
public:
    using FormatWriter::FormatWriter;

    void record(uint32_t address, const uint8_t* data, uint32_t n) override {
        std::string body = address_field(address);
        for (uint32_t i = 0; i < n; ++i) append_hex(body, data[i], 2);
        line('6', body);
    }

    void finish() override {
        line('8', address_field(info_.start));
        out_.text("\n");
    }

private:
    static std::string address_field(uint32_t address) {
        std::string field;
        if (address < 0x10000) {
            field = "4";
            append_hex(field, address, 4);
        } else {
            field = "8";
            append_hex(field, address, 8);
        }
        return field;
    }

    void line(char type, const std::string& body) {
        std::string counted;
        append_hex(counted, body.size() + 5, 2);
        counted += type;
        counted += body;
        int sum = ext_tek_checksum(counted);
        if (sum < 0)
            for (char c : counted)
                if (ext_tek_checksum(std::string(1, c)) < 0)
                    alert_message(416, static_cast<int>(static_cast<unsigned char>(c)));
        std::string text = "%" + counted.substr(0, 3);
        append_hex(text, static_cast<unsigned>(sum), 2);
        text += body;
        text += '\n';
        out_.text(text);
    }
};

}  // namespace

std::unique_ptr<FormatWriter> make_intel(OutFile& out, const ImageInfo& info) {
    return std::make_unique<IntelWriter>(out, info);
}
std::unique_ptr<FormatWriter> make_motorola(OutFile& out, const ImageInfo& info) {
    return std::make_unique<MotorolaWriter>(out, info);
}
std::unique_ptr<FormatWriter> make_aahex(OutFile& out, const ImageInfo& info) {
    return std::make_unique<AmericanAutomationWriter>(out, info);
}
std::unique_ptr<FormatWriter> make_tektronix(OutFile& out, const ImageInfo& info) {
    return std::make_unique<TektronixWriter>(out, info);
}
std::unique_ptr<FormatWriter> make_ext_tektronix(OutFile& out, const ImageInfo& info) {
    return std::make_unique<ExtTektronixWriter>(out, info);
}

}  // namespace hexfmt
