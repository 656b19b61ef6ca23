// Extended OMF-51 from the debug model: scopes as Scope Defs, typed symbols in Keil Debug Items
// with their types in the Keil typedef record written just before them, and each function's
// lines and code beside its scope.
#include <algorithm>
#include <unordered_map>

#include "common/alert.h"
#include "converter/omf51_ops.h"

namespace conv {

namespace {

constexpr uint8_t R_SCOPE_TYPES = 0x20, R_KEIL_DEBUG = 0x22, R_SOURCE = 0x24, R_DEBUG = 0x12;
constexpr size_t TYPE_BUFFER = 32768;
constexpr size_t LIST_LIMIT = 255;
constexpr uint32_t FIRST_TYPE = 0x20;

using omf_name::cut_at_dot;
using omf_name::upper;

struct type_hasher {
    size_t operator()(const dbg_type& t) const { return type_hash(t); }
};
struct type_same {
    bool operator()(const dbg_type& a, const dbg_type& b) const { return type_equal(a, b); }
};

class debug_writer {
public:
    debug_writer(conv_context& ctx, FILE* out) : ctx_(ctx), md_(ctx.md), r_(ctx.omf.extended), out_(out) {
        r_.before_write = [](void* self, FILE*, bool pending) { static_cast<debug_writer*>(self)->before_write(pending); };
        r_.owner = this;
    }
    ~debug_writer() {
        r_.before_write = nullptr;
        r_.owner = nullptr;
    }
    debug_writer(const debug_writer&) = delete;
    debug_writer& operator=(const debug_writer&) = delete;

    void write(const std::string& output_name);

private:
    void before_write(bool pending);
    void source_name_if_due();
    void flush_types();
    void append_types(const std::vector<uint8_t>& entry);
    uint8_t encode(const dbg_type& t, size_t index);
    uint8_t encode_struct(const dbg_type& t, size_t index, const dbg_type& key);
    uint8_t pointer_space(const dbg_type& t, size_t index) const;
    void typed_entry(uint8_t def_type, const dbg_sym& sym, uint32_t value, uint8_t info);
    uint8_t usage_of_place(uint32_t address, uint32_t space) const;
    void contents(dbg_sym* scope);
    void function_lines(const dbg_sym& func, const conv_file* file);

    conv_context& ctx_;
    model& md_;
    omf_records& r_;
    FILE* out_;
    std::unordered_map<dbg_type, uint32_t, type_hasher, type_same> types_;
    std::vector<uint8_t> buffer_;
    uint32_t counter_ = FIRST_TYPE;
    const conv_file* source_ = nullptr;
    const conv_file* written_source_ = nullptr;
    std::string source_name_;
};

void debug_writer::source_name_if_due() {
    if (!source_ || source_ == written_source_) return;
    written_source_ = source_;
    std::string name = source_name_.substr(0, 255);
    std::vector<uint8_t> body{0, 0, 0, static_cast<uint8_t>(name.size())};
    body.insert(body.end(), name.begin(), name.end());
    omf_records::emit(out_, R_SOURCE, body.data(), body.size());
}

void debug_writer::flush_types() {
    if (!buffer_.empty()) {
        source_name_if_due();
        omf_records::emit(out_, R_SCOPE_TYPES, buffer_.data(), buffer_.size());
    }
    types_.clear();
    buffer_.clear();
    counter_ = FIRST_TYPE;
}

// Every new record, and every flush, is preceded by the source file's name when it changed and
// by the types that the pending record's entries name.
void debug_writer::before_write(bool pending) {
    source_name_if_due();
    if (pending) flush_types();
}

void debug_writer::append_types(const std::vector<uint8_t>& entry) {
    if (buffer_.size() + entry.size() > TYPE_BUFFER) alert_message(622);
    buffer_.insert(buffer_.end(), entry.begin(), entry.end());
}

dbg_type prefix(const dbg_type& t, size_t index) {
    dbg_type p;
    p.elems.assign(t.elems.begin(), t.elems.begin() + static_cast<std::ptrdiff_t>(index + 1));
    return p;
}

uint8_t debug_writer::pointer_space(const dbg_type& t, size_t index) const {
    if (index == 0 || t.elems[index - 1].kind != elem_kind::qualifiers) return 0;
    uint32_t bits = t.elems[index - 1].value;
    const machine_desc* m = ctx_.machine.current;
    auto has = [&](const char* name) {
        if (!m || !m->qualifiers) return false;
        for (uint32_t i = 0; m->qualifiers[i].letter; ++i)
            if (std::string(m->qualifiers[i].name) == name) return i < 32 && (bits >> i & 1) != 0;
        return false;
    };
    if (has("idata")) return 1;
    if (has("far") || has("xdata")) return 2;
    if (has("pdata")) return 3;
    if (has("near")) return 4;
    if (has("code")) return 5;
    return 0;
}

uint8_t debug_writer::encode(const dbg_type& t, size_t index) {
    if (index >= t.elems.size()) return 0;
    const type_elem& e = t.elems[index];
    switch (e.kind) {
    case elem_kind::qualifiers:
        return index ? encode(t, index - 1) : 0;
    case elem_kind::base:
        if (e.value == BASE_VOID) return 11;
        if (e.value == BASE_FLOAT) return 12;
        if (e.value == BASE_SIGNED || e.value == BASE_UNSIGNED) {
            uint8_t signed_code = e.size == 1 ? 2 : e.size == 2 ? 4 : e.size == 4 ? 6 : 0;
            return signed_code && e.value == BASE_UNSIGNED ? signed_code + 1 : signed_code;
        }
        return 0;
    case elem_kind::enum_ref: {
        int32_t size = 0, signedness = 0;
        if (e.tag) enum_size(*e.tag, size, signedness);
        if (signedness == 1) return size == 1 ? 2 : 4;
        return size == 1 ? 3 : 5;
    }
    case elem_kind::function:
    case elem_kind::pointer:
    case elem_kind::struct_ref:
    case elem_kind::array:
        break;
    default:
        return 0;
    }
    dbg_type key = prefix(t, index);
    auto found = types_.find(key);
    if (found != types_.end()) return static_cast<uint8_t>(found->second);
    if (e.kind == elem_kind::struct_ref) return encode_struct(t, index, key);

    std::vector<uint8_t> entry;
    if (e.kind == elem_kind::function) {
        uint8_t ret = index ? encode(t, index - 1) : 0;
        entry = {0x23, ret, 0};
    } else if (e.kind == elem_kind::pointer) {
        uint8_t space = pointer_space(t, index);
        uint8_t size = static_cast<uint8_t>(mach_type_size(ctx_.machine.current, t, index));
        uint8_t target = index ? encode(t, index - 1) : 0;
        entry = {0x28, uint8_t(space ? 2 : 1), size, space, 1, 0, 0, 0, target};
    } else {
        uint8_t element = index ? encode(t, index - 1) : 0;
        entry = {0x22, 1, uint8_t(e.value & 0xFF), uint8_t((e.value >> 8) & 0xFF), element};
    }
    append_types(entry);
    uint32_t number = counter_++;
    types_[key] = number;
    return static_cast<uint8_t>(number);
}

uint8_t debug_writer::encode_struct(const dbg_type& t, size_t index, const dbg_type& key) {
    const dbg_sym* tag = t.elems[index].tag;
    uint32_t tag_index = 0;
    if (tag && tag->has_link_name) {
        std::string name = tag->link_name.substr(0, 255);
        std::vector<uint8_t> entry{0x24, 0, static_cast<uint8_t>(name.size())};
        entry.insert(entry.end(), name.begin(), name.end());
        append_types(entry);
        tag_index = counter_++;
    }
    types_[key] = 0;   // a member pointing back at the structure gets index 0
    std::vector<uint8_t> list{0x20, 0, 0};
    if (tag)
        for (const dbg_member& m : tag->members) {
            uint8_t type;
            if (m.bit_width) {
                append_types({0x26, 1, uint8_t(m.bit_offset), uint8_t(m.bit_width)});
                type = static_cast<uint8_t>(counter_++);
            } else {
                type = m.type.empty() ? 0 : encode(m.type, m.type.elems.size() - 1);
            }
            std::string name = m.has_name ? m.name.substr(0, 200) : std::string();
            std::vector<uint8_t> item{uint8_t(m.offset & 0xFF), 0, type, uint8_t(name.size())};
            item.insert(item.end(), name.begin(), name.end());
            if (list.size() + item.size() > LIST_LIMIT) {
                append_types(list);
                list = {0x20, 0, 0};
            }
            list.insert(list.end(), item.begin(), item.end());
            ++list[1];
        }
    if (list[1]) append_types(list);
    uint32_t members = counter_++;
    append_types({0x25, uint8_t(tag ? tag->size & 0xFF : 0), 0, uint8_t(members), uint8_t(tag_index)});
    uint32_t number = counter_++;
    types_[key] = number;
    return static_cast<uint8_t>(number);
}

void debug_writer::typed_entry(uint8_t def_type, const dbg_sym& sym, uint32_t value, uint8_t info) {
    uint32_t counter = counter_;
    size_t fill = buffer_.size();
    auto encode_type = [&] { return sym.type.empty() ? uint8_t(0) : encode(sym.type, sym.type.elems.size() - 1); };
    uint8_t type = encode_type();
    if (counter_ > 255 || !r_.keeps(R_KEIL_DEBUG, def_type)) {
        // The entries just made go; the pending record and its types are written, and the
        // type is numbered again from the start of a new typedef record.
        counter_ = counter;
        buffer_.resize(fill);
        r_.flush(out_);
        flush_types();
        type = encode_type();
    }
    omf_symbol_entry(r_, out_, R_KEIL_DEBUG, def_type, sym.name, value, info, type);
}

uint8_t debug_writer::usage_of_place(uint32_t address, uint32_t space) const {
    for (size_t i = 0; i < md_.segments.size(); ++i) {
        const conv_segment& s = *md_.segments[i];
        if (s.space == space && s.base <= address && address - s.base < s.size) {
            conv_symbol probe;
            probe.segment = static_cast<uint32_t>(i + 1);
            return omf_usage_type(md_, probe);
        }
    }
    return 5;
}

void debug_writer::function_lines(const dbg_sym& func, const conv_file* file) {
    if (!file) return;
    std::vector<const conv_line*> chosen;
    uint32_t low = 0xFFFF, high = 0;
    const auto& lines = file->lines;
    for (size_t i = 0; i < lines.size(); ++i) {
        const conv_line& l = *lines[i];
        uint32_t n = static_cast<uint32_t>(l.line);
        if (n < func.first_line || n > func.last_line) continue;
        chosen.push_back(&l);
        low = std::min(low, l.address);
        high = std::max(high, l.address);
        if (i + 1 < lines.size()) high = std::max(high, lines[i + 1]->address);
    }
    if (low < high) r_.content(out_, md_, low, high);
    for (const conv_line* l : chosen) {
        r_.begin_entry(out_, R_DEBUG, 3);
        r_.append(0);
        r_.append16(l->address);
        r_.append16(static_cast<uint32_t>(l->line));
    }
}

void debug_writer::contents(dbg_sym* scope) {
    r_.flush(out_);
    const conv_file* line_file = nullptr;
    const machine_desc* m = ctx_.machine.current;
    for (dbg_sym* child : scope->children) {
        uint32_t address = 0, space = 0;
        switch (child->cls) {
        case sclass::extern_:
            if (!mach_place_symbol(m, md_, child, scope, address, space)) break;
            typed_entry(1, *child, address, usage_of_place(address, space));
            if (conv_symbol* s = md_.sym_lookup(child->name)) s->flags |= SYM_WRITTEN;
            break;
        case sclass::static_:
        case sclass::auto_:
        case sclass::param:
        case sclass::reg:
            if (!mach_place_symbol(m, md_, child, scope, address, space)) break;
            typed_entry(0, *child, child->address, usage_of_place(address, space));
            break;
        case sclass::filename:
            line_file = md_.file_find(child->name.c_str());
            break;
        default:
            break;
        }
    }
    r_.flush(out_);
    for (dbg_sym* child : scope->children) {
        switch (child->cls) {
        case sclass::module:
            r_.scope_def(out_, child->name, 0);
            contents(child);
            r_.scope_def(out_, child->name, 3);
            break;
        case sclass::block:
            r_.scope_def(out_, "", 1);
            contents(child);
            r_.scope_def(out_, "", 4);
            break;
        case sclass::func: {
            std::string name = child->function ? child->function->name : std::string();
            r_.scope_def(out_, name, 2);
            r_.scope_def(out_, "", 1);
            contents(child);
            function_lines(*child, line_file);
            r_.scope_def(out_, "", 4);
            r_.scope_def(out_, name, 5);
            break;
        }
        case sclass::filename:
            line_file = md_.file_find(child->name.c_str());
            break;
        default:
            break;
        }
    }
}

void debug_writer::write(const std::string& output_name) {
    std::string name = cut_at_dot(output_name);
    omf_module_header(r_, out_, name);
    for (dbg_sym* child : ctx_.dbg.global_block->children) {
        if (child->cls != sclass::module) continue;
        std::string module = cut_at_dot(child->name);
        r_.scope_def(out_, module, 0);
        if (const conv_file* f = md_.file_find((module + ".c").c_str())) {
            source_ = f;
            source_name_ = upper(module + ".c");
        }
        contents(child);
        r_.scope_def(out_, module, 3);
    }
    for (const auto& f : md_.files)
        for (const conv_symbol* s : f->symbols)
            if (!(s->flags & (SYM_LOCAL | SYM_WRITTEN)))
                omf_symbol_entry(r_, out_, R_DEBUG, 1, s->name, s->value, omf_info_byte(md_, *s), 0);
    r_.content(out_, md_, 0, 0xFFFFFFFF);
    omf_module_end(r_, out_, name);
}

}  // namespace

void eomf_debug_write(conv_context& ctx, FILE* out, const std::string& name) {
    debug_writer(ctx, out).write(name);
}

}  // namespace conv
