// The emission walk and the template expander: each matched node's rules write their
// instruction templates, whose letters name operands, registers, constants and labels.
#include <cinttypes>
#include <cmath>
#include <cstring>

#include "codegen/asmout.h"
#include "codegen/context.h"
#include "codegen/helpers.h"
#include "codegen/matcher.h"
#include "codegen/records.h"
#include "codegen/registers.h"
#include "codegen/template_scan.h"
#include "common/alert.h"

namespace cg {

namespace {

struct entry_ref {
    tree_node* node = nullptr;
    int index = -1;
};

int top_index(const tree_node* n) { return n ? rule_count(n) - 1 : -1; }
bool has_left(const tree_node* n) { return n && (op_arity(n->op) == DOPE_UNARY || op_arity(n->op) == DOPE_BINARY); }
bool has_right(const tree_node* n) { return n && op_arity(n->op) == DOPE_BINARY; }

entry_ref operand_of(tree_node* n, int index) {
    if (index > 0) return {n, index - 1};
    tree_node* l = has_left(n) ? n->left : nullptr;
    return {l, top_index(l)};
}

entry_ref select(tree_node* n, int index, const tpl_directive& d) {
    switch (d.which) {
    case 'L': return operand_of(n, index);
    case 'R': {
        tree_node* r = has_right(n) ? n->right : nullptr;
        return {r, top_index(r)};
    }
    case 'J': {
        entry_ref e{n, index};
        for (char c : d.path) {
            if (!e.node) break;
            if (c == '0') e = operand_of(e.node, e.index);
            else e = {has_right(e.node) ? e.node->right : nullptr, top_index(has_right(e.node) ? e.node->right : nullptr)};
        }
        return e;
    }
    default: return {n, index};
    }
}

// Helpers whose only output is bank-selection lines, each with its tab and newline.
bool selects_bank(int helper) {
    return helper >= 48 && helper <= 65 && helper != 55 && helper != 61 && helper != 62;
}

const rule_row* row_of(const cg_context& ctx, const entry_ref& e) {
    if (!e.node || e.index < 0) return nullptr;
    int32_t r = rule_at(e.node, e.index).rule;
    const rule_tables& t = active_rules(ctx);
    return r > 0 && static_cast<size_t>(r) < t.row_count ? &t.rows[r] : nullptr;
}

class expander {
public:
    expander(cg_context& c) : ctx(c), s(c.sel) {}

    void open_line() {
        if (s.line_open) return;
        s.line_open = true;
        if (tab_pending) emit_char(ctx, '\t');
        tab_pending = false;
    }
    void put(char c) {
        open_line();
        if (c == ' ' && !s.column_tab) {
            s.column_tab = true;
            c = '\t';
        }
        emit_char(ctx, c);
    }
    void puts(const std::string& text) {
        for (char c : text) put(c);
    }
    void end_line(bool with_comment) {
        if (with_comment && !s.pending_comment.empty()) {
            put('\t');
            puts(";" + s.pending_comment);
            s.pending_comment.clear();
        }
        // A line that got no text (a skipped part, a directive that writes nothing) is dropped.
        if (s.line_open) emit_char(ctx, '\n');
        s.line_open = false;
        s.column_tab = false;
    }
    // Starts a line of a template: a tab first, or column 0 after "\b".
    size_t start_line(const std::string& t, size_t i) {
        if (i < t.size() && t[i] == '\b') {
            tab_pending = false;
            return i + 1;
        }
        tab_pending = true;
        return i;
    }
    bool tab_pending = false;

    void expand(tree_node* n, const std::string& t, int index);

private:
    cg_context& ctx;
    selector_state& s;

    int byte_offset(const tree_node* n) const {
        if (!s.divisor) return s.offset;
        return s.offset * node_size(ctx, n) / s.divisor;
    }
    void clear_offset() {
        s.offset = 0;
        s.divisor = 0;
    }
    std::string constant(int64_t v) const {
        char b[40];
        if (v < 1 || ctx.opt.decimal_constants) std::snprintf(b, sizeof b, "%" PRId64, v);
        else std::snprintf(b, sizeof b, "0%" PRIX64 "h", static_cast<uint64_t>(v));
        return b;
    }
    void directive(tree_node* n, int index, const tpl_directive& d, const std::string& t, size_t& i, size_t group_start,
                   size_t at);
    void operand_text(const entry_ref& e);
    void register_text(uint32_t code, const std::string& parts, const tree_node* n, bool by_offset = false);
};

void expander::register_text(uint32_t code, const std::string& parts, const tree_node* n, bool by_offset) {
    if (code >= static_cast<uint32_t>(REG_TEMP)) {
        // A memory temporary: the function's temporaries label and the scaled offset.
        int off = static_cast<int>(code - REG_TEMP) + byte_offset(n);
        for (char p : parts) off += p == '9' ? 0 : (p - '0');
        char b[48];
        std::snprintf(b, sizeof b, "f%u3%+d", ctx.psects.function_number, off);
        puts(b);
        return;
    }
    // An allocated composite that has no name of its own is written as the byte the running
    // offset picks ("~1L" of a value in wtemp0 is btemp+1).
    if (by_offset && parts.empty() && code < static_cast<uint32_t>(REG_CODES) && reg_part_count(static_cast<int32_t>(code)) &&
        (reg_flags[code] & RF_UNNAMEABLE)) {
        int off = byte_offset(n);
        auto bytes = [](auto& self, int32_t c) -> int {
            int count = reg_part_count(c), total = 0;
            for (int i = 0; i < count; ++i) total += self(self, reg_parts[c][static_cast<size_t>(i)]);
            return count ? total : 1;
        };
        int32_t c = static_cast<int32_t>(code);
        for (bool descended = true; descended && reg_part_count(c) > 0;) {
            descended = false;
            for (int i = 0; i < reg_part_count(c); ++i) {
                int32_t part = reg_parts[c][static_cast<size_t>(i)];
                int size = bytes(bytes, part);
                if (off < size) {
                    c = part;
                    descended = true;
                    break;
                }
                off -= size;
            }
        }
        code = static_cast<uint32_t>(c);
    }
    // One part digit a level, through the register's parts; 9 ends the selection.
    for (char p : parts) {
        int part = p - '0';
        if (p == '9' || code >= static_cast<uint32_t>(REG_CODES) || part >= reg_part_count(static_cast<int32_t>(code)))
            break;
        code = reg_parts[code][static_cast<size_t>(part)];
    }
    puts(code < static_cast<uint32_t>(REG_CODES) ? reg_names[code] : "");
}

void expander::operand_text(const entry_ref& e) {
    tree_node* n = e.node;
    if (!n) return;
    char b[64];
    switch (n->op) {
    case OP_ASM:
        if (n->text) puts(*n->text);
        return;
    case OP_CONST:
        std::snprintf(b, sizeof b, "%" PRId32, n->value);
        puts(b);
        return;
    case OP_FCONST: {
        double v = n->fvalue;
        // Infinities are written as the largest finite value of their sign.
        if (std::isinf(v)) puts(v > 0 ? "1.797693134862316e+308" : "-1.797693134862316e+308");
        else { std::snprintf(b, sizeof b, "%#.17g", v); puts(b); }
        return;
    }
    case OP_REG:
        puts(static_cast<uint32_t>(n->value) < static_cast<uint32_t>(REG_CODES) ? reg_names[n->value] : "");
        return;
    case OP_LITERAL:
        if (n->text) puts(*n->text);
        return;
    case OP_STRING:   // a string literal: the label of its bytes in program memory
        if (n->left && n->left->op == OP_CONST) puts(string_label(n->left->value));
        return;
    default: break;
    }
    symbol* sym = n->sym;
    if (n->op != OP_ID || !sym) {
        alert_message(707);
        return;
    }
    int off = byte_offset(n);
    if (sym->flags & SF_ABSOLUTE) {
        puts(constant(static_cast<int64_t>(sym->address) + off));
    } else if (sym->reg >= 0) {
        puts(reg_names[sym->reg == 0 ? 1 : sym->reg]);
    } else if (sym->sclass == storage::automatic || sym->sclass == storage::param) {
        std::string fn = ctx.functions.empty() ? std::string() : asm_name(ctx.functions.back().fn);
        std::snprintf(b, sizeof b, "+%" PRId32, sym->offset + off);
        puts((sym->sclass == storage::automatic ? "?a" : "?") + fn + b);
    } else if (is_global_storage(sym->sclass)) {
        puts(asm_name(sym));
        if (off) {
            std::snprintf(b, sizeof b, "%+d", off);
            puts(b);
        }
        sym->flags |= SF_USED;
    } else {
        alert_message(707);
    }
}

const char* operator_stem(uint32_t op) {
    switch (op) {
    case OP_ADD: case OP_ASG_ADD: return "add";
    case OP_SUB: case OP_ASG_SUB: return "sub";
    case OP_AND: case OP_ASG_AND: return "and";
    case OP_OR: case OP_ASG_OR: return "ior";
    case OP_XOR: case OP_ASG_XOR: return "xor";
    case OP_MUL: case OP_ASG_MUL: return "mul";
    case OP_DIV: case OP_ASG_DIV: return "div";
    case OP_MOD: case OP_ASG_MOD: return "mod";
    case OP_POSTINC: return "inc";
    case OP_POSTDEC: return "dec";
    case OP_COMPL: return "com";
    case OP_SHL: case OP_ASG_SHL: return "l";
    case OP_SHR: case OP_ASG_SHR: return "r";
    case OP_EQ: case OP_GE: return "c";
    case OP_NE: case OP_LT: return "s";
    default: return "";
    }
}

char size_letter(int size) {
    static const char letters[] = "vbwtl";
    if (size < 0 || size > 4) {
        alert_message(685);
        return 0;
    }
    return letters[size];
}

int pointed_size(const cg_context& ctx, const tree_node* n) {
    if (!n || !n->levels || !n->type) return 0;
    return n->type->size_known ? n->type->size : node_size(ctx, n);
}

// Index of the single set bit of v within size bytes (or of the single clear bit), else -1.
int single_bit(int64_t v, int size) {
    uint64_t mask = size >= 8 ? ~0ull : ((1ull << (8 * size)) - 1);
    uint64_t u = static_cast<uint64_t>(v) & mask;
    for (int pass = 0; pass < 2; ++pass) {
        if (u && (u & (u - 1)) == 0) {
            int b = 0;
            while (!(u & 1)) { u >>= 1; ++b; }
            return b;
        }
        u = ~static_cast<uint64_t>(v) & mask;
    }
    return -1;
}

void expander::directive(tree_node* n, int index, const tpl_directive& d, const std::string& t, size_t& i,
                         size_t group_start, size_t at) {
    entry_ref e = select(n, index, d);
    tree_node* en = e.node;
    char b[96];
    // E's number names the helper; the running offset goes to the helper unchanged.
    if (d.how != '~' && d.how != 'Z' && d.how != 'V' && d.how != 'I' && d.how != 'E') {
        if (d.has_offset) s.offset = d.offset;
        if (d.divisor) s.divisor = d.divisor;
    }
    switch (d.how) {
    case '~':
    case 'L':
    case 'R': {
        if (d.how != '~') {
            tpl_directive shorthand;
            shorthand.which = d.how;
            e = select(n, index, shorthand);
        }
        bool pass_on = d.how == '~' && d.has_offset && d.offset == 9;
        if (d.how == '~' && d.has_offset && !pass_on) s.offset = d.offset;
        if (d.divisor) s.divisor = d.divisor;
        const rule_row* r = row_of(ctx, e);
        if (r) expand(e.node, active_rules(ctx).pool + r->result, e.index);
        else if (e.node) operand_text(e);   // a leaf no rule labelled: its own text
        if (!d.keep) clear_offset();
        return;
    }
    case 'A':
        if (en) {
            value_class c = node_class(en);
            puts(c == value_class::signed_ ? "a" : c == value_class::unsigned_ ? "l" : c == value_class::floating ? "f" : "");
        }
        return;
    case 'B':
        if (d.count) {
            std::snprintf(b, sizeof b, "%d", s.counters[1]);
            puts(b);
        } else if (en) {
            std::snprintf(b, sizeof b, "%d", pointed_size(ctx, en));
            puts(b);
        }
        return;
    case 'C':
        if (!en) return;
        if (en->op == OP_BITFIELD && en->sym) {
            std::snprintf(b, sizeof b, "%d", en->sym->bit_offset);
            puts(b);
        } else if (en->op == OP_ID && en->sym && en->sym->sclass == storage::automatic && (en->sym->flags & 1)) {
            std::snprintf(b, sizeof b, "%" PRId32, en->sym->offset);
            puts(b);
        } else if (en->op == OP_CONST) {
            int bit = single_bit(en->value, node_size(ctx, en));
            if (bit >= 0) s.offset += bit / 8;
        }
        return;
    case 'D':
        if (s.divisor) s.offset = s.offset * node_size(ctx, n) / s.divisor;
        if (d.length == 1) {
            std::snprintf(b, sizeof b, "%d", s.offset);
            puts(b);
        }
        clear_offset();
        return;
    case 'E': {
        // Bank selection writes whole lines of its own: at the start of a template line it
        // comes before the line's instruction, which then still gets its tab.
        if (!s.line_open && selects_bank(d.offset)) {
            helper_io io;
            s.offset = cg_code_helper(ctx, en, d.offset, s.offset, io);
            if (s.offset == 0) s.divisor = 0;
            return;
        }
        bool tabbed = !s.line_open && tab_pending;
        open_line();   // a helper writes on the current line
        helper_io io;
        int r = cg_code_helper(ctx, en, d.offset, s.offset, io);
        s.offset = r;
        if (r == 0) s.divisor = 0;
        if (!io.note.empty()) s.pending_comment = io.note;
        // Text a helper makes of template escapes is expanded here, never written raw. Its
        // lines come with their tabs, which the line logic writes anyway.
        std::string text;
        for (size_t k = 0; k < io.expand.size(); ++k) {
            bool line_start = k == 0 ? tabbed : io.expand[k - 1] == '\n';
            if (!(line_start && io.expand[k] == '\t')) text += io.expand[k];
        }
        if (!text.empty()) expand(n, text, index);
        return;
    }
    case 'F':
    case 'G': {
        uint32_t reg = 0;
        if (d.which == 'N') {
            // The node's own register: only a register leaf or a register variable has one.
            reg = en && en->op == OP_REG ? static_cast<uint32_t>(en->value)
                  : en && en->op == OP_ID && en->sym && en->sym->reg >= 0 ? (en->sym->reg == 0 ? 1u : static_cast<uint32_t>(en->sym->reg))
                                                                           : 0;
            if (!reg) {
                alert_message(703);
                return;
            }
        } else {
            reg = en && e.index >= 0 ? rule_at(en, e.index).result : 0;
        }
        register_text(reg, d.parts, en ? en : n);
        return;
    }
    case 'X':
    case 'Y':
        register_text(en && e.index >= 0 ? rule_at(en, e.index).alloc : 0, d.parts, en ? en : n, true);
        return;
    case 'H': {
        static const char* const prefixes[] = {"low(", "high(", "low highword(", "high highword("};
        int off = byte_offset(n);
        puts(off >= 0 && off < 4 && node_size(ctx, n) > 1 ? prefixes[off] : "(");
        return;
    }
    case 'I': {
        int which = d.which == 'L' ? 0 : d.which == 'N' ? 1 : d.which == 'R' ? 2 : -1;
        if (which < 0) {
            alert_message(705, static_cast<int>(d.which));
            return;
        }
        if (d.count == '+' && en) s.counters[which] += node_size(ctx, en);
        else if (d.count == '-' && en) s.counters[which] -= node_size(ctx, en);
        else if (d.has_offset) s.counters[which] += d.offset;
        else {
            std::snprintf(b, sizeof b, "f%u3+%d", ctx.psects.function_number, s.counters[1]);
            puts(b);
        }
        return;
    }
    case 'N':
        if (en) {
            if (!en->label) en->label = ++s.next_label;
            std::snprintf(b, sizeof b, "%u", static_cast<unsigned>(en->label));
            puts(b);
        }
        return;
    case 'O':
        if (en) puts(operator_stem(en->op));
        return;
    case 'P':
        if (char c = size_letter(pointed_size(ctx, en))) put(c);
        return;
    case 'Q':
        if (en) {
            const char* q = operator_stem(en->op);
            if (d.count == '+') q = (en->op == OP_SUB || en->op == OP_ASG_SUB) ? "subwfb" : "addwfc";
            puts(q);
        }
        return;
    case 'S':
        operand_text(e);
        return;
    case 'T':
        if (!en) return;
        if (en->op == OP_BITFIELD && en->sym) std::snprintf(b, sizeof b, "%d", en->sym->bit_width - 1);
        else std::snprintf(b, sizeof b, "%d", single_bit(en->value, node_size(ctx, en)) % 8);
        puts(b);
        return;
    case 'V': {
        if (!en) return;
        if (d.count) {
            // Repeats the group since the last newline while the counter runs to 0.
            if (d.has_offset) s.offset = d.offset;
            int32_t counter = (en->op == OP_CONST ? en->value : node_size(ctx, en)) + s.offset;
            clear_offset();
            int32_t step = d.count == '-' ? -1 : 1;
            std::string group = t.substr(group_start, at - group_start);
            for (counter += step; counter != 0 && std::abs(counter) < 65536; counter += step) {
                end_line(false);
                tab_pending = true;
                expand(n, group, index);
            }
            return;
        }
        if (d.has_offset) s.offset = d.offset;
        if (d.divisor) s.divisor = d.divisor;
        int off = byte_offset(en);
        int size = node_size(ctx, en);
        if (en->op == OP_FCONST) {
            // The assembler reads a bare literal as the 24-bit pattern; a 4-byte constant says
            // so. Infinities go out as the largest finite value, which the pattern saturates.
            double v = std::isinf(en->fvalue) ? std::copysign(1.7976931348623157e308, en->fvalue) : en->fvalue;
            std::snprintf(b, sizeof b, "(%s%.17e >> %d) & %d", size == 4 ? "float32 " : "", v, 8 * off, 0xff);
            puts(b);
        } else {
            int64_t v = en->value;
            if (size > 0 && size < 4 && (v >> (8 * size - 1) & 1)) v |= ~((int64_t{1} << (8 * size)) - 1);
            int part = s.divisor ? std::max(1, size / s.divisor) : std::max(1, size - off);
            v >>= 8 * off;
            if (part < 8) v &= (int64_t{1} << (8 * part)) - 1;
            puts(constant(v));
        }
        if (!d.keep) clear_offset();
        return;
    }
    case 'W':
        if (char c = size_letter(node_size(ctx, n))) put(c);
        return;
    case 'Z':
        if (d.has_compare) {
            if (d.compare < 0) clear_offset();
            else if (s.offset != d.compare) {
                while (i < t.size() && t[i] != '\n') ++i;   // skip to the line end
            }
            return;
        }
        if (d.count == '+') {
            size_t end = i;
            while (end < t.size() && t[end] != '\n' && t[end] != ';') ++end;
            s.deferred = t.substr(i, end - i);
            s.deferred_node = e.node;
            s.deferred_index = e.index;
            i = end;
            return;
        }
        if (d.count == '-') {
            if (!s.deferred_node) return;
            int o = s.offset, dv = s.divisor;
            if (d.keep) clear_offset();
            std::string text = s.deferred;
            expand(s.deferred_node, text, s.deferred_index);
            if (d.keep) { s.offset = o; s.divisor = dv; }
            return;
        }
        if (en) {
            int size = d.which == 'S' && en->sym ? symbol_size(ctx, en->sym) : node_size(ctx, en);
            std::snprintf(b, sizeof b, "%d", size);
            puts(b);
        }
        return;
    case 'U': {
        int level = s.logical_depth + (d.has_offset ? d.offset : 0);
        if (index > 0 && (dope_table[n->op] & DOPE_LOGICAL)) --level;
        std::snprintf(b, sizeof b, "%d", level);
        puts(b);
        return;
    }
    default:   // K, M and letters without a meaning write nothing
        return;
    }
}

void expander::expand(tree_node* n, const std::string& t, int index) {
    size_t group_start = 0;
    for (size_t i = 0; i < t.size();) {
        char c = t[i];
        if (c == ';') {
            if (i + 1 < t.size() && t[i + 1] == ';') put(';');
            return;
        }
        if (c == '\n' || c == '\r') {
            end_line(c == '\n');
            i = start_line(t, i + 1);
            if (c == '\n') group_start = i;
            continue;
        }
        if (c == '`') { put(';'); ++i; continue; }
        if (c == '~' && i + 1 < t.size() && t[i + 1] == '~') { put('~'); i += 2; continue; }
        if (c == '~' || (c >= 'A' && c <= 'Z')) {
            tpl_directive d;
            bool ok = tpl_scan(t, i, d);
            size_t at = i;
            i += d.length ? d.length : 1;
            if (!ok) {
                if (d.how == 'I') alert_message(705, static_cast<int>(d.which ? d.which : '?'));
                continue;   // the generator refuses such templates; a damaged one writes nothing
            }
            directive(n, index, d, t, i, group_start, at);
            continue;
        }
        put(c);
        ++i;
    }
}


void emit_rules(cg_context& ctx, tree_node* n) {
    const rule_tables& t = active_rules(ctx);
    for (int i = 0; i < rule_count(n); ++i) {
        rule_entry e = rule_at(n, i);
        if (e.rule <= 0 || static_cast<size_t>(e.rule) >= t.row_count) continue;
        if ((e.alloc & ~RF_FLAGS) >= static_cast<uint32_t>(REG_TEMP)) {
            // A memory temporary becomes a place in the function's temporaries area.
            uint32_t place = static_cast<uint32_t>(temp_alloc(ctx, n, static_cast<int32_t>(e.alloc)));
            rule_set_registers(n, i, place, e.result == e.alloc ? place : e.result);
        }
        note_scratch_use(ctx, t.rows[e.rule].clobbers | reg_code_mask(static_cast<int32_t>(e.alloc & ~RF_FLAGS)));
        std::string code = t.pool + t.rows[e.rule].code;
        if (code.empty()) continue;
        selector_state& s = ctx.sel;
        s.offset = s.divisor = 0;
        expander x(ctx);
        size_t start = x.start_line(code, 0);
        x.expand(n, code.substr(start), i);
        if (s.line_open || !s.pending_comment.empty()) x.end_line(true);
    }
}

void emit_post(cg_context& ctx, tree_node* n) {
    if (!n) return;
    const rule_tables& t = active_rules(ctx);
    for (int i = rule_count(n) - 1; i >= 0; --i) {
        rule_entry e = rule_at(n, i);
        if (e.rule <= 0 || static_cast<size_t>(e.rule) >= t.row_count) continue;
        std::string post = t.pool + t.rows[e.rule].post;
        if (post.empty()) continue;
        expander x(ctx);
        size_t start = x.start_line(post, 0);
        x.expand(n, post.substr(start), i);
        if (ctx.sel.line_open) x.end_line(true);
    }
}

}  // namespace

void note_scratch_use(cg_context& ctx, uint32_t mask) {
    for (int b = 11; b >= 0; --b)
        if (mask & reg_mask[R_BTEMP + b]) {
            ctx.btemp_used = std::max(ctx.btemp_used, b + 1);
            break;
        }
    if (mask & (reg_mask[R_CODE_PTR0] | reg_mask[R_CODE_PTR1])) ctx.code_ptr_used = true;
}

void cg_expand_template(cg_context& ctx, tree_node* n, const std::string& text, int index) {
    expander x(ctx);
    x.expand(n, text, index);
}

void cg_emit_node(cg_context& ctx, tree_node* n) {
    if (!n) return;
    bool logical = (dope_table[n->op] & DOPE_LOGICAL) != 0;
    if (logical) ++ctx.sel.logical_depth;
    bool left_first = (n->nflags & NF_ORDER1) != 0;
    if (has_right(n)) {
        if (left_first) {
            cg_emit_node(ctx, n->left);
            cg_emit_node(ctx, n->right);
        } else {
            cg_emit_node(ctx, n->right);
            if (n->nflags & NF_ORDER2) alert_message(687, "");
            cg_emit_node(ctx, n->left);
        }
        if (n->nflags & NF_ORDER2) alert_message(688, "");
    } else if (has_left(n)) {
        cg_emit_node(ctx, n->left);
    }
    emit_rules(ctx, n);
    if (has_right(n)) {
        if (left_first) { emit_post(ctx, n->left); emit_post(ctx, n->right); }
        else { emit_post(ctx, n->right); emit_post(ctx, n->left); }
    } else if (has_left(n)) {
        emit_post(ctx, n->left);
    }
    if (logical) --ctx.sel.logical_depth;
}

uint32_t cg_rule_result_reg(cg_context&, const tree_node* n, int index) { return rule_at(n, index).result; }

}  // namespace cg
