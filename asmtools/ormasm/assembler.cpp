#include "asmtools/ormasm/assembler.h"

#include "common/osdep.h"

#include "common/alert.h"

namespace asmx {

const assembler::directive assembler::directives_[] = {
    {"processor", &assembler::dir_processor, false},
    {"psect", &assembler::dir_psect, false},
    {"global", &assembler::dir_global, false},
    {"local", &assembler::dir_local, false},
    {"equ", &assembler::dir_equ, true},
    {"set", &assembler::dir_set, true},
    {"ds", &assembler::dir_ds, false},
    {"db", &assembler::dir_db, false},
    {"dw", &assembler::dir_dw, false},
    {"fcf", &assembler::dir_fcf, false},
    {"end", &assembler::dir_end, false},
    {"file", &assembler::dir_file, false},
    {"line", &assembler::dir_line, false},
    {"signat", &assembler::dir_signat, false},
    {"fnconf", &assembler::dir_fnconf, false},
    {"fncall", &assembler::dir_fncall, false},
    {"fnarg", &assembler::dir_fnarg, false},
    {"fnindir", &assembler::dir_fnindir, false},
    {"fnindarg", &assembler::dir_fnindarg, false},
    {"fnaddr", &assembler::dir_fnaddr, false},
    {"fnsize", &assembler::dir_fnsize, false},
    {"fnroot", &assembler::dir_fnroot, false},
    {"fnbreak", &assembler::dir_fnbreak, false},
};

const assembler::directive* assembler::find_directive(const std::string& word) {
    static const std::unordered_map<std::string, const directive*> table = [] {
        std::unordered_map<std::string, const directive*> t;
        for (const directive& d : directives_) t.emplace(d.name, &d);
        return t;
    }();
    if (word.size() > 10) return nullptr;
    auto it = table.find(lower_case(word));
    return it == table.end() ? nullptr : it->second;
}

bool assembler::is_operation(const std::string& word) {
    return find_directive(word) || find_instruction(word);
}

bool assembler::assemble(const std::string& file_name, const std::string& text) {
    file_name_ = file_name;
    debug_file_ = file_name;
    page_bits_ = page_bits_for_rom(options_.rom_words);
    std::vector<std::string> raw = split_lines(text);
    lines_.reserve(raw.size());
    // Preprocessed sources carry line markers: they set the position of the lines that follow,
    // so messages name the user's file and line rather than the temporary file.
    int32_t number = 0;
    std::string file;
    for (size_t i = 0; i < raw.size(); ++i) {
        if (number < INT32_MAX) ++number;   // a marker near the top saturates, never wraps
        int32_t marked = 0;
        if (read_line_marker(raw[i], marked, file)) {
            number = marked - 1;
            continue;
        }
        lines_.push_back(split_line(std::move(raw[i]), number, &assembler::is_operation));
        lines_.back().file = file;
    }
    parsed_.resize(lines_.size());
    if (options_.listing) listing_.reserve(lines_.size());
    parse_failed_.assign(lines_.size(), false);
    alert_set_position(file_name_.c_str(), &line_number_, nullptr, nullptr);
    uint32_t errors = alert_error_count();
    run_pass(1);
    if (alert_error_count() == errors) run_pass(2);
    alert_set_position(file_name_.c_str(), nullptr, nullptr, nullptr);
    return alert_error_count() == errors;
}

void assembler::run_pass(int pass) {
    pass_ = pass;
    ended_ = false;
    current_ = -1;
    pending_line_ = 0;
    debug_file_ = file_name_;
    position_file_.clear();
    alert_set_position(file_name_.c_str(), &line_number_, nullptr, nullptr);
    for (psect& p : psects_) {
        p.location = 0;
        p.spans.clear();
        p.bytes.clear();
        p.fixups.clear();
    }
    for (line_index_ = 0; line_index_ < lines_.size() && !ended_; ++line_index_) {
        const source_line& line = lines_[line_index_];
        line_number_ = line.number;
        if (line.file != position_file_) {
            position_file_ = line.file;
            alert_set_position(line.file.empty() ? file_name_.c_str() : line.file.c_str(), &line_number_, nullptr,
                               nullptr);
        }
        if (pass_ == 2 && options_.listing) {
            listing_.push_back({line.number, current_, 0, {}});
            listing_now_ = &listing_.back();
            if (current_ >= 0) listing_now_->location = psects_[size_t(current_)].location;
        }
        do_line(line);
    }
    listing_now_ = nullptr;
    line_number_ = 0;
    if (pass_ == 2 && !start_label_.empty()) {
        symbol* s = find_symbol(start_label_);
        if (s && s->def == symbol::label) {
            start_psect_ = s->psect;
            start_address_ = uint32_t(s->value);
        } else {
            alert_message(2823, start_label_.c_str());
        }
    }
}

void assembler::do_line(const source_line& line) {
    if (!line.fault.empty()) {
        // A lone word that is no name was most likely meant as an instruction.
        if (pass_ == 1) {
            if (line.operation.empty())
                alert_message(2801, line.fault.c_str());
            else
                alert_message(2832, line.fault.c_str());
        }
        return;
    }
    const directive* d = line.operation.empty() ? nullptr : find_directive(line.operation);
    if (!line.label.empty() && !(d && d->takes_label)) define_label(line.label);
    if (line.operation.empty()) return;
    if (d) {
        (this->*d->run)(line);
        return;
    }
    if (const instruction* ins = find_instruction(line.operation)) {
        do_instruction(*ins, line);
        return;
    }
    if (pass_ == 1)
        alert_message(2801, (line.label_plain ? line.label : line.operation).c_str());
}

symbol* assembler::find_symbol(const std::string& name) {
    auto it = symbol_index_.find(name);
    return it == symbol_index_.end() ? nullptr : &symbols_[it->second];
}

symbol& assembler::symbol_named(const std::string& name) {
    auto it = symbol_index_.find(name);
    if (it != symbol_index_.end()) return symbols_[it->second];
    symbol_index_.emplace(name, symbols_.size());
    symbols_.push_back(symbol());
    symbols_.back().name = name;
    return symbols_.back();
}

symbol_meaning assembler::resolve(const std::string& name) {
    symbol_meaning m;
    symbol* s = find_symbol(name);
    if (!s) return m;
    switch (s->def) {
    case symbol::label:
        m.kind = symbol_meaning::label;
        m.psect = s->psect;
        m.value = s->value;
        break;
    case symbol::constant:
        m.kind = symbol_meaning::constant;
        m.value = s->value;
        break;
    case symbol::alias:
        m.kind = symbol_meaning::alias;
        m.tree = s->tree;
        break;
    case symbol::none:
        if (s->global) m.kind = symbol_meaning::external;
        break;
    }
    return m;
}

void assembler::define_label(const std::string& name) {
    if (!need_psect()) return;
    const psect& p = psects_[size_t(current_)];
    symbol& s = symbol_named(name);
    if (s.defined_pass == pass_) {
        if (pass_ == 1) alert_message(2804, name.c_str());
        return;
    }
    if (pass_ == 2 && (s.def != symbol::label || s.psect != current_ || s.value != p.location)) {
        alert_message(2828, name.c_str());
        return;
    }
    s.def = symbol::label;
    s.psect = current_;
    s.value = p.location;
    s.is_set = false;
    s.defined_pass = pass_;
}

// ---- operands ----

const std::vector<expr_ptr>* assembler::parsed_operands(const source_line& line) {
    size_t i = line_index_;
    if (parse_failed_[i]) return nullptr;
    if (pass_ == 1 || parsed_[i].empty()) {
        parsed_[i].clear();
        for (const std::string& text : line.parts) {
            expr_ptr e;
            std::string why;
            if (!parse_expression(text, e, why)) {
                alert_message(2802, why.c_str(), text.c_str());
                parse_failed_[i] = true;
                parsed_[i].clear();
                return nullptr;
            }
            parsed_[i].push_back(e);
        }
    }
    return &parsed_[i];
}

bool assembler::operand_count(const source_line& line, size_t count, size_t at_most) {
    size_t n = line.parts.size();
    if (at_most < count) at_most = count;
    if (n >= count && n <= at_most) return true;
    if (pass_ == 1) alert_message(2805, line.operation.c_str());
    return false;
}

void assembler::report_undefined(const eval_result& r) {
    for (const std::string& name : r.undefined) alert_message(2803, name.c_str());
    if (r.divide_by_zero) alert_message(2819);
    if (r.too_deep) alert_message(2824);
}

bool assembler::constant_value(const expr_ptr& e, int64_t& out, bool report) {
    expr_ptr bound = current_ >= 0 ? bind_location(e, current_, psects_[size_t(current_)].location) : e;
    eval_result r = evaluate(bound, *this);
    if (!r.undefined.empty() || r.divide_by_zero || r.too_deep) {
        if (report) report_undefined(r);
        return false;
    }
    if (!r.value.absolute()) {
        if (report) alert_message(2812);
        return false;
    }
    out = r.value.constant;
    return true;
}

// Puts an operand into a field of a code word: a constant is masked into place, anything the
// linker must compute becomes a relocation adding ((operand & mask) << shift) to the word.
void assembler::field(const expr_ptr& e, uint16_t mask, int shift, uint16_t& word, item& it,
                      uint32_t at) {
    if (pass_ != 2) return;
    expr_ptr bound = bind_location(e, current_, psects_[size_t(current_)].location);
    eval_result r = evaluate(bound, *this);
    if (!r.undefined.empty() || r.divide_by_zero || r.too_deep) {
        report_undefined(r);
        return;
    }
    if (r.value.absolute()) {
        word = uint16_t(word | ((uint64_t(r.value.constant) & mask) << shift));
        return;
    }
    expr_ptr t = make_binary(op::band, bound, make_constant(mask));
    if (shift) t = make_binary(op::shl, t, make_constant(shift));
    obj::expr_builder b;
    encode_expression(t, *this, b);
    b.end();
    it.fixups.push_back({at, uint8_t(obj::RELOC_COMPLEX | 2), b.data()});
}

bool assembler::destination(const std::string& text, uint16_t& d) {
    if (str_casecmp(text.c_str(), "w") == 0) {
        d = 0;
        return true;
    }
    if (str_casecmp(text.c_str(), "f") == 0) {
        d = 1;
        return true;
    }
    expr_ptr e;
    std::string why;
    int64_t v = 0;
    if (!parse_expression(text, e, why)) {
        if (pass_ == 1) alert_message(2806, text.c_str());
        return false;
    }
    if (pass_ == 1) return true;
    if (!constant_value(e, v, true)) return false;
    if (v != 0 && v != 1) {
        alert_message(2806, text.c_str());
        return false;
    }
    d = uint16_t(v);
    return true;
}

// ---- output ----

bool assembler::need_psect() {
    if (current_ >= 0) return true;
    if (pass_ == 1) alert_message(2809);
    return false;
}

void assembler::advance(uint32_t units) {
    psect& p = psects_[size_t(current_)];
    p.location += units;
    if (p.location > p.size) p.size = p.location;
    if (p.max_size && p.location > p.max_size && !p.size_reported && pass_ == 1) {
        p.size_reported = true;
        alert_message(2808, p.name.c_str(), unsigned(p.max_size));
    }
}

void assembler::emit(item& it, uint32_t units) {
    psect& p = psects_[size_t(current_)];
    if (listing_now_) {
        if (listing_now_->bytes.empty()) {
            listing_now_->psect = current_;
            listing_now_->location = p.location;
        }
        listing_now_->bytes.insert(listing_now_->bytes.end(), it.data.begin(), it.data.end());
    }
    if (pass_ == 2) {
        span sp{p.location * p.unit_bytes(), uint32_t(p.bytes.size()), uint32_t(it.data.size()),
                uint32_t(p.fixups.size()), uint32_t(it.fixups.size())};
        p.bytes.insert(p.bytes.end(), it.data.begin(), it.data.end());
        for (fixup& f : it.fixups) p.fixups.push_back(std::move(f));
        p.spans.push_back(sp);
    }
    advance(units);
}

// Records a line symbol for the instruction about to be emitted.
void assembler::note_line_symbol() {
    if (pass_ != 2) return;
    int32_t line = pending_line_;
    if (!line_directives_ && options_.line_symbols) line = line_number_;
    pending_line_ = 0;
    if (line <= 0) return;
    if (!line_symbols_.empty() && !line_symbols_.back().is_file &&
        line_symbols_.back().name == std::to_string(line))
        return;
    if (debug_file_ != debug_file_written_) {
        line_symbols_.push_back({true, debug_file_, -1, 0});
        debug_file_written_ = debug_file_;
    }
    line_symbols_.push_back({false, std::to_string(line), current_, psects_[size_t(current_)].location});
}

void assembler::page_select(const expr_ptr& target, int page_bits, item& it) {
    for (int i = 0; i < page_bits; ++i) {
        int bit = 3 + i;
        uint16_t word = pclath_bcf(bit);
        // bcf becomes bsf when the target's page bit is set.
        expr_ptr page = make_binary(op::band, make_binary(op::shr, target, make_constant(8 + bit)),
                                    make_constant(1));
        field(make_binary(op::shl, page, make_constant(10)), bcf_to_bsf, 0, word, it,
              uint32_t(it.data.size()));
        it.data.push_back(uint8_t(word));
        it.data.push_back(uint8_t(word >> 8));
    }
}

void assembler::do_instruction(const instruction& ins, const source_line& line) {
    if (!need_psect()) return;
    psect& p = psects_[size_t(current_)];
    if (p.bit()) {
        if (pass_ == 1) alert_message(2821, p.name.c_str());
        return;
    }
    const std::vector<std::string>& texts = line.parts;
    item& it = scratch_;
    it.clear();
    uint16_t word = ins.opcode;
    int words = instruction_words(ins, page_bits_);
    bool ok = true;
    switch (ins.form) {
    case operand_form::none: ok = operand_count(line, 0); break;
    case operand_form::file:
    case operand_form::literal:
    case operand_form::address:
    case operand_form::long_call:
    case operand_form::long_jump: ok = operand_count(line, 1); break;
    case operand_form::file_dest: ok = operand_count(line, 1, 2); break;
    case operand_form::file_bit: ok = operand_count(line, 2); break;
    }
    const std::vector<expr_ptr>* ops = nullptr;
    if (ok && ins.form != operand_form::none) {
        ops = parsed_operands(line);
        ok = ops != nullptr;
        if (ok && ins.form == operand_form::file_dest && texts.size() == 2) {
            uint16_t d = 1;
            ok = destination(texts[1], d);
            word = uint16_t((word & ~(1u << dest_shift)) | (d << dest_shift));
        }
    }
    if (ok && ins.form == operand_form::file_dest && texts.size() == 1) word |= 1u << dest_shift;
    note_line_symbol();
    if (ok && pass_ == 2) {
        switch (ins.form) {
        case operand_form::none: break;
        case operand_form::file_dest:
        case operand_form::file: field((*ops)[0], file_mask, 0, word, it, 0); break;
        case operand_form::file_bit: {
            int64_t b = 0;
            eval_result r = evaluate(bind_location((*ops)[1], current_, p.location), *this);
            if (r.value.absolute() && r.undefined.empty()) {
                b = r.value.constant;
                if (b < 0 || b > 7) alert_message(2807, long(b));
            }
            field((*ops)[0], file_mask, 0, word, it, 0);
            field((*ops)[1], 7, bit_shift, word, it, 0);
            break;
        }
        case operand_form::literal: {
            // A literal is one byte; its negative forms down to -255 are accepted as other PIC
            // assemblers accept them. Beyond, the low bits are used, as the instruction demands,
            // but the user hears about the cut.
            eval_result r = evaluate(bind_location((*ops)[0], current_, p.location), *this);
            if (r.value.absolute() && r.undefined.empty() && !r.divide_by_zero && !r.too_deep &&
                (r.value.constant < -255 || r.value.constant > 255))
                alert_message(2834, long(r.value.constant), long(r.value.constant & literal_mask));
            field((*ops)[0], literal_mask, 0, word, it, 0);
            break;
        }
        case operand_form::address: field((*ops)[0], address_mask, 0, word, it, 0); break;
        case operand_form::long_call:
        case operand_form::long_jump: {
            expr_ptr target = bind_location((*ops)[0], current_, p.location);
            page_select(target, page_bits_, it);
            uint32_t at = uint32_t(it.data.size());
            field(target, address_mask, 0, word, it, at);
            it.data.push_back(uint8_t(word));
            it.data.push_back(uint8_t(word >> 8));
            if (ins.form == operand_form::long_call) {
                // Restore the page of the code that follows the call.
                auto here = std::make_shared<expr_node>();
                here->kind = expr_node::location;
                here->psect = current_;
                here->value = p.location + uint32_t(it.data.size() / 2) * (2 / p.unit_bytes());
                page_select(here, page_bits_, it);
            }
            emit(it, uint32_t(words * 2 / p.unit_bytes()));
            return;
        }
        }
    }
    it.data.resize(size_t(words) * 2);
    if (ins.form != operand_form::long_call && ins.form != operand_form::long_jump) {
        it.data[0] = uint8_t(word);
        it.data[1] = uint8_t(word >> 8);
    }
    emit(it, uint32_t(words * 2 / p.unit_bytes()));
}

}  // namespace asmx
