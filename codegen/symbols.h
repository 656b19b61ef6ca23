// Symbols and types of the code generator: one table for everything the intermediate code
// names (variables, functions, typedefs, struct/union/enum tags, basic types and the unnamed
// derived types made while reading type strings), the type-string reader and the size rules.
#pragma once
#include <cstdint>
#include <memory>
#include <set>
#include <string>
#include <vector>

namespace cg {

struct cg_context;
struct tree_node;

// What a table entry names.
enum class sym_kind : char {
    none = 0,
    object = 'E',        // a variable or function
    type_name = 'M',     // a basic type, typedef or placeholder ("Fake") type
    aggregate = 'C',     // a structure, or a union once its layout has been read
    union_reading = 'D', // a union while its layout record is being read
    enumeration = '=',
};

// Storage class; the numbers are compared ("above 3" means external or static).
enum class storage : uint8_t { none = 0, param = 1, automatic = 2, reg = 3, external = 4, static_ = 5 };
inline bool is_global_storage(storage s) { return static_cast<uint8_t>(s) > 3; }

// Value class of a type: what kind of arithmetic its values take.
enum class value_class : uint8_t { none = 0, signed_ = 1, unsigned_ = 2, floating = 3, bit = 4 };

// Level marks: two bits per derived level, the outermost level in the lowest bits.
constexpr uint16_t LEVEL_POINTER = 1;
constexpr uint16_t LEVEL_FUNCTION = 2;
inline uint16_t outer_level(uint16_t levels) { return levels & 3; }

// Pointer-class and qualifier letters; bit i is letter i.
constexpr char ptr_class_letters[] = "DVFNISWXYZTPQRUC";
enum : uint16_t {
    PC_D = 1u << 0, PC_VOLATILE = 1u << 1, PC_FAR = 1u << 2, PC_NEAR = 1u << 3,
    PC_INTERRUPT = 1u << 4, PC_PERSISTENT = 1u << 5, PC_W = 1u << 6, PC_BANK1 = 1u << 7,
    PC_BANK2 = 1u << 8, PC_BANK3 = 1u << 9, PC_EEPROM = 1u << 10, PC_P = 1u << 11,
    PC_Q = 1u << 12, PC_R = 1u << 13, PC_U = 1u << 14, PC_CONST = 1u << 15,
};
// Bit of a class letter; 0 for a letter that names no class.
uint16_t class_bit(char letter);

// Symbol flags.
enum : uint32_t {
    SF_DEFINED = 1u << 0,       // defined in this module (dimension other than 0)
    SF_GLOBAL = 1u << 1,        // "\tglobal" already written
    SF_ARRAY = 1u << 2,
    SF_REGPARAM = 1u << 3,      // class letter 'r'
    SF_ABSOLUTE = 1u << 4,      // placed at `address` by "@"
    SF_PARAM_COPY = 1u << 5,    // a parameter's copy placed as an auto
    SF_PLACED = 1u << 6,        // has its offset in the argument or auto area
    SF_USED = 1u << 7,
    SF_ADDRESS_TAKEN = 1u << 8,
    SF_INLINE = 1u << 9,
    SF_PLACEHOLDER = 1u << 10,  // a "Fake" type made for an inner derived type
    SF_DEBUG_PENDING = 1u << 11,
    SF_OPT_MEMORY = 1u << 12,   // on the optimiser's memory list
    SF_IN_REG = 1u << 13,       // bound register holds the value now
    SF_STORED = 1u << 14,       // bound register's value has been stored to memory
    SF_WRITTEN = 1u << 15,      // data definition written
    SF_SIGNED_FN = 1u << 16,    // "\tsignat" line written
    SF_ANNOUNCED = 1u << 17,    // external "\tglobal" line written (0x8000 of the old record)
    SF_PROTOTYPED = 1u << 18,   // class token carried "f"
    SF_VARIADIC = 1u << 19,     // class token carried "v"
    SF_FUNCTION_DEF = 1u << 20, // a function definition (opened a function-stack entry)
    SF_KEPT = 1u << 21,         // kept for the end of the file
    SF_CONST_VALUE = 1u << 22,  // const scalar whose value is written at the end
    SF_LOCAL_DECL = 1u << 23,   // static declared "\tlocal"
    SF_NAMED_TYPE = 1u << 24,   // derived type made for "&U" of an array
    SF_FNADDR_WRITTEN = 1u << 25,   // "FNADDR" line written
};

// A table entry. Members of a structure are entries of their own (kind object) held in
// `members`; enumeration values are in `enum_values`.
struct symbol {
    std::string name;            // "Fake" for placeholder types
    symbol* chain = nullptr;     // hash chain, newest first
    sym_kind kind = sym_kind::none;
    storage sclass = storage::none;
    uint8_t block_level = 0;     // level at which it was declared (file scope 0)
    int32_t line = 0;            // source line of the declaration
    const std::string* file = nullptr;  // its source file, when the code named one

    // Type: base type symbol, derived levels and the class word of the outer level(s).
    symbol* base = nullptr;
    uint16_t levels = 0;
    uint16_t classes = 0;

    uint16_t size = 0;           // bytes, valid once `size_known`
    bool size_known = false;
    uint16_t count = 0;          // element count; 0 for an array of unknown size
    uint8_t align_mask = 0;
    value_class vclass = value_class::none;

    // Placement.
    int32_t offset = 0;          // frame offset, or a member's byte offset
    int32_t reg = -1;            // bound register number, -1 for none
    uint32_t address = 0;        // absolute address (SF_ABSOLUTE)
    uint8_t bit_width = 0;       // bit-field member: width (0 for an ordinary member)
    uint8_t bit_offset = 0;      // bit-field member: first bit in its byte
    bool is_bitfield = false;

    std::vector<symbol*> members;      // structure or union members, in order
    std::vector<int32_t> enum_values;  // enumeration constants, in order
    bool is_union = false;

    uint32_t flags = 0;          // SF_*
    int32_t number = 0;          // symbol number (not for params and autos)
    int32_t param_number = 0;    // parameter number, or a function's declared-parameter count
    std::string source_name;     // C name an internal symbol carries (-D); its label is `name`
    std::string tag;             // struct/union/enum tag from the names record
    tree_node* value = nullptr;  // value tree of a const object known at compile time
    uint32_t reg_mask = 0;       // registers a call of this function may change
};

// The name table: 101 chains keyed by h = h * 2 + byte, newest entry first.
class symbol_table {
public:
    static constexpr int buckets = 101;
    static uint32_t hash(const std::string& name);

    // Newest entry of that name, or a new empty entry at `level` (line recorded).
    symbol* lookup(const std::string& name, int level, int32_t line);
    // Entry for a declaration at `level`: reuses the newest of that name when it belongs to
    // this level, else shadows it with a new one.
    symbol* declare(const std::string& name, sym_kind kind, int level, int32_t line);
    // Newest entry or null.
    symbol* find(const std::string& name) const;
    // An entry outside the chains (members, placeholder types).
    symbol* make_detached();
    // Unchains and recycles every entry declared at `level` or deeper for which `drop`
    // returns true; entries for which it returns false stay chained. With `hold`, the dropped
    // entries keep their contents and are not handed out again until release_held: statements
    // collected for a function's end still name them.
    template <typename F> void leave_level(int level, F drop, bool hold = false);
    // Recycles the entries held by leave_level.
    void release_held();
    // Every chained entry (for the end-of-file pass).
    std::vector<symbol*> all() const;
    // The source file that declarations from now on come from.
    void set_file(const std::string& name) { file_ = &*files_.insert(name).first; }

private:
    symbol* take();
    void recycle(symbol* s);
    std::vector<std::unique_ptr<symbol>> store_;
    std::vector<symbol*> free_;
    std::vector<symbol*> held_;
    symbol* chains_[buckets] = {};
    std::set<std::string> files_;   // names stay put while symbols point at them
    const std::string* file_ = nullptr;
};

template <typename F> void symbol_table::leave_level(int level, F drop, bool hold) {
    for (auto& head : chains_) {
        symbol** link = &head;
        while (*link) {
            symbol* s = *link;
            if (s->block_level >= level && drop(s)) {
                *link = s->chain;
                if (hold) {
                    s->chain = nullptr;
                    held_.push_back(s);
                } else {
                    recycle(s);
                }
            } else {
                link = &s->chain;
            }
        }
    }
}

// A parsed type: the base symbol with the levels and the class word that apply on top.
struct type_ref {
    symbol* base = nullptr;
    uint16_t levels = 0;
    uint16_t classes = 0;
};

// Enters the basic types ("i", "uc", ... "v"); "d" is 4 bytes under IEEE_DBL.
void init_basic_types(cg_context& ctx);
// Basic type by size and value class; "v" when none matches.
symbol* basic_type(cg_context& ctx, uint16_t size, value_class vc);
symbol* basic_type_named(cg_context& ctx, const char* name);
// Parses a type string after its back-quote. Returns false (after error 714) on a string
// whose base is missing or unknown; `out` then holds "v".
bool parse_type_string(cg_context& ctx, const std::string& text, type_ref& out);
// The type record of a derived type (its levels and classes on its base) as one base type:
// what a pointer object's node carries when its home, not its target, is in its classes.
symbol* derived_type(cg_context& ctx, const type_ref& t);
// Applies a parsed type to a symbol (typedefs without levels are followed through).
void set_symbol_type(symbol* s, const type_ref& t);
// Size in bytes of a symbol's type (cached). Pointer sizes follow one rule everywhere.
uint16_t symbol_size(const cg_context& ctx, symbol* s);
// Size of one pointer value with these levels and classes pointing at `base`.
uint16_t pointer_size(const cg_context& ctx, uint16_t levels, uint16_t classes, const symbol* base);
// Size of the type (base, levels, classes), count elements.
uint32_t type_size(const cg_context& ctx, const symbol* base, uint16_t levels, uint16_t classes, uint32_t count);
// Value class of the base type reached through placeholder and typedef links.
value_class base_class(const symbol* base);

}  // namespace cg
