// The .COD debug file: a directory block and tables of 512-byte blocks.
#include <algorithm>
#include <cctype>
#include <cstring>
#include <ctime>
#include <map>

#include "common/alert.h"
#include "converter/formats.h"

namespace conv {

namespace {

constexpr size_t BLOCK = 512;
using block = std::vector<uint8_t>;

// Directory offsets.
enum : size_t {
    D_SOURCE = 256, D_DATE = 320, D_TIME = 328, D_VERSION = 330, D_COMPILER = 350, D_NOTICE = 362,
    D_SYMTAB = 426, D_NAMTAB = 430, D_LSTTAB = 434, D_ADDRSIZE = 438, D_HIGHADDR = 439, D_NEXTDIR = 441,
    D_MEMMAP = 443, D_LOCALS = 447, D_CODETYPE = 451, D_PROCESSOR = 453, D_LSYMTAB = 462, D_MESSTAB = 466,
};

constexpr uint8_t LINE_FILE = 0xFF, LINE_NO_CODE = 0x90, LINE_CODE = 0x80;
constexpr uint32_t T_UNKNOWN = 139, T_FUNC = 16, T_BIT0 = 145;

const char* const type_names[184] = {
    "a_reg", "x_reg", "c_byte", "c_int", "c_ubyte", "c_uint", "c_pointer", "c_upointer", "table", "m_byte",
    "m_boolean", "m_index", "byte_array", "u_byte_array", "word_array", "u_word_array", "func_void_none",
    "func_void_byte", "func_void_twobyte", "func_void_long", "func_void_undef", "func_int_none", "func_int_byte",
    "func_int_twobyte", "func_int_long", "func_int_undef", "func_long_none", "func_long_byte", "func_long_twobyte",
    "func_long_long", "func_long_undef", "pfun_void_none", "pfun_void_byte", "pfun_void_twobyte", "pfun_void_long",
    "pfun_void_undef", "pfun_int_none", "pfun_int_byte", "pfun_int_twobyte", "pfun_int_long", "pfun_int_undef",
    "pfun_long_none", "pfun_long_byte", "pfun_long_twobyte", "pfun_long_long", "pfun_long_undef", "address",
    "constant", "bad_und", "br_und", "upper_und", "byte_und", "add_und", "m_keyword", "add_mi_und", "vector",
    "port_w", "port_r", "port_rw", "port_rmw", "endif", "exundef", "macro_t", "macro_s", "macro_a", "macro_c",
    "c_keyword", "c_void", "c_enum", "c_typedef1", "c_utypedef1", "c_typedef2", "c_utypedef2", "cp_typedef1",
    "cp_utypedef1", "cp_typedef2", "cp_utypedef2", "c_struct", "i_struct", "l_const", "s_short", "s_ushort",
    "s_long", "s_ulong", "sa_short", "sa_ushort", "sa_long", "sa_ulong", "sp_short", "sp_ushort", "sp_long",
    "sp_ulong", "FixedPointer", "PointerFunction", "cc_reg", "PtrF_void_none", "PtrF_void_byte",
    "PtrF_void_twobyte", "PtrF_void_long", "PtrF_void_undef", "PtrF_int_none", "PtrF_int_byte", "PtrF_int_twobyte",
    "PtrF_int_long", "PtrF_int_undef", "PtrF_long_none", "PtrF_long_byte", "PtrF_long_twobyte", "PtrF_long_long",
    "PtrF_long_undef", "PfAR_void_none", "PfAR_void_byte", "PfAR_void_twobyte", "PfAR_void_long",
    "PfAR_void_undef", "PfAR_int_none", "PfAR_int_byte", "PfAR_int_twobyte", "PfAR_int_long", "PfAR_int_undef",
    "PfAR_long_none", "PfAR_long_byte", "PfAR_long_twobyte", "PfAR_long_long", "PfAR_long_undef", "FWDlit",
    "PFunc", "mgoto", "mcgoto", "mcgoto2", "mcgoto3", "mcgoto4", "mcgoto74", "mcgoto17", "mccall17", "mcall",
    "mc_call", "res_word", "local", "unknown", "varlabel", "c_extern", "c_global", "segment", "Bankaddr", "bit_0",
    "bit_1", "bit_2", "bit_3", "bit_4", "bit_5", "bit_6", "bit_7", "debug", "Name_ID", "User_ID", "size_of",
    "uint24", "sint24", "uint32", "sint32", "fixed1616", "fixed168", "float", "ConstantFloat", "f_list", "float24",
    "float32", "s_sint24", "s_uint24", "p_sint24", "p_uint24", "s_sint32", "s_uint32", "p_sint32", "p_uint32",
    "s_fixed168", "p_fixed168", "s_fixed1616", "p_fixed1616", "s_float", "p_float", "s_float24", "p_float24",
};

void put_le16(uint8_t* p, uint32_t v) { put16(p, static_cast<uint16_t>(v), byte_order::little); }
uint32_t get_le16(const uint8_t* p) { return get16(p, byte_order::little); }

void put_pascal(uint8_t* p, const std::string& text, size_t max) {
    size_t n = std::min(text.size(), max);
    p[0] = static_cast<uint8_t>(n);
    std::memcpy(p + 1, text.data(), n);
}

// A Pascal string of a field of `width` bytes, its length bounded by the field.
std::string get_pascal(const uint8_t* p, size_t width) {
    size_t n = std::min<size_t>(p[0], width - 1);
    return std::string(reinterpret_cast<const char*>(p + 1), n);
}

// The type code of a debug type from its outermost element at `top`.
uint32_t type_code(const dbg_type& t, size_t top, bool fake) {
    if (top == 0) return 0;
    size_t i = top - 1;
    if (t.elems[i].kind == elem_kind::qualifiers) {
        if (i == 0) return 0;
        --i;
    }
    const type_elem& e = t.elems[i];
    switch (e.kind) {
    case elem_kind::base:
        if (fake) return T_UNKNOWN;
        switch (e.value) {
        case BASE_VOID: return 67;
        case BASE_SIGNED: return e.size == 1 ? 2 : e.size == 2 ? 3 : e.size == 4 ? 160 : 0;
        case BASE_UNSIGNED: return e.size == 1 ? 4 : e.size == 2 ? 5 : e.size == 4 ? 159 : 0;
        case BASE_FLOAT: return e.size == 3 ? 166 : e.size == 4 ? 167 : 163;
        case BASE_BIT: return T_BIT0;
        default: return 0;
        }
    case elem_kind::function: return T_FUNC;
    case elem_kind::pointer: return type_code(t, i, fake) == T_FUNC ? 31 : 6;
    case elem_kind::enum_ref: return fake ? T_UNKNOWN : 0;
    case elem_kind::struct_ref: return fake ? T_UNKNOWN : 77;
    case elem_kind::array: {
        if (fake) return T_UNKNOWN;
        uint32_t c = type_code(t, i, fake);
        return c == 3 ? 14 : c == 4 ? 13 : c == 5 ? 15 : 12;
    }
    default: return 0;
    }
}

struct placed_symbol {
    std::string name;
    uint32_t type;
    uint32_t value;
};

// A placed debug symbol as written: bit variables carry their bit number in the type.
placed_symbol debug_entry(const dbg_sym& s, bool fake) {
    uint32_t code = s.type.empty() ? 0 : type_code(s.type, s.type.elems.size(), fake);
    if (code == T_BIT0) return {s.name, fake ? T_UNKNOWN : T_BIT0 + s.address % 8, s.address / 8};
    return {s.name, code, s.address};
}

struct local_group {
    uint32_t first = 0, last = 0;
    std::vector<placed_symbol> members;
    bool function_leads = false;
};

struct line_ref {
    const conv_line* line = nullptr;   // null: a symbol
    uint32_t address = 0;
    uint32_t file = 0;
    uint32_t span = 0;
};

class cod_writer {
public:
    cod_writer(conv_context& ctx, const std::string& name) : ctx_(ctx), md_(ctx.md), name_(name), dir_(BLOCK) {
        std::string list = ctx.opt.code_class_list.empty() ? "CODE,ENTRY" : ctx.opt.code_class_list;
        for (size_t i = 0;;) {
            size_t comma = list.find(',', i);
            code_classes_.push_back(list.substr(i, comma == std::string::npos ? std::string::npos : comma - i));
            if (comma == std::string::npos) break;
            i = comma + 1;
        }
        blocks_.push_back(block());   // the directory goes last into slot 0
    }

    void write(FILE* out) {
        fill_directory();
        write_memory_map();
        write_code();
        write_lines();
        collect_groups();
        collect_converter_symbols();
        write_file_names();
        write_short_symbols();
        write_long_symbols();
        if (!ctx_.opt.fake_locals) write_local_symbols();
        blocks_[0] = dir_;
        for (const block& b : blocks_)
            if (std::fwrite(b.data(), 1, BLOCK, out) != BLOCK) alert_message(413, name_.c_str());
    }

private:
    uint32_t add_block(const block& b) {
        blocks_.push_back(b);
        blocks_.back().resize(BLOCK);
        return static_cast<uint32_t>(blocks_.size() - 1);
    }

    void set_range(size_t offset, uint32_t first, uint32_t last) {
        put_le16(&dir_[offset], first);
        put_le16(&dir_[offset + 2], last);
    }

    // Entries of `size` bytes, `per_block` to a block; the table's range goes to `offset`.
    void write_table(const std::vector<block>& entries, size_t size, size_t per_block, size_t offset) {
        uint32_t first = 0, last = 0;
        for (size_t i = 0; i < entries.size(); i += per_block) {
            block b(BLOCK);
            for (size_t k = 0; k < per_block && i + k < entries.size(); ++k)
                std::memcpy(&b[k * size], entries[i + k].data(), size);
            last = add_block(b);
            if (!first) first = last;
        }
        set_range(offset, first, last);
    }

    void fill_directory() {
        put_pascal(&dir_[D_SOURCE], name_, 63);
        std::time_t now = std::time(nullptr);
        std::tm* t = std::localtime(&now);
        static const char* const months[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                             "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
        char date[16];
        std::snprintf(date, sizeof date, "%2d%s%02d", t->tm_mday, months[t->tm_mon % 12], t->tm_year % 100);
        put_pascal(&dir_[D_DATE], date, 7);
        put_le16(&dir_[D_TIME], uint32_t(t->tm_hour * 100 + t->tm_min));
        put_pascal(&dir_[D_VERSION], "", 19);
        put_pascal(&dir_[D_COMPILER], "BRYLLEX", 11);
        put_pascal(&dir_[D_NOTICE], "Copyright (C) BRYLLEX Software", 63);
        put_le16(&dir_[D_CODETYPE], 1);
        put_pascal(&dir_[D_PROCESSOR], ctx_.machine.processor_name, 8);
    }

    void write_memory_map() {
        std::vector<block> entries;
        for (const auto& d : md_.data) {
            block e(4);
            put_le16(&e[0], d->address);
            put_le16(&e[2], d->address + d->size() - 1);
            entries.push_back(e);
        }
        // Four entries a block, the rest of each block zero.
        uint32_t first = 0, last = 0;
        for (size_t i = 0; i < entries.size(); i += 4) {
            block b(BLOCK);
            for (size_t k = 0; k < 4 && i + k < entries.size(); ++k) std::memcpy(&b[k * 4], entries[i + k].data(), 4);
            last = add_block(b);
            if (!first) first = last;
        }
        set_range(D_MEMMAP, first, last);
    }

    void write_code() {
        std::map<uint32_t, block> code;
        for (const auto& d : md_.data)
            for (uint32_t k = 0; k < d->size(); ++k) {
                uint32_t a = d->address + k;
                block& b = code[a / BLOCK];
                if (b.empty()) b.resize(BLOCK);
                b[a % BLOCK] = d->bytes[k];
            }
        for (const auto& [index, b] : code) {
            uint32_t n = add_block(b);
            if (index < 128) put_le16(&dir_[2 * index], n);
        }
    }

    uint32_t file_name_index(const std::string& name) {
        for (size_t i = 0; i < file_names_.size(); ++i)
            if (file_names_[i] == name) return static_cast<uint32_t>(i);
        file_names_.push_back(name);
        return static_cast<uint32_t>(file_names_.size() - 1);
    }

    void write_lines() {
        std::vector<line_ref> refs;
        for (const auto& f : md_.files) {
            for (const conv_line* l : f->lines) refs.push_back({l, l->address, f->index, 0});
            for (const conv_symbol* s : f->symbols) refs.push_back({nullptr, s->value, f->index, 0});
        }
        std::stable_sort(refs.begin(), refs.end(), [](const line_ref& a, const line_ref& b) {
            if (a.address != b.address) return a.address < b.address;
            if (!a.line != !b.line) return a.line != nullptr;
            return a.line && a.line->line < b.line->line;
        });
        for (size_t i = 0; i + 1 < refs.size(); ++i)
            refs[i].span = refs[i + 1].line ? refs[i + 1].address - refs[i].address : 0;
        std::stable_sort(refs.begin(), refs.end(), [](const line_ref& a, const line_ref& b) {
            if (!a.line != !b.line) return a.line == nullptr;
            if (!a.line) return false;
            if (a.file != b.file) return a.file < b.file;
            return a.line->line < b.line->line;
        });
        const conv_segment* code_segment = md_.seg_find("CODE");
        std::vector<block> entries;
        auto entry = [&](uint32_t file, uint8_t flags, uint32_t line, uint32_t address) {
            block e(6);
            e[0] = static_cast<uint8_t>(file);
            e[1] = flags;
            put_le16(&e[2], line);
            put_le16(&e[4], address);
            entries.push_back(e);
        };
        uint32_t prev_file = 0, prev_line = 0, file_index = 0;
        for (const line_ref& r : refs) {
            if (!r.line) continue;
            if (r.file != prev_file) {
                file_index = file_name_index(md_.files[r.file - 1]->name);
                entry(file_index, LINE_FILE, 0, 0);
                prev_file = r.file;
                prev_line = 0;
            }
            uint32_t line = static_cast<uint32_t>(r.line->line);
            for (uint32_t l = prev_line + 1; l < line; ++l) entry(file_index, LINE_NO_CODE, l, 0);
            prev_line = std::max(prev_line, line);
            if (code_segment && md_.segment(r.line->segment) == code_segment)
                for (uint32_t k = 0; k < std::max<uint32_t>(r.span, 1); ++k) entry(file_index, LINE_CODE, line, r.address + k);
        }
        write_table(entries, 6, 85, D_LSTTAB);
    }

    // The code address of a source line in a file's line records.
    static uint32_t line_address(const conv_file& f, uint32_t line) {
        for (const conv_line* l : f.lines) {
            if (static_cast<uint32_t>(l->line) == line) return l->address;
            if (static_cast<uint32_t>(l->line) > line) return l->address - 1;
        }
        return f.lines.empty() ? 0 : f.lines.back()->address + 1;
    }

    void walk_scope(dbg_sym* scope) {
        local_group g;
        const conv_file* f = scope->has_link_name ? md_.file_find(scope->link_name.c_str()) : nullptr;
        if (f) {
            g.first = line_address(*f, scope->first_line);
            g.last = line_address(*f, scope->last_line);
        }
        uint32_t address = 0, space = 0;
        const machine_desc* m = ctx_.machine.current;
        if (scope->cls == sclass::func && scope->function &&
            mach_place_symbol(m, md_, scope->function, scope, address, space)) {
            g.members.push_back(debug_entry(*scope->function, ctx_.opt.fake_locals));
            g.function_leads = true;
        }
        for (dbg_sym* c : scope->children) {
            switch (c->cls) {
            case sclass::static_:
            case sclass::auto_:
            case sclass::param:
            case sclass::reg:
                if (mach_place_symbol(m, md_, c, scope, address, space)) g.members.push_back(debug_entry(*c, ctx_.opt.fake_locals));
                break;
            case sclass::extern_:
                if (mach_place_symbol(m, md_, c, scope, address, space)) {
                    externals_.push_back(debug_entry(*c, ctx_.opt.fake_locals));
                    if (conv_symbol* s = md_.sym_lookup(c->name)) written_.push_back(s);
                }
                break;
            default: break;
            }
        }
        bool keep = !g.members.empty() && g.first != 0;
        if (ctx_.opt.fake_locals) keep = keep && g.function_leads && g.members.size() > 1;
        if (keep) groups_.push_back(g);
        for (dbg_sym* c : scope->children)
            if (c->is_scope()) walk_scope(c);
    }

    void collect_groups() {
        if (!ctx_.dbg.global_block || !ctx_.machine.current) return;
        for (dbg_sym* c : ctx_.dbg.global_block->children)
            if (c->cls == sclass::module) walk_scope(c);
    }

    void collect_converter_symbols() {
        for (const auto& f : md_.files)
            for (const conv_symbol* s : f->symbols) {
                if ((s->flags & SYM_LOCAL) && !ctx_.opt.strip_underscore) continue;
                if (std::find(written_.begin(), written_.end(), s) != written_.end()) continue;
                uint32_t type = 2;
                const conv_segment* seg = md_.segment(s->segment);
                if (!s->segment || !seg) type = T_UNKNOWN;
                else if (std::find(code_classes_.begin(), code_classes_.end(), seg->name) != code_classes_.end()) type = T_FUNC;
                symbols_.push_back({s->name, type, s->value});
            }
    }

    std::string shown(const std::string& name) const {
        return ctx_.opt.strip_underscore && !name.empty() && name[0] == '_' ? name.substr(1) : name;
    }

    void write_file_names() {
        std::vector<block> entries;
        for (const std::string& n : file_names_) {
            block e(64);
            put_pascal(&e[0], n, 62);
            entries.push_back(e);
        }
        write_table(entries, 64, 8, D_NAMTAB);
    }

    block short_entry(const placed_symbol& s) const {
        block e(16);
        put_pascal(&e[0], shown(s.name), 12);
        e[13] = static_cast<uint8_t>(s.type);
        put_le16(&e[14], s.value);
        return e;
    }

    void write_short_symbols() {
        std::vector<block> entries;
        for (const placed_symbol& s : externals_) entries.push_back(short_entry(s));
        for (const placed_symbol& s : symbols_) entries.push_back(short_entry(s));
        write_table(entries, 16, 32, D_SYMTAB);
    }

    void write_long_symbols() {
        std::vector<placed_symbol> all;
        for (const placed_symbol& s : externals_) all.push_back({shown(s.name), s.type, s.value});
        if (ctx_.opt.fake_locals)
            for (const local_group& g : groups_) {
                std::string name = shown(g.members[0].name);
                for (size_t i = 1; i < g.members.size(); ++i) {
                    name = name.substr(0, 126) + "." + shown(g.members[i].name);
                    if (name.size() > 127) name.resize(127);
                }
                all.push_back({name, g.members[0].type, g.members[0].value});
            }
        for (const placed_symbol& s : symbols_) all.push_back({shown(s.name), s.type, s.value});
        uint32_t first = 0, last = 0;
        block b(BLOCK);
        size_t used = 0;
        auto flush = [&] {
            last = add_block(b);
            if (!first) first = last;
            b.assign(BLOCK, 0);
            used = 0;
        };
        for (const placed_symbol& s : all) {
            std::string name = s.name;
            if (name.size() > 255) name.resize(255);
            size_t size = 1 + name.size() + 2 + 4;
            if (used + size > BLOCK) flush();
            b[used] = static_cast<uint8_t>(name.size());
            std::memcpy(&b[used + 1], name.data(), name.size());
            put_le16(&b[used + 1 + name.size()], s.type);
            put32(&b[used + 3 + name.size()], s.value, byte_order::big);
            used += size;
        }
        if (used) flush();
        set_range(D_LSYMTAB, first, last);
    }

    void write_local_symbols() {
        std::vector<block> entries;
        for (const local_group& g : groups_) {
            block e(16);
            put_pascal(&e[0], "__LOCAL", 7);
            put_le16(&e[8], g.first * 2);
            put_le16(&e[12], g.last * 2);
            entries.push_back(e);
            for (const placed_symbol& s : g.members) entries.push_back(short_entry(s));
        }
        write_table(entries, 16, 32, D_LOCALS);
    }

    conv_context& ctx_;
    model& md_;
    std::string name_;
    block dir_;
    std::vector<block> blocks_;
    std::vector<std::string> code_classes_;
    std::vector<std::string> file_names_;
    std::vector<placed_symbol> externals_;
    std::vector<const conv_symbol*> written_;
    std::vector<placed_symbol> symbols_;
    std::vector<local_group> groups_;
};

bool date_text(const uint8_t* dir) {
    std::string text;
    if (dir[D_DATE] == 0) {
        // Another writer leaves the length byte 0 and the text unterminated-by-length.
        for (size_t i = 1; i < 8 && dir[D_DATE + i]; ++i) text.push_back(static_cast<char>(dir[D_DATE + i]));
    } else {
        if (dir[D_DATE] > 7) return false;
        text = get_pascal(&dir[D_DATE], 8);
    }
    return text.size() >= 4 && std::isdigit(static_cast<unsigned char>(text[1])) &&
           std::isalpha(static_cast<unsigned char>(text[2])) && std::isalpha(static_cast<unsigned char>(text[3]));
}

bool read_block(FILE* in, uint32_t n, block& b) {
    b.assign(BLOCK, 0);
    return std::fseek(in, static_cast<long>(n) * static_cast<long>(BLOCK), SEEK_SET) == 0 &&
           std::fread(b.data(), 1, BLOCK, in) == BLOCK;
}

void dump_symbols(FILE* in, const uint8_t* dir, size_t offset) {
    block b;
    for (uint32_t n = get_le16(&dir[offset]); n && n <= get_le16(&dir[offset + 2]); ++n) {
        if (!read_block(in, n, b)) alert_message(619);
        for (size_t i = 0; i < BLOCK; i += 16) {
            const uint8_t* e = &b[i];
            if (e[0] == 0) continue;
            if (e[0] == 7 && std::memcmp(e + 1, "__LOCAL", 7) == 0) {
                std::printf("Block: 0x%lX-0x%lX\n", static_cast<unsigned long>(get_le16(e + 8)),
                            static_cast<unsigned long>(get_le16(e + 12)));
                continue;
            }
            std::string name = get_pascal(e, 13);
            std::printf("\t%-14.12s", name.c_str());
            char type[64];
            if (e[13] >= 1 && e[13] <= 183) std::snprintf(type, sizeof type, " (%s)", type_names[e[13]]);
            else std::snprintf(type, sizeof type, " (%2.2X)", e[13]);
            int width = static_cast<int>(std::strlen(type));
            std::printf("%s%*s%5.4X\n", type, width < 20 ? 20 - width : 0, "", get_le16(e + 14));
        }
    }
}

}  // namespace

bool cod_probe(conv_context&, FILE* in) {
    uint8_t dir[BLOCK];
    if (std::fread(dir, 1, BLOCK, in) != BLOCK) return false;
    return date_text(dir);
}

bool cod_write(conv_context& ctx, FILE* out, const std::string& name) {
    cod_writer(ctx, name).write(out);
    return true;
}

bool cod_dump(conv_context& ctx, FILE* in) {
    block dir;
    if (!read_block(in, 0, dir)) {
        alert_message(1037, "directory block");
        exit_hook(1);
    }
    const uint8_t* d = dir.data();
    uint32_t time = get_le16(d + D_TIME);
    std::printf("Source:\t%s\n", get_pascal(d + D_SOURCE, 64).c_str());
    std::printf("Date:\t%s\t", get_pascal(d + D_DATE, 8).c_str());
    std::printf("Time:\t%2.2d:%2.2d\n", int(time / 100), int(time % 100));
    std::printf("Version:%s\t", get_pascal(d + D_VERSION, 20).c_str());
    std::printf("Compiler: %s\n", get_pascal(d + D_COMPILER, 12).c_str());
    std::printf("Notice:\t%s\n", get_pascal(d + D_NOTICE, 64).c_str());
    std::printf("Symtab:\t%d/%d; Namtab: %d/%d; Lsttab: %d/%d\n", get_le16(d + D_SYMTAB), get_le16(d + D_SYMTAB + 2),
                get_le16(d + D_NAMTAB), get_le16(d + D_NAMTAB + 2), get_le16(d + D_LSTTAB), get_le16(d + D_LSTTAB + 2));
    std::printf("Addr:\t%d, highaddr %X\n", d[D_ADDRSIZE], get_le16(d + D_HIGHADDR));
    std::printf("Memmap:\t%d/%d; Locals: %d/%d; Lsymtab %d/%d; Messtab %d/%d\n", get_le16(d + D_MEMMAP),
                get_le16(d + D_MEMMAP + 2), get_le16(d + D_LOCALS), get_le16(d + D_LOCALS + 2),
                get_le16(d + D_LSYMTAB), get_le16(d + D_LSYMTAB + 2), get_le16(d + D_MESSTAB),
                get_le16(d + D_MESSTAB + 2));
    std::printf("Codtyp:\t%d; Processor %s\n", get_le16(d + D_CODETYPE), get_pascal(d + D_PROCESSOR, 9).c_str());
    block b;
    for (uint32_t i = 0; i < 128; ++i) {
        uint32_t n = get_le16(d + 2 * i);
        if (!n) continue;
        std::printf("Code: 0%Xh at block %d\n", i * 512, n);
        if (ctx.opt.verbose_level) {
            if (!read_block(in, n, b)) alert_message(618);
            hex_dump_bytes(stdout, i * 512, 16, b.data(), BLOCK, "%4.4X:", false);
        }
    }
    std::printf("Symbols:\n");
    dump_symbols(in, d, D_SYMTAB);
    std::printf("Locals:\n");
    dump_symbols(in, d, D_LOCALS);
    std::printf("Files:\n");
    std::vector<std::string> names;
    for (uint32_t n = get_le16(d + D_NAMTAB); n && n <= get_le16(d + D_NAMTAB + 2); ++n) {
        if (!read_block(in, n, b)) alert_message(619);
        for (size_t i = 0; i < BLOCK; i += 64) {
            std::string name = get_pascal(&b[i], 64);
            if (name.empty()) continue;
            names.push_back(name);
            std::printf("\t%-63.64s\n", name.c_str());
        }
    }
    std::printf("Line numbers:\n");
    for (uint32_t n = get_le16(d + D_LSTTAB); n && n <= get_le16(d + D_LSTTAB + 2); ++n) {
        if (!read_block(in, n, b)) alert_message(619);
        std::printf("Line number block %u\n", n);
        for (size_t i = 0; i + 6 <= 510; i += 6) {
            const uint8_t* e = &b[i];
            if (e[0] >= names.size()) alert_message(620);
            std::printf("\t%5d %2.2X %4.4X %.32s\n", int(get_le16(e + 2)), e[1], get_le16(e + 4),
                        e[0] < names.size() ? names[e[0]].c_str() : "");
        }
    }
    return true;
}

}  // namespace conv
