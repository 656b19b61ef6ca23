#include "converter/coff_symtab.h"

#include <algorithm>
#include <cstring>

namespace conv {

namespace {

// Derived-type fields: two bits each from bit 4 upward, the one nearest the symbol lowest.
constexpr uint16_t DT_PTR = 1, DT_FCN = 2, DT_ARY = 3;
constexpr uint32_t MAX_DIMS = 4;

uint16_t derive(uint16_t word, uint16_t derived) {
    return static_cast<uint16_t>(((word & 0xFFF0u) << 2) | (derived << 4) | (word & 0xFu));
}

std::string pathspec_map(const conv_options& opt, const std::string& path) {
    if (!opt.has_pathspec || opt.pathspec_from.empty()) return path;
    size_t at = path.find(opt.pathspec_from);
    if (at == std::string::npos) return path;
    return path.substr(0, at) + opt.pathspec_to + path.substr(at + opt.pathspec_from.size());
}

std::string dos_path(std::string path) {
    std::replace(path.begin(), path.end(), '/', '\\');
    return path;
}

}  // namespace

coff_symtab::coff_symtab(conv_context& ctx, const coff_symtab_mode& mode, coff_strings& strings,
                         section_fn section_of)
    : ctx_(ctx), mode_(mode), strings_(strings), section_of_(std::move(section_of)) {}

std::string coff_symtab::stripped(const std::string& name) const {
    if (mode_.generic || !ctx_.opt.strip_underscore || name.empty() || name[0] != '_') return name;
    return name.substr(1);
}

uint32_t coff_symtab::add(const std::string& given, uint32_t value, uint16_t section, uint16_t type, uint8_t cls,
                          uint8_t numaux, bool strip) {
    std::string name = strip ? stripped(given) : given;
    if (name.empty()) {
        uint32_t& counter = mode_.generic ? ctx_.coff_unnamed : ctx_.mcoff_unnamed;
        name = ".u" + std::to_string(counter++);
    }
    coff_record r{};
    coff_put_name(r.data(), name, strings_, mode_.order);
    put32(&r[8], value, mode_.order);
    put16(&r[12], section, mode_.order);
    put16(&r[14], type, mode_.order);
    r[16] = cls;
    r[17] = numaux;
    entries.push_back(r);
    return static_cast<uint32_t>(entries.size() - 1);
}

uint32_t coff_symtab::add_aux(const coff_record& aux) {
    entries.push_back(aux);
    return static_cast<uint32_t>(entries.size() - 1);
}

uint32_t coff_symtab::add_aux_line(uint32_t line) {
    coff_record aux{};
    put16(&aux[4], static_cast<uint16_t>(line), mode_.order);
    return add_aux(aux);
}

void coff_symtab::patch32(uint32_t index, uint32_t offset, uint32_t value) {
    if (index < entries.size()) put32(&entries[index][offset], value, mode_.order);
}

uint32_t coff_symtab::base_word(const type_elem& e) const {
    switch (e.value) {
    case BASE_VOID: return 1;
    case BASE_SIGNED:
        if (e.size == 1) return 2;
        if (e.size == 2) return mode_.generic ? 3 : 4;
        return e.size == 4 ? 5 : 0;
    case BASE_UNSIGNED:
        if (e.size == 1) return 12;
        if (e.size == 2) return mode_.generic ? 13 : 14;
        return e.size == 4 ? 15 : 0;
    case BASE_FLOAT: return mode_.generic && e.size != mode_.float_size ? 7 : 6;
    default: return 0;
    }
}

coff_type coff_symtab::walk_type(const dbg_type& t, size_t count) {
    coff_type r;
    if (count == 0) return r;
    const type_elem& e = t.elems[count - 1];
    switch (e.kind) {
    case elem_kind::qualifiers: return walk_type(t, count - 1);
    case elem_kind::pointer:
    case elem_kind::function:
        r = walk_type(t, count - 1);
        if (r.ok) {
            r.word = derive(r.word, e.kind == elem_kind::pointer ? DT_PTR : DT_FCN);
            // An array of pointers holds pointers, whatever they point to.
            if (e.kind == elem_kind::pointer) r.element_size = mode_.pointer_size;
        }
        return r;
    case elem_kind::array: {
        r = walk_type(t, count - 1);
        if (!r.ok) return r;
        if (!r.has_aux) {
            r.has_aux = true;
            r.aux = coff_record{};
        }
        r.word = derive(r.word, DT_ARY);
        uint32_t dims[MAX_DIMS];
        for (uint32_t k = 0; k < MAX_DIMS; ++k) dims[k] = get16(&r.aux[8 + 2 * k], mode_.order);
        uint32_t n = 0;
        while (n < MAX_DIMS - 1 && dims[n]) ++n;
        uint32_t product = 1;
        for (uint32_t k = n; k > 0; --k) {
            dims[k] = dims[k - 1];
            product *= dims[k];
        }
        dims[0] = e.value;
        uint32_t size = e.value * product * r.element_size;
        for (uint32_t k = 0; k < MAX_DIMS; ++k) put16(&r.aux[8 + 2 * k], static_cast<uint16_t>(dims[k]), mode_.order);
        put16(&r.aux[6], static_cast<uint16_t>(size), mode_.order);
        return r;
    }
    case elem_kind::struct_ref: {
        r.ok = true;
        r.word = 8;
        r.has_aux = true;
        int32_t size = e.tag ? e.tag->size : 0;
        put16(&r.aux[6], static_cast<uint16_t>(size), mode_.order);
        r.element_size = static_cast<uint32_t>(size);
        dbg_type key;
        key.elems.assign(t.elems.begin(), t.elems.begin() + static_cast<std::ptrdiff_t>(count));
        if (const uint32_t* tag = tags_.get(key)) put32(&r.aux[0], *tag, mode_.order);
        else r.waiting = std::move(key);
        return r;
    }
    case elem_kind::enum_ref:
        // The tag's signedness is never worked out on this path: an enumeration is a char.
        r.ok = true;
        r.word = 2;
        r.element_size = element_size(2);
        return r;
    case elem_kind::base:
        r.ok = true;
        r.word = static_cast<uint16_t>(base_word(e));
        r.element_size = element_size(r.word);
        return r;
    }
    return r;   // an element of a kind the table has no word for: no type
}

coff_type coff_symtab::type_of(const dbg_type& t, bool tags) {
    if (tags) make_tags(t);
    return walk_type(t, t.elems.size());
}

void coff_symtab::make_tags(const dbg_type& t) {
    for (size_t i = t.elems.size(); i > 0; --i) {
        const type_elem& e = t.elems[i - 1];
        if (e.kind == elem_kind::pointer || e.kind == elem_kind::function || e.kind == elem_kind::array ||
            e.kind == elem_kind::qualifiers)
            continue;
        if (e.kind != elem_kind::struct_ref || !e.tag) return;
        dbg_type key;
        key.elems.assign(t.elems.begin(), t.elems.begin() + static_cast<std::ptrdiff_t>(i));
        if (!tags_.get(key)) make_tag(key, e.tag);
        return;
    }
}

void coff_symtab::make_tag(const dbg_type& key, const dbg_sym* tag) {
    uint32_t index = add(tag->name, 0, 0, 0, C_STRTAG, 1, false);
    tags_.put(key, index);
    // Entries written before this tag existed get its index now.
    for (auto it = waiting_.begin(); it != waiting_.end();) {
        if (type_equal(it->first, key)) {
            patch32(it->second, 0, index);
            it = waiting_.erase(it);
        } else {
            ++it;
        }
    }
    coff_record aux{};
    put16(&aux[6], static_cast<uint16_t>(tag->size), mode_.order);
    uint32_t tag_aux = add_aux(aux);
    for (const dbg_member& m : tag->members) {
        std::string name = m.has_name ? m.name : std::string();
        if (m.bit_width) {
            add(name, static_cast<uint32_t>(m.offset * 8 + m.bit_offset), 0, 12, C_FIELD, 1, false);
            coff_record width{};
            put16(&width[6], static_cast<uint16_t>(m.bit_width), mode_.order);
            add_aux(width);
        } else {
            coff_type ty = type_of(m.type, false);
            add_typed(name, static_cast<uint32_t>(m.offset), 0, C_MOS, ty);
        }
    }
    add(".eos", 0, 0, 0, C_EOS, 1, false);
    coff_record eos{};
    put32(&eos[0], index, mode_.order);
    put16(&eos[6], static_cast<uint16_t>(tag->size), mode_.order);
    patch32(tag_aux, 12, add_aux(eos));
    for (const dbg_member& m : tag->members)
        if (!m.bit_width) make_tags(m.type);
}

// An entry with its type word and, when the type has one, its auxiliary entry.
void coff_symtab::add_typed(const std::string& name, uint32_t value, uint16_t section, uint8_t cls, coff_type& ty) {
    add(name, value, section, ty.word, cls, ty.has_aux ? 1 : 0, false);
    if (!ty.has_aux) return;
    uint32_t aux = add_aux(ty.aux);
    if (ty.waiting) waiting_.emplace_back(*ty.waiting, aux);
}

// An "extern", "static", "auto", "reg" or "param" record; `record` writes its index and marks
// the model's symbol of its name.
void coff_symtab::variable(dbg_sym* sym, dbg_sym* scope, uint8_t cls, bool record) {
    uint32_t address = 0, space = 0;
    if (!mach_place_symbol(ctx_.machine.current, ctx_.md, sym, scope, address, space)) return;
    coff_type ty = type_of(sym->type, true);
    if (record)
        if (conv_symbol* s = ctx_.md.sym_lookup(sym->name)) written_.insert(s);
    if (!ty.ok) return;   // a type with no word: the debugger could not use the entry
    if (!mode_.generic) {
        if (record && ((ty.word >> 4) & 3) == DT_ARY && get16(&ty.aux[6], mode_.order) == 0) return;
        if (ty.has_aux) put16(&ty.aux[6], static_cast<uint16_t>(sym->size), mode_.order);
    }
    uint32_t index = static_cast<uint32_t>(entries.size());
    add_typed(stripped(sym->name), address, section_of_(address, space), cls, ty);
    if (record) symbol_index_[sym] = index;
}

void coff_symtab::walk(dbg_sym* scope, bool placed, uint32_t address, uint32_t space) {
    for (dbg_sym* child : scope->children) {
        switch (child->cls) {
        case sclass::extern_: variable(child, scope, C_EXT, true); break;
        case sclass::static_: variable(child, scope, C_STAT, true); break;
        case sclass::auto_: variable(child, scope, mode_.generic ? 1 : C_STAT, false); break;
        case sclass::reg: variable(child, scope, mode_.generic ? 4 : C_STAT, false); break;
        case sclass::param:
            if (mode_.generic) variable(child, scope, 9, false);
            break;
        case sclass::block: block_pair(child, placed, address, space); break;
        case sclass::func: function(child); break;
        case sclass::filename: source_file(child); break;
        default: break;
        }
    }
}

void coff_symtab::block_pair(dbg_sym* scope, bool placed, uint32_t address, uint32_t space) {
    uint32_t value = 0;
    uint16_t section = 0;
    if (placed && !mode_.generic) {
        value = address;
        section = section_of_(address, space);
    }
    uint32_t bb = add(".bb", value, section, 0, C_BLOCK, 1, false);
    uint32_t bb_aux = add_aux_line(scope->first_line);
    if (mode_.generic) {
        // The previous block of this level points at this one.
        if (!open_bb_.empty() && open_bb_.back()) patch32(open_bb_.back(), 12, bb);
        if (!open_bb_.empty()) open_bb_.back() = bb_aux;
        open_bb_.push_back(0);
    }
    walk(scope, placed, address, space);
    uint32_t eb = add(".eb", value, section, 0, C_BLOCK, 1, false);
    uint32_t eb_aux = add_aux_line(scope->last_line);
    if (mode_.generic) {
        if (open_bb_.back()) patch32(open_bb_.back(), 12, eb);
        open_bb_.pop_back();
    } else {
        patch32(bb_aux, 12, eb_aux);
    }
}

void coff_symtab::function(dbg_sym* scope) {
    coff_function f;
    f.scope = scope;
    if (dbg_sym* sym = scope->function) {
        f.placed = mach_place_symbol(ctx_.machine.current, ctx_.md, sym, nullptr, f.address, f.space);
        auto found = symbol_index_.find(sym);
        if (found != symbol_index_.end()) f.symbol_index = found->second;
    }
    functions.push_back(f);
    uint16_t section = f.placed ? section_of_(f.address, f.space) : 0;
    if (mode_.generic) {
        uint32_t bf = add(".bf", 0, 0, 0, C_FCN, 1, false);
        if (last_bf_aux_) patch32(last_bf_aux_, 12, bf);
        last_bf_aux_ = add_aux_line(scope->first_line);
        if (mode_.pic30) add("___FP", 15, 0, 4, 4, 0, false);
        open_bb_.push_back(0);
        walk(scope, f.placed, f.address, f.space);
        uint32_t ef = add(".ef", 0, 0, 0, C_FCN, 1, false);
        add_aux_line(scope->last_line);
        if (open_bb_.back()) patch32(open_bb_.back(), 12, ef);
        open_bb_.pop_back();
        return;
    }
    add(".bf", f.placed ? f.address : 0, section, 0, C_FCN, 1, false);
    uint32_t bf_aux = add_aux_line(scope->first_line);
    for (dbg_sym* child : scope->children)
        if (child->cls == sclass::param) variable(child, scope, C_STAT, false);
    block_pair(scope, f.placed, f.address, f.space);
    add(".ef", 0, section, 0, C_FCN, 1, false);
    patch32(bf_aux, 12, add_aux_line(scope->last_line));
}

void coff_symtab::source_file(const dbg_sym* entry) {
    if (file_open_ && !mode_.generic) {
        // A file that gave no entries leaves no trace.
        if (entries.size() >= 2 && entries[entries.size() - 2][16] == C_FILE &&
            std::memcmp(entries[entries.size() - 2].data(), ".file", 6) == 0) {
            entries.resize(entries.size() - 2);
        } else {
            add(".eof", 0, 0, 0, C_EOF, 0, false);
        }
    }
    file_open_ = true;
    uint32_t index = add(".file", 0, 0, 0, C_FILE, 1, false);
    if (const conv_file* f = ctx_.md.file_find(entry->name.c_str())) file_index[f] = index;
    coff_record aux{};
    if (mode_.generic) {
        std::string name = mode_.pic30 ? dos_path(pathspec_map(ctx_.opt, entry->name)) : entry->name;
        coff_put_name(aux.data(), name, strings_, mode_.order);
    } else {
        put32(&aux[0], strings_.store(dos_path(pathspec_map(ctx_.opt, entry->name))), mode_.order);
    }
    add_aux(aux);
}

void coff_symtab::walk_modules() {
    if (!ctx_.dbg.global_block) return;
    for (dbg_sym* scope : ctx_.dbg.global_block->children)
        if (scope->cls == sclass::module) walk(scope, false, 0, 0);
}

void coff_symtab::close_file() {
    if (file_open_) add(".eof", 0, 0, 0, C_EOF, 0, false);
    file_open_ = false;
}

void coff_symtab::labels() {
    for (const auto& f : ctx_.md.files)
        for (const conv_symbol* s : f->symbols)
            if (!(s->flags & SYM_LOCAL) && !written_.count(s)) add(s->name, s->value, 0, 0, C_LABEL, 0, true);
}

void coff_symtab::assembler_file(const conv_file& f) {
    file_index[&f] = add(".file", 0, 0, 0, C_FILE, 1, false);
    coff_record aux{};
    put32(&aux[0], strings_.store(dos_path(pathspec_map(ctx_.opt, f.name))), mode_.order);
    add_aux(aux);
    add(".eof", 0, 0, 0, C_EOF, 0, false);
}

}  // namespace conv
