// Paged image with a bounded page cache and a swap file.
#include "outtools/ormhex/pages.h"

#include <algorithm>
#include <cstring>

#include "common/alert.h"
#include "common/osdep.h"

namespace hex {

PageImage::~PageImage() { drop_swap(); }

void PageImage::drop_swap() {
    if (swap_) {
        fclose(swap_);
        swap_ = nullptr;
        remove(swap_name_.c_str());
    }
}

void PageImage::set_fill(uint32_t fill, const obj::byte_order& order) {
    // The low byte everywhere; bits 8-15 in the high-byte position of each 16-bit pair when
    // the fill has bits among 8-23.
    uint8_t low = static_cast<uint8_t>(fill);
    preset_[0] = preset_[1] = low;
    if (fill & 0xFFFF00u) preset_[order.map16[1]] = static_cast<uint8_t>(fill >> 8);
}

uint8_t PageImage::preset(uint32_t address) const { return preset_[address % 2]; }

void PageImage::touch(size_t index) {
    recent_.splice(recent_.begin(), recent_, recent_at_[index]);
}

int PageImage::take_slot() {
    if (slots_.size() < max_slots_) {
        slots_.push_back(std::make_unique<uint8_t[]>(2 * page_size));
        slot_owner_.push_back(SIZE_MAX);
        return static_cast<int>(slots_.size() - 1);
    }
    if (recent_.size() <= 1) alert_message(296);
    size_t victim = recent_.back();
    recent_.pop_back();
    Page& page = pages_[victim];
    if (!swap_) {
        char* name = make_temp_name();
        swap_name_ = name;
        swap_ = fopen(name, "w+b");
        if (!swap_) alert_message(141, "swap", name);
    }
    if (page.swap_at < 0) {
        page.swap_at = swap_end_;
        swap_end_ += 2 * page_size;
    }
    if (fseek(swap_, page.swap_at, SEEK_SET) != 0) alert_message(417, swap_name_.c_str());
    if (fwrite(slots_[page.slot].get(), 1, 2 * page_size, swap_) != 2 * page_size)
        alert_message(413, swap_name_.c_str());
    int slot = page.slot;
    page.slot = -1;
    return slot;
}

uint8_t* PageImage::slot(size_t index) {
    Page& page = pages_[index];
    if (page.slot >= 0) {
        touch(index);
        return slots_[page.slot].get();
    }
    int slot = take_slot();
    uint8_t* data = slots_[slot].get();
    if (page.swap_at >= 0) {
        if (fseek(swap_, page.swap_at, SEEK_SET) != 0) alert_message(417, swap_name_.c_str());
        if (fread(data, 1, 2 * page_size, swap_) != 2 * page_size) alert_message(414, swap_name_.c_str());
    } else {
        for (uint32_t i = 0; i < page_size; ++i) data[i] = preset(i);
        memset(data + page_size, 0, page_size);
    }
    page.slot = slot;
    slot_owner_[slot] = index;
    recent_.push_front(index);
    recent_at_[index] = recent_.begin();
    return data;
}

size_t PageImage::find_or_add(uint32_t number) {
    auto it = index_.find(number);
    if (it != index_.end()) return it->second;
    if (pages_.size() >= max_pages) alert_message(418);
    uint32_t start = number * page_size;
    pages_.push_back(Page{number, start + page_size, start});
    recent_at_.emplace_back();
    index_[number] = pages_.size() - 1;
    return pages_.size() - 1;
}

void PageImage::put(uint32_t address, uint8_t value) {
    const uint32_t number = address / page_size;
    // Object data come in runs: the page of the last store is usually the one needed.
    size_t index;
    uint8_t* data;
    if (!recent_.empty() && pages_[recent_.front()].number == number) {
        index = recent_.front();
        data = slots_[pages_[index].slot].get();
    } else {
        index = find_or_add(number);
        data = slot(index);
    }
    uint32_t offset = address % page_size;
    data[offset] = value;
    data[page_size + offset] = 1;
    Page& page = pages_[index];
    page.low = std::min(page.low, address);
    page.high = std::max(page.high, address + 1);
    highest_ = std::max(highest_, address + 1);
}

bool PageImage::get(uint32_t address, uint8_t& value) {
    auto it = index_.find(address / page_size);
    if (it == index_.end()) return false;
    value = slot(it->second)[address % page_size];
    return true;
}

void PageImage::sort() {
    std::vector<size_t> order(pages_.size());
    for (size_t i = 0; i < order.size(); ++i) order[i] = i;
    std::sort(order.begin(), order.end(), [&](size_t a, size_t b) { return pages_[a].number < pages_[b].number; });
    std::vector<Page> sorted;
    std::vector<size_t> new_index(pages_.size());
    for (size_t i = 0; i < order.size(); ++i) {
        sorted.push_back(pages_[order[i]]);
        new_index[order[i]] = i;
    }
    pages_ = std::move(sorted);
    index_.clear();
    for (size_t i = 0; i < pages_.size(); ++i) index_[pages_[i].number] = i;
    // The cache keeps its order; only the page numbers it refers to change.
    std::vector<std::list<size_t>::iterator> at(pages_.size());
    for (auto it = recent_.begin(); it != recent_.end(); ++it) {
        *it = new_index[*it];
        at[*it] = it;
    }
    recent_at_ = std::move(at);
    for (size_t& owner : slot_owner_)
        if (owner != SIZE_MAX) owner = new_index[owner];
}

uint32_t PageImage::lowest() const {
    uint32_t low = UINT32_MAX;
    for (const Page& page : pages_)
        if (page.low < page.high) low = std::min(low, page.low);
    return low == UINT32_MAX ? 0 : low;
}

}  // namespace hex
