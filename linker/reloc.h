// Relocation in pass 2: patching fields of the pending TEXT data, the relocation kinds, the
// partial-link and load-relocation variants, the complex-expression evaluator (also used by
// CONDEXPR and listing relocations) and the LISTRELOC listing.
#pragma once
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "linker/linkdata.h"

namespace lnk {

struct context;

struct out_reloc_entry {
    uint16_t offset;
    uint8_t type;
    std::string target;
};

// The TEXT record of pass 2 waiting for its relocations.
struct pending_text {
    bool active = false;
    std::vector<uint8_t> data;
    std::string psect;              // name as written
    uint32_t out_offset = 0;        // offset field of the output record
    uint32_t base = 0;              // link address of the first data byte
    uint32_t overhead = 0;          // bytes of the TEXT fields before the data
    std::vector<out_reloc_entry> relocs;
};

// Writes the pending TEXT (and the relocations kept for it).
void flush_text_record(context& cx);

// Patches one field of data. ref names the referenced symbol or psect for 476 (empty for an
// expression: 477); ref_psect is the psect whose flags and placement the check consults.
void apply_fixup(context& cx, std::vector<uint8_t>& data, uint32_t base, uint32_t overhead, uint32_t offset, uint8_t type,
                 uint32_t value, const name_entry* ref_psect, const char* ref_kind, const std::string& ref);

// Evaluates one encoded expression at expr (size bytes); used advances past it. No value
// after a range check or a malformed expression (the error is reported).
std::optional<uint32_t> eval_complex_reloc(context& cx, const uint8_t* expr, size_t size, size_t& used, uint32_t base,
                                           uint32_t offset);
uint32_t rotated_immediate(uint32_t value);

// The record handlers (bodies as read).
void reloc_record(context& cx, const std::vector<uint8_t>& body);
void condexpr_record(context& cx, const std::vector<uint8_t>& body);     // sets the module's skip flag
void listreloc_record(context& cx, const std::vector<uint8_t>& body, const std::string& input_name);

}  // namespace lnk
