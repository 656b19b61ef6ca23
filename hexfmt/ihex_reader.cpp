// The Intel HEX reader shared by the programs that read hex files.
#include "hexfmt/ihex_reader.h"

#include <vector>

#include "common/alert.h"
#include "hexfmt/hexfmt.h"

namespace hexfmt {

namespace {

class RecordReader {
public:
    RecordReader(std::FILE* in, const std::string& name, const IntelHexRules& rules)
        : in_(in), name_(name), rules_(rules) {}

    int32_t line = 0;
    unsigned sum = 0;

    // One byte of two hex digits, added to the record's sum.
    uint8_t byte() {
        int value = 0;
        for (int i = 0; i < 2; ++i) {
            int c = std::getc(in_);
            int digit = c == EOF ? -1 : hex_value(static_cast<char>(c));
            if (digit < 0) {
                if (rules_.bad_digit) alert_message(rules_.bad_digit, line, name_.c_str());
                digit = 0;
            }
            value = value << 4 | digit;
        }
        sum += static_cast<unsigned>(value);
        return static_cast<uint8_t>(value);
    }

    // Moves to the next record's first digit: false at the end of the stream, or (with a
    // stray-line message) at a line that is not a record.
    bool next_record(bool& stray) {
        if (!rules_.stray_line) {
            for (int c; (c = std::getc(in_)) != EOF;)
                if (c == ':') {
                    ++line;
                    return true;
                }
            return false;
        }
        if (line > 0) {   // the rest of the previous record's line
            int c;
            while ((c = std::getc(in_)) != EOF && c != '\n') {}
            if (c == EOF) return false;
        }
        int c = std::getc(in_);
        if (c == EOF) return false;
        ++line;
        if (c == ':') return true;
        alert_message(rules_.stray_line, name_.c_str(), line);
        stray = true;
        return false;
    }

private:
    std::FILE* in_;
    const std::string& name_;
    const IntelHexRules& rules_;
};

}  // namespace

IntelHexResult read_intel_hex(std::FILE* in, const std::string& name, const IntelHexRules& rules,
                              const IntelHexData& data) {
    RecordReader reader(in, name, rules);
    IntelHexResult result;
    uint32_t base = 0;
    std::vector<uint8_t> bytes;
    for (;;) {
        bool stray = false;
        if (!reader.next_record(stray)) {
            result.records = reader.line;
            if (stray) {
                result.end = IntelHexEnd::stopped;
            } else if (rules.no_end) {
                alert_message(rules.no_end, name.c_str());
            }
            return result;
        }
        reader.sum = 0;
        uint8_t count = reader.byte();
        uint16_t address = static_cast<uint16_t>(reader.byte() << 8);
        address = static_cast<uint16_t>(address | reader.byte());
        uint8_t type = reader.byte();
        bool segment = rules.segment_records;
        if (type == 1) {
            result.records = reader.line;
            result.end = IntelHexEnd::end_record;
            return result;
        }
        // Every record's bytes are read by its count, so that its checksum is found whatever its type.
        bytes.resize(count);
        for (uint8_t& b : bytes) b = reader.byte();
        auto value = [&](size_t at) { return count >= at + 2 ? uint32_t(bytes[at]) << 8 | bytes[at + 1] : 0u; };
        if (type == 0) {
            data(base + address, bytes.data(), bytes.size());
        } else if (type == 4 || (segment && type == 2)) {
            base = type == 4 ? value(0) << 16 : value(0) << 4;
        } else if (segment && type == 3) {
            result.start_base = (value(0) << 4) + value(2);   // CS:IP
        } else if (segment && type == 5) {
            result.start_base = value(0) << 16 | value(2);
        } else if (rules.bad_type) {
            alert_message(rules.bad_type, static_cast<unsigned>(type), reader.line, name.c_str());
        }
        reader.byte();
        if (reader.sum & 0xFF) {
            if (rules.checksum) alert_message(rules.checksum, name.c_str(), reader.line);
            if (rules.stop_on_checksum) {
                result.records = reader.line;
                result.end = IntelHexEnd::stopped;
                return result;
            }
        }
    }
}

}  // namespace hexfmt
