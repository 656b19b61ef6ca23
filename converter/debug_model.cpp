#include "converter/debug_model.h"

#include <cstdio>

#include "common/alert.h"
#include "converter/machines.h"
#include "converter/model.h"

namespace conv {

// The symbol model's hash, spread over a scope's 47 buckets.
uint32_t dbg_name_hash(const std::string& name) { return name_hash(name) % 47; }

uint32_t type_hash(const dbg_type& t) {
    uint32_t h = 0;
    for (size_t i = t.elems.size(); i > 0; --i) {
        const type_elem& e = t.elems[i - 1];
        switch (e.kind) {
        case elem_kind::pointer:
        case elem_kind::function:
        case elem_kind::array: h += static_cast<uint32_t>(e.kind) * 256; break;
        case elem_kind::qualifiers: h += 7 * 256 + e.value; break;
        case elem_kind::enum_ref:
        case elem_kind::struct_ref: return h + static_cast<uint32_t>(e.kind) * 256;
        case elem_kind::base: return h + e.size + e.value;
        default: alert_message(623); return h;
        }
    }
    return h;
}

namespace {

// Tags under comparison on each side; a self-reference met again ends the recursion.
struct tag_lists {
    std::vector<const dbg_sym*> left, right;
};

bool tags_equal(const dbg_sym* a, const dbg_sym* b, tag_lists& lists);

bool types_equal(const dbg_type& a, const dbg_type& b, tag_lists& lists) {
    if (&a == &b) return true;
    size_t ia = a.elems.size(), ib = b.elems.size();
    while (ia > 0 && ib > 0) {
        const type_elem& x = a.elems[--ia];
        const type_elem& y = b.elems[--ib];
        if (x.kind != y.kind) return false;
        switch (x.kind) {
        case elem_kind::base: return x.value == y.value && x.size == y.size;
        case elem_kind::function:
        case elem_kind::pointer: break;
        case elem_kind::enum_ref: return x.tag == y.tag;
        case elem_kind::array:
        case elem_kind::qualifiers:
            if (x.value != y.value) return false;
            break;
        case elem_kind::struct_ref: return x.tag == y.tag || tags_equal(x.tag, y.tag, lists);
        default: alert_message(624); return false;
        }
    }
    return ia == 0 && ib == 0;
}

bool on_list(const std::vector<const dbg_sym*>& list, const dbg_sym* tag) {
    for (const dbg_sym* t : list)
        if (t == tag) return true;
    return false;
}

bool members_equal(const dbg_member& x, const dbg_member& y, tag_lists& lists) {
    if (x.has_name != y.has_name || (x.has_name && x.name != y.name)) return false;
    if (x.size != y.size || x.offset != y.offset || x.bit_width != y.bit_width || x.bit_offset != y.bit_offset)
        return false;
    const type_elem* ix = x.type.empty() ? nullptr : &x.type.elems.front();
    const type_elem* iy = y.type.empty() ? nullptr : &y.type.elems.front();
    if (ix && iy && ix->kind == elem_kind::struct_ref && iy->kind == elem_kind::struct_ref && ix->tag == iy->tag)
        return true;
    if (ix && ix->kind == elem_kind::struct_ref && on_list(lists.left, ix->tag)) return false;
    if (iy && iy->kind == elem_kind::struct_ref && on_list(lists.right, iy->tag)) return false;
    return types_equal(x.type, y.type, lists);
}

bool tags_equal(const dbg_sym* a, const dbg_sym* b, tag_lists& lists) {
    if (a == b) return true;
    if (!a || !b) return false;
    if (a->size != b->size || a->members.size() != b->members.size()) return false;
    if (a->has_link_name != b->has_link_name || (a->has_link_name && a->link_name != b->link_name)) return false;
    lists.left.push_back(a);
    lists.right.push_back(b);
    for (size_t i = 0; i < a->members.size(); ++i)
        if (!members_equal(a->members[i], b->members[i], lists)) return false;
    return true;
}

const type_elem* outer_past_qualifiers(const dbg_type& t) {
    for (size_t i = t.elems.size(); i > 0; --i)
        if (t.elems[i - 1].kind != elem_kind::qualifiers) return &t.elems[i - 1];
    return nullptr;
}

}  // namespace

bool type_equal(const dbg_type& a, const dbg_type& b) {
    tag_lists lists;
    return types_equal(a, b, lists);
}

bool tag_equal(const dbg_sym* a, const dbg_sym* b) {
    tag_lists lists;
    return tags_equal(a, b, lists);
}

bool type_is_function(const dbg_type& t) {
    const type_elem* e = outer_past_qualifiers(t);
    return e && e->kind == elem_kind::function;
}

bool type_is_bit(const dbg_type& t) {
    const type_elem* e = outer_past_qualifiers(t);
    return e && e->kind == elem_kind::base && e->value == BASE_BIT;
}

void type_table::put(const dbg_type& t, uint32_t number) { map_.emplace(t, number); }

const uint32_t* type_table::get(const dbg_type& t) const {
    auto found = map_.find(t);
    return found == map_.end() ? nullptr : &found->second;
}

dbg_sym* debug_model::make(sclass cls) {
    pool_.push_back(std::make_unique<dbg_sym>());
    pool_.back()->cls = cls;
    return pool_.back().get();
}

void debug_model::init_base_types(const machine_desc& m) {
    global_block = make(sclass::module);
    current_scope = global_block;
    for (const type_abbrev* a = m.type_abbrevs; a->abbreviation; ++a) {
        dbg_sym* t = make(sclass::typedef_);
        t->name = a->abbreviation;
        t->type.elems.push_back({elem_kind::base, a->cls, a->size, nullptr});
        add_child(global_block, t);
    }
}

void debug_model::add_child(dbg_sym* scope, dbg_sym* child) {
    if (scope->names.empty()) scope->names.resize(47);
    scope->children.push_back(child);
    scope->names[dbg_name_hash(child->name)].push_back(child);
}

dbg_sym* debug_model::lookup_tag(const std::string& name) const {
    for (const dbg_sym* scope = current_scope; scope; scope = scope->parent) {
        if (!scope->names.empty()) {
            const auto& bucket = scope->names[dbg_name_hash(name)];
            for (size_t i = bucket.size(); i > 0; --i)
                if (bucket[i - 1]->name == name) return bucket[i - 1];
        }
        if (!(scope->flags & DBG_FAKED)) break;
    }
    return nullptr;
}

dbg_sym* debug_model::lookup_visible(const std::string& name) const {
    const dbg_sym* scope = current_scope;
    size_t pos = scope ? scope->children.size() : 0;
    auto named = [&](const dbg_sym* s) { return s->name == name || s->name == "_" + name; };
    while (scope) {
        if (!scope->children.empty()) {
            for (dbg_sym* s : scope->names[dbg_name_hash(name)]) {
                if (!named(s)) continue;
                if (s->cls != sclass::auto_ && s->cls != sclass::param && s->cls != sclass::reg) return s;
                size_t from = scope->cls == sclass::module ? scope->children.size() : pos;
                for (size_t i = std::min(from, scope->children.size()); i > 0; --i) {
                    dbg_sym* c = scope->children[i - 1];
                    if (named(c) && c->cls != sclass::block && c->cls != sclass::module) return c;
                }
                break;
            }
        }
        pos = scope->position;
        scope = scope->parent;
    }
    return nullptr;
}

void print_type(const dbg_type& t, const machine_desc* m) {
    for (size_t i = t.elems.size(); i > 0; --i) {
        const type_elem& e = t.elems[i - 1];
        switch (e.kind) {
        case elem_kind::pointer: std::fputs("*", stderr); break;
        case elem_kind::function: std::fputs("(", stderr); break;
        case elem_kind::array: std::fprintf(stderr, "[%u]", e.value); break;
        case elem_kind::struct_ref:
            std::fprintf(stderr, "struct %s", e.tag->has_link_name ? e.tag->link_name.c_str() : e.tag->name.c_str());
            return;
        case elem_kind::qualifiers:
            for (uint32_t row = 0; m && m->qualifiers[row].letter; ++row)
                if (e.value & (1u << row)) std::fprintf(stderr, "%s ", m->qualifiers[row].name);
            break;
        case elem_kind::enum_ref: std::fputs("Unknown type", stderr); break;
        case elem_kind::base: {
            static const char letters[] = "viufb";
            if (e.value == BASE_VOID) std::fputs("v", stderr);
            else std::fprintf(stderr, "%c%d", e.value < 5 ? letters[e.value] : '?', e.size);
            return;
        }
        }
    }
}

namespace {

const char* const class_words[] = {"null", "extern", "global", "static", "auto", "param", "typedef", "module",
                                   "line", "block", "func", "reg", "struct", "enum", "filename"};

void dump_scope(const dbg_sym* scope, int depth, const machine_desc* m);

void dump_child(const dbg_sym* s, int depth, const machine_desc* m) {
    uint32_t c = static_cast<uint32_t>(s->cls);
    std::fprintf(stderr, "%*s", depth, "");
    if (c >= 15) {
        std::fprintf(stderr, "sclass?? = %d\n", int(c));
        return;
    }
    std::fprintf(stderr, "%s: ", class_words[c]);
    switch (s->cls) {
    case sclass::extern_:
    case sclass::static_:
    case sclass::auto_:
    case sclass::param:
    case sclass::typedef_:
    case sclass::reg:
        std::fprintf(stderr, "%s `", s->name.c_str());
        print_type(s->type, m);
        if (s->cls == sclass::reg) std::fprintf(stderr, " %s", machine_reg_name(m, uint32_t(s->value)));
        if (s->cls == sclass::static_ && s->has_link_name) std::fprintf(stderr, " %s", s->link_name.c_str());
        std::fprintf(stderr, " %d\n", int(s->line));
        break;
    case sclass::module:
        std::fprintf(stderr, "\"%s\" %d-%d\n", s->name.c_str(), int(s->first_line), int(s->last_line));
        dump_scope(s, depth, m);
        break;
    case sclass::func:
    case sclass::block:
        if (s->cls == sclass::func) std::fprintf(stderr, "%s() ", s->function ? s->function->name.c_str() : "");
        std::fprintf(stderr, "%d-%d%s\n", int(s->first_line), int(s->last_line), s->flags & DBG_FAKED ? " (faked)" : "");
        dump_scope(s, depth, m);
        break;
    case sclass::struct_:
        std::fprintf(stderr, "%s", s->name.c_str());
        if (s->has_link_name) std::fprintf(stderr, "(%s)", s->link_name.c_str());
        std::fputs(" = {", stderr);
        for (const dbg_member& mem : s->members) {
            std::fprintf(stderr, " %s `", mem.has_name ? mem.name.c_str() : "");
            print_type(mem.type, m);
        }
        std::fputs(" }\n", stderr);
        break;
    case sclass::enum_:
        std::fprintf(stderr, "%s", s->name.c_str());
        if (s->has_link_name) std::fprintf(stderr, "(%s)", s->link_name.c_str());
        std::fputs(" = {", stderr);
        for (const dbg_enum_const& k : s->constants) std::fprintf(stderr, " %s=%ld", k.name.c_str(), long(k.value));
        std::fputs(" }\n", stderr);
        break;
    case sclass::filename: std::fprintf(stderr, "\"%s\"\n", s->name.c_str()); break;
    default: std::fprintf(stderr, "sclass?? = %d\n", int(c)); break;
    }
}

void dump_scope(const dbg_sym* scope, int depth, const machine_desc* m) {
    std::fprintf(stderr, "%*s{\n", depth, "");
    for (const dbg_sym* c : scope->children) dump_child(c, depth + 4, m);
    std::fprintf(stderr, "%*s}\n", depth, "");
}

}  // namespace

void debug_model::dump(const machine_desc* m) const {
    if (!global_block) return;
    std::fputs("\nGlobal block:\n\n", stderr);
    for (const dbg_sym* c : global_block->children) dump_child(c, 0, m);
    std::fputc('\n', stderr);
}

}  // namespace conv
