// The record-cutting loop that every record format shares, and the span loop of the raw
// formats.
#include <algorithm>
#include <vector>

#include "outtools/ormhex/hexconv.h"

namespace hex {

namespace {

// One page's span from its lowest to its highest written byte, absent bytes included.
void write_spans(PageImage& image, hexfmt::FormatWriter& writer) {
    for (size_t i = 0; i < image.count(); ++i) {
        const PageImage::Page& page = image.page(i);
        if (page.low >= page.high) continue;
        uint8_t* data = image.slot(i);
        uint32_t base = page.number * page_size;
        writer.record(page.low, data + (page.low - base), page.high - page.low);
    }
}

// A padding byte past the page's end: from the next page when its data begin at or before
// it (and then not written a second time), else 0xFF.
uint8_t padding_beyond(PageImage& image, size_t index, uint32_t address) {
    if (index + 1 < image.count()) {
        const PageImage::Page& next = image.page(index + 1);
        if (next.low <= address && address / page_size == next.number) {
            uint8_t* data = image.slot(index + 1);
            data[page_size + address % page_size] = 0;
            return data[address % page_size];
        }
    }
    return 0xFF;
}

void cut_page(PageImage& image, size_t index, uint32_t max_length, uint32_t align,
              hexfmt::FormatWriter& writer) {
    const PageImage::Page page = image.page(index);
    const uint32_t base = page.number * page_size;
    uint32_t address = page.low;
    if (align > 1) address &= ~(align - 1);
    uint64_t end = page.high;
    std::vector<uint8_t> record;
    while (address < end) {
        uint8_t* data = image.slot(index);
        auto present = [&](uint32_t a) { return a - base < page_size && data[page_size + (a - base)]; };
        if (!present(address)) {
            ++address;
            continue;
        }
        uint32_t length = static_cast<uint32_t>(std::min<uint64_t>(max_length, end - address));
        for (uint32_t k = 1; k < length; ++k)
            if (!present(address + k)) {
                length = k;
                break;
            }
        if (align > 1 && length % align) {
            length = (length + align - 1) / align * align;
            end = std::max<uint64_t>(end, static_cast<uint64_t>(address) + length);
        }
        record.resize(length);
        for (uint32_t k = 0; k < length; ++k) {
            uint32_t a = address + k;
            if (a - base < page_size) {
                record[k] = data[a - base];
            } else {
                record[k] = padding_beyond(image, index, a);
                data = image.slot(index);   // the cache may have moved this page
            }
        }
        writer.record(address, record.data(), length);
        address += length;
    }
}

}  // namespace

void write_records(PageImage& image, const hexfmt::FormatRow& row, const HexOptions& options,
                   hexfmt::FormatWriter& writer) {
    if (row.spans) {
        write_spans(image, writer);
        return;
    }
    uint32_t max_length = row.max_record;
    if (options.max_record && options.max_record < max_length) max_length = options.max_record;
    for (size_t i = 0; i < image.count(); ++i) {
        const PageImage::Page& page = image.page(i);
        if (page.low < page.high) cut_page(image, i, max_length, options.align, writer);
    }
}

}  // namespace hex
