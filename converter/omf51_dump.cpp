// Readable listing of OMF-51 records, with the Keil records of the extended format.
#include <cctype>
#include <cstring>
#include <ctime>

#include "converter/formats.h"
#include "converter/omf51_ops.h"

namespace conv {

namespace {

const char* const usage_words[8] = {"CODE", "XDATA", "DATA", "IDATA", "BIT", "NUMBER", "???6", "???7"};
const char* const block_names[6] = {"Module block", "Do block", "Procedure block",
                                    "Module block end", "Do block end", "Procedure block end"};
const char* const def_names[4] = {"Local symbols", "Public symbols", "Segment symbols", "Line numbers"};
const char* const basic_types[13] = {"typeless", "bit", "signed char", "unsigned char", "signed int",
                                     "unsigned int", "signed long", "unsigned long", "float", "double",
                                     "code label", "void", "float big endian"};
const char* const spaces[6] = {"", "IDATA", "XDATA", "PDATA", "DATA", "CODE"};
const char* const file_kinds[5] = {"output", "source", "header", "linker script", "object/library"};

// A walk over one record's body that never reads past it.
struct body_reader {
    const uint8_t* b;
    size_t end;
    size_t at;
    bool ok = true;

    bool has(size_t n) const { return ok && at + n <= end; }
    uint8_t byte() {
        if (!has(1)) return ok = false, 0;
        return b[at++];
    }
    uint32_t word() {
        uint32_t low = byte();
        return low | byte() << 8;
    }
    std::string name(bool printable_only) {
        size_t n = byte();
        if (!has(n)) return ok = false, std::string();
        std::string s;
        for (size_t i = 0; i < n; ++i) {
            unsigned char c = b[at + i];
            if (!printable_only || (c < 0x80 && (std::isalnum(c) || std::ispunct(c) || c == ' '))) s.push_back(char(c));
        }
        at += n;
        return s;
    }
};

std::string type_name(uint32_t index) {
    if (index <= 12) return basic_types[index];
    char text[32];
    std::snprintf(text, sizeof text, "type(0x%X)", index);
    return text;
}

void dump_debug_item(body_reader& r, bool extended) {
    uint8_t def = r.byte();
    std::printf("%s\n", def < 4 ? def_names[def] : "Unknown type");
    if (def > 3) {
        // Entries of an unknown kind cannot be walked: their bytes are shown instead.
        hex_dump_bytes(stdout, 0, 16, r.b + r.at, static_cast<uint32_t>(r.end - r.at), "\t\t%04X:", true);
        return;
    }
    while (r.at < r.end) {
        if (def == 3) {
            if (!r.has(5)) break;
            uint8_t seg = r.byte();
            uint32_t offset = r.word();
            uint32_t line = r.word();
            std::printf("\t\tSEG %d, offset 0x%4.4X, line %d\n", seg, offset, line);
            continue;
        }
        if (!r.has(6)) break;
        uint8_t seg = r.byte(), info = r.byte();
        uint32_t offset = r.word();
        uint8_t type = r.byte();
        std::string name = r.name(false);
        if (!r.ok) break;
        std::printf("\t\tSEG %d, ", seg);
        if (def != 2) {
            if (info & 0x80) std::fputs("IND ", stdout);
            std::fputs(info & 0x40 ? "VAR " : "FUNC ", stdout);
        }
        if (info & 0x20) std::printf("BANK %d ", (info >> 3) & 3);
        std::printf("%s ", usage_words[info & 7]);
        if (extended && def != 2) {
            if (type <= 12) std::printf("%s ", basic_types[type]);
            else if (type >= 0x20) std::printf("Typedef(%X) ", type);
            else std::printf("Unknown(%X) ", type);
        }
        std::printf("offset 0x%4.4X: %s\n", offset, name.c_str());
    }
    if (r.at != r.end || !r.ok) std::puts("Bad length");
}

void dump_keil_typedef(body_reader& r) {
    std::putchar('\n');
    for (uint32_t number = 0x20; r.at < r.end && r.ok; ++number) {
        std::printf("%27.27s0x%2.2X = ", "", number);
        uint8_t key = r.byte();
        switch (key) {
        case 0x20: {
            uint8_t count = r.byte(), flag = r.byte();
            if (flag) std::printf("%X ", flag);
            std::fputs("params (", stdout);
            for (uint32_t i = 0; i < count && r.ok; ++i) {
                uint8_t offset = r.byte(), extra = r.byte(), type = r.byte();
                std::string name = r.name(true);
                if (!r.ok) break;
                std::printf("%s%s %s offs %X/%X", i ? ", " : "", type_name(type).c_str(), name.c_str(), offset, extra);
            }
            std::putchar(')');
            break;
        }
        case 0x22: {
            r.byte();
            uint32_t count = r.word();
            uint8_t type = r.byte();
            if (r.ok) std::printf("Array[%u] of %s", count, type_name(type).c_str());
            break;
        }
        case 0x23: {
            uint8_t ret = r.byte(), params = r.byte();
            if (!r.ok) break;
            std::printf("Function returning %s ", type_name(ret).c_str());
            if (params) std::printf("parms 0x%X", params);
            else std::fputs("no parms", stdout);
            break;
        }
        case 0x24: {
            uint8_t first = r.byte();
            std::string name = r.name(true);
            if (!r.ok) break;
            std::fputs("tag", stdout);
            if (first) std::printf("(%X)", first);
            std::printf(" %s", name.c_str());
            break;
        }
        case 0x25: {
            uint8_t size = r.byte(), second = r.byte(), members = r.byte(), tag = r.byte();
            if (!r.ok) break;
            std::printf("struct size %d", size);
            if (second) std::printf("(%X)", second);
            std::printf(" membs %s tag 0x%X", type_name(members).c_str(), tag);
            break;
        }
        case 0x26: {
            r.byte();
            uint8_t position = r.byte(), width = r.byte();
            if (r.ok) std::printf("bitfield(%u@%u)", width, position);
            break;
        }
        case 0x28: {
            if (!r.has(8)) {
                r.ok = false;
                break;
            }
            const uint8_t* p = r.b + r.at;
            r.at += 8;
            std::printf("Pointer to %s size %u %s (", type_name(p[7]).c_str(), p[1], p[2] < 6 ? spaces[p[2]] : "");
            for (int i = 0; i < 7; ++i) std::printf("%X ", p[i]);
            std::putchar(')');
            break;
        }
        default:
            std::printf("Unknown key 0x%02X", key);
        }
        std::putchar('\n');
    }
    if (r.at != r.end || !r.ok) std::puts("Bad length");
}

void dump_keil_info(body_reader& r) {
    std::putchar('\n');
    while (r.at < r.end && r.ok) {
        std::fputs("\t\t", stdout);
        uint8_t key = r.byte();
        if (key < 5) {
            uint8_t flag = r.byte();
            uint32_t low = r.word();
            uint32_t time = low | r.word() << 16;
            std::string name = r.name(true);
            if (!r.ok) break;
            std::time_t t = static_cast<std::time_t>(time);
            char text[64] = "";
            if (const char* c = std::ctime(&t)) std::snprintf(text, sizeof text, "%s", c);
            if (char* nl = std::strchr(text, '\n')) *nl = 0;
            std::printf("File: %s", file_kinds[key]);
            if (flag) std::printf(" (%X)", flag);
            std::printf(", Time = %s; Name = '%s'", text, name.c_str());
        } else if (key == 0xFF) {
            std::string line = r.name(true);
            if (!r.ok) break;
            std::printf("Command line: '%s'", line.c_str());
        } else {
            std::printf("Unknown key 0x%02X", key);
        }
        std::putchar('\n');
    }
    if (r.at != r.end || !r.ok) std::puts("Bad length");
}

void dump_body(const omf_row& row, body_reader& r, bool extended) {
    switch (row.dump) {
    case omf_dump_kind::name_only:
        std::putchar('\n');
        break;
    case omf_dump_kind::module_header:
    case omf_dump_kind::module_end: {
        std::string name = r.name(false);
        size_t at = r.at + (row.dump == omf_dump_kind::module_end ? 2 : 0);
        uint8_t value = r.ok && at < r.end ? r.b[at] : 0;
        std::printf("Name: '%s'; %s = 0x%2.2X\n", name.c_str(), row.dump == omf_dump_kind::module_end ? "REG MSK" : "TRN ID",
                    value);
        break;
    }
    case omf_dump_kind::content: {
        uint8_t seg = r.byte();
        uint32_t offset = r.word();
        size_t count = r.ok ? r.end - r.at : 0;
        std::printf("Seg id %d, offset = 0x%4.4X, %d bytes; ", seg, offset, int(count));
        for (size_t i = 0; i < count && i < 12; ++i) std::printf("%2.2X ", r.b[r.at + i]);
        std::putchar('\n');
        break;
    }
    case omf_dump_kind::scope: {
        uint8_t block = r.byte();
        std::string name = r.name(false);
        std::printf("%s; Name = '%s'\n", block < 6 ? block_names[block] : "UNKNOWN", name.c_str());
        break;
    }
    case omf_dump_kind::debug_item:
        dump_debug_item(r, extended);
        break;
    case omf_dump_kind::keil_typedef:
        dump_keil_typedef(r);
        break;
    case omf_dump_kind::keil_info:
        dump_keil_info(r);
        break;
    case omf_dump_kind::source_name: {
        uint32_t flags = r.word();
        r.byte();
        std::string name = r.name(false);
        std::printf("Flags: %X Name: '%s'\n", flags, name.c_str());
        break;
    }
    }
}

}  // namespace

bool omf_dump(conv_context& ctx, omf_records& r, FILE* in) {
    std::printf("%s file dump:\n\n", r.extended() ? "Extended OMF-51" : "OMF-51");
    while (r.read(in, true, ctx.opt.verbose_level)) {
        const omf_row* row = r.row_of(r.type);
        char unknown[32];
        std::snprintf(unknown, sizeof unknown, "Unknown(0x%X)", r.type);
        std::printf("@%4.4lX %16.16s, len %3d: ", r.offset, row ? row->name : unknown, int(r.length));
        body_reader body{r.buffer.data(), r.length - 1, 0};
        if (row) {
            dump_body(*row, body, r.extended());
        } else {
            std::putchar('\n');
            if (ctx.opt.verbose_level == 1)
                hex_dump_bytes(stdout, 0, 16, r.buffer.data(), r.length - 1, "\t%04X:", true);
        }
    }
    return true;
}

}  // namespace conv
