// Decoded object records and their encoders. A decode_* function reads one body through a
// bounded cursor and returns false when the body ends early or a name lacks its NUL; it never
// reads outside the body and reports nothing (report_incomplete gives the linker's message).
// An encode_* function appends one body or one entry to a builder.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "objfmt/objfmt.h"

namespace obj {

// A raw record as framed in the file.
struct record {
    uint8_t type = 0;
    uint16_t length = 0;            // length stated by the header
    std::vector<uint8_t> body;      // the body (empty when it was skipped)
};

// 502 "incomplete %s record body: length = %d" for a body that ended early.
void report_incomplete(int type, uint32_t length);

struct ident_rec {
    byte_order order;
    std::string machine;
    bool has_version = false;       // false: version 0.0
    uint8_t version_major = 0;
    uint8_t version_minor = 0;
    uint32_t version() const { return version_major * 256u + version_minor; }
};
bool decode_ident(const std::vector<uint8_t>& body, ident_rec& out);   // maps are raw bytes
void encode_ident(body_builder& b, const ident_rec& r);

struct text_rec {
    uint32_t offset = 0;
    std::string psect;
    std::vector<uint8_t> data;
};
bool decode_text(body_cursor& c, text_rec& out);
void encode_text(body_builder& b, const text_rec& r);
// Bytes a TEXT body takes around its data (offset, name and NUL).
inline uint32_t text_overhead(const std::string& psect) { return uint32_t(psect.size()) + 5; }

struct psect_rec {
    uint16_t flags = 0;
    std::string name;
};
bool decode_psect(body_cursor& c, psect_rec& out);
void encode_psect(body_builder& b, const psect_rec& r);

struct reloc_entry {
    uint16_t offset = 0;
    uint8_t type = 0;
    std::string target;             // simple kinds
    std::vector<uint8_t> expr;      // complex kinds: the encoded expression with its end
};
bool decode_reloc_entry(body_cursor& c, reloc_entry& out);
void encode_reloc_entry(body_builder& b, const reloc_entry& r);
uint32_t reloc_entry_size(const reloc_entry& r);

struct sym_entry {
    uint32_t value = 0;
    uint16_t flags = 0;
    uint16_t selector = 0;          // XSYM only
    std::string psect;
    std::string name;
    uint8_t kind() const { return flags & SYM_KIND_MASK; }
    bool global() const { return (flags & SYM_GLOBAL) != 0; }
};
bool decode_sym_entry(body_cursor& c, sym_entry& out, bool xsym = false);
void encode_sym_entry(body_builder& b, const sym_entry& r, bool xsym = false);
uint32_t sym_entry_size(const sym_entry& r, bool xsym = false);

// START and SEGSTART.
struct start_rec {
    uint32_t address = 0;
    std::string psect;
};
bool decode_start(body_cursor& c, start_rec& out);
void encode_start(body_builder& b, const start_rec& r);

// XPSECT; which fields exist depends on the object version (version() of IDENT).
struct xpsect_rec {
    uint32_t max_size = 0;
    uint16_t align = 0;
    uint16_t selector = 0;
    uint8_t space = 0;
    uint8_t delta = 0;              // as stored; 0 means 1
    uint8_t type = 0;
    std::string name;
    std::string cls;
    std::string with;
    bool has_fixed = false;         // the 12 fixed bytes were present
    bool has_class = false;
    bool has_with = false;
};
bool decode_xpsect(body_cursor& c, xpsect_rec& out);
void encode_xpsect(body_builder& b, const xpsect_rec& r);

struct segment_entry {
    uint32_t length = 0;
    uint32_t load = 0;
    uint16_t selector = 0;
    uint16_t reserved = 0;
    uint32_t link = 0;
    std::string name;
};
bool decode_segment_entry(body_cursor& c, segment_entry& out);
void encode_segment_entry(body_builder& b, const segment_entry& r);

struct signat_entry {
    uint16_t signature = 0;
    std::string name;
};
bool decode_signat_entry(body_cursor& c, signat_entry& out);
void encode_signat_entry(body_builder& b, const signat_entry& r);

struct fnconf_rec {
    std::string psect;
    std::string local_prefix;
    std::string arg_prefix;
    bool has_depth = false;
    uint16_t depth = 0;
};
bool decode_fnconf(body_cursor& c, fnconf_rec& out);
void encode_fnconf(body_builder& b, const fnconf_rec& r);

// FNINFO sub-record kinds.
enum fn_kind : uint8_t {
    FN_CALL = 1, FN_ARG = 2, FN_INDIR = 3, FN_ADDR = 4, FN_SIZE = 5, FN_ROOT = 6,
    FN_INDARG = 7, FN_SETLINK = 8, FN_BREAK = 9,
};
const char* fn_kind_name(int kind);   // "FNCALL", ...; "?" for an unknown kind
struct fninfo_entry {
    uint8_t kind = 0;
    std::string name;               // function (kinds 1-7, 9)
    std::string other;              // callee, other function or root (1, 2, 9)
    uint16_t set = 0;               // 3, 7; set a of 8
    uint16_t set_b = 0;             // 8
    uint32_t local_size = 0;        // 5
    uint32_t arg_size = 0;          // 5
};
// False for a short body, and for an unknown kind (kind 0 or above 9): out.kind tells which.
bool decode_fninfo_entry(body_cursor& c, fninfo_entry& out);
void encode_fninfo_entry(body_builder& b, const fninfo_entry& r);

struct psectlim_rec {
    uint32_t limit = 0;
    std::string psect;
};
bool decode_psectlim(body_cursor& c, psectlim_rec& out);
void encode_psectlim(body_builder& b, const psectlim_rec& r);

struct listreloc_rec {
    std::string list_file;
    std::string listing_file;
};
bool decode_listreloc(body_cursor& c, listreloc_rec& out);
void encode_listreloc(body_builder& b, const listreloc_rec& r);

struct lr_reloc_rec {
    uint8_t value[4] = {0, 0, 0, 0};
    uint8_t position = 0;
    uint8_t type = 0;
    uint8_t width = 0;
    std::vector<uint8_t> expr;
};
bool decode_lr_reloc(body_cursor& c, lr_reloc_rec& out);
void encode_lr_reloc(body_builder& b, const lr_reloc_rec& r);

struct dabs_entry {
    uint8_t space = 0;
    uint32_t address = 0;
    uint32_t size = 0;
};
bool decode_dabs_entry(body_cursor& c, dabs_entry& out);
void encode_dabs_entry(body_builder& b, const dabs_entry& r);

}  // namespace obj
