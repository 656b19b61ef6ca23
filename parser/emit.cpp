// Writer of the intermediate code: markers, records, expressions and declarations.
#include "parser/emit.h"

#include <cstdarg>
#include <cstring>
#include <string>

#include "common/alert.h"
#include "parser/expr.h"
#include "icode/icode.h"
#include "parser/lexer.h"
#include "parser/options.h"
#include "parser/symbols.h"
#include "parser/types.h"

FILE* ic_out = nullptr;

namespace {
int32_t marker_line = 0;
std::string marker_file;

}  // namespace
FILE* ic_stream() { return ic_out ? ic_out : stdout; }
namespace {
FILE* out() { return ic_stream(); }

void put(const char* s) { std::fputs(s, out()); }

void write_class_letters(uint32_t mask) {
    for (int i = 0; i < qualifier_rows; ++i)
        if ((mask >> i) & 1)
            if (qualifier_table[i].letter) std::fputc(qualifier_table[i].letter, out());
}

void emit_names_record(sym_record* tag, char kind_letter, int number) {
    std::fprintf(out(), "[n %c%d %s ", kind_letter, number, *tag->name ? tag->name : ".");
    if (kind_letter == 'S') {
        for (sym_record* m = tag->link; m && m != tag; m = m->link) std::fprintf(out(), "%s ", *m->name ? m->name : ".");
    }
    put("]\n");
}

// The size form of "#" (a symbol not defined here is sized from its type and count).
void emit_sizeof(expr_node* n) {
    expr_node* operand = n->left;
    put("-> ");
    if (operand && operand->code == ic::OP_IDENT && operand->sym && !(operand->sym->flags & F_DEFINED)) {
        sym_record* s = operand->sym;
        put("* # ");
        type_desc element = s->type;
        fold_type(element);
        bool array = element.kind == K_ARRAY;
        expr_node* dim = array ? element.dim_tree : nullptr;
        if (array) element.kind = K_PLAIN;
        emit_type(element);
        put(" ");
        int32_t v = 0;
        if (!array) put("1");
        else if (!dim || (const_value(dim, v) && v == 0)) {
            alert_message(353, s->name);
            put("0");
        } else emit_expr(dim);
        put(" ");
        emit_type(n->type);
        return;
    }
    put("# ");
    emit_expr(operand);
    put(" ");
    emit_type(n->type);
}

void emit_call(expr_node* n) {
    put("( ");
    emit_expr(n->left);
    type_desc callee = n->left->type;
    fold_type(callee);
    const type_desc* f = is_function(callee) ? &skip_transparent(callee) : pointed_function(callee);
    int count = f ? call_count(*f) : 0;
    if (count) std::fprintf(out(), " (%d", count > 4 ? 4 : count);
    put(" ");
    emit_expr(n->right);
}
}  // namespace

void emit_reset() {
    marker_line = 0;
    marker_file.clear();
}

void emit_banner() { std::fprintf(out(), ic::banner_format, ic::version_major, ic::version_minor); }

void emit_ic_line_marker() {
    bool file_differs = marker_file != lex_file;
    if (!file_differs && marker_line == lex_line) return;
    std::fprintf(out(), "\"%d", static_cast<int>(lex_line));
    if (file_differs) std::fprintf(out(), " %s", lex_file);
    put("\n");
    marker_line = lex_line;
    marker_file = lex_file;
}

int32_t emit_last_marker_line() { return marker_line; }

void emit_expr(expr_node* n) {
    if (!n) {
        put("1");
        return;
    }
    switch (n->code) {
    case ic::OP_IDENT:
        if (n->sym && n->sym->kind == S_ENUM_CONST) {
            std::fprintf(out(), ". `E%u %u", n->sym->owner ? static_cast<unsigned>(n->sym->owner->seq) : 0u,
                         static_cast<unsigned>(n->sym->index));
        } else if (n->sym) {
            emit_sym_name(n->sym);
        }
        return;
    case ic::OP_ICONST:
        if (skip_transparent(n->type).code == ic::T_VOID && !n->type.indirection) {
            std::fprintf(out(), "%d", static_cast<int>(n->value));
        } else {
            std::fprintf(out(), "-> %d ", static_cast<int>(n->value));
            emit_type(n->type);
        }
        return;
    case ic::OP_STRING:
        mark_string_referenced(n->value);
        std::fprintf(out(), ":s %d", static_cast<int>(n->value));
        {
            type_desc t = n->type;
            fold_type(t);
            write_class_letters(t.classes);
        }
        return;
    case ic::OP_FCONST:
        put(ic::float_const_token(n->text, n->type.code == ic::T_FLOAT && n->type.indirection == 0).c_str());
        return;
    case ic::OP_TYPE: emit_type(n->type); return;
    case ic::OP_MEMBER: std::fprintf(out(), "%d", static_cast<int>(n->value)); return;
    case ic::OP_LISTEND: put(".."); return;
    case ic::OP_SIZEOF: emit_sizeof(n); return;
    case ic::OP_CALL: emit_call(n); return;
    default: break;
    }
    put(ic::op_spelling(n->code));
    put(" ");
    emit_expr(n->left);
    if (ic::op_arity(n->code) == 2) {
        put(" ");
        emit_expr(n->right);
    }
}

void emit_block_mark(int token_code) {
    if (token_code == TK_LBRACE || token_code == TK_RBRACE) emit_ic_line_marker();
    put(token_code == TK_LBRACE ? "{\n" : token_code == TK_RBRACE ? "}\n" : "\n");
}

void emit_label(int number) {
    emit_ic_line_marker();
    std::fprintf(out(), "[e :U %d ]\n", number);
}

void emit_exit_label(int number) {
    flush_source_comments();
    emit_ic_line_marker();
    std::fprintf(out(), "[e :UE %d ]\n", number);
}

void emit_entry_label(sym_record* function) {
    emit_ic_line_marker();
    put("[e :U ");
    emit_sym_name(function);
    put(" ]\n");
}

void emit_body_start() {
    emit_ic_line_marker();
    put("[f ]\n");
}

void emit_expr_stmt(expr_node* n) {
    if (!n) return;
    while (n->code == ic::OP_CONV) n = n->left;
    flush_source_comments();
    emit_declare_tree(n);
    emit_ic_line_marker();
    put("[e ");
    emit_expr(n);
    put(" ]\n");
}

void emit_switch(expr_node* expression, const switch_case* cases, int count, int default_label) {
    flush_source_comments();
    emit_declare_tree(expression);
    emit_ic_line_marker();
    put("[e [\\ ");
    emit_expr(expression);
    for (int i = 0; i < count; ++i) {
        put(" , $ ");
        emit_expr(cases[i].value);
        std::fprintf(out(), " %d\n", cases[i].label);
    }
    std::fprintf(out(), " %d ]\n", default_label);
}

void emit_asm_line(const char* text) {
    flush_source_comments();
    emit_ic_line_marker();
    std::fprintf(out(), "[; %s ;#\n", text);
}

void emit_source_comment(const char* prefix, const char* text) {
    size_t limit = 251 > std::strlen(prefix) ? 251 - std::strlen(prefix) : 0;
    std::fprintf(out(), "[; %s", prefix);
    if (std::strlen(text) > limit) {
        std::fwrite(text, 1, limit, out());
        put("...\n");
    } else {
        put(text);
        if (!*text || text[std::strlen(text) - 1] != '\n') put("\n");
    }
}

namespace {
void vpragma(bool marked, const char* format, va_list args) {
    if (marked) emit_ic_line_marker();
    put("[p ");
    std::vfprintf(out(), format, args);
    put(" ]\n");
}
}  // namespace

void emit_pragma(const char* format, ...) {
    va_list args;
    va_start(args, format);
    vpragma(true, format, args);
    va_end(args);
}

void emit_pragma_unmarked(const char* format, ...) {
    va_list args;
    va_start(args, format);
    vpragma(false, format, args);
    va_end(args);
}

void emit_declare_type(const type_desc& t0) {
    const type_desc* t = &t0;
    for (;;) {
        if (t->kind == K_FUNCTION && t->params)
            for (const type_desc& p : t->params->items) emit_declare_type(p);
        if (t->kind == K_ARRAY && t->dim_tree) emit_declare_tree(t->dim_tree);
        if (t->code != ic::T_DERIVED || !t->base) return;
        sym_record* b = t->base;
        if (b->type.kind == K_ARRAY || (b->flags & (F_PROTOTYPED | F_VARIADIC))) {
            if (!(b->flags & F_EMITTED)) emit_var(b);
            return;
        }
        t = &b->type;
    }
}

void emit_declare_tree(expr_node* n) {
    for (; n; n = n->left) {
        emit_declare_type(n->type);
        if (n->code == ic::OP_IDENT) {
            if (n->sym && n->sym->kind != S_ENUM_CONST && n->sym->kind != S_MEMBER && !(n->sym->flags & F_EMITTED) &&
                n->sym->kind != S_NONE)
                emit_var(n->sym);
            return;
        }
        if (n->code == ic::OP_ICONST || n->code == ic::OP_STRING || n->code == ic::OP_FCONST ||
            n->code == ic::OP_MEMBER || n->code == ic::OP_TYPE || n->code == ic::OP_LISTEND)
            return;
        if (ic::op_arity(n->code) == 2 || n->code == ic::OP_CALL) emit_declare_tree(n->right);
    }
}

void emit_var_after(sym_record* s, void (*body)(sym_record*)) {
    // Whatever its type refers to is declared first, in place; the record itself waits.
    emit_declare_type(s->type);
    FILE* held = std::tmpfile();
    if (!held) {
        emit_var(s);
        body(s);
        return;
    }
    FILE* saved = ic_out;
    ic_out = held;
    s->flags |= F_EMITTED;
    body(s);
    ic_out = saved;
    s->flags &= ~F_EMITTED;
    // The code that followed the marker written inside goes after a marker of its own.
    marker_line = 0;
    emit_var(s);
    std::rewind(held);
    char chunk[4096];
    for (size_t n; (n = std::fread(chunk, 1, sizeof chunk, held)) > 0;) std::fwrite(chunk, 1, n, ic_stream());
    // A scratch file cut short (a full disk) would drop initialisers without a word.
    if (std::ferror(held)) alert_message(413, "scratch file");
    std::fclose(held);
}

void emit_var(sym_record* s) {
    if (s->flags & F_EMITTED) return;
    s->flags |= F_EMITTED;
    emit_declare_type(s->type);
    const type_desc& st = skip_transparent(s->type);
    bool array = st.kind == K_ARRAY;
    if (s->flags & F_DEFINED && array && st.dim_tree) emit_declare_tree(st.dim_tree);
    emit_ic_line_marker();
    put("[v ");
    emit_sym_name(s);
    put(" ");
    emit_type(s->type);
    put(" ");
    if (s->flags & F_DEFINED) {
        if (array && st.dim_tree) emit_expr(st.dim_tree);
        else put("1");
    } else {
        put(array ? "-> 0 `x" : "0");
    }
    put(" ");
    char c;
    if (s->kind == S_PARAM) c = (s->flags & F_VARIADIC) ? 'r' : 'p';
    else if (s->kind == S_AUTO) c = 'a';
    else if (s->kind == S_STATIC) c = 's';
    else if (s->kind == S_TYPEDEF) c = 't';
    else c = 'e';
    if (s->flags & F_REGISTER) c = static_cast<char>(c - 'a' + 'A');
    std::fputc(c, out());
    if (s->kind == S_PARAM && (s->flags & F_VARIADIC)) std::fprintf(out(), "%u", static_cast<unsigned>(s->index));
    bool function = st.kind == K_FUNCTION;
    if (function) {
        if (s->flags & F_PROTOTYPED) put("f");
        int count = call_count(st);
        if (count) std::fprintf(out(), "%d", count);
        if (s->flags & F_VARIADIC) put("v");
    }
    if (s->flags & F_ABSOLUTE) std::fprintf(out(), "@%lu", static_cast<unsigned long>(s->width_or_address));
    if (function && st.params && !is_void_list(st.params))
        for (const type_desc& p : st.params->items)
            if (p.code != ic::T_ELLIPSIS || p.indirection || p.kind) emit_type(p);
    if (opt.names_records && (s->flags & F_NUMBERED) && *s->name) std::fprintf(out(), " %s", s->name);
    put(" ]\n");
    if (s->flags & F_INLINE) emit_pragma("i _%s", s->name);
}

void emit_struct(sym_record* tag) {
    for (sym_record* m = tag->link; m && m != tag; m = m->link) emit_declare_type(m->type);
    emit_ic_line_marker();
    std::fprintf(out(), "[%c S%u", tag->kind == S_UNION ? 'u' : 's', static_cast<unsigned>(tag->number));
    for (sym_record* m = tag->link; m && m != tag; m = m->link) {
        if (m->flags & F_BITFIELD) std::fprintf(out(), " :%u", static_cast<unsigned>(m->width_or_address));
        put(" ");
        emit_type(m->type);
        put(" ");
        expr_node* dim = array_dim_tree(m->type);
        if (is_array(m->type) && dim) emit_expr(dim);
        else put("1");
    }
    put(" ]\n");
    if (opt.names_records) emit_names_record(tag, 'S', tag->number);
}

void emit_enum_open(sym_record* tag) {
    emit_ic_line_marker();
    std::fprintf(out(), "[c E%u\n", static_cast<unsigned>(tag->seq));
}

void emit_enum_value(int32_t value) {
    emit_ic_line_marker();
    std::fprintf(out(), "%d\n", static_cast<int>(value));
}

void emit_enum_close(sym_record* tag, const std::string& names) {
    put(".. ]\n");
    if (opt.names_records)
        std::fprintf(out(), "[n E%u %s %s]\n", static_cast<unsigned>(tag->seq), *tag->name ? tag->name : ".",
                     names.c_str());
}

void emit_init_open(sym_record* sym) {
    emit_declare_type(sym->type);
    emit_ic_line_marker();
    put("[i ");
    emit_sym_name(sym);
    put("\n");
}

void emit_init_item(expr_node* node) {
    emit_declare_tree(node);
    emit_ic_line_marker();
    emit_expr(node);
    put("\n");
}

void emit_init_text(const char* text) {
    put(text);
    put("\n");
}

void emit_init_close() { put("]\n"); }
