// Object file format: record types, byte-order maps and bounded body access.
// Every program that reads or writes object records (ormasm, ormarch, ormlink, ormhex,
// ormtrim) goes through this module, so the format is defined once.
#pragma once
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace obj {

// Record types. The header is u16 body length (always low byte first) and one type byte.
enum record_type : uint8_t {
    TEXT = 1, PSECT = 2, RELOC = 3, SYM = 4, START = 5, END = 6, IDENT = 7, XPSECT = 8,
    SEGMENT = 9, XSYM = 10, SIGNAT = 11, FNINFO = 12, FNCONF = 13, SEGSTART = 14,
    PSECTLIM = 15, LISTRELOC = 16, LR_TEXT = 17, LR_RELOC = 18, CONDEXPR = 19, DABS = 20,
    RECRANGE = 21,
};
constexpr int last_record_type = 20;     // highest type a reader accepts
constexpr uint32_t header_size = 3;
constexpr uint32_t max_body = 509;       // longest body the linker accepts and any writer makes

// "TEXT", "PSECT", ... for 1..21; "?" otherwise.
const char* record_name(int type);

// PSECT.flags bits.
enum : uint16_t {
    PSECT_GLOBAL = 0x10, PSECT_OVRLD = 0x40, PSECT_ABS = 0x80, PSECT_ALIGN_SHIFT = 0x100,
    PSECT_PURE = 0x200, PSECT_BIT = 0x400,
};

// SYM.flags: bits 0-3 the kind, 0x10 global.
enum : uint16_t {
    SYM_GLOBAL = 0x10, SYM_KIND_MASK = 0x0F,
    SYM_DEFINED = 0, SYM_INFO1 = 1, SYM_COMMON = 2, SYM_INFO3 = 3, SYM_INFO4 = 4, SYM_INFO5 = 5,
    SYM_EXTERN = 6, SYM_DEFINED7 = 7, SYM_INDIRECT = 8,
};

// RELOC.type: bits 0-3 size (bytes, or bits when both 0x40 and 0x80 are set), bits 4-7 kind.
enum : uint8_t {
    RELOC_SIZE_MASK = 0x0F, RELOC_KIND_MASK = 0xF0, RELOC_BITFIELD = 0xC0,
    RELOC_ABS = 0x00, RELOC_PSECT = 0x10, RELOC_SYM = 0x20, RELOC_COMPLEX = 0x30,
    RELOC_PSECT_REL = 0x40, RELOC_PSECT_REL2 = 0x50, RELOC_SYM_REL = 0x60,
    RELOC_COMPLEX_REL = 0x70, RELOC_ABS2 = 0x80, RELOC_PSECT_SEL = 0x90, RELOC_SYM_SEL = 0xA0,
    RELOC_PSECT2 = 0xD0, RELOC_SYM2 = 0xE0, RELOC_COMPLEX2 = 0xF0,
};
bool reloc_is_complex(uint8_t type);   // kinds 0x30, 0x70, 0xF0
bool reloc_kind_legal(uint8_t type);   // every kind but 0xB0 and 0xC0 (bit fields aside)
uint32_t reloc_field_bytes(uint8_t type);   // bytes the patched field covers

// Operators of the complex-relocation expression byte code. The evaluation stack's top (T)
// is the left operand of a binary operator: code 5 computes T - N.
enum expr_op : uint8_t {
    EX_END = 0, EX_LOW = 1, EX_HIGH = 2, EX_CONST = 3, EX_ADD = 4, EX_SUB = 5, EX_MUL = 6,
    EX_DIV = 7, EX_SHL = 8, EX_SHR = 9, EX_AND = 10, EX_OR = 11, EX_XOR = 12, EX_NOT = 13,
    EX_NEG = 14, EX_BITEXTRACT = 15, EX_PSECT = 16, EX_MOD = 17, EX_RANGE = 18,
    EX_RANGE_NAME = 19, EX_DEFINED = 20, EX_ROTIMM = 21, EX_SAR = 22, EX_ABS = 23,
    EX_SYM = 32, EX_PSECT_REL = 80, EX_SYM_REL = 96, EX_PSECT_SEL = 144, EX_SYM_SEL = 160,
};
// Operand of an operator in the byte stream: none, a u32 constant, or a NUL-terminated name.
enum class expr_operand { none, constant, name };
expr_operand expr_operand_of(uint8_t op);
const char* expr_op_name(uint8_t op);   // short mnemonic for dumps; "?" for unknown codes

// Byte-order maps of IDENT: map32[i] is the position of value byte i inside a stored u32.
struct byte_order {
    uint8_t map32[4] = {0, 1, 2, 3};
    uint8_t map16[2] = {0, 1};
    static byte_order little() { return {}; }
    static byte_order big() { return {{3, 2, 1, 0}, {1, 0}}; }
    bool operator==(const byte_order&) const = default;
    bool valid() const;   // each map a permutation
};

uint32_t get_long(const byte_order& order, const uint8_t* p);
void put_long(const byte_order& order, uint8_t* p, uint32_t value);
uint16_t get_word(const byte_order& order, const uint8_t* p);
void put_word(const byte_order& order, uint8_t* p, uint16_t value);
uint32_t get_triple(const byte_order& order, const uint8_t* p);
void put_triple(const byte_order& order, uint8_t* p, uint32_t value);

// Bounded reading of one body: every get checks the remaining bytes and a name must end in
// a NUL inside the body. The first failure sets `failed`; later gets then return zero or
// empty values. Callers report a failure with the message their program uses for it.
class body_cursor {
public:
    body_cursor(const uint8_t* data, size_t size, const byte_order& order)
        : data_(data), size_(size), order_(order) {}
    uint8_t u8();
    uint16_t u16();
    uint32_t u32();
    std::string name();
    bool bytes(uint8_t* out, size_t n);
    void skip(size_t n);
    std::vector<uint8_t> rest();            // every remaining byte
    std::vector<uint8_t> expression();      // one encoded expression, its end operator included
    size_t pos() const { return pos_; }
    size_t remaining() const { return failed_ ? 0 : size_ - pos_; }
    bool at_end() const { return failed_ || pos_ >= size_; }
    bool failed() const { return failed_; }
    void fail() { failed_ = true; }
    const byte_order& order() const { return order_; }
private:
    bool need(size_t n);
    const uint8_t* data_;
    size_t size_;
    size_t pos_ = 0;
    bool failed_ = false;
    byte_order order_;
};

// Building one body or entry in a given byte order.
class body_builder {
public:
    explicit body_builder(const byte_order& order = byte_order()) : order_(order) {}
    body_builder& u8(uint8_t v);
    body_builder& u16(uint16_t v);
    body_builder& u32(uint32_t v);
    body_builder& triple(uint32_t v);
    body_builder& name(const std::string& text);   // the text and one NUL
    body_builder& bytes(const uint8_t* p, size_t n);
    body_builder& bytes(const std::vector<uint8_t>& v) { return bytes(v.data(), v.size()); }
    const std::vector<uint8_t>& data() const { return data_; }
    std::vector<uint8_t>& data() { return data_; }
    size_t size() const { return data_.size(); }
    void clear() { data_.clear(); }
    const byte_order& order() const { return order_; }
private:
    byte_order order_;
    std::vector<uint8_t> data_;
};

// Encodes a complex-relocation expression. Operands are pushed in evaluation order; for a
// binary operator the LEFT operand must be pushed LAST (it becomes the top of the stack).
class expr_builder {
public:
    explicit expr_builder(const byte_order& order = byte_order()) : b_(order) {}
    expr_builder& constant(uint32_t v) { b_.u8(EX_CONST).u32(v); return *this; }
    expr_builder& symbol(const std::string& n) { b_.u8(EX_SYM).name(n); return *this; }
    expr_builder& psect(const std::string& n) { b_.u8(EX_PSECT).name(n); return *this; }
    expr_builder& op(uint8_t code) { b_.u8(code); return *this; }
    expr_builder& op_name(uint8_t code, const std::string& n) { b_.u8(code).name(n); return *this; }
    expr_builder& end() { b_.u8(EX_END); return *this; }
    const std::vector<uint8_t>& data() const { return b_.data(); }
private:
    body_builder b_;
};

}  // namespace obj
