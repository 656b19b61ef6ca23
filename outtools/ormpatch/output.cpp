// ormpatch's Intel HEX output and the log sections written after it.
#include <cstdio>
#include <vector>

#include "common/alert.h"
#include "hexfmt/hexfmt.h"
#include "outtools/ormpatch/patch.h"

namespace patch {

namespace {

// Collects the output's lines and writes them in large blocks.
class LineWriter {
public:
    LineWriter(FILE* out, const std::string& name) : out_(out), name_(name) { buffer_.reserve(block + 64); }
    ~LineWriter() { flush(); }
    void record(uint8_t type, uint16_t address, const uint8_t* data, uint32_t n) {
        hexfmt::append_intel_line(buffer_, type, address, data, n);
        if (buffer_.size() >= block) flush();
    }
    void text(const char* line) { buffer_ += line; }
    void flush() {
        if (!buffer_.empty() && fwrite(buffer_.data(), 1, buffer_.size(), out_) != buffer_.size())
            alert_message(413, name_.c_str());
        buffer_.clear();
    }

private:
    static constexpr size_t block = 64 * 1024;
    FILE* out_;
    const std::string& name_;
    std::string buffer_;
};

}  // namespace

void write_hex(const Image& image, const Settings& settings, FILE* out, const std::string& name) {
    LineWriter writer(out, name);
    uint32_t upper = 0;
    bool first = true;
    std::vector<uint8_t> data;
    uint32_t record_start = 0;
    // Records never cross a page gap or a 64 KB boundary and hold consecutive cells only.
    auto flush = [&]() {
        if (data.empty()) return;
        uint32_t high = record_start >> 16;
        if (first && settings.kind == HexKind::inhx032) {
            uint8_t zero[2] = {0, 0};
            writer.record(4, 0, zero, 2);
        }
        first = false;
        if (high != upper) {
            if (settings.kind != HexKind::inhx8m) {
                uint8_t value[2] = {static_cast<uint8_t>(high >> 8), static_cast<uint8_t>(high)};
                writer.record(4, 0, value, 2);
            }
            upper = high;
        }
        // INHX8M cannot address data above 64 KB: such records are left out.
        if (!(settings.kind == HexKind::inhx8m && record_start >= 0x10000))
            writer.record(0, static_cast<uint16_t>(record_start), data.data(), static_cast<uint32_t>(data.size()));
        data.clear();
    };
    uint64_t next = 0;   // the address that would continue the current record
    for (const auto& [base, page] : image.pages())
        for (uint32_t i = 0; i < page_cells; ++i) {
            uint32_t address = base + i;
            if (page[i].tag == 0) {
                flush();
                continue;
            }
            if (!data.empty() && (address != next || (address & 0xFFFF) == 0 ||
                                  data.size() >= static_cast<size_t>(settings.record_length)))
                flush();
            if (data.empty()) record_start = address;
            data.push_back(page[i].value);
            next = static_cast<uint64_t>(address) + 1;
        }
    flush();
    writer.text(":00000001FF\n");
}

void write_log_summary(const Image& image, const Settings& settings, FILE* log) {
    fputs("### Memory Usage ###", log);
    const int rows = image.origin_count();
    for (int origin = 0; origin < rows; ++origin) {
        bool named = false;
        bool open = false;
        uint64_t last = 0;
        // A gap between pages is unused memory: it ends the runs of every other origin.
        auto visit = [&](uint64_t address, int cell_origin) {
            if (cell_origin == origin) {
                if (!open) {
                    if (!named) fprintf(log, "\n %s ranges:\n  ", image.origin_name(origin).c_str());
                    named = true;
                    fprintf(log, "%lXh - ", static_cast<unsigned long>(address));
                    open = true;
                }
            } else if (open) {
                fprintf(log, "%lXh\n  ", static_cast<unsigned long>(address - 1));
                open = false;
            }
            last = address;
        };
        uint64_t expected = 0;
        for (const auto& [base, page] : image.pages()) {
            if (base != expected) visit(expected, ORIGIN_UNUSED);
            for (uint32_t i = 0; i < page_cells; ++i) visit(base + i, origin_of(page[i].tag));
            expected = static_cast<uint64_t>(base) + page_cells;
        }
        if (open) fprintf(log, "%lXh\n  ", static_cast<unsigned long>(last));
    }
    if (!settings.checksums.empty()) {
        fputs("\n### Checksum Reports ###\n", log);
        int index = 0;
        for (const ChecksumSpec& ck : settings.checksums)
            fprintf(log, " Checksum %i : (%lXh to %lXh) = %0*lX\n", index++, static_cast<unsigned long>(ck.start),
                    static_cast<unsigned long>(ck.end), ck.width, static_cast<unsigned long>(ck.result));
    }
    fputs("\n### Hex Memory Map ###\n Legend:\n", log);
    for (int origin = 0; origin < rows; ++origin)
        fprintf(log, "  %c = %s\n", Image::origin_letter(origin), image.origin_name(origin).c_str());
    for (const auto& [base, page] : image.pages()) {
        fprintf(log, "%08lX: ", static_cast<unsigned long>(base));
        for (const Cell& cell : page) fputc(Image::origin_letter(origin_of(cell.tag)), log);
        fputc('\n', log);
    }
}

}  // namespace patch
