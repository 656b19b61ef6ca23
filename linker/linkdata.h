// The records every part of the link works on: name entries (symbols, psects, classes),
// psect records with their placement fields, address ranges and segments.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

namespace lnk {

// Flag bits of a name entry. The low four bits of a symbol are its kind.
constexpr uint16_t SYM_KIND_MASK = 0x000F;
constexpr uint16_t FL_GLOBAL = 0x0010;
constexpr uint16_t FL_OVERLAID = 0x0040;
constexpr uint16_t FL_ABSOLUTE = 0x0080;
constexpr uint16_t FL_ALIGN_HIGH = 0x0100;    // alignment taken shifted left 16
constexpr uint16_t FL_BYTE_FIXUP = 0x0200;    // 1-byte fixups check only the low 8 bits
constexpr uint16_t FL_BIT = 0x0400;           // bit psect: addresses in bits
constexpr uint16_t FL_SIGNATURE = 0x0800;     // symbols: signature present
constexpr uint16_t FL_SELECTOR_REF = 0x0800;  // psects: selector referenced
constexpr uint16_t FL_PSECT_KIND2 = 0x2000;
constexpr uint16_t FL_CLASS = 0x4000;
constexpr uint16_t FL_PSECT = 0x8000;

// Symbol kinds.
constexpr uint16_t SK_DEFINED = 0, SK_STACK = 1, SK_COMMON = 2, SK_REGISTER = 3, SK_INFO4 = 4, SK_INFO5 = 5,
                   SK_EXTERN = 6, SK_DEFINED_GLOBAL = 7, SK_INDIRECT = 8;

struct psect_rec;
struct fn_node;

struct name_entry {
    std::string name;
    uint32_t value = 0;              // symbols: value (bytes; absolute after placement)
    psect_rec* rec = nullptr;        // psects and classes: their record
    name_entry* owner = nullptr;     // symbols: their psect (indirect: the target symbol)
    uint16_t flags = 0;
    uint16_t signature = 0;
    int32_t file = -1;               // input index of the definition, -1 none
    int32_t module = -1;             // module index of the definition
    int32_t ref_module = -1;         // module that first referred to it (undefined report)
    int32_t sig_module = -1;         // module whose SIGNAT gave the signature
    bool lib_taken = false;          // marked by a library scan
    bool defined_pass1 = false;
    bool linker_defined = false;     // value already absolute (made by placement)
    fn_node* local_node = nullptr;   // call graph
    fn_node* arg_node = nullptr;

    uint16_t kind() const { return flags & SYM_KIND_MASK; }
    bool is_psect() const { return flags & FL_PSECT; }
    bool is_class() const { return flags & FL_CLASS; }
    bool is_symbol() const { return !(flags & (FL_PSECT | FL_CLASS)); }
    bool is_global() const { return flags & FL_GLOBAL; }
};

enum class place_state : uint8_t { unplaced = 0, positioned = 1, tentative = 2, finished = 3 };

// One free stretch of a class (or of the master list); addresses in the class's units.
struct addr_range {
    uint32_t low = 0;
    uint32_t length = 0;
    uint32_t load = 0;
    uint32_t overrun = 0;
    name_entry* cls = nullptr;
    bool top = false;
};
using range_list = std::vector<addr_range>;

struct psect_rec {
    name_entry* entry = nullptr;
    uint32_t link = 0;               // byte (bit) address
    uint32_t load = 0;               // byte address
    uint32_t max_size = 0;
    uint32_t limit = 0;
    uint32_t align = 0;
    uint32_t running = 0;            // start of the current module's part
    uint32_t part = 0;               // size of the current module's part
    uint32_t size = 0;
    uint32_t common = 0;             // common part (common symbols, function areas)
    bool has_common = false;
    uint32_t selector = 0;
    name_entry* cls = nullptr;
    uint8_t type = 0;
    uint8_t space = 0;
    uint8_t range_space = 0;
    bool space_set = false;
    bool range_space_set = false;
    uint8_t bitscale = 1;
    uint8_t delta = 1;
    bool delta_set = false;
    place_state state = place_state::unplaced;
    std::vector<psect_rec*> members;
    uint32_t total = 0;
    bool is_member = false;
    uint32_t alloc_words = 0;
    bool bounds_set = false;
    uint32_t low_bound = 0, high_bound = 0;
    range_list ranges;               // classes only
    bool has_ranges = false;
    bool in_class_list = false;
    bool failed = false;             // found no room; its fixups report no overflow
    bool load_given = false;         // load given after '/' in -P
    psect_rec* glued_into = nullptr;
    uint32_t glue_offset = 0;

    uint32_t words() const { return (size + bitscale - 1) / bitscale; }
    uint32_t units() const { uint32_t w = words(); return (w + delta - 1) / delta; }
};

// One contiguous placed stretch of memory.
struct segment {
    uint32_t length = 0;             // bytes
    uint32_t load = 0;
    uint32_t link = 0;
    std::string name;
    uint32_t selector = 0;
    std::string cls;
    uint8_t space = 0;
    uint8_t delta = 1;
};

}  // namespace lnk
