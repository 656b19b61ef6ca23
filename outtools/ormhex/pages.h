// ormhex's memory image: pages of 1024 bytes with presence flags. At most 150 pages live in
// memory; the least recently used one goes to a swap file when another is needed.
#pragma once
#include <cstdint>
#include <cstdio>
#include <list>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

#include "objfmt/objfmt.h"

namespace hex {

constexpr uint32_t page_size = 1024;
constexpr size_t max_pages = 4000;

class PageImage {
public:
    explicit PageImage(size_t max_slots = 150) : max_slots_(max_slots) {}
    ~PageImage();
    PageImage(const PageImage&) = delete;
    PageImage& operator=(const PageImage&) = delete;

    // The fill preset of new pages, in the target's 16-bit order.
    void set_fill(uint32_t fill, const obj::byte_order& order);
    uint8_t preset(uint32_t address) const;

    void put(uint32_t address, uint8_t value);   // a present byte
    bool get(uint32_t address, uint8_t& value);   // false when no page holds the address

    struct Page {
        uint32_t number;
        uint32_t low, high;      // lowest written address, highest written plus one
        int slot = -1;           // in memory, else -1
        int64_t swap_at = -1;    // place in the swap file once written there
    };
    size_t count() const { return pages_.size(); }
    const Page& page(size_t index) const { return pages_[index]; }
    // The page's 1024 data bytes followed by its 1024 presence flags, brought into memory.
    uint8_t* slot(size_t index);
    void sort();                 // by page number
    uint32_t lowest() const;     // 0 for an empty image
    uint32_t highest() const { return highest_; }

    // Closes and removes the swap file (also for the exit hook).
    void drop_swap();

private:
    size_t find_or_add(uint32_t number);
    int take_slot();
    void touch(size_t index);

    size_t max_slots_;
    std::vector<Page> pages_;
    std::unordered_map<uint32_t, size_t> index_;
    std::vector<std::unique_ptr<uint8_t[]>> slots_;
    std::vector<size_t> slot_owner_;
    std::list<size_t> recent_;   // pages in memory, most recent first
    std::vector<std::list<size_t>::iterator> recent_at_;
    FILE* swap_ = nullptr;
    std::string swap_name_;
    int64_t swap_end_ = 0;
    uint8_t preset_[2] = {0, 0};
    uint32_t highest_ = 0;
};

}  // namespace hex
