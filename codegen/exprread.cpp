// Prefix-form expressions of the intermediate code into trees; comment and in-line assembly
// lines; constant reduction of dimension and initialiser expressions.
#include <cstdlib>
#include <cstring>

#include "codegen/asmout.h"
#include "codegen/context.h"
#include "codegen/defer.h"
#include "codegen/reader.h"
#include "codegen/records.h"
#include "codegen/simplify.h"
#include "common/alert.h"
#include "icode/icode.h"

namespace cg {

namespace {

bool is_digit(char c) { return c >= '0' && c <= '9'; }

tree_node* read_const(cg_context& ctx, const std::string& token) {
    size_t i = 0;
    bool negative = false;
    if (token[i] == '-') negative = true, ++i;
    int64_t v = 0;
    while (i < token.size() && is_digit(token[i])) {
        v = v * 10 + (token[i] - '0');
        if (v > 0xffffffffLL) v = 0xffffffffLL;
        ++i;
    }
    tree_node* n = const_make(ctx, static_cast<int32_t>(static_cast<uint32_t>(negative ? -v : v)));
    for (; i < token.size(); ++i) n->pclass |= class_bit(token[i]);
    return n;
}

tree_node* read_symbol(cg_context& ctx, const std::string& token) {
    symbol* s = ctx.symbols.lookup(token, scope_level(ctx), ctx.line);
    s->flags |= SF_USED;
    tree_node* n = make_id(ctx, s);
    if (s->sclass == storage::external && !(s->flags & SF_DEFINED)) announce_external(ctx, s);
    if (!flag(ctx, MF_NOTREGPAR) && outer_level(s->levels) == LEVEL_FUNCTION && (s->flags & SF_PROTOTYPED) &&
        !(s->flags & SF_SIGNED_FN)) {
        s->flags |= SF_SIGNED_FN;
        emit(ctx, "\tsignat\t%s,%u\n", asm_name(s).c_str(), fn_signature(ctx, s));
    }
    return n;
}

}  // namespace

tree_node* read_comment_or_asm(cg_context& ctx, ic_scanner& scan, bool& produced) {
    produced = false;
    std::string text = scan.rest_of_line();
    if (!text.empty() && text[0] == ';') {
        ctx.opt.notes = true;
        if (output_deferred(ctx)) defer_comment(ctx, text);
        else emit_text(ctx, text + "\n");
        return nullptr;
    }
    produced = true;
    tree_node* n = tree_make(ctx, OP_ASM, nullptr, nullptr);
    n->text = new std::string(text);
    return n;
}

tree_node* ic_read_expr(cg_context& ctx, ic_scanner& scan) {
    std::string token;
    for (int depth_guard = 0;; ++depth_guard) {
        if (!scan.next(token)) {
            alert_message(714);
            return nullptr;
        }
        char c = token[0];
        if (is_digit(c) || (c == '-' && token.size() > 1 && is_digit(token[1]))) return read_const(ctx, token);
        if (c == '_' || std::isalpha(static_cast<unsigned char>(c))) return read_symbol(ctx, token);
        if (c == '`') {
            type_ref t;
            parse_type_string(ctx, token, t);
            return make_type_leaf(ctx, t);
        }
        double value;
        bool is_float;
        if (ic::read_float_const(token, value, is_float)) {
            tree_node* n = ctx.nodes.alloc();
            n->op = OP_FCONST;
            n->type = basic_type_named(ctx, is_float ? "f" : "d");
            n->fvalue = value;
            return n;
        }
        int op = op_lookup(token.c_str());
        if (op < 0) {
            alert_message(730, token.c_str());
            return tree_make(ctx, OP_ARGEND, nullptr, nullptr);
        }
        if (op == OP_ASM) {
            bool produced;
            tree_node* n = read_comment_or_asm(ctx, scan, produced);
            if (produced) return n;
            continue;
        }
        uint32_t arity = op_arity(static_cast<uint32_t>(op));
        if (arity == DOPE_RECORD) {
            if (op == OP_REC_C || op == OP_REC_S || op == OP_REC_U || op == OP_REC_V) {
                read_nested_record(ctx, scan, static_cast<uint32_t>(op));
                continue;
            }
            alert_message(731);
            return tree_make(ctx, OP_ARGEND, nullptr, nullptr);
        }
        if (arity == DOPE_LEAF) return tree_make(ctx, static_cast<uint32_t>(op), nullptr, nullptr);
        // Deep trees come from the writer's own recursion; a bound keeps a damaged file from
        // exhausting the stack.
        if (++ctx.expr_depth > 2000) {
            --ctx.expr_depth;
            alert_message(714);
            return tree_make(ctx, OP_ARGEND, nullptr, nullptr);
        }
        tree_node* left = ic_read_expr(ctx, scan);
        tree_node* right = nullptr;
        if (left && arity == DOPE_BINARY) right = ic_read_expr(ctx, scan);
        --ctx.expr_depth;
        if (!left || (arity == DOPE_BINARY && !right)) {
            tree_free(ctx, left);
            return nullptr;
        }
        return tree_make(ctx, static_cast<uint32_t>(op), left, right);
    }
}

bool const_value(cg_context& ctx, tree_node* n, int32_t& value, bool& typed) {
    // Folded as every expression is, so the result has the target's widths: a cast to char
    // cuts to 8 bits, int arithmetic wraps at 16.
    tree_node* t = simplify_expr(ctx, n);
    bool ok = t && t->op == OP_CONST;
    value = ok ? t->value : 0;
    // A count written with the index types makes an array even when it is 1.
    typed = ok && t->type && !t->levels && (t->type->name == "x" || t->type->name == "ux");
    tree_free(ctx, t);
    return ok;
}

}  // namespace cg
