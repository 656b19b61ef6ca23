// ormpatch's memory image: pages of 64 cells, each a value and a tag naming where the byte
// came from, with the one store rule that inputs and operations share.
#pragma once
#include <array>
#include <cstdint>
#include <map>
#include <string>
#include <vector>

namespace patch {

// Low four bits of a tag: the origin. Bit 7: forced storage. A tag of 0 is an empty cell.
enum Origin : uint8_t {
    ORIGIN_UNUSED = 0, ORIGIN_FILL = 1, ORIGIN_SERIAL = 2, ORIGIN_STRING = 3,
    ORIGIN_RESERVED = 4, ORIGIN_CHECKSUM = 5, ORIGIN_TRAILING = 6, ORIGIN_REPLACED = 7,
    ORIGIN_INPUT = 8,   // first input file; input i has origin 8 + i
};
constexpr uint8_t TAG_FORCED = 0x80;
constexpr int max_inputs = 5;
constexpr uint32_t page_cells = 64;
// The most bytes an image holds: far beyond any target's memory, yet a bound on what a
// wild fill or serial range can make the program allocate and write.
constexpr uint32_t max_image_bytes = 0x1000000;

inline uint8_t origin_of(uint8_t tag) { return tag & 0x0F; }

struct Cell {
    uint8_t value = 0;
    uint8_t tag = 0;
};
using Page = std::array<Cell, page_cells>;

class Image {
public:
    Image() { pages_[0]; }   // the page at 0 always exists
    // A copy has its own pages: the cached page pointer is not carried over.
    Image(const Image& other) : pages_(other.pages_), inputs_(other.inputs_) {}
    Image& operator=(const Image& other) {
        pages_ = other.pages_;
        inputs_ = other.inputs_;
        last_page_ = nullptr;
        return *this;
    }

    // Stores one byte by the store rule; a conflict of unforced data is fatal 944, a new page
    // past max_image_bytes fatal 1214.
    void store(uint32_t address, uint8_t value, uint8_t tag);
    const Cell* cell(uint32_t address) const;   // null when no page covers the address
    const std::map<uint32_t, Page>& pages() const { return pages_; }

    // Origin rows: the eight fixed ones, then one per input file that was named.
    void add_input(const std::string& name) { inputs_.push_back(name); }
    int origin_count() const { return ORIGIN_INPUT + static_cast<int>(inputs_.size()); }
    std::string origin_name(int origin) const;
    static char origin_letter(int origin);

private:
    Page& page_for(uint32_t base);

    std::map<uint32_t, Page> pages_;
    // Stores come in address order almost always: the last page touched saves a map lookup
    // per byte. Map nodes never move, so the pointer stays valid.
    Page* last_page_ = nullptr;
    uint32_t last_base_ = 0;
    std::vector<std::string> inputs_;
};

}  // namespace patch
