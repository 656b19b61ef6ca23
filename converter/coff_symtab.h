// The symbol table of the COFF writers, built from the debug model and the model's symbols:
// variables, functions, blocks, source files, structure tags and members with their type words
// and auxiliary entries, then one label per linker symbol the debug model did not cover.
// Microchip COFF is the base; `generic` switches on the classic COFF differences.
#pragma once
#include <cstdint>
#include <functional>
#include <optional>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include "converter/context.h"

namespace conv {

struct coff_symtab_mode {
    bool generic = false;
    bool pic30 = false;              // generic row 6: "___FP", mapped file names
    byte_order order = byte_order::little;
    const uint8_t* type_sizes = mcoff_type_sizes;
    uint32_t pointer_size = 2;
    uint32_t float_size = 4;
};

// A type word and its auxiliary entry.
struct coff_type {
    bool ok = false;
    uint16_t word = 0;
    bool has_aux = false;
    coff_record aux{};
    uint32_t element_size = 0;       // bytes of one element of the innermost non-array level
    std::optional<dbg_type> waiting; // a structure whose tag does not exist yet
};

struct coff_function {
    dbg_sym* scope = nullptr;
    uint32_t address = 0, space = 0;
    bool placed = false;
    uint32_t symbol_index = 0;
    std::vector<const conv_line*> lines;
};

class coff_symtab {
public:
    using section_fn = std::function<uint16_t(uint32_t address, uint32_t space)>;
    coff_symtab(conv_context& ctx, const coff_symtab_mode& mode, coff_strings& strings, section_fn section_of);

    void walk_modules();                       // every module scope of the debug model, in order
    void close_file();                         // ".eof" of a source file still open
    void labels();
    void assembler_file(const conv_file& f);   // ".file" and ".eof" of an assembler source

    // The type of the elements [0, count) of `t`; tags are made first when `make_tags`.
    coff_type type_of(const dbg_type& t, bool make_tags);

    std::vector<coff_record> entries;
    std::vector<coff_function> functions;
    std::unordered_map<const conv_file*, uint32_t> file_index;   // ".file" entry per model file

private:
    uint32_t add(const std::string& name, uint32_t value, uint16_t section, uint16_t type, uint8_t cls,
                 uint8_t numaux, bool strip);
    uint32_t add_aux(const coff_record& aux);
    uint32_t add_aux_line(uint32_t line);
    void patch32(uint32_t index, uint32_t offset, uint32_t value);
    std::string stripped(const std::string& name) const;
    coff_type walk_type(const dbg_type& t, size_t count);
    void make_tags(const dbg_type& t);
    void make_tag(const dbg_type& key, const dbg_sym* tag);
    void add_typed(const std::string& name, uint32_t value, uint16_t section, uint8_t cls, coff_type& ty);
    void walk(dbg_sym* scope, bool placed, uint32_t address, uint32_t space);
    void variable(dbg_sym* sym, dbg_sym* scope, uint8_t cls, bool record);
    void block_pair(dbg_sym* scope, bool placed, uint32_t address, uint32_t space);
    void function(dbg_sym* scope);
    void source_file(const dbg_sym* entry);
    uint32_t base_word(const type_elem& e) const;
    uint32_t element_size(uint32_t base) const { return mode_.type_sizes[base & 15]; }

    conv_context& ctx_;
    coff_symtab_mode mode_;
    coff_strings& strings_;
    section_fn section_of_;
    type_table tags_;
    std::vector<std::pair<dbg_type, uint32_t>> waiting_;   // structure, auxiliary entry index
    std::unordered_set<const conv_symbol*> written_;
    std::unordered_map<const dbg_sym*, uint32_t> symbol_index_;
    bool file_open_ = false;
    // Generic COFF: ".bf" and ".bb" auxiliary entries waiting for their next-entry index.
    uint32_t last_bf_aux_ = 0;
    std::vector<uint32_t> open_bb_;   // per nesting level, 0 when none
};

}  // namespace conv
