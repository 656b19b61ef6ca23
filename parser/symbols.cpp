// Symbol table: hashing, name spaces, scopes, declarations, reports and record recycling.
#include "parser/symbols.h"

#include <cstdlib>
#include <cstring>
#include <vector>

#include "common/alert.h"
#include "common/alloc.h"
#include "parser/emit.h"
#include "parser/expr.h"
#include "parser/lexer.h"
#include "parser/options.h"
#include "parser/sidefiles.h"

int block_level = 0;
name_space lookup_space = NS_ORDINARY;
uint16_t label_counter = 1;

namespace {

// The 256 buckets keep the order in which a closing scope reports its names and the function
// flags are written; look-ups go through `lookup_index`, a hash of the whole name that grows with the
// table, so that a long unit does not slow down with its name count.
constexpr int bucket_count = 256;
sym_record* buckets[bucket_count];
std::vector<sym_record*> lookup_index(1024);
size_t index_count = 0;
int lowest_bucket = bucket_count;
int highest_bucket = 0;   // one past the highest in use
int high_water = 0;
uint16_t seq_counter = 1;
char empty_name[1] = "";

// Record blocks: all stay reachable from here for the life of the program.
std::vector<sym_record*> blocks;
std::vector<uint32_t> block_sizes;
uint32_t block_size = 1024;
sym_record* free_list = nullptr;
uint32_t total_records = 0;
uint32_t allocated_since_sweep = 0;
uint32_t live_after_sweep = 0;
std::vector<sym_record*> roots;

void refill_free_list() {
    if (blocks.size() >= 20) alert_message(309);
    uint32_t n = block_size;
    sym_record* block = nullptr;
    for (;;) {
        block = static_cast<sym_record*>(std::calloc(n, sizeof(sym_record)));
        if (block) break;
        n /= 2;
        if (n < 128) alert_message(294, static_cast<unsigned>(n * 2 * sizeof(sym_record)));
    }
    if (n < 512) block_size = n * 2;
    blocks.push_back(block);
    block_sizes.push_back(n);
    total_records += n;
    for (uint32_t i = n; i-- > 0;) {
        block[i].link = free_list;
        free_list = &block[i];
    }
}

sym_record* take_record() {
    if (!free_list) refill_free_list();
    sym_record* s = free_list;
    free_list = s->link;
    std::memset(static_cast<void*>(s), 0, sizeof *s);
    ++allocated_since_sweep;
    return s;
}

bool in_space(const sym_record* s) {
    if (s->kind == S_NONE) return true;
    bool tag = s->kind == S_STRUCT || s->kind == S_UNION || s->kind == S_ENUM;
    bool member = s->kind == S_MEMBER;
    bool label = s->kind == S_LABEL;
    return tag == (lookup_space == NS_TAG) && member == (lookup_space == NS_MEMBER) &&
           label == (lookup_space == NS_LABEL);
}

// FNV-1a over the whole name.
uint32_t index_hash(const char* name) {
    uint32_t h = 2166136261u;
    for (const unsigned char* p = reinterpret_cast<const unsigned char*>(name); *p; ++p) h = (h ^ *p) * 16777619u;
    return h;
}

sym_record*& index_head(const char* name) { return lookup_index[index_hash(name) & (lookup_index.size() - 1)]; }

// Links a record into the look-up index, deepest level first and newest first within a level,
// as in its bucket: records of one name always share a chain, so look-up finds the same one.
void index_insert(sym_record* s) {
    sym_record** p = &index_head(s->name);
    while (*p && (*p)->level > s->level) p = &(*p)->hash_next;
    s->hash_next = *p;
    *p = s;
    ++index_count;
}

void index_remove(sym_record* s) {
    for (sym_record** p = &index_head(s->name); *p; p = &(*p)->hash_next)
        if (*p == s) {
            *p = s->hash_next;
            s->hash_next = nullptr;
            --index_count;
            return;
        }
}

// Doubles the index when it holds more records than chains; each chain's order carries over.
void grow_index() {
    std::vector<sym_record*> old(lookup_index.size() * 2, nullptr);
    old.swap(lookup_index);
    std::vector<sym_record**> tails(lookup_index.size());
    for (size_t i = 0; i < lookup_index.size(); ++i) tails[i] = &lookup_index[i];
    for (sym_record* chain : old)
        for (sym_record* s = chain; s;) {
            sym_record* following = s->hash_next;
            size_t i = index_hash(s->name) & (lookup_index.size() - 1);
            s->hash_next = nullptr;
            *tails[i] = s;
            tails[i] = &s->hash_next;
            s = following;
        }
}

// Puts a record into its bucket, keeping the chain ordered deepest level first.
void insert_in_bucket(sym_record* s) {
    uint32_t h = sym_hash(s->name);
    sym_record** p = &buckets[h];
    while (*p && (*p)->level > s->level) p = &(*p)->next;
    s->next = *p;
    *p = s;
    if (static_cast<int>(h) < lowest_bucket) lowest_bucket = static_cast<int>(h);
    if (static_cast<int>(h) + 1 > highest_bucket) highest_bucket = static_cast<int>(h) + 1;
    if (index_count >= lookup_index.size()) grow_index();
    index_insert(s);
}

void remove_from_bucket(sym_record* s) {
    index_remove(s);
    for (sym_record** p = &buckets[sym_hash(s->name)]; *p; p = &(*p)->next)
        if (*p == s) {
            *p = s->next;
            s->next = nullptr;
            return;
        }
}

void raise_high_water(int level) {
    if (level > high_water) high_water = level;
}

void mark_type(const type_desc& t);
void mark_tree(const expr_node* n);

void mark_record(sym_record* s) {
    while (s && !s->mark) {
        s->mark = 1;
        mark_type(s->type);
        if (s->owner) mark_record(s->owner);
        // Member rings and enum owners keep their tag alive, and the tag its members.
        if (s->kind == S_STRUCT || s->kind == S_UNION || s->kind == S_MEMBER || s->kind == S_PARAM)
            s = s->link;
        else
            s = nullptr;
    }
}

void mark_type(const type_desc& t) {
    if (t.base) mark_record(t.base);
    if (t.dim_tree) mark_tree(t.dim_tree);
    if (t.params)
        for (const type_desc& p : t.params->items) mark_type(p);
}

void mark_tree(const expr_node* n) {
    for (; n; n = n->left) {
        if (n->sym) mark_record(n->sym);
        mark_type(n->type);
        if (n->code == ic::OP_IDENT || n->code == ic::OP_ICONST || n->code == ic::OP_STRING ||
            n->code == ic::OP_FCONST || n->code == ic::OP_MEMBER || n->code == ic::OP_TYPE ||
            n->code == ic::OP_LISTEND)
            return;
        if (n->right && ic::op_arity(n->code) == 2) mark_tree(n->right);
        else if (n->right && n->code != ic::OP_CALL) mark_tree(n->right);
        else if (n->right) mark_tree(n->right);
    }
}

void report_record(sym_record* s, int level) {
    static const char* const words[] = {"label", "structure", "union", "member", "enum", "constant"};
    bool used = s->flags & F_USED, defined = s->flags & F_DEFINED;
    if (s->kind != S_EXTERN && s->kind != S_STRUCT && used && !defined) {
        if (s->kind == S_LABEL) alert_message(254, "label", s->name);
        else if (s->kind == S_UNION || s->kind == S_ENUM) {
        } else if (s->kind != S_NONE)
            alert_message(254, "variable", s->name);
        return;
    }
    if (!(level > 0 || s->kind == S_STATIC) || used) return;
    if (s->flags & (F_ABSOLUTE | F_ANON)) return;
    if (std::strcmp(s->name, "rcsid") == 0 || std::strcmp(s->name, "sccsid") == 0) return;
    const char* word = nullptr;
    switch (s->kind) {
    case S_PARAM: return;
    case S_LABEL: word = words[0]; break;
    case S_STRUCT: word = words[1]; break;
    case S_UNION: word = words[2]; break;
    case S_MEMBER: word = words[3]; break;
    case S_ENUM: word = words[4]; break;
    case S_ENUM_CONST: word = words[5]; break;
    case S_TYPEDEF: word = "typedef"; break;
    default: break;
    }
    if (is_function(s->type) && !(s->type.classes & Q_INTERRUPT) && defined && s->kind != S_TYPEDEF) {
        alert_message(967, s->name, static_cast<unsigned>(s->line));
        return;
    }
    if (!word && s->kind == S_EXTERN && is_function(s->type) && !defined &&
        skip_transparent(s->type).indirection)
        word = "variable declaration";
    if (word) alert_message(350, word, s->name, static_cast<unsigned>(s->line));
}

// A list that may follow a declaration without one: no ellipsis, and every parameter of a type
// that the default promotions leave as it is, since calls made before it passed promoted values.
bool agrees_with_no_list(const param_list& list) {
    for (const type_desc& item : list.items) {
        if (item.kind == K_PLAIN && !item.indirection && skip_transparent(item).code == ic::T_ELLIPSIS) return false;
        if (!is_arithmetic(item)) continue;
        int32_t code = skip_transparent(item).code;
        if (!is_plain(item, code == ic::T_FLOAT ? ic::T_DOUBLE : promote_code(code))) return false;
    }
    return true;
}

}  // namespace

void* parser_alloc(size_t size) {
    void* p = std::calloc(1, size ? size : 1);
    if (!p) alert_message(294, static_cast<unsigned>(size));
    return p;
}

char* parser_strdup(const char* text) {
    size_t n = std::strlen(text) + 1;
    char* p = static_cast<char*>(parser_alloc(n));
    std::memcpy(p, text, n);
    return p;
}

void release_symbols() {
    for (size_t i = 0; i < blocks.size(); ++i) {
        for (uint32_t j = 0; j < block_sizes[i]; ++j)
            if (blocks[i][j].name && blocks[i][j].name != empty_name) std::free(blocks[i][j].name);
        std::free(blocks[i]);
    }
    blocks.clear();
    block_sizes.clear();
    free_list = nullptr;
    for (auto& b : buckets) b = nullptr;
}

void init_symbols() {
    for (auto& b : buckets) b = nullptr;
    lookup_index.assign(1024, nullptr);
    index_count = 0;
    lowest_bucket = bucket_count;
    highest_bucket = 0;
    high_water = 0;
    block_level = 0;
    lookup_space = NS_ORDINARY;
    label_counter = 1;
    seq_counter = 1;
    release_symbols();
    block_size = 1024;
    total_records = allocated_since_sweep = live_after_sweep = 0;
    roots.clear();
}

uint32_t sym_hash(const char* name) {
    uint32_t h = 0;
    for (const unsigned char* p = reinterpret_cast<const unsigned char*>(name);; ++p) {
        h = (2 * h + *p) % 256;
        if (!*p) break;
    }
    return h;
}

sym_record* find_symbol(const char* name) {
    for (sym_record* s = index_head(name); s; s = s->hash_next)
        if (std::strcmp(s->name, name) == 0 && in_space(s)) return s;
    return nullptr;
}

sym_record* new_symbol(const char* name) {
    sym_record* s = take_record();
    s->level = static_cast<uint8_t>(block_level);
    s->seq = seq_counter++;
    s->mark = 1;
    s->name = (name && *name) ? parser_strdup(name) : empty_name;
    raise_high_water(block_level + 1);
    return s;
}

sym_record* new_anon_symbol() {
    sym_record* s = new_symbol(nullptr);
    s->flags = F_NUMBERED | F_ANON | F_USED | F_DEFINED;
    return s;
}

sym_record* xref_reference(const char* name) {
    if (xref_raw_file && name && *name) xref_write_reference(name, lex_line);
    return lookup_name(name);
}

sym_record* lookup_name(const char* name) {
    if (sym_record* s = find_symbol(name)) return s;
    sym_record* s = new_symbol(name);
    insert_in_bucket(s);
    return s;
}

sym_record* lookup_label(sym_record* sym) {
    std::string name = sym ? sym->name : "";
    if (sym && sym->kind == S_NONE) {
        remove_from_bucket(sym);
    }
    name_space saved = lookup_space;
    lookup_space = NS_LABEL;
    sym_record* s = find_symbol(name.c_str());
    lookup_space = saved;
    if (s && s->kind == S_LABEL) return s;
    if (!s || s->kind != S_NONE) {
        int saved_level = block_level;
        block_level = 1;
        s = new_symbol(name.c_str());
        block_level = saved_level;
        insert_in_bucket(s);
    }
    s->kind = S_LABEL;
    s->number = new_label_number();
    s->line = static_cast<uint16_t>(lex_line);
    move_symbol_to_level(s, 1);
    return s;
}

void move_symbol_to_level(sym_record* sym, int level) {
    remove_from_bucket(sym);
    sym->level = static_cast<uint8_t>(level);
    insert_in_bucket(sym);
    raise_high_water(level + 1);
}

uint16_t new_label_number() { return label_counter++; }

sym_record* declare_symbol(sym_record* sym, int kind, const type_desc* type, sym_record* owner) {
    raise_high_water(block_level + 1);
    type_desc t{};
    if (type) {
        copy_type(*type, t);
        fold_type(t);
        // main's parameter list is dropped before any comparison, so that main may be declared twice.
        if (t.kind == K_FUNCTION && std::strcmp(sym->name, "main") == 0) t.params = nullptr;
        if (t.kind == K_ARRAY && t.dim_tree) {
            int32_t v;
            t.dim = const_value(t.dim_tree, v) ? v : 0;
        }
    }
    bool same_level = sym->kind != S_NONE && sym->level == block_level;
    bool same_owner = kind != S_MEMBER || (sym->kind == S_MEMBER && sym->link == owner);
    if (same_level && same_owner && (kind == S_MEMBER) == (sym->kind == S_MEMBER)) {
        bool error = false;
        if (sym->kind != kind) {
            if (kind == S_STATIC && sym->kind == S_EXTERN) alert_message(367);
            else {
                alert_message(983);
                error = true;
            }
        }
        if ((sym->flags & F_HAS_TYPE) && type && !error) {
            if (kind == S_ENUM_CONST || sym->kind == S_ENUM_CONST) {
                alert_message(986);
                return nullptr;
            }
            // Parameter lists are compared below, so that their own messages can tell more.
            type_desc a = sym->type, b = t;
            fold_type(a);
            fold_type(b);
            if (a.kind == K_FUNCTION && b.kind == K_FUNCTION) a.params = b.params = nullptr;
            uint16_t ca = a.classes, cb = b.classes;
            type_desc whole_a = a, whole_b = b;
            a.classes = b.classes = 0;
            if (!types_equal(whole_a, whole_b, true)) {
                if (types_equal(a, b, true) && ca != cb) alert_message(985);
                else alert_message(984);
                error = true;
            } else if (ca != cb) {
                alert_message(985);
                error = true;
            } else if (is_function(t) && type_params(t)) {
                param_list* old_list = type_params(sym->type);
                param_list* new_list = type_params(t);
                if (!old_list) {
                    if (!agrees_with_no_list(*new_list)) {
                        alert_message(987);
                        error = true;
                    }
                } else if (old_list->items.size() != new_list->items.size()) {
                    alert_message(988);
                    error = true;
                } else {
                    for (size_t i = new_list->items.size(); i-- > 0;)
                        if (!types_equal(old_list->items[i], new_list->items[i], false)) {
                            alert_message(987);
                            error = true;
                            break;
                        }
                }
            }
            if (!error && is_array(t) && array_dim_tree(t)) {
                type_desc& old_arr = sym->type;
                if (old_arr.kind == K_ARRAY) {
                    if (old_arr.dim_tree && old_arr.dim && t.dim && old_arr.dim != t.dim) {
                        alert_message(251);
                    } else {
                        old_arr.dim_tree = t.dim_tree;
                        old_arr.dim = t.dim;
                    }
                }
            }
        }
        return sym;
    }
    if (sym->kind != S_NONE || (kind == S_MEMBER && sym->kind == S_MEMBER)) {
        sym_record* outer = sym;
        sym = new_symbol(outer->name);
        insert_in_bucket(sym);
        if (kind == S_AUTO && outer->level < block_level && outer->kind != S_MEMBER && outer->kind != S_LABEL)
            alert_message(346, sym->name);
    } else if (sym->level != block_level) {
        move_symbol_to_level(sym, block_level);
    }
    if (!sym->line) sym->line = static_cast<uint16_t>(lex_line);
    sym->kind = static_cast<uint8_t>(kind);
    switch (kind) {
    case S_LABEL:
    case S_STRUCT:
    case S_UNION:
        sym->number = new_label_number();
        break;
    case S_ENUM:
        break;
    case S_ENUM_CONST:
        sym->flags |= F_HAS_TYPE;
        sym->owner = owner;
        sym->type = t;
        break;
    case S_MEMBER:
        sym->link = owner;
        sym->type = t;
        sym->flags |= F_DEFINED;   // a member is defined by its struct body
        break;
    default:
        if (kind == S_EXTERN && block_level != 0) alert_message(347);
        if (kind != S_TYPEDEF) sym->flags |= F_HAS_TYPE;
        if (is_function(t) && std::strcmp(sym->name, "main") == 0) t.params = nullptr;
        sym->type = t;
        if (kind == S_AUTO && !is_pointer(t)) {
            uint16_t allowed = Q_CONST | Q_VOLATILE | opt.default_classes;
            if (t.classes & ~allowed) alert_message(348, sym->name);
        }
        if (regarg_flag && is_function(t)) {
            if (type_params(t)) sym->flags |= has_ellipsis(skip_transparent(t)) ? F_VARIADIC : F_PROTOTYPED;
            else if (kind != S_STATIC && std::strcmp(sym->name, "main") != 0)
                alert_message(349, sym->name);
        }
        break;
    }
    return sym;
}

bool xref_define(sym_record* sym) {
    if (sym->flags & F_ANON) return false;
    if ((sym->flags & F_DEFINED) && (sym->flags & F_ABSOLUTE)) {
        alert_message(239, sym->name, static_cast<unsigned>(sym->line));
        return true;
    }
    sym->line = static_cast<uint16_t>(lex_line);
    // The definition is listed at its name, which a head spread over lines may have left behind.
    if (xref_raw_file && !(sym->flags & F_NUMBERED))
        xref_write_definition(sym->name, sym->name_line ? sym->name_line : lex_line);
    if (sym->flags & F_DEFINED) return true;
    sym->flags |= F_DEFINED;
    return false;
}

sym_record* find_member(sym_record* tag, const char* name) {
    if (tag)
        for (sym_record* m = tag->link; m && m != tag; m = m->link)
            if (std::strcmp(m->name, name) == 0) return m;
    alert_message(255, tag ? tag->name : "");
    return nullptr;
}

void open_scope() {
    emit_block_mark(TK_LBRACE);
    ++block_level;
}

void close_level(int level) { report_scope_symbols(level); }

// Records are recycled only here, between statements: no declaration is half built then, so no
// anonymous record waits outside the table for its owner.
void close_scope() {
    report_scope_symbols(block_level);
    sweep_symbols();
    --block_level;
    emit_block_mark(TK_RBRACE);
}

void report_scope_symbols(int level) {
    if (level >= high_water) return;
    for (int b = lowest_bucket; b < highest_bucket; ++b) {
        while (buckets[b] && buckets[b]->level >= level) {
            sym_record* s = buckets[b];
            buckets[b] = s->next;
            s->next = nullptr;
            index_remove(s);
            report_record(s, level);
        }
    }
    high_water = level;
}

void set_sym_root(sym_record* sym) {
    roots.clear();
    if (sym) roots.push_back(sym);
}

void sweep_symbols() {
    if (blocks.empty()) return;
    // A sweep costs as much as all records; it pays only when the garbage could be as large as
    // what was live after the last one.
    if (allocated_since_sweep < live_after_sweep || allocated_since_sweep < 64) return;
    for (size_t i = 0; i < blocks.size(); ++i)
        for (uint32_t j = 0; j < block_sizes[i]; ++j) blocks[i][j].mark = 0;
    for (sym_record* f = free_list; f; f = f->link) f->mark = 2;   // never collected twice
    for (int b = lowest_bucket; b < highest_bucket; ++b)
        for (sym_record* s = buckets[b]; s; s = s->next) mark_record(s);
    for (sym_record* r : roots) mark_record(r);
    mark_expression_roots([](sym_record* s) { mark_record(s); });
    uint32_t live = 0;
    for (size_t i = 0; i < blocks.size(); ++i)
        for (uint32_t j = 0; j < block_sizes[i]; ++j) {
            sym_record* s = &blocks[i][j];
            if (s->mark == 1) {
                ++live;
                continue;
            }
            if (s->mark == 2) continue;
            if (s->name && s->name != empty_name) std::free(s->name);
            std::memset(static_cast<void*>(s), 0, sizeof *s);
            s->mark = 2;
            s->link = free_list;
            free_list = s;
        }
    for (sym_record* f = free_list; f; f = f->link) f->mark = 0;
    live_after_sweep = live;
    allocated_since_sweep = 0;
}

uint32_t symbols_live() { return live_after_sweep; }
uint32_t symbols_allocated_blocks() { return static_cast<uint32_t>(blocks.size()); }

void emit_sym_name(sym_record* sym) {
    if (sym->flags & F_NUMBERED) std::fprintf(ic_stream(), "F%u", static_cast<unsigned>(sym->seq));
    else std::fprintf(ic_stream(), "_%s", sym->name);
}

void write_func_flags() {
    for (int b = 0; b < bucket_count; ++b)
        for (sym_record* s = buckets[b]; s; s = s->next)
            if (s->func_flag_word)
                emit_pragma_unmarked("f _%s %lu", s->name, static_cast<unsigned long>(s->func_flag_word));
}

bool is_main(const sym_record* sym) { return sym->kind == S_EXTERN && std::strcmp(sym->name, "main") == 0; }
