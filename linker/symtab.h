// The link's one name table: symbols, psects and classes, the global open-addressing
// table, module-local scopes and the count of undefined symbols.
#pragma once
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "linker/linkdata.h"
#include "objfmt/objfmt.h"

namespace lnk {

struct context;

constexpr uint32_t GLOBAL_SLOTS = 2003;

// Lookup kinds: a symbol (FL_GLOBAL for a global reference), a psect (FL_PSECT, with
// FL_GLOBAL for a global one) or a class (FL_CLASS | FL_GLOBAL).
constexpr uint16_t KIND_CLASS = FL_CLASS | FL_GLOBAL;
constexpr uint16_t KIND_GLOBAL_PSECT = FL_PSECT | FL_GLOBAL;

struct module_rec {
    std::string name;        // the input's name, or the library module's name
    std::string library;     // the library's name for a library module, else empty
    int32_t file = -1;
    uint8_t ver_major = 0, ver_minor = 0;
    obj::byte_order order;           // from the module's IDENT
    std::vector<name_entry*> local_psects;
    std::vector<name_entry*> local_syms;
    bool version_at_least(int major, int minor) const {
        return ver_major > major || (ver_major == major && ver_minor >= minor);
    }
};

struct symtab_state {
    std::vector<name_entry*> slots = std::vector<name_entry*>(GLOBAL_SLOTS, nullptr);
    std::vector<std::unique_ptr<name_entry>> entries;   // owns every entry
    std::vector<std::unique_ptr<psect_rec>> records;    // owns every psect record
    std::vector<psect_rec*> psect_list;                 // psects and classes, creation order
    std::vector<std::unique_ptr<module_rec>> modules;
    module_rec* current = nullptr;
    int32_t current_index = -1;
    uint32_t undefined = 0;
    int pass = 0;
    int debug_level = 0;
    name_entry* abs_psect = nullptr;
    // Set by the first IDENT of the link.
    bool ident_seen = false;
    std::string machine;
    uint8_t obj_major = 0, obj_minor = 0;
    bool entry_seen = false;         // a START or SEGSTART was met
};

void symtab_start(context& cx);                     // enters the absolute psect into a fresh table
uint32_t name_hash(const std::string& name);
name_entry* link_sym_lookup(context& cx, const std::string& name, uint16_t kind);
name_entry* sym_enter(context& cx, const std::string& name, uint16_t kind);
module_rec* new_module(context& cx, const std::string& name, const std::string& library, int32_t file);
void set_current_module(context& cx, int32_t index);   // -1: none
bool is_generated_label(const char* name);
void resolve_indirect(name_entry* entry);
void define_linker_symbol(context& cx, const std::string& name, name_entry* psect, uint32_t value, uint16_t kind);
// Defines entry with kind and global bit kflags, value and psect, by the definition rules
// (commons keep the largest size; a second definition is 482).
void define_symbol(context& cx, name_entry* entry, uint16_t kflags, uint32_t value, name_entry* psect);
// Binds entry as kind kflags with an absolute value in psect (no module offset); an
// undefined entry leaves the undefined count.
void bind_symbol(context& cx, name_entry* entry, uint16_t kflags, uint32_t value, name_entry* psect);
std::string psect_origin_name(context& cx, const name_entry* entry);
void count_undefined_down(context& cx, name_entry* entry);
psect_rec* new_psect_record(context& cx, name_entry* entry, uint8_t bitscale);

}  // namespace lnk
