// Prefix-form expressions of the intermediate code into trees; comment and in-line assembly
// lines; constant reduction of dimension and initialiser expressions.
#include <cstdlib>
#include <cstring>

#include "codegen/asmout.h"
#include "codegen/context.h"
#include "codegen/reader.h"
#include "codegen/records.h"
#include "common/alert.h"

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
        emit_text(ctx, text + "\n");
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
        if (c == '.' && token.size() > 1 && token[1] != '.') {
            tree_node* n = ctx.nodes.alloc();
            n->op = OP_FCONST;
            n->type = basic_type_named(ctx, "d");
            n->fvalue = std::strtod(token.c_str() + 1, nullptr);
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

namespace {

bool fold(cg_context& ctx, const tree_node* n, int64_t& v, bool& typed, int depth) {
    if (!n || depth > 200) return false;
    switch (n->op) {
    case OP_CONST: v = n->value; return true;
    case OP_CONV:
        typed = true;
        return fold(ctx, n->left, v, typed, depth + 1);
    case OP_NEG: case OP_COMPL: case OP_NOT: {
        bool t = false;
        if (!fold(ctx, n->left, v, t, depth + 1)) return false;
        v = n->op == OP_NEG ? -v : n->op == OP_COMPL ? ~v : !v;
        return true;
    }
    default: break;
    }
    if (op_arity(n->op) != DOPE_BINARY) return false;
    int64_t a, b;
    bool t = false;
    if (!fold(ctx, n->left, a, t, depth + 1) || !fold(ctx, n->right, b, t, depth + 1)) return false;
    switch (n->op) {
    case OP_ADD: v = a + b; return true;
    case OP_SUB: v = a - b; return true;
    case OP_MUL: v = a * b; return true;
    case OP_DIV: case OP_MOD:
        if (b == 0) return false;
        v = n->op == OP_DIV ? a / b : a % b;
        return true;
    case OP_AND: v = a & b; return true;
    case OP_OR: v = a | b; return true;
    case OP_XOR: v = a ^ b; return true;
    case OP_SHL: v = (b >= 0 && b < 32) ? a << b : 0; return true;
    case OP_SHR: v = (b >= 0 && b < 32) ? a >> b : 0; return true;
    default: return false;
    }
}

}  // namespace

bool const_value(cg_context& ctx, tree_node* n, int32_t& value, bool& typed) {
    int64_t v = 0;
    typed = false;
    bool ok = fold(ctx, n, v, typed, 0);
    tree_free(ctx, n);
    value = static_cast<int32_t>(v);
    return ok;
}

}  // namespace cg
