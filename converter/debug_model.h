// The source-level model read from SDB files: a tree of scopes whose members are debug
// symbols with a storage class and a type, structure and enumeration tags, and file markers.
#pragma once
#include <cstdint>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

namespace conv {

struct machine_desc;
struct dbg_sym;

enum class sclass : uint32_t {
    null_ = 0, extern_ = 1, global = 2, static_ = 3, auto_ = 4, param = 5, typedef_ = 6, module = 7,
    line = 8, block = 9, func = 10, reg = 11, struct_ = 12, enum_ = 13, filename = 14,
};

enum class elem_kind : uint32_t { base = 1, function = 2, pointer = 3, enum_ref = 4, struct_ref = 5, array = 6, qualifiers = 7 };

// Base classes of a `base` element.
enum : uint32_t { BASE_VOID = 0, BASE_SIGNED = 1, BASE_UNSIGNED = 2, BASE_FLOAT = 3, BASE_BIT = 4 };

struct type_elem {
    elem_kind kind;
    uint32_t value = 0;      // base class, array length or qualifier mask
    uint8_t size = 0;        // base: bytes
    dbg_sym* tag = nullptr;  // enum_ref, struct_ref
};

// Element 0 is the innermost; the last element is the outermost constructor.
struct dbg_type {
    std::vector<type_elem> elems;
    bool empty() const { return elems.empty(); }
    const type_elem& outer() const { return elems.back(); }
};

struct dbg_member {
    std::string name;
    bool has_name = false;
    dbg_type type;
    int32_t size = 0, offset = 0, bit_width = 0, bit_offset = 0;
};

struct dbg_enum_const {
    std::string name;
    int32_t value = 0;
};

constexpr uint32_t DBG_PLACED = 1;
constexpr uint32_t DBG_FAKED = 2;

struct dbg_sym {
    std::string name;
    uint32_t flags = 0;
    uint32_t line = 0;
    sclass cls = sclass::null_;
    int32_t size = 0;              // symbols, typedefs, struct tags: bytes
    std::string link_name;         // static: assembler name; tags: tag name; scopes: source file
    bool has_link_name = false;
    dbg_type type;                 // symbols and typedefs
    std::vector<dbg_member> members;         // struct tags
    std::vector<dbg_enum_const> constants;   // enum tags
    int32_t value = 0;             // symbols: location
    uint32_t address = 0, space = 0;         // symbols: placement (valid when DBG_PLACED)
    uint32_t first_line = 0, last_line = 0;  // scopes
    uint32_t frame[4] = {0, 0, 0, 0};        // scopes: the numbers after a block's close
    std::vector<dbg_sym*> children;          // scopes, in the order read
    std::vector<std::vector<dbg_sym*>> names;   // scopes: 47 buckets of children by name
    dbg_sym* function = nullptr;   // func scopes
    dbg_sym* parent = nullptr;
    uint32_t position = 0;         // the parent's child count when this scope was made

    bool is_scope() const { return cls == sclass::module || cls == sclass::block || cls == sclass::func; }
};

uint32_t dbg_name_hash(const std::string& name);   // bucket number (0..46)

// Type hashing and comparison; two separate copies of a self-referring structure differ.
uint32_t type_hash(const dbg_type& t);
bool type_equal(const dbg_type& a, const dbg_type& b);
bool tag_equal(const dbg_sym* a, const dbg_sym* b);
bool type_is_function(const dbg_type& t);   // outermost non-qualifier element is a function
bool type_is_bit(const dbg_type& t);

// Types interned by content, each with a number the owning writer chooses.
class type_table {
public:
    void put(const dbg_type& t, uint32_t number);   // an equal type already present keeps its number
    const uint32_t* get(const dbg_type& t) const;

private:
    struct hasher {
        size_t operator()(const dbg_type& t) const { return type_hash(t); }
    };
    struct equal {
        bool operator()(const dbg_type& a, const dbg_type& b) const { return type_equal(a, b); }
    };
    std::unordered_map<dbg_type, uint32_t, hasher, equal> map_;
};

class debug_model {
public:
    dbg_sym* make(sclass cls);   // a new record owned by the model
    // Makes the global block with one typedef per base type of the description.
    void init_base_types(const machine_desc& m);
    void add_child(dbg_sym* scope, dbg_sym* child);
    dbg_sym* lookup_tag(const std::string& name) const;
    dbg_sym* lookup_visible(const std::string& name) const;
    // The listing on standard error; nothing before a description was selected.
    void dump(const machine_desc* m) const;

    dbg_sym* global_block = nullptr;
    dbg_sym* current_scope = nullptr;
    uint32_t current_line = 0;
    std::string current_file;
    bool has_current_file = false;

private:
    std::vector<std::unique_ptr<dbg_sym>> pool_;
};

void print_type(const dbg_type& t, const machine_desc* m);   // on standard error

}  // namespace conv
