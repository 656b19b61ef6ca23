// The image operations, in the order ormpatch applies them: find/replace, serials, strings,
// checksum reservations, fills, checksum results.
#include <cstdio>

#include "common/alert.h"
#include "outtools/ormpatch/patch.h"

namespace patch {

namespace {

uint8_t tag_for(uint8_t origin, bool forced) {
    return static_cast<uint8_t>(origin | (forced ? TAG_FORCED : 0));
}

// Stores `width` bytes of value, most significant first, from `address` on.
void store_value(Image& image, uint32_t address, uint64_t value, int width, uint8_t tag) {
    for (int j = 0; j < width; ++j)
        image.store(address + j, static_cast<uint8_t>(value >> (8 * (width - 1 - j))), tag);
}

// Reads `width` bytes of input data (or forced bytes) most significant first; false when a
// cell is outside the image or holds anything else.
bool read_value(const Image& image, uint64_t address, int width, uint64_t& value) {
    value = 0;
    for (int j = 0; j < width; ++j) {
        if (address + j > 0xFFFFFFFFu) return false;
        const Cell* cell = image.cell(static_cast<uint32_t>(address + j));
        if (!cell || cell->tag <= ORIGIN_REPLACED) return false;
        value = value << 8 | cell->value;
    }
    return true;
}

uint64_t width_mask(int width) { return width >= 8 ? ~0ull : (1ull << (8 * width)) - 1; }

}  // namespace

void find_replace(Image& image, std::vector<FindSpec>& finds, FILE* log) {
    if (finds.empty()) return;
    if (log) fputs("### OP Code find / replace results ###", log);
    for (auto spec = finds.rbegin(); spec != finds.rend(); ++spec) {
        const int digits = 2 * spec->width;
        if (log)
            fprintf(log, "\n Search results for %s (%0*llXh & %0*llXh):", spec->title.c_str(), digits,
                    static_cast<unsigned long long>(spec->code), digits,
                    static_cast<unsigned long long>(spec->mask));
        // The search begins at the first aligned address at or after the start.
        uint64_t address = (static_cast<uint64_t>(spec->start) + spec->align - 1) / spec->align * spec->align;
        const uint64_t first = address;
        for (; address < spec->end; address += spec->align) {
            if (!image.cell(static_cast<uint32_t>(address))) {
                // No data before the next page: go straight to its first aligned address, so
                // a search over the whole address space costs what the image holds.
                auto next = image.pages().upper_bound(static_cast<uint32_t>(address));
                if (next == image.pages().end()) break;
                uint64_t steps = (next->first - first + spec->align - 1) / spec->align;
                address = first + steps * spec->align - spec->align;
                continue;
            }
            uint64_t value;
            if (!read_value(image, address, spec->width, value)) continue;
            if ((value & spec->mask) != (spec->code & spec->mask)) continue;
            ++spec->matches;
            if (spec->warn)
                alert_message(1212, spec->title.c_str(), digits, static_cast<unsigned long>(value),
                              static_cast<unsigned long>(address));
            if (log)
                fprintf(log, "\n  found (%0*llXh) at address %lXh", digits,
                        static_cast<unsigned long long>(value), static_cast<unsigned long>(address));
            if (spec->replace) {
                uint64_t replaced = ((value & ~spec->replace_mask) | (spec->replace_code & spec->replace_mask)) &
                                    width_mask(spec->width);
                store_value(image, static_cast<uint32_t>(address), replaced, spec->width,
                            tag_for(ORIGIN_REPLACED, spec->forced));
                if (log) fprintf(log, ", replaced with (%0*llXh)", digits, static_cast<unsigned long long>(replaced));
            }
        }
        if (spec->matches == 0 && log) fputs("\n  No occurances found.", log);
    }
    if (log) fputs("\n\n", log);
}

void store_serials(Image& image, const std::vector<SerialSpec>& serials) {
    for (auto spec = serials.rbegin(); spec != serials.rend(); ++spec) {
        uint64_t value = spec->value;
        uint32_t address = spec->address;
        for (long r = 0; r < spec->repetitions; ++r) {
            store_value(image, address, value, spec->width, tag_for(ORIGIN_SERIAL, spec->forced));
            value += static_cast<uint64_t>(spec->increment);
            address += static_cast<uint32_t>(spec->interval);
        }
    }
}

void store_strings(Image& image, const std::vector<StringSpec>& strings) {
    for (auto spec = strings.rbegin(); spec != strings.rend(); ++spec) {
        uint32_t address = spec->address;
        std::string text = spec->text;
        text += '\0';
        for (char c : text) {
            image.store(address++, static_cast<uint8_t>(c), tag_for(ORIGIN_STRING, spec->forced));
            for (uint8_t t : spec->trailing) image.store(address++, t, tag_for(ORIGIN_TRAILING, spec->forced));
        }
    }
}

// Result byte j of a checksum lies at destination + j * (trailing bytes + 1).
static uint32_t result_address(const ChecksumSpec& ck, int j) {
    return ck.destination + static_cast<uint32_t>(j) * static_cast<uint32_t>(ck.trailing.size() + 1);
}

void reserve_checksums(Image& image, const std::vector<ChecksumSpec>& checksums) {
    for (const ChecksumSpec& ck : checksums)
        for (int j = 0; j < ck.width; ++j) {
            uint32_t address = result_address(ck, j);
            image.store(address, 0, tag_for(ORIGIN_RESERVED, ck.forced));
            for (uint8_t t : ck.trailing) image.store(++address, t, tag_for(ORIGIN_TRAILING, ck.forced));
        }
}

void fill_unused(Image& image, const std::vector<FillSpec>& fills) {
    for (const FillSpec& fill : fills)
        for (uint64_t address = fill.start; address <= fill.end; ++address)
            image.store(static_cast<uint32_t>(address), fill.code[address % fill.code.size()],
                        tag_for(ORIGIN_FILL, fill.forced));
}

// Sums one checksum's range; false while the range holds a result not yet computed.
static bool sum_range(const Image& image, const ChecksumSpec& ck, uint32_t& sum, bool& voids) {
    sum = ck.initial;
    voids = false;
    auto page = image.pages().upper_bound(ck.start);
    if (page != image.pages().begin()) --page;
    for (; page != image.pages().end() && page->first <= ck.end; ++page)
        for (uint32_t i = 0; i < page_cells; ++i) {
            uint32_t address = page->first + i;
            if (address < ck.start || address > ck.end) continue;
            const Cell& cell = page->second[i];
            if (origin_of(cell.tag) == ORIGIN_RESERVED) return false;
            if (cell.tag == 0) voids = true;
            sum += cell.value;
        }
    return true;
}

void compute_checksums(Image& image, std::vector<ChecksumSpec>& checksums) {
    bool progress = true;
    while (progress) {
        progress = false;
        for (ChecksumSpec& ck : checksums) {
            if (ck.done) continue;
            uint32_t sum;
            bool voids;
            if (!sum_range(image, ck, sum, voids)) continue;
            if (voids) alert_message(963);
            if (ck.width < 4) sum &= (1u << (8 * ck.width)) - 1;
            ck.result = sum;
            for (int j = 0; j < ck.width; ++j)
                image.store(result_address(ck, j), static_cast<uint8_t>(sum >> (8 * (ck.width - 1 - j))),
                            tag_for(ORIGIN_CHECKSUM, ck.forced));
            ck.done = true;
            progress = true;
        }
    }
    for (const ChecksumSpec& ck : checksums)
        if (!ck.done) alert_message(945, ck.start, ck.end);
}

void apply_operations(Image& image, Settings& settings, FILE* log) {
    find_replace(image, settings.finds, log);
    store_serials(image, settings.serials);
    store_strings(image, settings.strings);
    reserve_checksums(image, settings.checksums);
    fill_unused(image, settings.fills);
    compute_checksums(image, settings.checksums);
}

}  // namespace patch
