#include "asmtools/ormasm/listing.h"

#include <cstdio>

namespace asmx {

std::string make_listing(const assembler& a, const std::string& source_name) {
    std::string out = "ormasm listing of " + source_name + "\n\n";
    out += "  LINE  LOC   OBJECT                   SOURCE\n";
    const std::vector<source_line>& lines = a.lines();
    char buf[32];
    for (const listing_line& l : a.listing()) {
        std::snprintf(buf, sizeof buf, "%6d  ", int(l.number));
        std::string row = buf;
        std::string code;
        if (l.psect >= 0 && !l.bytes.empty()) {
            std::snprintf(buf, sizeof buf, "%04X  ", unsigned(l.location));
            row += buf;
            bool words = a.psects()[size_t(l.psect)].unit_bytes() == 2;
            for (size_t i = 0; i < l.bytes.size(); i += words ? 2 : 1) {
                if (words && i + 1 < l.bytes.size())
                    std::snprintf(buf, sizeof buf, "%04X ", unsigned(l.bytes[i] | (l.bytes[i + 1] << 8)));
                else
                    std::snprintf(buf, sizeof buf, "%02X ", unsigned(l.bytes[i]));
                code += buf;
            }
        } else {
            row += "      ";
        }
        if (code.size() < 25) code.resize(25, ' ');
        row += code;
        size_t index = size_t(l.number - 1);
        if (index < lines.size()) row += lines[index].text;
        out += row;
        out += '\n';
    }
    return out;
}

}  // namespace asmx
