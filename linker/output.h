// The output object: the linker's records written through the object-format writer, or the
// bare image of binary mode, under a temporary name that replaces the target only when the
// link succeeds.
#pragma once
#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "common/replace_file.h"
#include "linker/linkdata.h"
#include "objfmt/objfmt.h"
#include "objfmt/record_io.h"

namespace lnk {

struct context;

struct output_state {
    std::unique_ptr<replacing_file> target;
    FILE* file = nullptr;   // the target's stream
    std::string name;
    std::unique_ptr<obj::record_writer> writer;
    obj::byte_order order;
};

// Opens the output; false when it cannot be created.
bool output_open(context& cx, const std::string& name);
// Writes what the record writer still holds (a failed write is fatal 413) and returns the
// file for committing; null when no output is open.
replacing_file* output_finish(context& cx);
bool output_is_open(context& cx);

void out_record(context& cx, uint8_t type, const std::vector<uint8_t>& body);   // a whole record (IDENT copy)
void out_sym(context& cx, uint32_t value, uint16_t flags, bool xsym, uint16_t selector, const std::string& psect,
             const std::string& name);
void out_psect(context& cx, uint16_t flags, const std::string& name);
void out_signat(context& cx, uint16_t signature, const std::string& name);
void out_segment(context& cx, const segment& s);
void out_start(context& cx, uint8_t type, uint32_t address, const std::string& psect);   // START or SEGSTART
void out_end(context& cx);
void out_empty_text(context& cx, uint32_t offset, const std::string& psect);   // partial link: a psect's size
void out_flush(context& cx);
// Binary mode writes the data at its load address less the base instead of a record.
void out_text(context& cx, uint32_t offset, const std::string& psect, const uint8_t* data, size_t size);
void out_reloc(context& cx, uint16_t offset, uint8_t type, const std::string& target);
void out_fninfo(context& cx, const std::vector<uint8_t>& entry);
// Entries are written in the byte order of the first input's IDENT.
void output_set_order(context& cx, const obj::byte_order& order);
const obj::byte_order& output_order(context& cx);

}  // namespace lnk
