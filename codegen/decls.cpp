// Declaration, layout, enumeration, names, string and pragma records.
#include <algorithm>
#include <cstdlib>

#include "codegen/asmout.h"
#include "codegen/context.h"
#include "codegen/ramstrings.h"
#include "codegen/reader.h"
#include "codegen/records.h"
#include "codegen/sdb.h"
#include "common/alert.h"

namespace cg {

namespace {

bool is_digit(char c) { return c >= '0' && c <= '9'; }

bool next_or_end(cg_context&, ic_scanner& scan, std::string& token) {
    if (scan.next(token)) return true;
    alert_message(714);
    return false;
}

// The class token: storage letter, then for functions "f", the count and "v"; "@" and an
// address may stand anywhere; parameter types follow from the first back-quote.
struct class_token {
    char letter = 0;
    bool prototyped = false, variadic = false, has_address = false;
    int32_t number = 0;
    uint32_t address = 0;
};

class_token parse_class(const std::string& token) {
    class_token c;
    c.letter = token.empty() ? 0 : token[0];
    size_t end = token.find('`');
    std::string head = token.substr(0, end);
    for (size_t i = 1; i < head.size(); ++i) {
        char ch = head[i];
        if (ch == 'f') {
            c.prototyped = true;
        } else if (ch == 'v') {
            c.variadic = true;
        } else if (is_digit(ch)) {
            int32_t n = 0;
            while (i < head.size() && is_digit(head[i])) n = std::min(n * 10 + (head[i++] - '0'), 1 << 20);
            --i;
            c.number = n;
        } else if (ch == '@') {
            uint64_t a = 0;
            ++i;
            while (i < head.size() && is_digit(head[i])) a = std::min<uint64_t>(a * 10 + (head[i++] - '0'), 0xffffffffu);
            --i;
            c.has_address = true;
            c.address = static_cast<uint32_t>(a);
        }
    }
    return c;
}

// A type string and a count expression (declarations and members); false at the end of input.
bool read_type_and_count(cg_context& ctx, ic_scanner& scan, const std::string& type_text, type_ref& type,
                         int32_t& count, bool& typed) {
    parse_type_string(ctx, type_text, type);
    tree_node* tree = ic_read_expr(ctx, scan);
    if (!tree) return false;
    count = 0;
    typed = false;
    if (!const_value(ctx, tree, count, typed)) alert_message(721);
    return true;
}

// A count above 1, or one written with the index type, makes an array.
void mark_array(symbol* s, int32_t count, bool typed) {
    if (typed || count > 1) {
        s->flags |= SF_ARRAY;
        s->count = static_cast<uint16_t>(std::clamp(count, 0, 0xffff));
    }
}

bool is_function(const symbol* s) { return outer_level(s->levels) == LEVEL_FUNCTION; }

void open_function(cg_context& ctx, symbol* s) {
    if (ctx.functions.size() >= 32) {
        // The nesting is refused; what follows stays with the enclosing function.
        alert_message(723);
        ++ctx.skipped_definitions;
        return;
    }
    function_entry fe;
    fe.fn = s;
    fe.arg_size = (s->flags & SF_VARIADIC) ? 1 : 0;
    fe.arg_high = fe.arg_size;
    fe.base_level = ctx.block_level + 1;
    // With the optimiser on, the function's statements are collected and its autos placed
    // once they are final.
    fe.autos_wait = ctx.opt.opt_level > 0;
    s->flags |= SF_FUNCTION_DEF;
    ctx.functions.push_back(fe);
    bank_function_entry(ctx);
}

storage storage_of(char letter) {
    switch (letter | 0x20) {
    case 'a': return storage::automatic;
    case 'e': return storage::external;
    case 'p': case 'r': return storage::param;
    case 's': return storage::static_;
    default: return storage::none;
    }
}

}  // namespace

void read_declaration(cg_context& ctx, ic_scanner& scan) {
    std::string name, type_text, class_text, token;
    if (!next_or_end(ctx, scan, name) || !next_or_end(ctx, scan, type_text)) return;
    type_ref type;
    int32_t dimension = 0;
    bool typed = false;
    if (!read_type_and_count(ctx, scan, type_text, type, dimension, typed)) return;
    if (!next_or_end(ctx, scan, class_text)) return;
    class_token cls = parse_class(class_text);
    char letter = static_cast<char>(cls.letter | 0x20);
    if (letter != 'a' && letter != 'e' && letter != 'p' && letter != 'r' && letter != 's' && letter != 't') {
        // The one text of 629 names a position by line and column; the column is not tracked here.
        alert_message(629, name.c_str(), ctx.file_name.c_str(), static_cast<unsigned>(ctx.line), 0u);
        return;
    }
    if (letter == 't') {
        symbol* s = ctx.symbols.declare(name, sym_kind::type_name, scope_level(ctx), ctx.line);
        set_symbol_type(s, type);
        mark_array(s, dimension, typed);
        s->count = s->count ? s->count : 1;
        s->vclass = base_class(s->base);
        if (s->levels && outer_level(s->levels) == LEVEL_POINTER) s->vclass = value_class::unsigned_;
        // A function type keeps its parameters, so that calls through a pointer to it carry
        // the signature of the functions it may point at.
        if (cls.prototyped) s->flags |= SF_PROTOTYPED;
        if (cls.variadic) s->flags |= SF_VARIADIC;
        s->param_number = cls.number;
        symbol_size(ctx, s);
        sdb_typedef(ctx, s);
        if (!scan.expect(']')) alert_message(714), skip_record(scan);
        return;
    }
    storage sc = storage_of(letter);
    symbol* s = ctx.symbols.declare(name, sym_kind::object, scope_level(ctx), ctx.line);
    // A parameter that is itself const ("C*Ci") comes as a const object of a placeholder
    // pointer type; it lives in RAM like any parameter, so it takes the placeholder's own
    // pointer type, which the rules know, and no class of its own.
    const symbol* inner = type.base;
    if (sc == storage::param && !type.levels && type.classes == PC_CONST && inner &&
        (inner->flags & SF_PLACEHOLDER) && inner->levels && !(inner->flags & SF_ARRAY)) {
        type.levels = inner->levels;
        type.classes = inner->classes;
        type.base = inner->base;
    }
    set_symbol_type(s, type);
    s->sclass = sc;
    mark_array(s, dimension, typed);
    if (dimension != 0) s->flags |= SF_DEFINED;
    if (cls.prototyped) s->flags |= SF_PROTOTYPED;
    if (cls.variadic) s->flags |= SF_VARIADIC;
    if (letter == 'r') s->flags |= SF_REGPARAM;
    s->param_number = cls.number;
    if (cls.has_address) {
        s->flags |= SF_ABSOLUTE;
        s->address = cls.address;
    }
    if (!is_global_storage(sc) && sc != storage::param) s->number = 0;
    else if (sc != storage::param) s->number = ctx.next_symbol_number++;
    // The source name of an internal symbol (-D) is the only token allowed before "]".
    if (!next_or_end(ctx, scan, token)) return;
    if (token[0] != ']') {
        if (sc != storage::static_ && !(name[0] == 'F')) {
            alert_message(722);
            return;
        }
        s->source_name = token;
        if (!scan.expect(']')) {
            alert_message(722);
            return;
        }
    }
    uint16_t size = symbol_size(ctx, s);
    bool bit = !s->levels && base_class(s->base) == value_class::bit;
    if (size == 0 && !(s->flags & SF_ARRAY) && !s->levels && !bit && sc != storage::external &&
        base_class(s->base) != value_class::none)
        alert_message(740);
    if (is_function(s)) {
        if (ctx.functions.empty()) sdb_variable(ctx, s);
        if (dimension != 0 && sc != storage::param) open_function(ctx, s);
        return;
    }
    switch (sc) {
    case storage::param: place_parameter(ctx, s, letter == 'r'); break;
    case storage::automatic: declare_auto(ctx, s); break;
    case storage::external:
    case storage::static_:
        if (s->flags & SF_DEFINED) ctx.kept_data.push_back(s);
        if (!ctx.functions.empty() && sc == storage::external && !(s->flags & SF_DEFINED))
            ctx.functions.back().held_externals.push_back(s);
        else
            sdb_variable(ctx, s);
        break;
    default: break;
    }
}

void read_layout(cg_context& ctx, ic_scanner& scan, bool is_union) {
    std::string name, token;
    if (!next_or_end(ctx, scan, name)) return;
    symbol* st = ctx.symbols.declare(name, is_union ? sym_kind::union_reading : sym_kind::aggregate,
                                     scope_level(ctx), ctx.line);
    st->members.clear();
    st->is_union = is_union;
    uint32_t offset = 0, size = 0;
    int bits_used = 0;   // bits used in the current byte of bit-fields (0: none open)
    for (;;) {
        if (!next_or_end(ctx, scan, token)) return;
        if (token[0] == ']') break;
        int width = -1;
        if (token[0] == ':') {
            width = std::atoi(token.c_str() + 1);
            if (!next_or_end(ctx, scan, token)) return;
        }
        if (token[0] != '`') {
            alert_message(714);
            continue;
        }
        type_ref t;
        int32_t count = 1;
        bool typed = false;
        if (!read_type_and_count(ctx, scan, token, t, count, typed)) return;
        symbol* m = ctx.symbols.make_detached();
        m->kind = sym_kind::object;
        set_symbol_type(m, t);
        mark_array(m, count, typed);
        uint16_t msize = symbol_size(ctx, m);
        if (width >= 0) {
            m->is_bitfield = true;
            if (width > 8) {
                alert_message(741, width);
                width = 8;
            }
            m->bit_width = static_cast<uint8_t>(width);
            if (is_union) {
                m->offset = 0;
                m->bit_offset = 0;
                size = std::max<uint32_t>(size, 1);
            } else {
                if (bits_used == 0 || width == 0 || bits_used + width > 8) {
                    if (bits_used) ++offset;
                    bits_used = 0;
                }
                m->offset = static_cast<int32_t>(offset);
                m->bit_offset = static_cast<uint8_t>(bits_used);
                bits_used += width;
                if (bits_used == 8) ++offset, bits_used = 0;
                // A zero-width field only closes the byte.
                if (width == 0) bits_used = 0;
            }
        } else if (is_union) {
            m->offset = 0;
            size = std::max<uint32_t>(size, msize);
        } else {
            if (bits_used) ++offset, bits_used = 0;
            offset = (offset + m->align_mask) & ~static_cast<uint32_t>(m->align_mask);
            m->offset = static_cast<int32_t>(offset);
            offset += msize;
        }
        st->members.push_back(m);
    }
    if (!is_union) size = offset + (bits_used ? 1 : 0);
    st->kind = sym_kind::aggregate;
    st->size = static_cast<uint16_t>(std::min<uint32_t>(size, 0xffff));
    st->size_known = true;
    st->count = 1;
    st->vclass = value_class::none;
}

void read_enumeration(cg_context& ctx, ic_scanner& scan) {
    std::string name, token;
    if (!next_or_end(ctx, scan, name)) return;
    symbol* e = ctx.symbols.declare(name, sym_kind::enumeration, scope_level(ctx), ctx.line);
    e->enum_values.clear();
    for (;;) {
        if (!next_or_end(ctx, scan, token)) return;
        if (token == "..") break;
        if (token[0] == ']') {
            scan.unget(token);
            break;
        }
        scan.unget(token);
        tree_node* v = ic_read_expr(ctx, scan);
        if (!v) return;
        int32_t value = 0;
        bool typed = false;
        if (!const_value(ctx, v, value, typed)) alert_message(721);
        e->enum_values.push_back(value);
    }
    if (!scan.expect(']')) alert_message(714), skip_record(scan);
    int32_t lo = 0, hi = 0;
    if (!e->enum_values.empty()) {
        lo = *std::min_element(e->enum_values.begin(), e->enum_values.end());
        hi = *std::max_element(e->enum_values.begin(), e->enum_values.end());
    }
    if (lo < 0) {
        e->vclass = value_class::signed_;
        e->size = (lo >= -128 && hi <= 127) ? 1 : 2;
        if (lo < -32768 || hi > 32767) alert_message(700);
    } else {
        e->vclass = value_class::unsigned_;
        e->size = hi <= 255 ? 1 : 2;
        if (hi > 65535) alert_message(700);
    }
    e->size_known = true;
    e->count = 1;
}

void read_names(cg_context& ctx, ic_scanner& scan) {
    if (!sdb_active(ctx)) {
        skip_record(scan);
        return;
    }
    std::string name, tag, token;
    if (!next_or_end(ctx, scan, name) || !next_or_end(ctx, scan, tag)) return;
    std::vector<std::string> names;
    while (next_or_end(ctx, scan, token)) {
        if (token[0] == ']') break;
        names.push_back(token);
    }
    symbol* s = ctx.symbols.find(name);
    if (!s) return;
    s->tag = tag;
    if (s->kind == sym_kind::enumeration) sdb_enumeration(ctx, s, tag, names);
    else if (s->kind == sym_kind::aggregate) sdb_structure(ctx, s, tag, names);
}

void read_string_record(cg_context& ctx, ic_scanner& scan) {
    std::string token;
    if (!next_or_end(ctx, scan, token)) return;
    int32_t number = std::atoi(token.c_str());
    std::vector<uint8_t> bytes;
    while (next_or_end(ctx, scan, token)) {
        if (token[0] == ']') break;
        if (!is_digit(token[0])) {
            alert_message(714);
            continue;
        }
        bytes.push_back(static_cast<uint8_t>(std::atoi(token.c_str())));
    }
    ctx.string_bytes_total += static_cast<uint32_t>(bytes.size());
    keep_string_record(ctx, number, bytes);
    write_string_literal(ctx, string_label(number), bytes);
}

std::string string_label(int32_t number) { return "STR_" + std::to_string(number); }

void read_pragma(cg_context& ctx, ic_scanner& scan) {
    std::string token, arg;
    for (;;) {
        if (!next_or_end(ctx, scan, token)) return;
        if (token[0] == ']') return;
        // Each pragma letter takes its arguments up to the record's own "]"; words that follow
        // belong to it, so no record can swallow the next one.
        std::vector<std::string> words;
        while (next_or_end(ctx, scan, arg)) {
            if (arg[0] == ']') break;
            words.push_back(arg);
        }
        if (token == "mainexit") {
            ctx.main_exit = true;
            return;
        }
        const std::string first = words.empty() ? std::string() : words[0];
        switch (token[0]) {
        case 'b': {
            size_t eq = first.find('=');
            if (eq == std::string::npos) {
                alert_message(735, first.c_str());
                break;
            }
            std::string key = first.substr(0, eq);
            if (key == "USR_MODE" || key == "SYS_MODE") {
                if (ctx.stack_user_or_sys) {
                    alert_message(736);
                    break;
                }
                ctx.stack_user_or_sys = true;
            }
            unsigned long v = std::strtoul(first.c_str() + eq + 1, nullptr, 16);
            emit(ctx, "\tGLOBAL __%s\n\t__%s\tEQU 0%lxh\n", key.c_str(), key.c_str(), v);
            break;
        }
        case 'i':
            if (symbol* s = ctx.symbols.find(first)) s->flags |= SF_INLINE;
            break;
        case 'l': ctx.interrupt_mask |= static_cast<uint8_t>(1u << (std::atoi(first.c_str()) & 7)); break;
        case 'p': break;
        case 'r': {
            long v = std::atol(first.c_str());
            if (v > 255 || v < 0) alert_message(738, static_cast<int>(v));
            else ctx.return_offset = static_cast<uint8_t>(v);
            break;
        }
        case 's':
            // Renames are kept in a growing list: any number of psect pragmas is honoured.
            emit(ctx, ";\tpragma psect %s\n", first.c_str());
            if (!psect_add_rename(ctx, first)) alert_message(733, first.c_str());
            break;
        case 'u':
            // "u" alone is a warning push; "u ," an empty register list.
            if (!words.empty()) {
                ctx.used_regs.clear();
                for (const std::string& w : words) {
                    size_t start = 0;
                    while (start <= w.size()) {
                        size_t comma = w.find(',', start);
                        std::string reg = w.substr(start, comma == std::string::npos ? std::string::npos : comma - start);
                        if (!reg.empty()) ctx.used_regs.push_back(reg);
                        if (comma == std::string::npos) break;
                        start = comma + 1;
                    }
                }
                ctx.used_regs_set = true;
            }
            break;
        case 'v': break;
        case 'm':   // an "m" word other than "mainexit" is read as a switch kind
        case 'w':
            // "w" with a number list is the warning form; only a word selects a switch kind.
            if (!first.empty() && !is_digit(first[0])) {
                if (first == "auto") ctx.switch_kind = 1;
                else if (first == "simple") ctx.switch_kind = 2;
                else if (first == "search") ctx.switch_kind = 3;
                else if (first == "direct") ctx.switch_kind = 4;
                else alert_message(737, first.c_str());
            }
            break;
        case 'c': case 'f': case 'o': case 'n': case 'y': case 'e':
            // Call names, function flags and the warning settings change nothing here.
            break;
        default: alert_message(715, token[0]); break;
        }
        return;
    }
}

void define_kept_data(cg_context& ctx) {
    std::vector<symbol*> list;
    for (symbol* s : ctx.kept_data)
        if (!(s->flags & SF_WRITTEN)) list.push_back(s);
    std::stable_sort(list.begin(), list.end(), [&](symbol* a, symbol* b) {
        if (a->align_mask != b->align_mask) return a->align_mask > b->align_mask;
        bool pa = a->base && (a->base->flags & SF_PLACEHOLDER), pb = b->base && (b->base->flags & SF_PLACEHOLDER);
        if (pa != pb) return pa;
        uint16_t sa = symbol_size(ctx, a), sb = symbol_size(ctx, b);
        if (sa != sb) return sa < sb;
        return a->name < b->name;
    });
    list.erase(std::unique(list.begin(), list.end()), list.end());
    for (symbol* s : list) {
        if (s->flags & SF_WRITTEN) continue;
        if (auto it = std::find_if(ctx.kept_consts.begin(), ctx.kept_consts.end(),
                                   [&](const kept_const& k) { return k.sym == s; });
            it != ctx.kept_consts.end()) {
            std::vector<data_item> items;
            for (uint8_t b : it->bytes) items.push_back({b, {}});
            define_initialised(ctx, s, items);
            continue;
        }
        bool bit = !s->levels && base_class(s->base) == value_class::bit;
        if (symbol_size(ctx, s) == 0 && !bit) {
            if (s->sclass == storage::static_) alert_message(744, s->name.c_str());
            continue;
        }
        define_variable(ctx, s);
    }
}

}  // namespace cg
