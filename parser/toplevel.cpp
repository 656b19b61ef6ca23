// Top level: external declarations, function definitions, and initialisers of objects.
#include <cstring>

#include "common/alert.h"
#include "parser/decl.h"
#include "parser/emit.h"
#include "parser/expr.h"
#include "parser/lexer.h"
#include "parser/options.h"
#include "parser/symbols.h"

namespace {

type_desc element_type(const type_desc& array) {
    type_desc t = array;
    fold_type(t);
    t.kind = K_PLAIN;
    t.dim_tree = nullptr;
    t.dim = 0;
    fold_type(t);
    return t;
}

bool is_char_type(const type_desc& t) { return is_plain(t, ic::T_CHAR) || is_plain(t, ic::T_CHAR + 1); }

// Writes one initialised element: an item line, or with a target an assignment.
void put_element(expr_node* target, expr_node* value) {
    if (!value) return;
    if (target) {
        emit_expr_stmt(make_node(ic::OP_ASSIGN, target, value));
    } else {
        emit_init_item(value);
        release_tree(value);
    }
}

// target[index], built as a subscript is: the array decays to a pointer to its element type,
// which keeps a row of an array of arrays its own size in the scaling.
expr_node* element_target(expr_node* target, int32_t index) {
    if (!target) return nullptr;
    expr_node* sum = make_node(ic::OP_ADD, copy_tree(target), int_const(index, ic::T_INT + 1));
    return make_node(ic::OP_DEREF, sum, nullptr);
}

expr_node* member_target(expr_node* target, sym_record* member) {
    if (!target) return nullptr;
    expr_node* leaf = new_node(ic::OP_MEMBER);
    leaf->value = member->index;
    leaf->type = member->type;
    expr_node* dot = new_node(ic::OP_DOT);
    dot->left = copy_tree(target);
    dot->right = leaf;
    dot->type = member->type;
    return dot;
}

int parse_initialiser(const type_desc& t, expr_node* target, bool top);

// An object assigned in place gets a zero in every element and member its initialiser leaves
// out, as a static one does: `int a[4] = {1};` sets a[1] to a[3] too.
void zero_fill(const type_desc& t, expr_node* target) {
    const type_desc& st = skip_transparent(t);
    if (st.kind == K_ARRAY) {
        type_desc folded = t;
        fold_type(folded);
        int32_t dim = 0;
        if (!folded.dim_tree || !const_value(folded.dim_tree, dim)) return;
        type_desc element = element_type(folded);
        for (int32_t i = 0; i < dim; ++i) {
            expr_node* at = element_target(target, i);
            zero_fill(element, at);
            release_tree(at);
        }
        return;
    }
    if (st.kind == K_PLAIN && !st.indirection && (st.code == ic::T_STRUCT || st.code == ic::T_UNION)) {
        sym_record* tag = st.base;
        if (!tag || !(tag->flags & F_DEFINED)) return;
        for (sym_record* m = tag->link; m && m != tag; m = m->link) {
            if (m->flags & F_ANON) continue;
            expr_node* at = member_target(target, m);
            zero_fill(m->type, at);
            release_tree(at);
            if (st.code == ic::T_UNION) break;
        }
        return;
    }
    if (is_scalar(t)) put_element(copy_tree(target), assign_convert(int_const(0, ic::T_INT), t, false));
}

int initialise_string(const type_desc& t, expr_node* target, int32_t dim) {
    std::string bytes = tok.text;
    if (dim > 0 && static_cast<int32_t>(bytes.size()) > dim) alert_message(240);
    int32_t count = 0;
    auto put_byte = [&](int value) {
        if (target) {
            put_element(element_target(target, count),
                        int_const(value, skip_transparent(element_type(t)).code));
        } else {
            char line[32];
            std::snprintf(line, sizeof line, "-> %d `c", value);
            emit_init_text(line);
        }
        ++count;
    };
    for (size_t i = 0; i < bytes.size() && (dim <= 0 || static_cast<int32_t>(i) < dim); ++i)
        put_byte(static_cast<signed char>(bytes[i]));
    if (dim <= 0 || static_cast<int32_t>(bytes.size()) < dim) put_byte(0);
    else if (static_cast<int32_t>(bytes.size()) == dim) alert_message(340);
    while (target && count < dim) put_byte(0);
    return count;
}

int initialise_array(const type_desc& t, expr_node* target) {
    type_desc st = t;
    fold_type(st);
    type_desc element = element_type(st);
    if (!target) emit_init_text(ic::level_open_item);
    bool brace = next_token() == TK_LBRACE;
    if (!brace) push_back_token();
    int32_t dim = 0;
    bool known = st.dim_tree && const_value(st.dim_tree, dim);
    int count = 0;
    if (is_char_type(element) && peek_token() == TK_STRING) {
        next_token();
        count = initialise_string(st, target, known ? dim : 0);
    } else {
        if (!brace && !known) {
            alert_message(315);
            return -1;
        }
        if (brace && !known) dim = st.dim_tree ? 32000 : 0;
        bool named = element.code == ic::T_DERIVED;
        for (;;) {
            if (brace && peek_token() == TK_RBRACE) break;
            if (dim > 0 && count >= dim) {
                if (!brace) break;
                alert_message(240);
                return -1;
            }
            int r = parse_initialiser(element, element_target(target, count), named);
            if (r < 0) return -1;
            ++count;
            if (next_token() != TK_COMMA) {
                push_back_token();
                break;
            }
            if (!brace && dim > 0 && count >= dim) {
                push_back_token();
                break;
            }
        }
    }
    if (brace && next_token() != TK_RBRACE) {
        alert_message(316);
        push_back_token();
    }
    if (!target) emit_init_text(ic::level_close_item);
    for (int32_t i = count; target && known && i < dim; ++i) {
        expr_node* at = element_target(target, i);
        zero_fill(element, at);
        release_tree(at);
    }
    return count;
}

int initialise_struct(const type_desc& t, expr_node* target, bool top) {
    const type_desc& st = skip_transparent(t);
    sym_record* tag = st.base;
    if (!tag || !(tag->flags & F_DEFINED)) {
        alert_message(198, tag ? tag->name : "");
        return -1;
    }
    int levels = target ? 0 : (top ? 2 : 1);
    for (int i = 0; i < levels; ++i) emit_init_text(ic::level_open_item);
    bool brace = next_token() == TK_LBRACE;
    if (!brace) push_back_token();
    bool first = true;
    sym_record* m = tag->link;
    for (; m && m != tag; m = m->link) {
        if (m->flags & F_ANON) {
            if (!target) put_element(nullptr, convert(int_const(0, ic::T_INT), m->type));
            continue;
        }
        if (!first) {
            if (next_token() != TK_COMMA) {
                push_back_token();
                break;
            }
            if (brace && peek_token() == TK_RBRACE) break;
        }
        first = false;
        if (parse_initialiser(m->type, member_target(target, m), true) < 0) return -1;
        if (st.code == ic::T_UNION) break;
    }
    // m is the first member the list left out.
    for (; target && st.code != ic::T_UNION && m && m != tag; m = m->link) {
        if (m->flags & F_ANON) continue;
        expr_node* at = member_target(target, m);
        zero_fill(m->type, at);
        release_tree(at);
    }
    if (brace) {
        if (next_token() != TK_COMMA) push_back_token();
        if (next_token() != TK_RBRACE) {
            alert_message(316);
            push_back_token();
        }
    }
    for (int i = 0; i < levels; ++i) emit_init_text(ic::level_close_item);
    return 1;
}

// initialiser: assignment-expression | "{" initialiser-list [","] "}"
int parse_initialiser(const type_desc& t, expr_node* target, bool top) {
    const type_desc& st = skip_transparent(t);
    if (st.kind == K_ARRAY) return initialise_array(t, target);
    if (st.kind == K_PLAIN && !st.indirection && (st.code == ic::T_STRUCT || st.code == ic::T_UNION))
        return initialise_struct(t, target, top);
    if (!is_scalar(t)) {
        alert_message(238);
        return -1;
    }
    bool brace = next_token() == TK_LBRACE;
    if (!brace) push_back_token();
    expr_node* e = parse_expression_in(CX_ARGUMENT);
    if (!e) return -1;
    put_element(target, assign_convert(e, t, false));
    if (brace && next_token() != TK_RBRACE) {
        alert_message(316);
        push_back_token();
    }
    return 1;
}

// Skips the rest of an initialiser that could not be read, up to the ";" that ends the declaration.
void skip_initialiser() {
    for (;;) {
        int c = next_token();
        if (c == TK_EOF || c == TK_SEMI) {
            push_back_token();
            return;
        }
    }
}

}  // namespace

void initialise_object(sym_record* s) {
    const type_desc& st = skip_transparent(s->type);
    if (s->type.classes & Q_PERSISTENT || st.classes & Q_PERSISTENT) {
        alert_message(1081, s->name);
        release_tree(parse_expression_in(CX_ARGUMENT));
        return;
    }
    bool automatic = s->kind == S_AUTO;
    bool aggregate = !is_scalar(s->type);
    bool is_const = (st.classes & Q_CONST) != 0 || is_const_object(s->type);
    if (automatic || aggregate || is_const) {
        // An array of pointers too: its initial-value record would describe static data, which
        // the automatic object, living in its function's frame, never receives.
        bool in_place = opt.static_const_autos && automatic && !is_const;
        int r;
        if (in_place) {
            expr_node* target = sym_leaf(s);
            r = parse_initialiser(s->type, target, true);
            release_tree(target);
        } else {
            emit_init_open(s);
            r = parse_initialiser(s->type, nullptr, true);
        }
        if (r < 0) {
            alert_message(241);
            skip_initialiser();
        } else if (st.kind == K_ARRAY && (!st.dim_tree || (st.dim == 0))) {
            type_desc& own = s->type;
            fold_type(own);
            if (own.kind == K_ARRAY) {
                own.dim = r;
                own.dim_tree = int_const(r, ic::T_INT + 1);
            }
        }
        if (!in_place) emit_init_close();
        return;
    }
    bool brace = next_token() == TK_LBRACE;
    if (!brace) push_back_token();
    expr_node* e = parse_expression_in(CX_ARGUMENT);
    if (e && !is_null_constant(e)) {
        emit_init_open(s);
        emit_init_item(assign_convert(e, s->type, false));
        emit_init_close();
    }
    release_tree(e);
    if (brace && next_token() != TK_RBRACE) {
        alert_message(316);
        push_back_token();
    }
}

void parse_program() {
    for (;;) {
        int code = next_token();
        if (code == TK_EOF) {
            if (opt.func_flags) write_func_flags();
            report_scope_symbols(0);
            return;
        }
        if (code == TK_ASM) {
            parse_asm_statement(true);
        } else if (code == TK_SEMI) {
            continue;
        } else {
            push_back_token();
            parse_external_declaration();
        }
        flush_source_comments();
    }
}

namespace {
void read_absolute_address(sym_record* sym) {
    expr_node* e = parse_expression_in(CX_ARGUMENT);
    int32_t v;
    if (e && const_value(e, v)) sym->width_or_address = static_cast<uint32_t>(v);
    else alert_message(236);
    release_tree(e);
    sym->flags |= F_ABSOLUTE;
}

bool return_needs_no_value(const type_desc& f) {
    type_desc r = f;
    fold_type(r);
    r.kind = K_PLAIN;
    r.params = nullptr;
    if (r.code == ic::T_DERIVED && !r.indirection) return true;
    fold_type(r);
    return !r.indirection && (r.code == ic::T_VOID || r.code == ic::T_INT);
}
}  // namespace

// external-declaration: specifiers (declarator [= initialiser | @ address] ,)* ; | function-definition
void parse_external_declaration() {
    decl_spec spec;
    bool any = parse_specifiers(spec, DC_FILE);
    if (next_token() == TK_SEMI) return;
    push_back_token();
    if (!any && peek_token() != TK_IDENT && peek_token() != TK_STAR && peek_token() != TK_LPAREN) {
        alert_message(195);
        next_token();   // the stray token goes; reading resumes after it
        return;
    }
    bool first = true;
    for (;;) {
        sym_record* sym = declare_declarator(spec, DC_FILE, true);
        sym_record* params = declarator_params;
        bool untyped = declarator_untyped_names;
        int code = next_token();
        bool function = sym && is_function(sym->type);
        if (sym && first && function && code != TK_COMMA && code != TK_SEMI && code != TK_ASSIGN &&
            spec.storage != TK_TYPEDEF) {
            type_desc ret = skip_transparent(sym->type);
            ret.kind = K_PLAIN;
            ret.params = nullptr;
            const type_desc& rs = skip_transparent(ret);
            if (!rs.indirection && (rs.code == ic::T_STRUCT || rs.code == ic::T_UNION) &&
                !(rs.base && (rs.base->flags & F_DEFINED)))
                alert_message(198, rs.base ? rs.base->name : "");
            if (code == TK_AT) read_absolute_address(sym);
            else push_back_token();
            if (xref_define(sym) && !(sym->flags & F_ABSOLUTE)) alert_message(237, sym->name);
            sym->flags |= F_DEFINED;
            // A call before the definition wrote only a declaration; the code generator opens
            // the function from its defining record.
            sym->flags &= ~F_EMITTED;
            emit_var(sym);
            parse_function_body(sym, params, return_needs_no_value(sym->type));
            return;
        }
        if (!sym) {
            close_level(1);
        } else if (function && code != TK_ASSIGN) {
            if (untyped) alert_message(313);
            if (sym->kind != S_EXTERN) emit_var(sym);
            close_level(1);
        } else if (code == TK_ASSIGN) {
            close_level(1);
            if (spec.storage == TK_EXTERN && !spec.storage_given) alert_message(339);
            if (spec.storage == TK_TYPEDEF || function) alert_message(238);
            if (sym->flags & F_INITIALISED) alert_message(239, sym->name, static_cast<unsigned>(sym->line));
            sym->flags |= F_INITIALISED;
            if (!(sym->flags & F_DEFINED)) {
                xref_define(sym);
                emit_var(sym);
            }
            initialise_object(sym);
            code = next_token();
        } else if (code == TK_AT) {
            close_level(1);
            read_absolute_address(sym);
            bool was_defined = sym->flags & F_DEFINED;
            xref_define(sym);
            if (!was_defined) emit_var(sym);
            code = next_token();
        } else {
            close_level(1);
            if (!(sym->flags & F_DEFINED)) {
                if (spec.storage_given) {
                    xref_define(sym);
                    emit_var(sym);
                } else {
                    emit_declare_type(sym->type);
                }
            }
        }
        first = false;
        if (code == TK_IDENT || code == TK_STAR) {
            alert_message(372);
            push_back_token();
            continue;
        }
        if (code == TK_COMMA) continue;
        if (code != TK_SEMI) {
            alert_message(314);
            push_back_token();
            for (;;) {
                int c = next_token();
                if (c == TK_SEMI || c == TK_EOF) break;
                if (c == TK_RBRACE || c == TK_LBRACE) {
                    if (c == TK_LBRACE) push_back_token();
                    break;
                }
            }
            if (tok.code == TK_EOF) push_back_token();
            if (tok.code == TK_LBRACE) {
                // A body after a broken head: read it away as a block so its statements do not
                // turn into declarations.
                next_token();
                int depth = 1;
                while (depth > 0) {
                    int c = next_token();
                    if (c == TK_EOF) {
                        push_back_token();
                        break;
                    }
                    if (c == TK_LBRACE) ++depth;
                    if (c == TK_RBRACE) --depth;
                }
            }
        }
        return;
    }
}
