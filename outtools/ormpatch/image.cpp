// Store rule and origin table of the ormpatch image.
#include "outtools/ormpatch/image.h"

#include "common/alert.h"

namespace patch {

static const char* const fixed_origin_names[ORIGIN_INPUT] = {
    "Unused memory", "Filled ROM", "Stored serial code", "Stored ASCII string",
    "Reserved for checksum", "Stored checksum result", "Trailing code", "Find & replace opcode",
};

std::string Image::origin_name(int origin) const {
    if (origin < ORIGIN_INPUT) return fixed_origin_names[origin];
    size_t input = static_cast<size_t>(origin - ORIGIN_INPUT);
    return input < inputs_.size() ? inputs_[input] : std::string();
}

char Image::origin_letter(int origin) {
    static const char letters[] = "-FSARCT&12345";
    return origin >= 0 && origin < 13 ? letters[origin] : '?';
}

const Cell* Image::cell(uint32_t address) const {
    uint32_t base = address & ~(page_cells - 1);
    if (last_page_ && base == last_base_) return &(*last_page_)[address % page_cells];
    auto it = pages_.find(base);
    return it == pages_.end() ? nullptr : &it->second[address % page_cells];
}

Page& Image::page_for(uint32_t base) {
    if (last_page_ && base == last_base_) return *last_page_;
    auto it = pages_.lower_bound(base);
    if (it == pages_.end() || it->first != base) {
        if (pages_.size() >= max_image_bytes / page_cells)
            alert_message(1214, static_cast<unsigned long>(max_image_bytes), static_cast<unsigned long>(base));
        it = pages_.emplace_hint(it, base, Page{});
    }
    last_page_ = &it->second;
    last_base_ = base;
    return it->second;
}

void Image::store(uint32_t address, uint8_t value, uint8_t tag) {
    Cell& cell = page_for(address & ~(page_cells - 1))[address % page_cells];
    bool new_forced = tag & TAG_FORCED;
    bool old_forced = cell.tag & TAG_FORCED;
    if (cell.tag && new_forced && old_forced && cell.value != value)
        alert_message(962, static_cast<unsigned>(address), origin_name(origin_of(cell.tag)).c_str(),
                      origin_name(origin_of(tag)).c_str());
    uint8_t origin = origin_of(tag);
    if (cell.tag == 0 || new_forced || origin == ORIGIN_CHECKSUM || origin == ORIGIN_REPLACED) {
        cell.value = value;
        cell.tag = tag;
        return;
    }
    if (origin == ORIGIN_FILL || old_forced || cell.value == value) return;
    alert_message(944, static_cast<unsigned>(address), origin_name(origin_of(cell.tag)).c_str(),
                  origin_name(origin).c_str());
}

}  // namespace patch
