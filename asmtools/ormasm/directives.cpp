// The directives of the psect dialect.
#include <cctype>
#include <cstdlib>
#include "common/osdep.h"

#include "asmtools/ormasm/assembler.h"
#include "common/alert.h"
#include "common/float_format.h"

namespace asmx {

void assembler::dir_processor(const source_line& line) { operand_count(line, 1); }

// psect name[,flag...]: flags local, global, ovrld, abs, bit, pure and class=, delta=, space=,
// size=, reloc=, with=. A psect met again takes further flags; a contradiction is an error.
void assembler::dir_psect(const source_line& line) {
    const std::vector<std::string>& parts = line.parts;
    if (parts.empty() || !is_symbol_name(parts[0])) {
        if (pass_ == 1) alert_message(2820, parts.empty() ? "" : parts[0].c_str());
        return;
    }
    auto found = psect_index_.find(parts[0]);
    bool is_new = found == psect_index_.end();
    if (is_new) {
        psect_index_.emplace(parts[0], int(psects_.size()));
        psects_.push_back(psect());
        psects_.back().name = parts[0];
        current_ = int(psects_.size()) - 1;
    } else {
        current_ = found->second;
    }
    if (pass_ != 1) return;
    psect& p = psects_[size_t(current_)];
    for (size_t i = 1; i < parts.size(); ++i)
        if (!psect_flag(p, parts[i], is_new)) return;
}

bool assembler::psect_flag(psect& p, const std::string& flag, bool) {
    size_t eq = flag.find('=');
    std::string key = trim(flag.substr(0, eq));
    if (eq == std::string::npos) {
        struct {
            const char* name;
            uint16_t bit;
        } static const bits[] = {{"ovrld", obj::PSECT_OVRLD}, {"abs", obj::PSECT_ABS},
                                 {"bit", obj::PSECT_BIT}, {"pure", obj::PSECT_PURE}};
        if (str_casecmp(key.c_str(), "local") == 0 || str_casecmp(key.c_str(), "global") == 0) {
            bool local = str_casecmp(key.c_str(), "local") == 0;
            if ((local && p.said_global) || (!local && p.said_local)) {
                alert_message(2811, p.name.c_str(), key.c_str());
                return false;
            }
            (local ? p.said_local : p.said_global) = true;
            p.flags = uint16_t(local ? p.flags & ~obj::PSECT_GLOBAL : p.flags | obj::PSECT_GLOBAL);
            return true;
        }
        for (const auto& b : bits)
            if (str_casecmp(key.c_str(), b.name) == 0) {
                p.flags |= b.bit;
                return true;
            }
        alert_message(2810, flag.c_str());
        return false;
    }
    std::string value = trim(flag.substr(eq + 1));
    if (str_casecmp(key.c_str(), "class") == 0 || str_casecmp(key.c_str(), "with") == 0) {
        std::string& slot = str_casecmp(key.c_str(), "class") == 0 ? p.cls : p.with;
        if (!is_symbol_name(value)) {
            alert_message(2810, flag.c_str());
            return false;
        }
        if (!slot.empty() && slot != value) {
            alert_message(2811, p.name.c_str(), flag.c_str());
            return false;
        }
        slot = value;
        return true;
    }
    uint32_t* slot = nullptr;
    if (str_casecmp(key.c_str(), "delta") == 0) slot = &p.delta;
    else if (str_casecmp(key.c_str(), "space") == 0) slot = &p.space;
    else if (str_casecmp(key.c_str(), "size") == 0) slot = &p.max_size;
    else if (str_casecmp(key.c_str(), "reloc") == 0) slot = &p.align;
    int64_t v = 0;
    if (!slot || !parse_number(value, v) || v < 0 || v > 0xFFFFFFFF ||
        (slot == &p.delta && (v < 1 || v > 2))) {
        alert_message(2810, flag.c_str());
        return false;
    }
    bool given = slot == &p.space ? p.has_space : *slot != 0;
    if (given && *slot != uint32_t(v)) {
        alert_message(2811, p.name.c_str(), flag.c_str());
        return false;
    }
    *slot = uint32_t(v);
    if (slot == &p.space) p.has_space = true;
    return true;
}

// Names of a global or local directive, checked.
static std::vector<std::string> name_list(const source_line& line, int pass) {
    const std::vector<std::string>& names = line.parts;
    std::vector<std::string> good;
    for (const std::string& n : names) {
        if (is_symbol_name(n))
            good.push_back(n);
        else if (pass == 1)
            alert_message(2820, n.c_str());
    }
    if (names.empty() && pass == 1) alert_message(2805, line.operation.c_str());
    return good;
}

void assembler::dir_global(const source_line& line) {
    for (const std::string& n : name_list(line, pass_)) {
        symbol& s = symbol_named(n);
        if (s.local && pass_ == 1) alert_message(2813, n.c_str());
        s.global = true;
    }
}

void assembler::dir_local(const source_line& line) {
    for (const std::string& n : name_list(line, pass_)) {
        symbol& s = symbol_named(n);
        if (s.global && pass_ == 1) alert_message(2813, n.c_str());
        s.local = true;
    }
}

void assembler::dir_equ(const source_line& line) { define_value(line, false); }
void assembler::dir_set(const source_line& line) { define_value(line, true); }

// name equ expr / name set expr. A constant value is kept as a number; a value the linker
// must compute is kept as its expression and stands in for the name wherever it is used.
void assembler::define_value(const source_line& line, bool is_set) {
    if (line.label.empty()) {
        if (pass_ == 1) alert_message(2820, "");
        return;
    }
    if (!operand_count(line, 1)) return;
    const std::vector<expr_ptr>* ops = parsed_operands(line);
    if (!ops) return;
    expr_ptr tree = (*ops)[0];
    if (has_unbound_location(tree)) {
        if (!need_psect()) return;
        tree = bind_location(tree, current_, psects_[size_t(current_)].location);
    }
    symbol& s = symbol_named(line.label);
    eval_result r = evaluate(tree, *this);
    bool known = r.undefined.empty() && !r.too_deep && !r.divide_by_zero;
    if (pass_ == 2 && !known) report_undefined(r);
    symbol::def_t def = known && r.value.absolute() ? symbol::constant : symbol::alias;
    int64_t value = def == symbol::constant ? r.value.constant : 0;
    if (s.defined_pass == pass_) {
        bool same = s.def == symbol::constant && def == symbol::constant && s.value == value;
        if (s.def == symbol::label || (!is_set && !same)) {
            if (pass_ == 1) alert_message(s.def == symbol::label ? 2804 : 2822, line.label.c_str());
            return;
        }
    } else if (s.def == symbol::label) {
        if (pass_ == 1) alert_message(2804, line.label.c_str());
        return;
    }
    s.def = def;
    s.value = value;
    s.tree = def == symbol::alias ? tree : nullptr;
    s.is_set = is_set;
    s.defined_pass = pass_;
}

void assembler::dir_ds(const source_line& line) {
    if (!need_psect() || !operand_count(line, 1)) return;
    const std::vector<expr_ptr>* ops = parsed_operands(line);
    int64_t n = 0;
    if (!ops || !constant_value((*ops)[0], n, pass_ == 1)) return;
    if (n < 0 || n > 0xFFFFFF) {
        if (pass_ == 1) alert_message(2806, line.operands.c_str());
        return;
    }
    advance(uint32_t(n));
}

void assembler::dir_db(const source_line& line) { data_values(line, 1); }
void assembler::dir_dw(const source_line& line) { data_values(line, 2); }

// db and dw: each value takes value_bytes bytes, rounded up to whole units of the psect
// (so a db value in a psect of delta 2 fills one word with its high byte 0).
void assembler::data_values(const source_line& line, uint32_t value_bytes) {
    if (!need_psect()) return;
    psect& p = psects_[size_t(current_)];
    if (p.bit()) {
        if (pass_ == 1) alert_message(2821, p.name.c_str());
        return;
    }
    if (!operand_count(line, 1, ~size_t(0))) return;
    const std::vector<expr_ptr>* ops = parsed_operands(line);
    if (!ops) return;
    uint32_t unit = p.unit_bytes();
    uint32_t step = (value_bytes + unit - 1) / unit * unit;
    item& it = scratch_;
    it.clear();
    it.data.assign(ops->size() * step, 0);
    for (size_t i = 0; i < ops->size() && pass_ == 2; ++i) {
        uint32_t at = uint32_t(i * step);
        expr_ptr e = bind_location((*ops)[i], current_, p.location + at / unit);
        eval_result r = evaluate(e, *this);
        if (!r.undefined.empty() || r.divide_by_zero || r.too_deep) {
            report_undefined(r);
            continue;
        }
        if (r.value.absolute()) {
            int64_t v = r.value.constant;
            int64_t low = value_bytes == 1 ? -128 : -32768;
            int64_t high = value_bytes == 1 ? 255 : 65535;
            if (v < low || v > high) alert_message(2827, long(v), int(value_bytes * 8));
            it.data[at] = uint8_t(v);
            if (value_bytes == 2) it.data[at + 1] = uint8_t(v >> 8);
            continue;
        }
        obj::expr_builder b;
        encode_expression(e, *this, b);
        b.end();
        it.fixups.push_back({at, uint8_t(obj::RELOC_COMPLEX | value_bytes), b.data()});
    }
    if (pass_ == 2) note_line_symbol();
    emit(it, uint32_t(ops->size() * step / unit));
}

// fcf value[,size]: a floating constant read through a table call, one "retlw" word per byte,
// low byte first. Size 3 (the default) is the 24-bit format, size 4 IEEE single precision.
void assembler::dir_fcf(const source_line& line) {
    if (!need_psect() || !operand_count(line, 1, 2)) return;
    psect& p = psects_[size_t(current_)];
    if (p.bit()) {
        if (pass_ == 1) alert_message(2821, p.name.c_str());
        return;
    }
    const std::string& text = line.parts[0];
    char* end = nullptr;
    double value = std::strtod(text.c_str(), &end);
    bool bad = text.empty() || *end;
    int64_t size = 3;
    if (line.parts.size() == 2 && (!parse_number(line.parts[1], size) || (size != 3 && size != 4))) {
        if (pass_ == 1) alert_message(2806, line.parts[1].c_str());
        return;
    }
    if (bad) {
        if (pass_ == 1) alert_message(2806, text.c_str());
        return;
    }
    uint32_t bits = float_pattern(value, int(size));
    uint32_t unit = p.unit_bytes();
    uint32_t step = (2 + unit - 1) / unit * unit;
    item& it = scratch_;
    it.clear();
    it.data.assign(size_t(size) * step, 0);
    for (uint32_t i = 0; i < uint32_t(size); ++i) {
        uint32_t word = 0x3400u | ((bits >> (8 * i)) & 0xffu);   // retlw
        it.data[i * step] = uint8_t(word);
        it.data[i * step + 1] = uint8_t(word >> 8);
    }
    if (pass_ == 2) note_line_symbol();
    emit(it, uint32_t(size) * step / unit);
}

void assembler::dir_end(const source_line& line) {
    if (!operand_count(line, 0, 1)) return;
    const std::vector<std::string>& parts = line.parts;
    if (!parts.empty()) {
        if (!is_symbol_name(parts[0])) {
            if (pass_ == 1) alert_message(2820, parts[0].c_str());
        } else {
            start_label_ = parts[0];
        }
    }
    ended_ = true;
}

void assembler::dir_file(const source_line& line) {
    std::string t = line.operands;
    if (t.size() < 2 || t.front() != '"' || t.back() != '"') {
        if (pass_ == 1) alert_message(2826);
        return;
    }
    debug_file_ = t.substr(1, t.size() - 2);
}

void assembler::dir_line(const source_line& line) {
    int64_t n = 0;
    if (!operand_count(line, 1)) return;
    if (!parse_number(trim(line.operands), n) || n <= 0 || n > 0x7FFFFFFF) {
        if (pass_ == 1) alert_message(2806, line.operands.c_str());
        return;
    }
    line_directives_ = true;
    pending_line_ = int32_t(n);
}

// Reads a non-negative number operand of a call-graph or signature directive.
static bool number_operand(const std::string& text, uint32_t limit, uint32_t& out) {
    int64_t v = 0;
    if (!parse_number(text, v) || v < 0 || uint64_t(v) > limit) return false;
    out = uint32_t(v);
    return true;
}

void assembler::dir_signat(const source_line& line) {
    if (!operand_count(line, 2)) return;
    const std::vector<std::string>& parts = line.parts;
    uint32_t sig = 0;
    if (!is_symbol_name(parts[0]) || !number_operand(parts[1], 0xFFFF, sig)) {
        if (pass_ == 1) alert_message(2806, line.operands.c_str());
        return;
    }
    if (pass_ == 2) signatures_.push_back({uint16_t(sig), parts[0]});
}

// fnconf psect,local prefix,argument prefix
void assembler::dir_fnconf(const source_line& line) {
    if (!operand_count(line, 3)) return;
    const std::vector<std::string>& parts = line.parts;
    for (const std::string& p : parts)
        if (p.empty() || p.find_first_of(" \t") != std::string::npos) {
            if (pass_ == 1) alert_message(2806, line.operands.c_str());
            return;
        }
    if (pass_ != 2) return;
    obj::fnconf_rec f{parts[0], parts[1], parts[2], false, 0};
    if (has_fnconf_ && (f.psect != fnconf_.psect || f.local_prefix != fnconf_.local_prefix ||
                        f.arg_prefix != fnconf_.arg_prefix)) {
        alert_message(2829);
        return;
    }
    fnconf_ = f;
    has_fnconf_ = true;
}

// A call-graph sub-record from `names` function names followed by `numbers` numbers.
void assembler::call_graph_entry(const source_line& line, uint8_t kind, size_t names, size_t numbers) {
    if (!operand_count(line, names + numbers)) return;
    const std::vector<std::string>& parts = line.parts;
    uint32_t n[2] = {0, 0};
    for (size_t i = 0; i < names; ++i)
        if (!is_symbol_name(parts[i])) {
            if (pass_ == 1) alert_message(2820, parts[i].c_str());
            return;
        }
    uint32_t limit = kind == obj::FN_SIZE ? 0xFFFFFFFFu : 0xFFFFu;
    for (size_t i = 0; i < numbers; ++i)
        if (!number_operand(parts[names + i], limit, n[i])) {
            if (pass_ == 1) alert_message(2806, parts[names + i].c_str());
            return;
        }
    // Every function the graph names is a function to the symbol output.
    for (size_t i = 0; i < names; ++i) symbol_named(parts[i]).function = true;
    if (pass_ != 2) return;
    obj::fninfo_entry e;
    e.kind = kind;
    e.name = parts[0];
    if (names > 1) e.other = parts[1];
    if (kind == obj::FN_SIZE) {
        e.local_size = n[0];
        e.arg_size = n[1];
    } else if (numbers) {
        e.set = uint16_t(n[0]);
    }
    call_graph_.push_back(e);
}

void assembler::dir_fncall(const source_line& line) { call_graph_entry(line, obj::FN_CALL, 2, 0); }
void assembler::dir_fnarg(const source_line& line) { call_graph_entry(line, obj::FN_ARG, 2, 0); }
void assembler::dir_fnindir(const source_line& line) { call_graph_entry(line, obj::FN_INDIR, 1, 1); }
void assembler::dir_fnindarg(const source_line& line) { call_graph_entry(line, obj::FN_INDARG, 1, 1); }
void assembler::dir_fnaddr(const source_line& line) { call_graph_entry(line, obj::FN_ADDR, 1, 0); }
void assembler::dir_fnsize(const source_line& line) { call_graph_entry(line, obj::FN_SIZE, 1, 2); }
void assembler::dir_fnroot(const source_line& line) { call_graph_entry(line, obj::FN_ROOT, 1, 0); }
void assembler::dir_fnbreak(const source_line& line) { call_graph_entry(line, obj::FN_BREAK, 2, 0); }

}  // namespace asmx
