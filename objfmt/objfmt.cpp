#include "objfmt/objfmt.h"

#include <cstring>

namespace obj {

const char* record_name(int type) {
    static const char* const names[] = {
        "?", "TEXT", "PSECT", "RELOC", "SYM", "START", "END", "IDENT", "XPSECT", "SEGMENT",
        "XSYM", "SIGNAT", "FNINFO", "FNCONF", "SEGSTART", "PSECTLIM", "LISTRELOC", "LR_TEXT",
        "LR_RELOC", "CONDEXPR", "DABS", "RECRANGE"};
    if (type < 1 || type > RECRANGE) return "?";
    return names[type];
}

bool reloc_is_complex(uint8_t type) {
    uint8_t kind = type & RELOC_KIND_MASK;
    return kind == RELOC_COMPLEX || kind == RELOC_COMPLEX_REL || kind == RELOC_COMPLEX2;
}

bool reloc_kind_legal(uint8_t type) {
    uint8_t kind = type & RELOC_KIND_MASK;
    return kind != 0xB0 && kind != 0xC0;
}

uint32_t reloc_field_bytes(uint8_t type) {
    uint32_t size = type & RELOC_SIZE_MASK;
    if ((type & RELOC_BITFIELD) == RELOC_BITFIELD) return (size + 7) / 8;
    return size;
}

expr_operand expr_operand_of(uint8_t op) {
    switch (op) {
    case EX_CONST: return expr_operand::constant;
    case EX_PSECT: case EX_RANGE_NAME: case EX_DEFINED: case EX_SYM: case EX_PSECT_REL:
    case EX_SYM_REL: case EX_PSECT_SEL: case EX_SYM_SEL:
        return expr_operand::name;
    default: return expr_operand::none;
    }
}

const char* expr_op_name(uint8_t op) {
    switch (op) {
    case EX_END: return "end";
    case EX_LOW: return "low";
    case EX_HIGH: return "high";
    case EX_CONST: return "const";
    case EX_ADD: return "add";
    case EX_SUB: return "sub";
    case EX_MUL: return "mul";
    case EX_DIV: return "div";
    case EX_SHL: return "shl";
    case EX_SHR: return "shr";
    case EX_AND: return "and";
    case EX_OR: return "or";
    case EX_XOR: return "xor";
    case EX_NOT: return "not";
    case EX_NEG: return "neg";
    case EX_BITEXTRACT: return "bits";
    case EX_PSECT: return "psect";
    case EX_MOD: return "mod";
    case EX_RANGE: return "range";
    case EX_RANGE_NAME: return "rname";
    case EX_DEFINED: return "defined";
    case EX_ROTIMM: return "rotimm";
    case EX_SAR: return "sar";
    case EX_ABS: return "abs";
    case EX_SYM: return "sym";
    case EX_PSECT_REL: return "psect-rel";
    case EX_SYM_REL: return "sym-rel";
    case EX_PSECT_SEL: return "psect-sel";
    case EX_SYM_SEL: return "sym-sel";
    default: return "?";
    }
}

static bool is_permutation(const uint8_t* map, int n) {
    bool seen[4] = {false, false, false, false};
    for (int i = 0; i < n; ++i) {
        if (map[i] >= n || seen[map[i]]) return false;
        seen[map[i]] = true;
    }
    return true;
}

bool byte_order::valid() const { return is_permutation(map32, 4) && is_permutation(map16, 2); }

// Positions are taken modulo the field width so a corrupt map can never index outside it.
uint32_t get_long(const byte_order& order, const uint8_t* p) {
    uint32_t v = 0;
    for (int i = 0; i < 4; ++i) v |= uint32_t(p[order.map32[i] & 3]) << (8 * i);
    return v;
}

void put_long(const byte_order& order, uint8_t* p, uint32_t value) {
    for (int i = 0; i < 4; ++i) p[order.map32[i] & 3] = uint8_t(value >> (8 * i));
}

uint16_t get_word(const byte_order& order, const uint8_t* p) {
    return uint16_t(p[order.map16[1] & 1] * 256u + p[order.map16[0] & 1]);
}

void put_word(const byte_order& order, uint8_t* p, uint16_t value) {
    p[order.map16[0] & 1] = uint8_t(value);
    p[order.map16[1] & 1] = uint8_t(value >> 8);
}

// A triple uses map32[0..2] when map32[0] is 0, else map32[1..3]; the positions are then
// counted from the lowest of them so the field is 3 bytes long.
static void triple_positions(const byte_order& order, int pos[3]) {
    const uint8_t* m = order.map32[0] == 0 ? order.map32 : order.map32 + 1;
    int base = 3;
    for (int i = 0; i < 3; ++i) base = m[i] < base ? m[i] : base;
    for (int i = 0; i < 3; ++i) pos[i] = (m[i] - base) % 3;
}

uint32_t get_triple(const byte_order& order, const uint8_t* p) {
    int pos[3];
    triple_positions(order, pos);
    uint32_t v = 0;
    for (int i = 0; i < 3; ++i) v |= uint32_t(p[pos[i]]) << (8 * i);
    return v;
}

void put_triple(const byte_order& order, uint8_t* p, uint32_t value) {
    int pos[3];
    triple_positions(order, pos);
    for (int i = 0; i < 3; ++i) p[pos[i]] = uint8_t(value >> (8 * i));
}

// ---- body_cursor ----

bool body_cursor::need(size_t n) {
    if (failed_) return false;
    if (n > size_ - pos_) {
        failed_ = true;
        return false;
    }
    return true;
}

uint8_t body_cursor::u8() {
    if (!need(1)) return 0;
    return data_[pos_++];
}

uint16_t body_cursor::u16() {
    if (!need(2)) return 0;
    uint16_t v = get_word(order_, data_ + pos_);
    pos_ += 2;
    return v;
}

uint32_t body_cursor::u32() {
    if (!need(4)) return 0;
    uint32_t v = get_long(order_, data_ + pos_);
    pos_ += 4;
    return v;
}

std::string body_cursor::name() {
    if (failed_) return {};
    const void* nul = pos_ < size_ ? std::memchr(data_ + pos_, 0, size_ - pos_) : nullptr;
    if (!nul) {
        failed_ = true;
        return {};
    }
    size_t len = static_cast<const uint8_t*>(nul) - (data_ + pos_);
    std::string s(reinterpret_cast<const char*>(data_ + pos_), len);
    pos_ += len + 1;
    return s;
}

bool body_cursor::bytes(uint8_t* out, size_t n) {
    if (!need(n)) return false;
    if (n) std::memcpy(out, data_ + pos_, n);
    pos_ += n;
    return true;
}

void body_cursor::skip(size_t n) {
    if (need(n)) pos_ += n;
}

std::vector<uint8_t> body_cursor::rest() {
    if (failed_) return {};
    std::vector<uint8_t> v(data_ + pos_, data_ + size_);
    pos_ = size_;
    return v;
}

// An expression ends with its end operator (0) or a range check (18), which ends it with no
// value. Operands are stepped over so a name or constant byte is never taken as an operator.
std::vector<uint8_t> body_cursor::expression() {
    size_t start = pos_;
    for (;;) {
        uint8_t op = u8();
        if (failed_) return {};
        if (op == EX_END || op == EX_RANGE) break;
        switch (expr_operand_of(op)) {
        case expr_operand::constant: skip(4); break;
        case expr_operand::name: name(); break;
        case expr_operand::none: break;
        }
        if (failed_) return {};
    }
    return std::vector<uint8_t>(data_ + start, data_ + pos_);
}

// ---- body_builder ----

body_builder& body_builder::u8(uint8_t v) {
    data_.push_back(v);
    return *this;
}

body_builder& body_builder::u16(uint16_t v) {
    uint8_t b[2];
    put_word(order_, b, v);
    return bytes(b, 2);
}

body_builder& body_builder::u32(uint32_t v) {
    uint8_t b[4];
    put_long(order_, b, v);
    return bytes(b, 4);
}

body_builder& body_builder::triple(uint32_t v) {
    uint8_t b[3];
    put_triple(order_, b, v);
    return bytes(b, 3);
}

body_builder& body_builder::name(const std::string& text) {
    data_.insert(data_.end(), text.begin(), text.end());
    data_.push_back(0);
    return *this;
}

body_builder& body_builder::bytes(const uint8_t* p, size_t n) {
    data_.insert(data_.end(), p, p + n);
    return *this;
}

}  // namespace obj
