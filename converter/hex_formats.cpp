// Intel HEX and Motorola S-records as inputs and outputs of the converter. Record layouts and
// digits come from the shared hex module, so a shared reader can take over the line parsing.
#include <cctype>
#include <string>
#include <vector>

#include "common/alert.h"
#include "converter/formats.h"
#include "hexfmt/hexfmt.h"
#include "linkfiles/symfile.h"

namespace conv {

namespace {

void trim_right(std::string& line) {
    while (!line.empty() && std::isspace(static_cast<unsigned char>(line.back()))) line.pop_back();
}

// The bytes spelt by the hex digits of `text` from `pos`; false on a short line or a non-digit.
bool hex_bytes(const std::string& text, size_t pos, size_t count, std::vector<uint8_t>& out) {
    out.clear();
    if (pos + 2 * count > text.size()) return false;
    for (size_t i = 0; i < count; ++i) {
        uint32_t b = hex_byte(text.c_str() + pos + 2 * i);
        if (b > 0xFF) return false;
        out.push_back(static_cast<uint8_t>(b));
    }
    return true;
}

bool hex_line(const std::string& line, size_t from) {
    if ((line.size() - from) % 2) return false;
    for (size_t i = from; i < line.size(); ++i)
        if (!std::isxdigit(static_cast<unsigned char>(line[i]))) return false;
    return true;
}

uint32_t big_endian(const std::vector<uint8_t>& b, size_t from, size_t n) {
    uint32_t v = 0;
    for (size_t i = 0; i < n; ++i) v = v << 8 | b[from + i];
    return v;
}

// Records of at most 16 bytes from each non-empty block, in model order.
template <typename F> void for_each_record(const model& md, F emit) {
    for (const auto& d : md.data)
        for (uint32_t done = 0; done < d->size(); done += 16) {
            uint32_t n = d->size() - done < 16 ? d->size() - done : 16;
            emit(d->address + done, d->bytes.data() + done, n);
        }
}

}  // namespace

bool ihex_probe(conv_context&, FILE* in) {
    std::string line;
    if (!linkfile::read_line(in, line) || line.empty() || line[0] != ':') return false;
    trim_right(line);
    if (!hex_line(line, 1)) return false;
    uint32_t sum = 0;
    for (size_t i = 1; i < line.size(); i += 2) sum += hex_byte(line.c_str() + i);
    return sum % 256 == 0;
}

void ihex_read(conv_context& ctx, FILE* in, const std::string& name) {
    uint32_t data_base = 0, start = 0, line_number = 0;
    bool has_start = false;
    std::string line;
    std::vector<uint8_t> rec;
    while (linkfile::read_line(in, line)) {
        ++line_number;
        trim_right(line);
        // The whole record: count, address, type, the count's bytes, checksum.
        bool whole = !line.empty() && line[0] == ':' && hex_bytes(line, 1, 4, rec);
        if (whole) {
            size_t n = 5 + size_t(rec[0]);
            whole = hex_bytes(line, 1, n, rec);
        }
        if (!whole) {
            alert_message(635, name.c_str(), int(line_number));
            return;
        }
        uint32_t count = rec[0], address = uint32_t(rec[1]) << 8 | rec[2], type = rec[3];
        uint32_t sum = 0;
        for (uint8_t b : rec) sum += b;
        if (sum % 256 != 0) {
            alert_message(636, name.c_str(), int(line_number));
            return;
        }
        const uint8_t* bytes = rec.data() + 4;
        switch (type) {
        case 0: ctx.md.data_add(data_base + address, bytes, count, 0); break;
        case 1:
            // The start of types 03/05 when there was one, else the end record's address field.
            ctx.md.entry_address = has_start ? start : address;
            return;
        case 2:
            if (count >= 2) data_base = big_endian(rec, 4, 2) * 16;
            break;
        case 3:
            if (count >= 4) {
                start = big_endian(rec, 4, 2) * 16 + big_endian(rec, 6, 2);
                has_start = true;
            }
            break;
        case 4:
            if (count >= 2) data_base = big_endian(rec, 4, 2) << 16;
            break;
        case 5:
            if (count >= 4) {
                start = big_endian(rec, 4, 4);
                has_start = true;
            }
            break;
        default: break;
        }
    }
    if (has_start) ctx.md.entry_address = start;
}

bool ihex_write(conv_context& ctx, FILE* out, const std::string&) {
    uint32_t upper = 0;
    for_each_record(ctx.md, [&](uint32_t address, const uint8_t* bytes, uint32_t n) {
        if (address >> 16 != upper) {
            upper = address >> 16;
            uint8_t value[2] = {uint8_t(upper >> 8), uint8_t(upper)};
            std::fputs(hexfmt::intel_line(4, 0, value, 2).c_str(), out);
        }
        std::fputs(hexfmt::intel_line(0, uint16_t(address), bytes, n).c_str(), out);
    });
    std::fputs(":00000001FF\n", out);
    return true;
}

bool s19_probe(conv_context&, FILE* in) {
    std::string line;
    if (!linkfile::read_line(in, line) || line.size() < 2 || line[0] != 'S' ||
        !std::isdigit(static_cast<unsigned char>(line[1])))
        return false;
    trim_right(line);
    if (line.size() % 2) return false;
    for (size_t i = 1; i < line.size(); ++i)
        if (!std::isxdigit(static_cast<unsigned char>(line[i]))) return false;
    return true;
}

void s19_read(conv_context& ctx, FILE* in, const std::string&) {
    std::string line;
    std::vector<uint8_t> rec;
    while (linkfile::read_line(in, line)) {
        trim_right(line);
        if (line.size() < 2 || line[0] != 'S' || !std::isdigit(static_cast<unsigned char>(line[1]))) return;
        int type = line[1] - '0';
        if (type == 0) continue;
        if (type >= 4 && type <= 6) return;
        size_t address_bytes = type == 1 || type == 9 ? 2 : type == 2 || type == 8 ? 3 : 4;
        // A record shorter than its count, or a count below its address, ends the reading.
        if (!hex_bytes(line, 2, 1, rec) || rec[0] < address_bytes + 1 || !hex_bytes(line, 4, rec[0], rec)) return;
        uint32_t address = big_endian(rec, 0, address_bytes);
        if (type >= 7) {
            ctx.md.entry_address = address;
            return;
        }
        ctx.md.data_add(address, rec.data() + address_bytes, uint32_t(rec.size() - address_bytes - 1), 0);
    }
}

bool s19_write(conv_context& ctx, FILE* out, const std::string&) {
    for_each_record(ctx.md, [&](uint32_t address, const uint8_t* bytes, uint32_t n) {
        int address_bytes = address > 0xFFFFFF ? 4 : address < 0x10000 ? 2 : 3;
        uint32_t count = n + uint32_t(address_bytes) + 1;
        std::string line = address_bytes == 4 ? "S3" : address_bytes == 2 ? "S1" : "S2";
        hexfmt::append_hex(line, count, 2);
        hexfmt::append_hex(line, address, 2 * address_bytes);
        uint32_t sum = count;
        for (int i = 0; i < address_bytes; ++i) sum += (address >> (8 * i)) & 0xFF;
        for (uint32_t i = 0; i < n; ++i) {
            hexfmt::append_hex(line, bytes[i], 2);
            sum += bytes[i];
        }
        hexfmt::append_hex(line, ~sum & 0xFF, 2);
        line += '\n';
        std::fputs(line.c_str(), out);
    });
    return true;
}

}  // namespace conv
