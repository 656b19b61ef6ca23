// Type model: qualifier rows, walkers, equality, assignability, type strings and words.
#include "parser/types.h"

#include <cstring>
#include <deque>

#include "common/alert.h"
#include "parser/emit.h"
#include "parser/expr.h"
#include "parser/lexer.h"
#include "parser/options.h"
#include "parser/symbols.h"

qualifier_row qualifier_table[qualifier_rows];

namespace {
// Parameter lists live in one pool: every list stays reachable, none is ever freed twice.
std::deque<param_list> param_pool;

int bit_length(uint16_t v) {
    int n = 0;
    while (v) {
        ++n;
        v >>= 1;
    }
    return n;
}
}  // namespace

void init_qualifiers() {
    static const char* const names[6] = {"const", "volatile", "far", "near", "interrupt", "persistent"};
    for (int i = 0; i < qualifier_rows; ++i) qualifier_table[i] = qualifier_row{"", 0, 0, 0, 0};
    for (int i = 0; i < 6; ++i) qualifier_table[i] = qualifier_row{names[i], "CVFNIS"[i], 0, 0, 1u << i};
}

uint32_t qualifier_mask(const char* word) {
    if (std::strcmp(word, "const") == 0) return Q_CONST;
    if (std::strcmp(word, "volatile") == 0) return Q_VOLATILE;
    if (opt.strict) {
        if (std::strncmp(word, "__", 2) != 0) return 0;
        word += 2;
    }
    for (int i = 2; i < qualifier_rows; ++i) {
        if (qualifier_table[i].name.empty()) break;
        if (qualifier_table[i].name == word) {
            if (i == 5 && opt.persistent_far) return Q_PERSISTENT | Q_FAR;
            return qualifier_table[i].mask;
        }
    }
    return 0;
}

void define_ptr_class(const char* keyword, const char* spec) {
    std::string name = keyword;
    if (name.compare(0, 2, "__") == 0) name.erase(0, 2);
    char letter = spec[0];
    int row = -1, share = -1;
    for (int i = 0; i < qualifier_rows; ++i) {
        qualifier_row& q = qualifier_table[i];
        if (q.name.empty()) {
            row = i;
            break;
        }
        if (q.letter == letter && q.name == name) {
            row = i;
            break;
        }
        if (q.letter == letter && share < 0) share = i;
    }
    if (row < 0) {
        alert_message(307);
        return;
    }
    qualifier_row& q = qualifier_table[row];
    if (q.name.empty()) {
        q.name = name;
        q.mask = share >= 0 ? qualifier_table[share].mask : 1u << row;
    }
    q.letter = letter;
    int size = -1;
    for (const char* p = spec + 1; *p && *p != ','; ++p) {
        if (*p == 'i') q.flags |= QF_I;
        else if (*p == 'u') q.flags |= QF_U;
        else if (*p == 'm') q.flags |= QF_M;
        else if (*p >= '0' && *p <= '9') {
            size = 0;
            while (*p >= '0' && *p <= '9') size = size * 10 + (*p++ - '0');
            --p;
        }
    }
    if (size >= 0) q.size = static_cast<uint8_t>(size);
}

type_desc make_basic(int32_t code) {
    type_desc t{};
    t.code = code;
    return t;
}

const type_desc& skip_transparent(const type_desc& t) {
    const type_desc* p = &t;
    while (p->code == ic::T_DERIVED && p->indirection == 0 && p->kind == K_PLAIN && p->base) p = &p->base->type;
    return *p;
}

bool is_const_object(const type_desc& t) {
    // A level's qualifiers belong to what its pointers point at; the object's own are those of
    // the levels above its first pointer.
    const type_desc* p = &t;
    for (;;) {
        if (p->indirection) return false;
        if (p->classes & Q_CONST) return true;
        if (p->code != ic::T_DERIVED || p->kind != K_PLAIN || !p->base) return false;
        p = &p->base->type;
    }
}

bool is_function(const type_desc& t) { return skip_transparent(t).kind == K_FUNCTION; }
param_list* type_params(const type_desc& t) {
    const type_desc& s = skip_transparent(t);
    return s.kind == K_FUNCTION ? s.params : nullptr;
}
expr_node* array_dim_tree(const type_desc& t) {
    const type_desc& s = skip_transparent(t);
    return s.kind == K_ARRAY ? s.dim_tree : nullptr;
}
bool is_array(const type_desc& t) { return skip_transparent(t).kind == K_ARRAY; }
bool is_pointer(const type_desc& t) {
    const type_desc& s = skip_transparent(t);
    return s.kind == K_PLAIN && (s.indirection & 1);
}
bool is_plain(const type_desc& t, int32_t code) {
    const type_desc& s = skip_transparent(t);
    return s.indirection == 0 && s.kind == K_PLAIN && s.code == code;
}
bool is_void_pointer(const type_desc& t) {
    const type_desc& s = skip_transparent(t);
    return s.kind == K_PLAIN && s.code == ic::T_VOID && s.indirection == 1;
}
const type_desc* pointed_function(const type_desc& t) {
    const type_desc& s = skip_transparent(t);
    if (s.kind != K_PLAIN || s.indirection != 1 || s.code != ic::T_DERIVED || !s.base) return nullptr;
    const type_desc& f = skip_transparent(s.base->type);
    return f.kind == K_FUNCTION ? &f : nullptr;
}
bool is_scalar(const type_desc& t) {
    const type_desc& s = skip_transparent(t);
    return s.kind == K_PLAIN && (s.indirection || s.code <= 21);
}
bool is_arithmetic(const type_desc& t) {
    const type_desc& s = skip_transparent(t);
    return s.kind == K_PLAIN && !s.indirection && s.code <= 20;
}
bool is_integral(const type_desc& t) {
    const type_desc& s = skip_transparent(t);
    return s.kind == K_PLAIN && !s.indirection && (s.code < 16 || s.code == 20);
}
bool is_floating(const type_desc& t) {
    const type_desc& s = skip_transparent(t);
    return s.kind == K_PLAIN && !s.indirection && (s.code == 16 || s.code == 18);
}
bool is_integral_or_enum(const type_desc& t) { return is_integral(t) || is_plain(t, ic::T_ENUM); }

void add_pointer(type_desc& t) {
    if (t.indirection & 0x8000) {
        alert_message(256);
        return;
    }
    t.indirection = static_cast<uint16_t>(t.indirection * 2 + 1);
}

type_desc wrap_in_type_symbol(const type_desc& inner) {
    sym_record* s = new_anon_symbol();
    s->kind = S_TYPEDEF;
    s->type = inner;
    const type_desc& f = skip_transparent(inner);
    if (f.kind == K_FUNCTION && f.params && regarg_flag) s->flags |= has_ellipsis(f) ? F_VARIADIC : F_PROTOTYPED;
    type_desc outer{};
    outer.code = ic::T_DERIVED;
    outer.base = s;
    return outer;
}

void fold_type(type_desc& t) {
    while (t.code == ic::T_DERIVED && t.base && t.indirection == 0 && t.kind == K_PLAIN) {
        const type_desc& r = t.base->type;
        if (t.classes == 0) {
            t = r;
            continue;
        }
        // Classes can move into a plain referent that has no pointer level: they qualify the
        // same object there.
        if (r.kind == K_PLAIN && r.indirection == 0 && r.code != ic::T_DERIVED) {
            uint16_t c = t.classes;
            t = r;
            t.classes |= c;
            continue;
        }
        break;
    }
}

void deref(type_desc& t) {
    fold_type(t);
    // A qualified pointer object (int *const p) is a classed level over the pointer: the
    // classes belong to the pointer itself and go with it.
    while (t.code == ic::T_DERIVED && t.base && t.indirection == 0 && t.kind == K_PLAIN && t.classes) {
        t = t.base->type;
        fold_type(t);
    }
    if (t.kind == K_FUNCTION) {
        t.kind = K_PLAIN;
        t.params = nullptr;
        fold_type(t);
        return;
    }
    if (t.kind != K_PLAIN || !(t.indirection & 1)) {
        alert_message(981);
        return;
    }
    t.indirection >>= 1;
    fold_type(t);
}

void add_classes(type_desc& t, uint16_t mask) {
    if (t.classes & mask) alert_message(258);
    if (((t.classes | mask) & (Q_FAR | Q_NEAR)) == (Q_FAR | Q_NEAR)) alert_message(259);
    t.classes |= mask;
}

// The expression parser's lenient test: any two types may meet where no stricter rule applies.
bool always_compatible(const type_desc&, const type_desc&) { return true; }

param_list* new_param_list() {
    param_pool.emplace_back();
    return &param_pool.back();
}

void set_param_list(type_desc& t, param_list* list) {
    free_param_list(t.params);
    t.params = list;
}

param_list* copy_param_list(const param_list* list) {
    if (!list) return nullptr;
    param_list* l = new_param_list();
    for (const type_desc& p : list->items) {
        type_desc c;
        copy_type(p, c);
        fold_type(c);
        l->items.push_back(c);
    }
    return l;
}

void copy_type(const type_desc& source, type_desc& destination) {
    destination = source;
    if (source.dim_tree) destination.dim_tree = copy_tree(source.dim_tree);
    if (source.params) destination.params = copy_param_list(source.params);
}

void free_param_list(param_list* list) {
    // Lists may be shared by shallow copies of a type; they stay in the pool and are only
    // given back by their owner's recycling, never released twice.
    (void)list;
}

void free_type_parts(type_desc& t) {
    t.dim_tree = nullptr;
    t.params = nullptr;
}

bool is_void_list(const param_list* list) {
    return list && list->items.size() == 1 && list->items[0].code == ic::T_VOID && !list->items[0].indirection &&
           list->items[0].kind == K_PLAIN;
}

bool has_ellipsis(const type_desc& t) {
    const param_list* l = t.params;
    return l && !l->items.empty() && l->items.back().code == ic::T_ELLIPSIS;
}

int call_count(const type_desc& t) {
    const type_desc& f = skip_transparent(t);
    const param_list* l = f.params;
    if (!l || is_void_list(l)) return 0;
    int n = static_cast<int>(l->items.size());
    if (has_ellipsis(f)) n -= 2;
    return n < 0 ? 0 : n;
}

bool types_equal(const type_desc& a0, const type_desc& b0, bool lenient) {
    if (&a0 == &b0) return true;
    type_desc a = a0, b = b0;
    fold_type(a);
    fold_type(b);
    if (a.kind != b.kind || a.code != b.code) return false;
    if (a.indirection != b.indirection) return false;
    if (a.indirection && a.classes != b.classes) return false;
    if (a.kind == K_FUNCTION) {
        if (a.classes != b.classes) return false;
        if (a.params && b.params) {
            if (a.params->items.size() != b.params->items.size()) return false;
            for (size_t i = a.params->items.size(); i-- > 0;)
                if (!types_equal(a.params->items[i], b.params->items[i], false)) return false;
        } else if ((a.params == nullptr) != (b.params == nullptr) && !lenient) {
            return false;
        }
    }
    switch (a.code) {
    case ic::T_DERIVED:
        if (!a.base || !b.base) return a.base == b.base;
        return types_equal(a.base->type, b.base->type, lenient);
    case ic::T_ENUM:
    case ic::T_STRUCT:
    case ic::T_UNION:
        return a.base == b.base;
    default:
        return true;
    }
}

bool classes_compatible(uint16_t target, uint16_t source) {
    if (target == source) return true;
    bool target_u = false, source_only_i = false;
    for (int i = 0; i < qualifier_rows && !qualifier_table[i].name.empty(); ++i) {
        const qualifier_row& q = qualifier_table[i];
        if ((q.flags & QF_U) && (target & q.mask)) target_u = true;
    }
    for (int i = 0; i < qualifier_rows && !qualifier_table[i].name.empty(); ++i) {
        const qualifier_row& q = qualifier_table[i];
        if (!(q.flags & QF_I)) continue;
        bool t = target & q.mask, s = source & q.mask;
        if (t == s) continue;
        if (t) return false;
        source_only_i = true;
    }
    if ((source_only_i && !target_u) || ((target & Q_NEAR) && !(source & Q_NEAR))) return false;
    if ((source & Q_FAR) && !(target & Q_FAR) && !target_u)
        return type_size(31) == qualifier_table[2].size;
    return (source & (Q_CONST | Q_VOLATILE) & ~target) == 0 && (source & Q_INTERRUPT) == (target & Q_INTERRUPT);
}

namespace {
// A type seen as a chain of objects: classes[k] qualifies the object reached after k
// indirections; `rest` is where the chain stops (the base record).
struct object_chain {
    std::vector<uint16_t> classes;
    type_desc rest;
};

object_chain flatten(const type_desc& t0) {
    object_chain c;
    c.classes.assign(1, 0);
    type_desc t = t0;
    fold_type(t);
    size_t depth = 0;
    for (;;) {
        depth += static_cast<size_t>(bit_length(t.indirection));
        if (c.classes.size() <= depth) c.classes.resize(depth + 1, 0);
        c.classes[depth] |= t.classes;
        if (t.code == ic::T_DERIVED && t.base && t.kind == K_PLAIN && skip_transparent(t.base->type).kind == K_PLAIN) {
            t = t.base->type;
            continue;
        }
        break;
    }
    t.indirection = 0;
    t.classes = 0;
    c.rest = t;
    return c;
}
}  // namespace

bool assignable(const type_desc& target, const type_desc& source) {
    object_chain a = flatten(target), b = flatten(source);
    if (a.classes.size() != b.classes.size()) return false;
    for (size_t k = 1; k < a.classes.size(); ++k)
        if (!classes_compatible(a.classes[k], b.classes[k])) return false;
    return types_equal(a.rest, b.rest, false);
}

std::string ic_type_string(const type_desc& t0) {
    std::string s;
    const type_desc* t = &t0;
    for (;;) {
        if (t->kind == K_FUNCTION) s += '(';
        for (int i = bit_length(t->indirection); i > 0; --i) s += '*';
        for (int i = 0; i < qualifier_rows; ++i)
            if ((t->classes >> i) & 1)
                if (qualifier_table[i].letter) s += qualifier_table[i].letter;
        if (t->code == ic::T_DERIVED && t->base) {
            const sym_record* b = t->base;
            if (b->type.kind != K_ARRAY && !(b->flags & (F_PROTOTYPED | F_VARIADIC))) {
                t = &b->type;
                continue;
            }
            s += (b->flags & F_NUMBERED) ? "F" + std::to_string(b->seq) : "_" + std::string(b->name);
            return s;
        }
        switch (t->code) {
        case ic::T_ENUM:
            s += 'E';
            if (t->base && t->base->seq) s += std::to_string(t->base->seq);
            break;
        case ic::T_ELLIPSIS: s += "..."; break;
        case ic::T_STRUCT:
        case ic::T_UNION: s += 'S' + std::to_string(t->base ? t->base->number : 0); break;
        default:
            if (t->code & 1) s += 'u';
            s += ic::basic_letter(t->code & ~1);
            break;
        }
        return s;
    }
}

void emit_type(const type_desc& t) { std::fprintf(ic_stream(), "`%s", ic_type_string(t).c_str()); }

std::string type_name(const type_desc& t0) {
    static const char* const names[] = {"????", "boolean", "char", "short", "int",  "long", "long long",
                                        "index", "float",  "double", "???", "void", "???",  "..."};
    std::string s;
    const type_desc* t = &t0;
    for (;;) {
        if (t->kind == K_FUNCTION) {
            s += "function";
            if (is_void_list(t->params)) {
                s += " with no arguments";
            } else if (t->params) {
                s += " with arguments(";
                for (size_t i = 0; i < t->params->items.size(); ++i) {
                    if (i) s += ", ";
                    s += type_name(t->params->items[i]);
                }
                s += ")";
            }
            s += " returning ";
        } else if (t->kind == K_ARRAY) {
            s += "array";
            if (t->dim != -1) s += "[" + std::to_string(static_cast<unsigned long>(static_cast<uint32_t>(t->dim))) + "]";
            s += " of ";
        }
        for (int i = bit_length(t->indirection); i > 0; --i) s += "pointer to ";
        for (int i = 0; i < qualifier_rows; ++i)
            if ((t->classes >> i) & 1) s += qualifier_table[i].name + " ";
        if (t->code == ic::T_DERIVED && t->base) {
            t = &t->base->type;
            continue;
        }
        switch (t->code) {
        case ic::T_ENUM: s += std::string("enum ") + (t->base ? t->base->name : ""); break;
        case ic::T_STRUCT:
        case ic::T_UNION:
            s += t->code == ic::T_STRUCT ? "struct " : "union ";
            if (t->base && t->base->name && *t->base->name) s += t->base->name;
            else s += "S" + std::to_string(t->base ? t->base->number : 0);
            break;
        default:
            if (t->code & 1) s += "unsigned ";
            s += (t->code / 2 < 14) ? names[t->code / 2] : "???";
            break;
        }
        return s;
    }
}

void print_type_pair(const type_desc& a, const type_desc& b, const char* separator) {
    alert_print("%s%s%s", type_name(a).c_str(), separator ? separator : " / ", type_name(b).c_str());
}

void print_not_type(const type_desc& t) { alert_print("NOT %s", type_name(t).c_str()); }
