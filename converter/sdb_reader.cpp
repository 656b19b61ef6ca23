// The SDB reader: a tokenizer over white-space separated words with a recursive block reader.
#include "converter/sdb_reader.h"

#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "common/alert.h"

namespace conv {

namespace {

class sdb_stream {
public:
    sdb_stream(FILE* f, std::string name) : f_(f), name_(std::move(name)) {}

    int get() {
        int c = std::fgetc(f_);
        if (c == '\n') {
            ++line_;
            column_ = 1;
        } else if (c != EOF) {
            ++column_;
        }
        return c;
    }
    void unget(int c) {
        if (c == EOF) return;
        std::ungetc(c, f_);
        if (c == '\n') --line_;   // only a peeked line end goes back; its column is not needed again
        else --column_;
    }

    // The next word; false at the end of the file with nothing taken.
    bool word(std::string& out) {
        out.clear();
        int c;
        do c = get();
        while (c != EOF && std::isspace(c));
        if (c == EOF) return false;
        word_line_ = line_;
        word_column_ = column_ - 1;
        while (c != EOF && !std::isspace(c)) {
            out.push_back(static_cast<char>(c));
            c = get();
        }
        ended_line_ = c == '\n' || c == '\r';
        return true;
    }

    // The rest of the line after white space (line ends included), at most 2047 characters.
    std::string rest_of_line() {
        int c;
        do c = get();
        while (c != EOF && std::isspace(c));
        std::string out;
        while (c != EOF && c != '\n' && c != '\r') {
            if (out.size() < 2047) out.push_back(static_cast<char>(c));
            c = get();
        }
        return out;
    }

    // The header line, counted into the position like every other character.
    bool header(std::string& out) {
        out.clear();
        int c;
        while ((c = get()) != EOF && c != '\n')
            if (out.size() < 1024) out.push_back(static_cast<char>(c));
        return !(c == EOF && out.empty());
    }

    [[noreturn]] void syntax(const std::string& w) {
        alert_message(631, w.c_str(), name_.c_str(), word_line_, word_column_);
        std::exit(1);
    }
    // At the word that stands where the character belongs, or at the end of the file.
    [[noreturn]] void missing(char what, bool at_word) {
        alert_message(627, what, name_.c_str(), at_word ? word_line_ : line_, at_word ? word_column_ : column_);
        std::exit(1);
    }
    [[noreturn]] void bad_storage(const std::string& w) {
        alert_message(629, w.c_str(), name_.c_str(), word_line_, word_column_);
        std::exit(1);
    }

    // A word inside a record: the end of the file there is a missing "]".
    std::string record_word() {
        std::string w;
        if (!word(w)) missing(']', false);
        return w;
    }

    bool ended_line() const { return ended_line_; }
    const std::string& name() const { return name_; }

private:
    FILE* f_;
    std::string name_;
    uint32_t line_ = 1, column_ = 1, word_line_ = 1, word_column_ = 1;
    bool ended_line_ = false;
};

struct block_state {
    dbg_sym* block = nullptr;
    uint32_t first = 0, last = 0;
    sclass pending_kind = sclass::block;
    dbg_sym* pending_function = nullptr;
    dbg_sym* last_child = nullptr;
    uint32_t numbers = 0;
    dbg_sym* stretch_faked = nullptr;
    std::vector<dbg_sym*> faked;
};

class sdb_reader {
public:
    sdb_reader(conv_context& ctx, sdb_stream& in) : ctx_(ctx), dbg_(ctx.dbg), in_(in) {}

    dbg_sym* read_block(sclass cls) {
        std::string w;
        if (!in_.word(w)) return nullptr;
        block_state st;
        st.block = dbg_.make(cls);
        st.block->first_line = dbg_.current_line;
        st.block->link_name = dbg_.current_file;
        st.block->has_link_name = dbg_.has_current_file;
        st.block->parent = dbg_.current_scope;
        st.block->position = static_cast<uint32_t>(dbg_.current_scope->children.size());
        dbg_.current_scope = st.block;
        st.first = st.last = dbg_.current_line;
        do {
            if (w == "}") break;
            word(st, w);
        } while (in_.word(w));
        st.block->first_line = st.first;
        st.block->last_line = st.last;
        for (dbg_sym* f : st.faked) f->last_line = dbg_.current_line;
        dbg_.current_scope = st.block->parent;
        return st.block;
    }

private:
    void note_line(block_state& st) {
        uint32_t l = dbg_.current_line;
        if (l < st.first || st.first == 0) st.first = l;
        if (l > st.last) st.last = l;
    }

    // A faked block holds the records of one stretch: up to the next line marker or "{".
    void end_stretch(block_state& st) {
        if (st.stretch_faked) dbg_.current_scope = st.block;
        st.stretch_faked = nullptr;
    }

    void word(block_state& st, const std::string& w) {
        if (w == "{") {
            // A nesting no compiler writes is taken as damage, not followed down the stack.
            if (depth_ >= 256) in_.syntax(w);
            end_stretch(st);
            sclass kind = st.pending_kind;
            ++depth_;
            dbg_sym* child = read_block(kind);
            --depth_;
            if (child) {
                dbg_.add_child(dbg_.current_scope, child);
                if (kind == sclass::func) {
                    child->function = st.pending_function;
                    st.numbers = 0;
                }
                st.last_child = child;
            }
            st.pending_kind = sclass::block;
            note_line(st);
        } else if (w[0] == '"') {
            dbg_.current_line = static_cast<uint32_t>(std::atoi(w.c_str() + 1));
            end_stretch(st);
            if (!in_.ended_line()) {
                std::string file = in_.rest_of_line();
                if (!dbg_.has_current_file || file != dbg_.current_file) {
                    dbg_.current_file = file;
                    dbg_.has_current_file = true;
                    st.first = st.last = dbg_.current_line;
                    dbg_sym* marker = dbg_.make(sclass::filename);
                    marker->name = file;
                    marker->line = dbg_.current_line;
                    dbg_.add_child(dbg_.current_scope, marker);
                }
            }
            note_line(st);
        } else if (w == "[v") {
            dbg_sym* s = variable(st);
            if (type_is_function(s->type)) {
                st.pending_function = s;
                st.pending_kind = sclass::func;
            }
        } else if (w == "[e") {
            enumeration();
        } else if (w == "[s" || w == "[u") {
            structure();
        } else if (w[0] == '[') {
            st.pending_kind = sclass::block;
        } else if (std::isdigit(static_cast<unsigned char>(w[0])) || w[0] == '-') {
            int32_t n = std::atoi(w.c_str());
            if (st.pending_function) {
                st.pending_function->size = n;
                st.pending_function = nullptr;
            }
            if (st.numbers < 4 && st.last_child) st.last_child->frame[st.numbers] = static_cast<uint32_t>(n);
            ++st.numbers;
        } else {
            in_.syntax(w);
        }
    }

    dbg_sym* variable(block_state& st) {
        std::string name = in_.record_word();
        dbg_type type = sdb_parse_type(ctx_, in_.record_word());
        std::string dim = in_.record_word();
        if (!dim.empty() && dim.back() == 'a')
            type.elems.push_back({elem_kind::array, static_cast<uint32_t>(std::atol(dim.c_str())), 0, nullptr});
        std::string storage = in_.record_word();
        sclass cls;
        switch (storage[0]) {
        case 'a': cls = sclass::auto_; break;
        case 'e': cls = sclass::extern_; break;
        case 'p': cls = sclass::param; break;
        case 'r': cls = sclass::reg; break;
        case 's': cls = sclass::static_; break;
        case 't': cls = sclass::typedef_; break;
        default: in_.bad_storage(storage);
        }
        int32_t size = static_cast<int32_t>(std::atol(in_.record_word().c_str()));
        int32_t value = 0;
        std::string link_name;
        bool has_link = false;
        if (cls != sclass::typedef_) {
            std::string loc = in_.record_word();
            const machine_desc* m = ctx_.machine.current;
            if ((cls == sclass::auto_ || cls == sclass::param) && mach_reg_lookup(m, loc)) {
                cls = sclass::reg;
                value = static_cast<int32_t>(mach_reg_lookup(m, loc));
            } else if (cls == sclass::reg) {
                value = static_cast<int32_t>(mach_reg_lookup(m, loc));
            } else if (cls == sclass::static_ && std::isalpha(static_cast<unsigned char>(loc[0]))) {
                // A local static: the record names it in C, the location is its assembler label.
                link_name = loc;
                has_link = true;
            } else {
                value = std::atoi(loc.c_str() + (loc[0] == '@' ? 1 : 0));
            }
        }
        if (in_.record_word()[0] != ']') in_.missing(']', true);

        dbg_sym* old = dbg_.lookup_tag(name);
        if (cls == sclass::reg || cls == sclass::auto_ || cls == sclass::param) {
            if (old && old->cls == cls && old->value == value && old->size == size) return old;
            if (old && ctx_.opt.fake_redefinitions && !st.stretch_faked) {
                dbg_sym* f = dbg_.make(sclass::block);
                f->flags |= DBG_FAKED;
                f->line = f->first_line = dbg_.current_line;
                f->link_name = dbg_.current_file;
                f->has_link_name = dbg_.has_current_file;
                f->parent = dbg_.current_scope;
                f->position = static_cast<uint32_t>(dbg_.current_scope->children.size());
                dbg_.add_child(dbg_.current_scope, f);
                dbg_.current_scope = f;
                st.stretch_faked = f;
                st.faked.push_back(f);
            }
        } else if ((cls == sclass::extern_ || cls == sclass::static_) && old && old->cls == cls &&
                   old->value == value && old->size <= size) {
            old->type = type;
            old->size = size;
            return old;
        }
        dbg_sym* s = dbg_.make(cls);
        s->name = name;
        s->line = dbg_.current_line;
        s->size = size;
        s->link_name = link_name;
        s->has_link_name = has_link;
        s->type = std::move(type);
        s->value = value;
        dbg_.add_child(dbg_.current_scope, s);
        return s;
    }

    dbg_sym* tag_record(sclass cls, const std::string& name) {
        dbg_sym* old = dbg_.lookup_tag(name);
        bool empty = old && (cls == sclass::enum_ ? old->constants.empty() : old->members.empty());
        if (old && old->cls == cls && empty) return old;
        dbg_sym* t = dbg_.make(cls);
        t->name = name;
        t->line = dbg_.current_line;
        dbg_.add_child(dbg_.current_scope, t);
        return t;
    }

    void enumeration() {
        dbg_sym* t = tag_record(sclass::enum_, in_.record_word());
        t->link_name = in_.record_word();
        t->has_link_name = true;
        for (std::string w = in_.record_word(); w[0] != ']'; w = in_.record_word()) {
            dbg_enum_const k;
            k.name = w;
            k.value = static_cast<int32_t>(std::atol(in_.record_word().c_str()));
            t->constants.push_back(k);
        }
    }

    void structure() {
        dbg_sym* t = tag_record(sclass::struct_, in_.record_word());
        std::string tag = in_.record_word();
        t->has_link_name = tag != ".";
        t->link_name = t->has_link_name ? tag : std::string();
        t->size = std::atoi(in_.record_word().c_str());
        std::vector<dbg_member> members;
        std::string w = in_.record_word();
        while (w[0] != ']') {
            dbg_member m;
            m.type = sdb_parse_type(ctx_, w);
            w = in_.record_word();
            if (std::isdigit(static_cast<unsigned char>(w[0]))) {
                if (w.back() == 'a')
                    m.type.elems.push_back({elem_kind::array, static_cast<uint32_t>(std::atol(w.c_str())), 0, nullptr});
                w = in_.record_word();
            }
            m.has_name = w != ".";
            if (m.has_name) m.name = w;
            m.size = std::atoi(in_.record_word().c_str());
            m.offset = std::atoi(in_.record_word().c_str());
            w = in_.record_word();
            if (w[0] == ':') {
                m.bit_width = std::atoi(w.c_str() + 1);
                size_t second = w.find(':', 1);
                m.bit_offset = second == std::string::npos ? 0 : std::atoi(w.c_str() + second + 1);
                w = in_.record_word();
            }
            members.push_back(std::move(m));
        }
        t->members = std::move(members);
    }

    conv_context& ctx_;
    debug_model& dbg_;
    sdb_stream& in_;
    uint32_t depth_ = 0;
};

dbg_type parse_type_at(conv_context& ctx, const std::string& s, size_t pos) {
    if (pos < s.size() && s[pos] == '`') ++pos;
    if (pos >= s.size()) {
        std::fprintf(stderr, "Encountered type string %s\n", s.c_str());
        return {};
    }
    char c = s[pos];
    if (c == '*' || c == '(') {
        dbg_type t = parse_type_at(ctx, s, pos + 1);
        if (!t.empty()) t.elems.push_back({c == '*' ? elem_kind::pointer : elem_kind::function, 0, 0, nullptr});
        return t;
    }
    if (c == '[') {
        size_t p = pos + 1;
        uint32_t n = 0;
        while (p < s.size() && std::isdigit(static_cast<unsigned char>(s[p]))) n = n * 10 + uint32_t(s[p++] - '0');
        if (p < s.size() && s[p] == ']') ++p;
        dbg_type t = parse_type_at(ctx, s, p);
        if (!t.empty()) t.elems.push_back({elem_kind::array, n, 0, nullptr});
        return t;
    }
    bool upper = std::isupper(static_cast<unsigned char>(c));
    bool tag_name = upper && pos + 1 < s.size() && std::isdigit(static_cast<unsigned char>(s[pos + 1]));
    if (upper && !tag_name) {
        dbg_type t = parse_type_at(ctx, s, pos + 1);
        int bit = qualifier_bit(ctx.machine.current, c);
        if (bit < 0) std::fprintf(stderr, "Unknown qualifier %c\n", c);
        if (t.empty() || bit < 0) return t;
        if (t.outer().kind != elem_kind::qualifiers) t.elems.push_back({elem_kind::qualifiers, 0, 0, nullptr});
        t.elems.back().value |= 1u << bit;
        return t;
    }
    if (!(c == '_' || std::islower(static_cast<unsigned char>(c)) || tag_name)) {
        std::fprintf(stderr, "Encountered type string %s\n", s.c_str());
        return {};
    }
    std::string name = s.substr(pos);
    debug_model& dbg = ctx.dbg;
    dbg_sym* found = dbg.lookup_visible(name);
    if (!found) {
        if (!upper || !dbg.current_scope) return {};
        found = dbg.make(c == 'E' ? sclass::enum_ : sclass::struct_);
        found->name = name;
        found->line = dbg.current_line;
        dbg.add_child(dbg.current_scope, found);
    }
    dbg_type t;
    if (found->cls == sclass::struct_) t.elems.push_back({elem_kind::struct_ref, 0, 0, found});
    else if (found->cls == sclass::enum_) t.elems.push_back({elem_kind::enum_ref, 0, 0, found});
    else t = found->type;
    return t;
}

}  // namespace

dbg_type sdb_parse_type(conv_context& ctx, const std::string& text) { return parse_type_at(ctx, text, 0); }

std::string sdb_file_name(const std::string& module_name) {
    size_t slash = module_name.find_last_of("/\\");
    size_t dot = module_name.rfind('.');
    if (dot == std::string::npos || (slash != std::string::npos && dot < slash)) return module_name + ".sdb";
    return module_name.substr(0, dot) + ".sdb";
}

dbg_sym* sdb_load(conv_context& ctx, const std::string& module_name) {
    std::string file = sdb_file_name(module_name);
    FILE* f = std::fopen(file.c_str(), "r");
    if (!f) return nullptr;
    sdb_stream in(f, file);
    std::string header;
    if (!in.header(header) || header.empty() || header == "\r") {
        std::fclose(f);
        return nullptr;
    }
    std::vector<std::string> words;
    const char* seps = " \t\r\n";
    for (size_t i = header.find_first_not_of(seps); i != std::string::npos; i = header.find_first_not_of(seps, i)) {
        size_t end = header.find_first_of(seps, i);
        if (end == std::string::npos) end = header.size();
        words.push_back(header.substr(i, end - i));
        i = end;
    }
    if (words.empty() || words[0] != "[p") {
        std::fclose(f);
        alert_message(630, file.c_str());
        std::exit(1);
    }
    size_t rest = header.find("[p") + 2;
    if (!mach_select(ctx.machine, ctx.dbg, header.substr(rest))) {
        std::fclose(f);
        return nullptr;
    }
    for (size_t i = 1; i < words.size() && words[i] != "]"; ++i)
        if (!mach_set_flag(ctx.machine.current, words[i])) alert_message(637, words[i].c_str(), file.c_str());

    ctx.dbg.current_file.clear();
    ctx.dbg.has_current_file = false;
    sdb_reader reader(ctx, in);
    dbg_sym* scope = reader.read_block(sclass::module);
    std::fclose(f);
    if (!scope) return nullptr;
    scope->name = module_name;
    ctx.dbg.current_line = 1;
    ctx.dbg.add_child(ctx.dbg.current_scope, scope);
    return scope;
}

}  // namespace conv
