// Statements and function bodies, lowered to numbered labels and jumps.
#include <cstring>
#include <vector>

#include "common/alert.h"
#include "parser/decl.h"
#include "parser/emit.h"
#include "parser/expr.h"
#include "parser/lexer.h"
#include "parser/options.h"
#include "parser/sidefiles.h"
#include "parser/symbols.h"

namespace {

bool unreachable = false;
bool no_value_needed = false;
bool stop_body = false;
int return_label = 0;
int body_level = 0;

struct switch_context {
    expr_node* expression;
    std::vector<switch_case> cases;
    int default_label = 0;
};

// Trees held across statements (for clauses, switch cases) stay visible to the recycling.
std::vector<expr_node*> held_trees;
std::vector<switch_context*> open_switches;

switch_context* innermost_switch() { return open_switches.empty() ? nullptr : open_switches.back(); }

void hold(expr_node* n) {
    if (n) held_trees.push_back(n);
}
void unhold(expr_node* n) {
    for (size_t i = held_trees.size(); i-- > 0;)
        if (held_trees[i] == n) {
            held_trees.erase(held_trees.begin() + static_cast<long>(i));
            return;
        }
}

void emit_jump(int label) {
    expr_node* n = new_node(ic::OP_GOTO);
    n->left = int_const(label, ic::T_VOID);
    emit_expr_stmt(n);
    release_tree(n);
}

void emit_exit_jump() {
    expr_node* n = new_node(ic::OP_EXITJUMP);
    n->left = int_const(return_label, ic::T_VOID);
    emit_expr_stmt(n);
    release_tree(n);
}

void emit_cond_jump(int label, expr_node* condition, bool when_true) {
    if (!condition) return;
    expr_node* c = condition;
    if (!when_true) c = make_node(ic::OP_NOT, c, nullptr);
    else c = make_node(124, c, int_const(label, ic::T_VOID));
    if (!when_true) c = make_node(124, c, int_const(label, ic::T_VOID));
    emit_expr_stmt(c);
    release_tree(c);
}

// Writes records with the marker of `line`, where their source text was read (loop headers).
template <typename F> void at_line(int32_t line, F write) {
    int32_t saved = lex_line;
    lex_line = line;
    write();
    lex_line = saved;
}

void require_semicolon() {
    if (next_token() != TK_SEMI) {
        alert_message(314);
        push_back_token();
    }
}

bool expect_token(int code, int message) {
    if (next_token() == code) return true;
    switch (message) {
    case 317: alert_message(317); break;
    case 320: alert_message(320); break;
    default: alert_message(194); break;
    }
    push_back_token();
    return false;
}

expr_node* parenthesised_expression() {
    expect_token(TK_LPAREN, 317);
    expr_node* e = parse_expression();
    expect_token(TK_RPAREN, 194);
    return e;
}

bool parse_statement(int continue_label, int break_label, switch_context* sw, bool* break_seen);

void parse_break_continue(int label) {
    if (!label) alert_message(243);
    else {
        emit_jump(label);
        unreachable = true;
    }
    require_semicolon();
}

bool parse_block(int continue_label, int break_label, switch_context* sw, bool* break_seen) {
    ++block_level;
    bool scoped = false;
    if (starts_declaration(peek_token())) {
        --block_level;
        open_scope();
        scoped = true;
        parse_local_declarations(DC_BLOCK);
    }
    bool result = false;
    for (;;) {
        int c = next_token();
        if (c == TK_RBRACE) break;
        if (c == TK_EOF) {
            alert_message(300);
            break;
        }
        push_back_token();
        result |= parse_statement(continue_label, break_label, sw, break_seen);
        if (stop_body) break;
    }
    if (scoped) close_scope();
    else --block_level;
    return result;
}

bool local_compare(expr_node* c) {
    if (!c || c->code < ic::OP_LT || c->code > ic::OP_NE) return false;
    expr_node* l = c->left;
    while (l && l->code == ic::OP_CONV) l = l->left;
    expr_node* r = c->right;
    while (r && r->code == ic::OP_CONV) r = r->left;
    return l && l->code == ic::OP_IDENT && l->sym && l->sym->kind != S_EXTERN && l->sym->kind != S_STATIC &&
           r && r->code == ic::OP_ICONST;
}

bool parse_for() {
    expect_token(TK_LPAREN, 317);
    int32_t saved_line = lex_line;
    if (next_token() != TK_SEMI) {
        push_back_token();
        expr_node* init = parse_expression();
        emit_expr_stmt(init);
        release_tree(init);
        require_semicolon();
    }
    expr_node* condition = nullptr;
    int32_t condition_line = lex_line;
    if (next_token() != TK_SEMI) {
        push_back_token();
        condition_line = lex_line;
        condition = parse_expression();
        require_semicolon();
    }
    expr_node* step = nullptr;
    int32_t step_line = lex_line;
    if (next_token() != TK_RPAREN) {
        push_back_token();
        step_line = lex_line;
        step = parse_expression();
        expect_token(TK_RPAREN, 194);
    }
    (void)saved_line;
    hold(condition);
    hold(step);
    int top = new_label_number(), exit_label = new_label_number(), cont = new_label_number();
    int test = 0;
    if (condition && local_compare(condition)) {
        emit_cond_jump(top, copy_tree(condition), true);
        emit_jump(exit_label);
    } else if (condition) {
        test = new_label_number();
        emit_jump(test);
    }
    emit_label(top);
    unreachable = false;
    bool broke = false;
    bool used_continue = parse_statement(cont, exit_label, nullptr, &broke);
    if (used_continue) emit_label(cont);
    if (step) at_line(step_line, [&] { emit_expr_stmt(step); });
    unhold(condition);
    unhold(step);
    release_tree(step);
    at_line(condition_line, [&] {
        if (test) emit_label(test);
        if (condition) emit_cond_jump(top, condition, true);
        else emit_jump(top);
    });
    emit_label(exit_label);
    unreachable = !condition && !broke;
    return false;
}

bool parse_switch(int continue_label) {
    int32_t header_line = lex_line;
    expr_node* e = parenthesised_expression();
    if (e && !is_integral_or_enum(e->type)) alert_message(242);
    int exit_label = new_label_number(), test = new_label_number();
    emit_jump(test);
    unreachable = true;
    switch_context sw;
    sw.expression = e;
    hold(e);
    open_switches.push_back(&sw);
    bool broke = false;
    bool result = parse_statement(continue_label, exit_label, &sw, &broke);
    bool end_unreachable = unreachable;
    open_switches.pop_back();
    unhold(e);
    if (!sw.default_label) {
        sw.default_label = exit_label;
        broke = true;
    }
    emit_jump(exit_label);
    at_line(header_line, [&] {
        emit_label(test);
        if (e) emit_switch(e, sw.cases.data(), static_cast<int>(sw.cases.size()), sw.default_label);
    });
    for (auto& c : sw.cases) release_tree(c.value);
    release_tree(e);
    emit_label(exit_label);
    unreachable = !broke && end_unreachable;
    return result;
}

// statement: block | expression ";" | if | while | do | for | switch | case | default | break
//          | continue | return | goto | label ":" statement | asm | ";"
bool parse_statement(int continue_label, int break_label, switch_context* sw, bool* break_seen) {
    static int statement_level = 0;
    nesting_guard guard(statement_level);
    if (guard.too_deep()) alert_message(297);
    int c = next_token();
    if (unreachable) {
        if (c == TK_CASE || c == TK_DEFAULT || (c == TK_IDENT && peek_char() == ':')) {
            unreachable = false;
        } else if (c != TK_SEMI && c != TK_LBRACE) {
            alert_message(345);
            unreachable = false;
        }
    }
    switch (c) {
    case TK_LBRACE: return parse_block(continue_label, break_label, sw, break_seen);
    case TK_SEMI: return false;
    case TK_ASM: parse_asm_statement(false); return false;
    case TK_BREAK:
        if (break_seen) *break_seen = true;
        parse_break_continue(break_label);
        return false;
    case TK_CONTINUE: parse_break_continue(continue_label); return true;
    case TK_CASE: {
        // A label belongs to the innermost open switch, whatever loops lie between
        // (Duff's device); sw is only the switch whose body this statement is directly in.
        switch_context* target = innermost_switch();
        bool result = false;
        while (c == TK_CASE) {
            expr_node* v = parse_constant_expression(CX_CASE, nullptr);
            expect_token(TK_COLON, 320);
            int label = new_label_number();
            emit_label(label);
            if (!target) {
                alert_message(246);
                release_tree(v);
            } else {
                if (target->cases.size() >= 511) alert_message(308);
                if (v && target->expression) {
                    const type_desc& t = target->expression->type;
                    if (v->code == ic::OP_ICONST && is_integral(t) && type_size(skip_transparent(t).code) == 1 && value_in_type(v->value, t) != v->value) {
                        // A byte selector is promoted to int, so a value its type cannot hold
                        // never matches (wider selectors take the value converted): the conversion
                        // stays unfolded so the code generator sees the value as written.
                        expr_node* c = new_node(ic::OP_CONV);
                        c->left = v;
                        c->right = type_leaf(t);
                        c->type = t;
                        v = c;
                    } else {
                        v = assign_convert(v, t, false);
                    }
                }
                hold(v);
                target->cases.push_back({v, label});
            }
            unreachable = false;
            c = next_token();
        }
        push_back_token();
        result = parse_statement(continue_label, break_label, sw, break_seen);
        return result;
    }
    case TK_DEFAULT: {
        switch_context* target = innermost_switch();
        expect_token(TK_COLON, 320);
        if (!target) alert_message(245);
        else if (target->default_label) alert_message(244);
        else {
            target->default_label = new_label_number();
            emit_label(target->default_label);
        }
        unreachable = false;
        return parse_statement(continue_label, break_label, sw, break_seen);
    }
    case TK_DO: {
        int top = new_label_number(), cont = new_label_number(), exit_label = new_label_number();
        emit_label(top);
        bool broke = false;
        bool used = parse_statement(cont, exit_label, nullptr, &broke);
        if (used) emit_label(cont);
        int w = next_token();
        if (w != TK_WHILE) {
            alert_message(319);
            if (w != TK_FOR && w != TK_LPAREN) {
                push_back_token();
                return false;
            }
            if (w == TK_LPAREN) push_back_token();
        }
        expr_node* e = parenthesised_expression();
        int32_t v;
        bool forever = e && e->code == ic::OP_ICONST && const_value(e, v) && v != 0;
        emit_cond_jump(top, e, true);
        emit_label(exit_label);
        unreachable = forever && !broke;   // only a break leaves do ... while (1)
        require_semicolon();
        return false;
    }
    case TK_ELSE: alert_message(248); return false;
    case TK_FOR: return parse_for();
    case TK_GOTO: {
        name_space saved = lookup_space;
        lookup_space = NS_LABEL;
        int t = next_token();
        lookup_space = saved;
        if (t != TK_IDENT) {
            alert_message(321);
            push_back_token();
        } else {
            sym_record* l = lookup_label(tok.sym);
            l->flags |= F_USED;
            emit_jump(l->number);
            unreachable = true;
        }
        require_semicolon();
        return false;
    }
    case TK_IF: {
        expr_node* e = parenthesised_expression();
        int l1 = new_label_number();
        emit_cond_jump(l1, e, false);
        bool r = parse_statement(continue_label, break_label, sw, break_seen);
        bool then_unreachable = unreachable;
        if (look_ahead_token() == TK_ELSE) {
            release_held_asm();
            int l2 = new_label_number();
            emit_jump(l2);
            emit_label(l1);
            unreachable = false;
            r |= parse_statement(continue_label, break_label, sw, break_seen);
            emit_label(l2);
            unreachable = then_unreachable && unreachable;
        } else {
            push_back_token();
            emit_label(l1);
            unreachable = false;
        }
        return r;
    }
    case TK_RETURN: {
        int n = next_token();
        if (n == TK_SEMI) {
            if (!no_value_needed) alert_message(344);
        } else if (n == TK_ASM) {
            parse_asm_statement(false);
            no_value_needed = false;
            require_semicolon();
        } else {
            push_back_token();
            expr_node* e = parse_expression();
            if (e) {
                expr_node* r = make_node(ic::OP_RETURN, e, nullptr);
                emit_expr_stmt(r);
                release_tree(r);
            }
            no_value_needed = false;
            require_semicolon();
        }
        emit_exit_jump();
        unreachable = true;
        return false;
    }
    case TK_SWITCH: return parse_switch(continue_label);
    case TK_WHILE: {
        int32_t header_line = lex_line;
        expr_node* e = parenthesised_expression();
        int test = new_label_number(), top = new_label_number(), exit_label = new_label_number();
        int32_t v;
        bool forever = e && e->code == ic::OP_ICONST && const_value(e, v) && v == 1;
        if (!forever) emit_jump(test);
        hold(e);
        emit_label(top);
        unreachable = false;
        bool broke = false;
        parse_statement(test, exit_label, nullptr, &broke);
        unhold(e);
        at_line(header_line, [&] {
            emit_label(test);
            if (forever) {
                emit_jump(top);
                release_tree(e);
            } else {
                emit_cond_jump(top, e, true);
            }
        });
        emit_label(exit_label);
        unreachable = forever && !broke;   // only a break leaves while (1)
        return false;
    }
    default: break;
    }
    if (c == TK_IDENT && peek_char() == ':') {
        sym_record* s = tok.sym;
        next_token();   // the ":"
        sym_record* l = lookup_label(s);
        emit_label(l->number);
        if (l->flags & F_DEFINED) alert_message(247, l->name);
        else xref_define(l);
        l->flags |= F_DEFINED;
        unreachable = false;
        return parse_statement(continue_label, break_label, sw, break_seen);
    }
    if (starts_declaration(c)) {
        if (block_level == body_level) {
            alert_message(249);
            stop_body = true;
            push_back_token();
            return false;
        }
    }
    push_back_token();
    expr_node* e = parse_expression();
    emit_expr_stmt(e);
    release_tree(e);
    require_semicolon();
    return false;
}

}  // namespace

void mark_statement_roots(void (*mark)(sym_record*)) {
    std::vector<expr_node*> todo(held_trees.begin(), held_trees.end());
    while (!todo.empty()) {
        expr_node* e = todo.back();
        todo.pop_back();
        if (!e) continue;
        if (e->sym) mark(e->sym);
        if (e->type.base) mark(e->type.base);
        if (ic::op_arity(e->code) >= 1 || e->code == ic::OP_CALL) todo.push_back(e->left);
        if (ic::op_arity(e->code) == 2 || e->code == ic::OP_CALL) todo.push_back(e->right);
    }
}

void parse_asm_statement(bool top_level) {
    (void)top_level;
    if (!expect_token(TK_LPAREN, 317)) return;
    if (next_token() != TK_STRING) {
        alert_message(318);
        push_back_token();
        return;
    }
    std::string text = tok.text;
    expect_token(TK_RPAREN, 194);
    require_semicolon();
    emit_asm_line(text.c_str());
}

void parse_function_body(sym_record* function, sym_record* params, bool no_value) {
    current_function = function;
    current_function_name = function->name;
    set_sym_root(function);
    if (opt.main_exit && std::strcmp(function->name, "main") == 0) emit_pragma("mainexit");
    stop_body = false;
    open_scope();
    parse_local_declarations(DC_KR_PARAMS);
    start_function_body(function, params);
    emit_entry_label(function);
    if (next_token() != TK_LBRACE) {
        alert_message(315);
        push_back_token();
    }
    emit_body_start();
    flush_source_comments();
    unreachable = false;
    no_value_needed = no_value;
    body_level = block_level;
    func_info_start(function, lex_line);
    parse_local_declarations(DC_BLOCK);
    return_label = new_label_number();
    for (;;) {
        int c = next_token();
        if (c == TK_RBRACE) break;
        if (c == TK_EOF) {
            alert_message(300);
            break;
        }
        push_back_token();
        parse_statement(0, 0, nullptr, nullptr);
        if (stop_body) break;
    }
    if (!unreachable && !no_value_needed) alert_message(343);
    emit_exit_label(return_label);
    func_info_end(lex_line);
    close_scope();
    flush_source_comments();
    current_function = nullptr;
    current_function_name = nullptr;
    set_sym_root(nullptr);
}
