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
    auto it = pages_.find(address & ~(page_cells - 1));
    return it == pages_.end() ? nullptr : &it->second[address % page_cells];
}

void Image::store(uint32_t address, uint8_t value, uint8_t tag) {
    Cell& cell = pages_[address & ~(page_cells - 1)][address % page_cells];
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
