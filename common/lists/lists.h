// Memory-range lists, linker classes and memory spaces of the driver, with the program
// sections (psects) that the memory summary files under each class.
#pragma once
#include <cstdint>

struct addr_range {
    uint32_t low;
    uint32_t high;   // inclusive
    addr_range* next;
};

struct psect_entry {
    char* name;
    int32_t number;        // psect kind: the summary's unit code
    char* description;
    uint32_t size;
    uint32_t first;        // link address
    uint32_t second;       // load address
    psect_entry* next;
};

struct mem_class {
    char* name;
    uint8_t kind;          // 2 data memory and ID locations, 3 program memory and configuration
    psect_entry* psects;
    char* address_text;    // written after the ranges in the linker's class option
    int32_t page;          // 0 for every class but the PIC12 ENTRY class
    addr_range* available;
    addr_range* reserved;
    mem_class* next;
};

struct mem_space {
    char* name;
    char* description;
    mem_class* classes;
    int32_t number;
    mem_space* next;
    bool cleared;
};

// Range lists (sorted by low address).
void range_add(addr_range** list, uint32_t low, uint32_t high, uint32_t page, bool merge);
addr_range* range_list_copy(const addr_range* list);
void range_list_free(addr_range* list);
uint32_t range_list_free_size(addr_range* list);
addr_range* range_subtract(const addr_range* available, const addr_range* reserved);
addr_range* range_intersect(const addr_range* a, const addr_range* b);
void range_move(mem_class* cls, uint32_t old_low, uint32_t new_low, uint32_t new_high);

// Spaces and classes.
mem_space* space_add(mem_space** spaces, const char* name, const char* description, int32_t number);
mem_space* space_find(mem_space* spaces, const char* name);
mem_class* class_get(mem_space* space, const char* name, uint8_t kind, const char* address_text, int32_t page);
mem_class* class_find(mem_space* spaces, const char* name);
void class_add_range(mem_class* cls, int which, uint32_t low, uint32_t high, uint32_t page);
void space_add_range_all(mem_space* space, int which, uint32_t low, uint32_t high, uint32_t page);
void class_clear_ranges(mem_class* cls);
void space_clear_ranges(mem_space* space);
void space_list_free(mem_space* spaces);
uint32_t class_low(const mem_class* cls);
uint32_t class_high(const mem_class* cls);
uint32_t class_size(const mem_class* cls);
uint32_t space_size(const mem_space* space);
void class_intersect(mem_class* cls, const mem_class* other, bool take_reserved);
// The linker text of a class, e.g. "-ACODE=00h-07FFhx2"; empty when no address is free.
char* class_format(const mem_class* cls, const char* prefix, const char* name);

// "+lo-hi,-lo-hi,..." of --rom and --ram; returns 1 when the list was well formed.
using range_fn = void (*)(void* context, uint32_t low, uint32_t high);
int parse_range_list(const char* text, void* context, range_fn add, range_fn reserve);
// A number with "0x" or an H/O/Q/D suffix; advances the cursor; returns 1 when malformed.
int parse_address(const char** cursor, uint32_t* out);

// A class description in the linker's syntax, "NAME=lo-hi[*n],..." (the driver does not use
// it). Errors are reported with the linker's messages; returns 1 when the text was well formed.
int class_parse_spec(mem_class* cls, const char** cursor);

// Psect entries of the memory summary.
psect_entry* class_add_psect(mem_class* cls, const char* name, int32_t number, const char* description,
                             uint32_t first, uint32_t second, uint32_t size);
int32_t psect_value(const mem_class* cls, const char* name);
const char* psect_description_lookup(const mem_class* cls, const char* name);
void class_sort_psects(mem_class* cls, int key);
uint32_t class_page_count(const mem_class* cls, const uint32_t* unit_sizes, uint32_t kinds);
double percent(double a, double b);
