// Symbol table: records, hashing, name spaces, scopes, declaration with its redeclaration
// checks, the scope reports and the recycling of records.
#pragma once
#include <cstddef>
#include <cstdint>

#include "parser/types.h"

enum sym_kind : uint8_t {
    S_NONE = 0, S_PARAM = 6, S_LABEL = 7, S_STRUCT = 8, S_UNION = 9, S_MEMBER = 10, S_ENUM = 11,
    S_ENUM_CONST = 12, S_AUTO = 21, S_EXTERN = 31, S_REGISTER = 38, S_STATIC = 43, S_TYPEDEF = 46
};

enum : uint16_t {
    F_DEFINED = 0x0001, F_USED = 0x0002, F_REGISTER = 0x0004, F_TYPED_PARAM = 0x0008,
    F_HAS_TYPE = 0x0010, F_LISTED = 0x0020, F_PROTOTYPED = 0x0040, F_ANON = 0x0080,
    F_EMITTED = 0x0100, F_VARIADIC = 0x0200, F_BITFIELD = 0x0400, F_INITIALISED = 0x0800,
    F_ABSOLUTE = 0x1000, F_PRINTF = 0x2000, F_INLINE = 0x4000, F_NUMBERED = 0x8000
};

struct sym_record {
    char* name;
    sym_record* next;
    sym_record* hash_next;   // chain of the look-up index
    sym_record* link;      // member ring, parameter chain of the function being defined, free list
    type_desc type;
    sym_record* owner;     // an enum constant's tag
    uint32_t width_or_address;   // bit-field width; with F_ABSOLUTE the absolute address
    int32_t value;         // enum constant value
    uint16_t number;       // label or struct/union tag number
    uint16_t seq;
    uint16_t index;
    uint16_t flags;
    uint16_t line;
    uint16_t format_class;
    uint8_t kind;
    uint8_t level;
    uint8_t mark;
    uint32_t func_flag_word;
    int32_t name_line;     // line of the identifier that declared it (cross-reference definitions)
    bool read_only;        // a const automatic set at run time: its type lost the const, writes still warn
};

enum name_space { NS_ORDINARY, NS_TAG, NS_MEMBER, NS_LABEL };

extern int block_level;
extern name_space lookup_space;
extern uint16_t label_counter;

// Zero-filled memory for the parser's own records; running out is fatal message 294.
void* parser_alloc(size_t size);
char* parser_strdup(const char* text);

void init_symbols();
// Gives every record block back at the end of the run.
void release_symbols();
uint32_t sym_hash(const char* name);
sym_record* find_symbol(const char* name);
sym_record* xref_reference(const char* name);
// The same look-up without a cross-reference line (a token read again after a push-back).
sym_record* lookup_name(const char* name);
sym_record* new_symbol(const char* name);
sym_record* new_anon_symbol();
sym_record* lookup_label(sym_record* sym);
void move_symbol_to_level(sym_record* sym, int level);
sym_record* declare_symbol(sym_record* sym, int kind, const type_desc* type, sym_record* owner);
bool xref_define(sym_record* sym);
sym_record* find_member(sym_record* tag, const char* name);
void open_scope();
void close_scope();
// Closes level L without writing block records (parameter scopes of declarators).
void close_level(int level);
void report_scope_symbols(int level);
void emit_sym_name(sym_record* sym);
void write_func_flags();
bool is_main(const sym_record* sym);
uint16_t new_label_number();
// Extra roots that the recycling must keep (the function being defined).
void set_sym_root(sym_record* sym);
// Live and total records, for tests of the recycling.
uint32_t symbols_live();
uint32_t symbols_allocated_blocks();
void sweep_symbols();
