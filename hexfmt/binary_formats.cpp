// Binary image formats: UBROF, raw Binary and the tsk image.
#include <algorithm>
#include <cstring>

#include "common/alert.h"
#include "hexfmt/writers.h"

namespace hexfmt {

namespace {

// UBROF class code of a psect name; 0 when the class is unknown.
uint16_t ubrof_class(const std::string& psect) {
    if (psect == "data" || psect == "bss") return 3;
    if (psect == "rbss" || psect == "rdata" || psect == "strings") return 2;
    if (psect == "rbit") return 5;
    if (psect == "text" || psect == "code") return 1;
    return 0;
}

class UbrofWriter : public FormatWriter {
public:
    using FormatWriter::FormatWriter;

    void ident() override { header(); }
    void begin() override { header(); }

    void symbol(const Symbol& sym) override {
        header();
        uint16_t cls = ubrof_class(sym.psect);
        uint8_t kind;
        if (sym.flags & 0x10)
            kind = (sym.flags & 0x0F) == 6 ? 5 : cls ? 2 : 1;
        else
            kind = cls ? 4 : 3;
        put('L');
        put(kind);
        word(cls);
        dword(sym.value);
        std::string name = sym.name;
        if (!name.empty() && name[0] >= '0' && name[0] <= '9') name = "#" + name;
        counted_name(name);
        put(0);
        put(0);
        put(0);
    }

    void record(uint32_t address, const uint8_t* data, uint32_t n) override {
        put('Q');
        put(0x01);
        dword(address);
        put('9');
        put(static_cast<uint8_t>(n));
        for (uint32_t i = 0; i < n; ++i) put(data[i]);
    }

    void finish() override {
        header();
        put('=');
        put(0);
        put(0);
        dword(info_.start);
        word(crc_.value());
        out_.put(0xFF);
    }

private:
    void put(uint8_t byte) {
        out_.put(byte);
        crc_.add(byte);
    }
    void word(uint16_t value) {
        uint8_t b[2];
        obj::put_word(info_.order, b, value);
        put(b[0]);
        put(b[1]);
    }
    void dword(uint32_t value) {
        uint8_t b[4];
        obj::put_long(info_.order, b, value);
        for (uint8_t byte : b) put(byte);
    }
    // A length byte and the name; longer names are cut to what the byte can count.
    void counted_name(std::string name) {
        if (name.size() > 255) name.resize(255);
        put(static_cast<uint8_t>(name.size()));
        for (char c : name) put(static_cast<uint8_t>(c));
    }
    void date() {
        put(static_cast<uint8_t>(info_.date.tm_mday));
        put(static_cast<uint8_t>(info_.date.tm_mon + 1));
        put(static_cast<uint8_t>(info_.date.tm_year));
    }

    // Written once, at the IDENT record (or before the first other output when there is none).
    void header() {
        if (header_written_) return;
        header_written_ = true;
        crc_.reset();
        put('M');
        date();
        put('?');
        word(crc_.value());
        crc_.reset();
        put(0x01);
        put(0x04);
        put(info_.order.map16[0] == 0 ? 3 : 2);
        put(0x10);
        date();
        counted_name(info_.module_name);
    }

    Crc16 crc_;
    bool header_written_ = false;
};

// Raw bytes from a base address; gaps and the padding to the -F end take the fill pattern.
class BinaryWriter : public FormatWriter {
public:
    BinaryWriter(OutFile& out, const ImageInfo& info, bool zero_base)
        : FormatWriter(out, info), zero_base_(zero_base) {}

    void begin() override {
        base_ = zero_base_ ? 0 : info_.has_base ? info_.base : info_.lowest;
        next_ = base_;
    }

    void record(uint32_t address, const uint8_t* data, uint32_t n) override {
        if (address < base_)
            alert_message(431, static_cast<unsigned long>(address), static_cast<unsigned long>(base_));
        fill_to(address);
        out_.write(data, n);
        next_ = address + n;
    }

    void finish() override {
        if (info_.has_fill_end) fill_to(info_.fill_end);
    }

protected:
    void fill_to(uint32_t end) {
        // Gaps are written out: a corrupt address far from the base would pad the file to
        // gigabytes. No target's image comes near this bound.
        constexpr uint32_t max_span = 0x4000000;
        if (end > next_ && end - base_ > max_span) alert_message(418);
        uint8_t buffer[1024];
        while (next_ < end) {
            uint32_t n = std::min<uint32_t>(end - next_, sizeof buffer);
            for (uint32_t i = 0; i < n; ++i) buffer[i] = fill_byte(info_.fill, next_ + i, info_.order);
            out_.write(buffer, n);
            next_ += n;
        }
    }

    bool zero_base_;
    uint32_t base_ = 0;
    uint32_t next_ = 0;
};

class TskWriter : public BinaryWriter {
public:
    TskWriter(OutFile& out, const ImageInfo& info) : BinaryWriter(out, info, true) {}

    void begin() override {
        uint8_t head[32] = {'H', 'L', 'H', '9', '.', '0', '0', 0};
        obj::put_long(info_.order, head + 8, 32);
        uint32_t length = info_.highest;
        if (info_.has_fill_end) length = std::max(length, info_.fill_end);
        obj::put_long(info_.order, head + 12, length);
        memcpy(head + 16, info_.machine.data(), std::min<size_t>(info_.machine.size(), 15));
        out_.write(head, sizeof head);
        BinaryWriter::begin();
    }
};

}  // namespace

std::unique_ptr<FormatWriter> make_ubrof(OutFile& out, const ImageInfo& info) {
    return std::make_unique<UbrofWriter>(out, info);
}
std::unique_ptr<FormatWriter> make_binary(OutFile& out, const ImageInfo& info) {
    return std::make_unique<BinaryWriter>(out, info, false);
}
std::unique_ptr<FormatWriter> make_tsk(OutFile& out, const ImageInfo& info) {
    return std::make_unique<TskWriter>(out, info);
}

}  // namespace hexfmt
