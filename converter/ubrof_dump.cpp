// UBROF object files: recognised and listed, never read into the model or written.
#include <cstring>

#include "common/alert.h"
#include "converter/formats.h"
#include "converter/ubrof.h"

namespace conv {

uint16_t ubrof_crc(uint16_t crc, uint8_t byte) {
    for (int bit = 0; bit < 8; ++bit) {
        bool feedback = ((crc >> 15) ^ (byte >> bit)) & 1;
        crc = static_cast<uint16_t>(crc << 1);
        if (feedback) crc ^= 0x8005;
    }
    return crc;
}

namespace {

constexpr size_t KEPT = 4096;

struct stamp {
    uint8_t b[6] = {};   // seconds, minutes, hours, day, month, year - 1900
    bool valid() const { return b[0] < 60 && b[1] < 60 && b[2] < 24 && date_valid(); }
    bool date_valid() const { return b[3] < 32 && b[4] < 13; }
    int year() const { return 1900 + b[5]; }
};

// The bytes of one dump, every one through the CRC and, up to 4096, kept for a mismatch listing.
class ubrof_reader {
public:
    explicit ubrof_reader(FILE* in) : in_(in) {}

    bool byte(uint8_t& out) {
        int c = std::fgetc(in_);
        if (c == EOF) {
            alert_message(1044);
            return false;
        }
        out = static_cast<uint8_t>(c);
        count(out);
        return true;
    }
    bool block(uint8_t* out, size_t n) {
        size_t got = std::fread(out, 1, n, in_);
        for (size_t i = 0; i < got; ++i) count(out[i]);
        if (got == n) return true;
        alert_message(1045, unsigned(n));
        return false;
    }
    bool word16(uint32_t& out) {
        uint8_t b[2];
        if (!block(b, 2)) return false;
        out = uint32_t(b[0]) << 8 | b[1];
        return true;
    }
    bool word32(uint32_t& out) {
        uint8_t b[4];
        if (!block(b, 4)) return false;
        out = uint32_t(b[0]) << 24 | uint32_t(b[1]) << 16 | uint32_t(b[2]) << 8 | b[3];
        return true;
    }
    bool text(std::string& out) {
        uint8_t n;
        if (!byte(n)) return false;
        out.assign(n, '\0');
        if (block(reinterpret_cast<uint8_t*>(out.data()), n)) return true;
        alert_message(1046);
        return false;
    }
    bool date(stamp& s, int first) { return block(s.b + first, 6 - first); }

    void reset() {
        crc = 0;
        counted = 0;
        kept.clear();
    }
    long position() const { return std::ftell(in_); }

    uint16_t crc = 0;
    uint32_t counted = 0;
    std::vector<uint8_t> kept;

private:
    void count(uint8_t b) {
        crc = ubrof_crc(crc, b);
        if (counted < KEPT) kept.push_back(b);
        ++counted;
    }
    FILE* in_;
};

const char* const symbol_kinds[6] = {nullptr, "public/abs ", "public/reloc ", "local/abs ", "local/reloc ", "external "};
const char* const symbol_segments[8] = {nullptr, "CODE ", "DATA ", "XDATA ", "IDATA ", "BIT ", "REGISTER ", "CONST "};
const uint8_t expected_version[13] = {0x00, 0x00, 0x05, 0xBA, 0x02, 0xBE, 0xFF, 0xBF, 0x02, 0xC0, 0xFF, 0xC1, 0x05};
const char* const widths[4] = {"8 bit ", "16 bit ", "32 bit ", "segmented  "};

bool program_or_segment(ubrof_reader& r) {
    uint8_t version;
    if (!r.byte(version)) return false;
    if (version) {
        uint8_t fields[2];
        stamp date;
        std::string name;
        if (!r.block(fields, 2) || !r.date(date, 3) || !r.text(name)) return false;
        if (!date.date_valid()) {
            alert_message(1051);
            return false;
        }
        std::printf("Program: \"%s\" %d/%d/%d ", name.c_str(), date.year(), date.b[4], date.b[3]);
        std::printf(" version %d, language 0x%0X, ", version, fields[1]);
        if (fields[1] == 0) std::fputs("(Assembler) ", stdout);
        else if (fields[1] == 0x10) std::fputs("(C) ", stdout);
        std::fputs(widths[(fields[0] >> 1) & 3], stdout);
        if (fields[0] & 1) std::fputs("normal bit order", stdout);
        std::putchar('\n');
        return true;
    }
    uint8_t three[3], flags, count;
    std::string name;
    if (!r.block(three, 3) || !r.text(name) || !r.byte(flags) || !r.byte(count)) return false;
    std::fputs("Segment: ", stdout);
    if (three[0] || three[1] || three[2]) std::printf("%02X %02X %02X ", three[0], three[1], three[2]);
    std::printf("\"%s\" flags 0x%X\nStart\tLength\n", name.c_str(), flags);
    for (uint32_t i = 0; i < count; ++i) {
        uint32_t start, length;
        if (!r.word32(start) || !r.word32(length)) return false;
        std::printf("0x%04lX\t0x%04lX\n", static_cast<unsigned long>(start), static_cast<unsigned long>(length));
    }
    std::putchar('\n');
    return true;
}

}  // namespace

bool ubrof_probe(conv_context&, FILE* in) {
    uint8_t b[7];
    int first = std::fgetc(in);
    if (first != 0xA5) return false;
    if (std::fread(b, 1, 6, in) != 6) {
        alert_message(1044);
        return false;
    }
    stamp s;
    std::memcpy(s.b, b, 6);
    return s.valid();
}

void ubrof_read(conv_context&, FILE*, const std::string&) {}
bool ubrof_write(conv_context&, FILE*, const std::string&) { return true; }

bool ubrof_dump(conv_context& ctx, FILE* in) {
    const uint32_t v = ctx.opt.verbose_level;
    ubrof_reader r(in);
    uint8_t first;
    if (std::fgetc(in) == EOF) {
        alert_message(1044);
        return true;
    }
    std::rewind(in);
    if (!r.byte(first)) return true;
    if (first != 0xA5) return alert_message(1047), false;
    stamp start;
    if (!r.date(start, 0)) return false;
    if (!start.valid()) return alert_message(1048), false;
    std::printf("UBROF file: %d/%d/%d %02d:%02d:%02d ", start.year(), start.b[4], start.b[3], start.b[2], start.b[1],
                start.b[0]);
    uint32_t segment = 0, address = 0;
    for (;;) {
        long tag_at = r.position();
        uint8_t tag;
        if (!r.byte(tag)) return false;
        switch (tag) {
        case 0x01:
        case 0x02:
            if (!program_or_segment(r)) return false;
            break;
        case 0x39: {
            uint8_t count, bytes[256];
            if (!r.byte(count) || !r.block(bytes, count)) return false;
            std::printf("Data: %d bytes in seg %d at 0x%lX\n", count, int(segment), static_cast<unsigned long>(address));
            if (v) hex_dump_bytes(stdout, address, 16, bytes, count, "%04X:", true);
            address += count;
            break;
        }
        case 0x3F: {
            uint16_t running = r.crc;
            uint32_t stored;
            if (!r.word16(stored)) return false;
            r.counted -= 2;
            if (stored == running) {
                if (v) std::printf("CRC matched at %lX\n", static_cast<unsigned long>(tag_at));
                r.reset();
                break;
            }
            alert_message(1049, static_cast<unsigned long>(r.counted), unsigned(running));
            if (v)
                hex_dump_bytes(stdout, 0, 16, r.kept.data(), static_cast<uint32_t>(std::min(r.kept.size(), KEPT)),
                               "%04X:", true);
            return false;
        }
        case 0x47: {
            uint32_t first_line, seg, last_line, value;
            uint8_t flags;
            if (!r.word16(first_line) || !r.word16(seg) || !r.word16(last_line) || !r.byte(flags) || !r.word16(value))
                return false;
            std::printf("Statement: line %u", first_line);
            if (last_line != first_line) std::printf("-%u", last_line);
            std::printf(" seg %X flags %X %X\n", seg, flags, value);
            break;
        }
        case 0x4A: {
            uint32_t value;
            uint8_t kind;
            std::string text;
            if (!r.word16(value) || !r.byte(kind) || (kind == 0x11 && !r.text(text))) return false;
            break;
        }
        case 0x4C: {
            uint8_t kind, extra[3];
            uint32_t seg, addr;
            std::string name;
            if (!r.byte(kind) || !r.word16(seg) || !r.word32(addr) || !r.text(name) || !r.block(extra, 3)) return false;
            std::fputs("Symbol; ", stdout);
            if (kind >= 1 && kind <= 5) std::fputs(symbol_kinds[kind], stdout);
            else std::printf("type?? 0x%02X ", kind);
            if (seg >= 1 && seg <= 7) std::fputs(symbol_segments[seg], stdout);
            else std::printf("segment 0x%X ", seg);
            std::printf("addr = 0x%lX  \"%s\"", static_cast<unsigned long>(addr), name.c_str());
            if (extra[0] || extra[1] || extra[2]) std::printf(" %02X %02X %02X", extra[0], extra[1], extra[2]);
            std::putchar('\n');
            break;
        }
        case 0x51: {
            uint8_t seg;
            if (!r.byte(seg) || !r.word32(address)) return false;
            segment = seg;
            if (v) std::printf("Origin 0x%lX in segment %d\n", static_cast<unsigned long>(address), int(segment));
            break;
        }
        case 0x52: {
            uint8_t five[5];
            std::string name;
            stamp s;
            if (!r.block(five, 5) || !r.text(name)) return false;
            std::fputs("Debug record: ", stdout);
            static const uint8_t usual[5] = {0x00, 0xB9, 0x00, 0x00, 0x00};
            if (std::memcmp(five, usual, 5) != 0)
                std::printf("%02X %02X %02X %02X %02X ", five[0], five[1], five[2], five[3], five[4]);
            std::printf("\"%s\" ", name.c_str());
            if (!r.date(s, 0)) return false;
            if (!s.valid()) return alert_message(1050), false;
            std::printf("modified %d/%d/%d %02d:%02d:%02d\n", s.year(), s.b[4], s.b[3], s.b[2], s.b[1], s.b[0]);
            break;
        }
        case 0x53: {
            uint8_t two[2];
            if (!r.block(two, 2)) return false;
            std::printf("Aux record: 0x%02X 0x%02X\n", two[0], two[1]);
            break;
        }
        case 0x54: {
            uint8_t two[2];
            std::string name;
            if (!r.block(two, 2) || !r.text(name)) return false;
            std::printf("Translator: 0x%02X 0x%02X \"%s\"\n", two[0], two[1], name.c_str());
            break;
        }
        case 0xBD: {
            uint8_t version, bytes[13];
            if (!r.byte(version)) return false;
            std::printf("UBROF version %d\n", version);
            if (!r.block(bytes, 13)) return false;
            if (std::memcmp(bytes, expected_version, 13) != 0) {
                std::fputs("Funny BD record; should be:\nBD 06 ", stdout);
                for (uint8_t b : expected_version) std::printf("%02X ", b);
                std::printf("but was:\nBD %02X ", version);
                for (uint8_t b : bytes) std::printf("%02X ", b);
                std::putchar('\n');
            }
            break;
        }
        case 0xC0: {
            uint8_t six[6];
            if (!r.block(six, 6)) return false;
            std::printf("C0 record: %02X %02X %02X %02X %02X %02X\n", six[0], six[1], six[2], six[3], six[4], six[5]);
            break;
        }
        case 0xFF:
            return true;
        default:
            alert_message(1052);
            return false;
        }
    }
}

}  // namespace conv
