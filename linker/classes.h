// Memory classes and address ranges: the class options, the number syntax they share with
// -P, range arithmetic, the master range list, chain allocation into class ranges, the
// memory-space table and segment selectors.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "linker/linkdata.h"

namespace lnk {

struct context;

constexpr size_t MAX_SPACES = 16;

struct space_entry {
    uint8_t space = 0;
    uint32_t high = 0;     // highest end in units
};

struct dabs_entry {
    uint8_t space = 0;
    uint32_t address = 0;
    uint32_t size = 0;
};

struct class_pair {
    std::string psect;
    std::string cls;
};

struct placement_state {
    std::vector<name_entry*> class_list;   // classes in the order of their first -A
    range_list master;
    std::vector<space_entry> spaces;
    bool scaled = false;                   // some -D<class>=<delta> was given
    std::vector<segment> segments;
    bool segmented = false;                // -G given
    std::string selector_expr;
    std::vector<class_pair> class_pairs;   // -C<psect>=<class>
    std::vector<dabs_entry> dabs;
};

// Reads a number at p (0x prefix, hex digits, radix letter H, O, Q or D); advances p past
// it. False when the first character is no hexadecimal digit or a digit breaks the radix.
bool parse_number(const char*& p, uint32_t& value);

// The class options; each gets the text after its option letter.
void parse_class_ranges(context& cx, const char* text);   // -A<class>=<spec>[,<spec>...]
void parse_class_size(context& cx, const char* text);     // -S<class>=[max][,[align][,limit]]
void parse_class_assign(context& cx, const char* text);   // -C<psect>=<class>
void parse_class_delta(context& cx, const char* text);    // -D<class>=<delta>
void parse_selector_option(context& cx, const char* text);// -G<expression>
// The class named by a -C pair for psect name, or null.
const class_pair* class_pair_for(context& cx, const std::string& psect);

uint8_t class_space(const name_entry* cls);
uint32_t class_delta(const name_entry* cls);

// Adds a range; without an insert position a range covered by one of the same class
// (same load offset, at least its overrun) among the first `search_limit` is not added again.
void add_range(range_list& list, name_entry* cls, uint32_t low, uint32_t length, uint32_t overrun,
               uint32_t load, int32_t insert_at = -1, size_t search_limit = SIZE_MAX);
// Takes the load stretch [from, to) out of every range of the space (bytes in scaled mode).
void subtract_range(context& cx, range_list& list, uint32_t from, uint32_t to, uint8_t space);
void build_master_list(context& cx);
// Takes a placed psect's load stretch out of the master list.
void remove_placed(context& cx, const psect_rec* p);
void raise_space(context& cx, uint8_t space, uint32_t end);

// Allocates p (and its "with" members inside its block) into free ranges of its class;
// lo and hi are byte addresses. On success the list loses the allocated stretches.
bool allocate_chain(context& cx, range_list& list, psect_rec* p, uint32_t lo, uint32_t hi);
// Allocates p in cls from lowest; 491 on failure. Returns link and load in units.
bool place_in_class(context& cx, name_entry* cls, psect_rec* p, uint32_t lowest, uint32_t& link, uint32_t& load);
void finish_chain(context& cx, psect_rec* p);
uint32_t segment_selector(context& cx, uint32_t number, const psect_rec* p, uint32_t load, uint32_t link);

}  // namespace lnk
