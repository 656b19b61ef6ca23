// Reading Intel HEX files: the records of a stream handed on as addressed data. Each program
// that reads hex files chooses which records it understands and the numbers of the messages
// it reports; their kinds (fatal, warning) come from the message file as always.
#pragma once
#include <cstdint>
#include <cstdio>
#include <functional>
#include <string>

namespace hexfmt {

struct IntelHexRules {
    // Message numbers; 0 reports nothing. The texts take the arguments shown.
    int32_t bad_digit = 0;     // a character that is no hex digit: (line, file)
    int32_t bad_type = 0;      // a record type not understood: (type, line, file); the record is skipped
    int32_t checksum = 0;      // a record whose bytes do not sum to 0: (file, line)
    int32_t no_end = 0;        // the file ends before its end record: (file)
    int32_t stray_line = 0;    // a line that does not begin with ':': (file, line); 0 skips
                               // any text up to the next ':'
    bool segment_records = false;   // types 02, 03 and 05 are understood (else only 00, 01, 04)
    bool stop_on_checksum = false;  // a checksum error ends the reading
};

enum class IntelHexEnd : uint8_t {
    end_record,    // type 01
    end_of_file,   // no end record
    stopped,       // a stray line or a checksum error ended the reading
};

struct IntelHexResult {
    IntelHexEnd end = IntelHexEnd::end_of_file;
    int32_t records = 0;       // records met, the one in hand included; the line number of messages
    uint32_t start_base = 0;   // start address of type 03 (segment:offset) or 05
};

// Called for each data record: the address of its first byte (the base of types 02 and 04
// added; the 16-bit part does not wrap into the next byte's) and its bytes.
using IntelHexData = std::function<void(uint32_t address, const uint8_t* bytes, size_t count)>;

// Reads records until the end record or the end of the stream. Hex digits are upper case.
IntelHexResult read_intel_hex(std::FILE* in, const std::string& name, const IntelHexRules& rules,
                              const IntelHexData& data);

}  // namespace hexfmt
