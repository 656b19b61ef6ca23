// Expression parser: operator-precedence parsing over one operator table, calls and leaves.
#include "parser/expr.h"

#include <cstdlib>
#include <cstring>
#include <map>
#include <vector>

#include "common/alert.h"
#include "common/alloc.h"
#include "parser/decl.h"
#include "parser/emit.h"
#include "parser/lexer.h"
#include "parser/options.h"
#include "parser/printf_check.h"
#include "parser/sidefiles.h"
#include "parser/symbols.h"

sym_record* current_function = nullptr;
uint16_t entry_class_mask = 0;
int32_t string_count = 0;
FILE* string_data_stream = nullptr;   // the binary string-data side file while it is written

namespace {

struct op_row {
    uint8_t prec;
    uint8_t flags;
};
// Precedence and syntactic flags by code - 60 (typing columns live in typing.cpp).
constexpr op_row op_table[76] = {
    {6, 0x00},  {30, 0x02}, {31, 0x00}, {2, 0x00},  {30, 0x02}, {30, 0x00}, {2, 0x00},  {30, 0x02},
    {30, 0x02}, {28, 0x1C}, {28, 0x1C}, {28, 0x1C}, {28, 0x1C}, {28, 0x98}, {28, 0x18}, {28, 0x08},
    {28, 0x08}, {28, 0x08}, {28, 0x08}, {28, 0x18}, {28, 0x0A}, {26, 0x16}, {17, 0x96}, {24, 0x16},
    {24, 0x16}, {26, 0x52}, {26, 0x52}, {22, 0x32}, {22, 0x32}, {20, 0x52}, {20, 0x52}, {20, 0x52},
    {20, 0x52}, {18, 0x92}, {18, 0x92}, {16, 0x92}, {15, 0x92}, {14, 0x92}, {13, 0x92}, {12, 0x1A},
    {6, 0x1A},  {10, 0x8A}, {10, 0x0A}, {0, 0x0A},  {10, 0x0A}, {0, 0x0A},  {10, 0x0A}, {10, 0x4A},
    {10, 0x4A}, {10, 0x0A}, {10, 0x0A}, {10, 0x8A}, {10, 0x8A}, {10, 0x8A}, {7, 0x02},  {7, 0x02},
    {0, 0x01},  {0, 0x11},  {0, 0x11},  {0, 0x11},  {0, 0x11},  {0, 0x00},  {0, 0x00},  {0, 0x00},
    {0, 0x02},  {0, 0x12},  {0, 0x02},  {0, 0x01},  {0, 0x11},  {0, 0x00},  {30, 0x00}, {30, 0x00},
    {30, 0x00}, {30, 0x00}, {0, 0x00},  {10, 0x8A},
};
const op_row& row(int code) { return op_table[code - 60]; }

struct stacked_op {
    int code;
    int prec;
};
std::vector<stacked_op> op_stack;
std::vector<expr_node*> operand_stack;
int expr_context = CX_PLAIN;

std::vector<expr_node*> node_chunks;
expr_node* free_nodes = nullptr;
std::vector<uint8_t> referenced_strings;

void push_op(int code, int prec) {
    if (op_stack.size() >= 100) alert_message(295);
    op_stack.push_back({code, prec});
}
// How deep a tree built by the operator parser is (its own conversions not counted): a long
// chain like 1+1+...+1 keeps the stacks small but would overflow every tree walk.
constexpr int32_t TREE_DEPTH_LIMIT = 2000;
bool is_leaf(const expr_node* n);

void push_operand(expr_node* n) {
    if (operand_stack.size() >= 100) alert_message(295);
    if (n && !is_leaf(n)) {
        int32_t below = 0;
        if (n->left) below = n->left->depth;
        bool has_right = ic::op_arity(n->code) == 2 || n->code == ic::OP_CALL;
        if (n->right && has_right && n->right->depth > below) below = n->right->depth;
        n->depth = below + 1;
        if (n->depth > TREE_DEPTH_LIMIT) alert_message(295);
    }
    operand_stack.push_back(n);
}
expr_node* pop_operand(size_t base) {
    if (operand_stack.size() <= base) return nullptr;
    expr_node* n = operand_stack.back();
    operand_stack.pop_back();
    return n;
}

expr_node* string_leaf() {
    expr_node* n = new_node(ic::OP_STRING);
    n->value = ++string_count;
    n->length = static_cast<int32_t>(tok.text.size());
    n->type = make_basic(opt.unsigned_char ? ic::T_CHAR + 1 : ic::T_CHAR);
    add_pointer(n->type);
    n->type.classes = string_classes;
    n->text = parser_strdup(tok.text.c_str());
    if (string_data_stream) {
        ic::string_data_record r;
        r.number = n->value;
        r.class_mask = string_classes;
        r.bytes.assign(tok.text.begin(), tok.text.end());
        r.bytes.push_back(0);
        ic::write_string_data(string_data_stream, r);
    }
    return n;
}

expr_node* identifier_leaf(bool member_position) {
    if (member_position) {
        expr_node* n = new_node(ic::OP_IDENT);
        n->text = parser_strdup(tok.name.c_str());
        return n;
    }
    sym_record* s = tok.sym;
    if (s->kind == S_NONE) {
        if (peek_token() == TK_LPAREN) {
            int saved = alert_set_level(5);
            type_desc f = make_basic(ic::T_INT);
            f.kind = K_FUNCTION;
            int saved_level = block_level;
            block_level = 0;
            s = declare_symbol(s, S_EXTERN, &f, nullptr);
            block_level = saved_level;
            alert_set_level(saved);
            alert_message(361);
            emit_var(s);
        } else {
            alert_message(192, s->name);
            type_desc i = make_basic(ic::T_INT);
            int saved_level = block_level;
            block_level = 0;
            s = declare_symbol(s, S_EXTERN, &i, nullptr);
            block_level = saved_level;
        }
    } else if (!(s->flags & F_HAS_TYPE) || s->kind == S_TYPEDEF || s->kind == S_MEMBER || s->kind == S_LABEL) {
        alert_message(193, s->name);
    } else if (s->kind == S_EXTERN && is_function(s->type) && !(s->flags & F_EMITTED)) {
        emit_var(s);
    }
    s->flags |= F_USED;
    expr_node* n = sym_leaf(s);
    return n;
}

// "?" operators above op_base still waiting for their ":".
int open_conditionals(size_t op_base) {
    int open = 0;
    for (size_t i = op_base; i < op_stack.size(); ++i) {
        if (op_stack[i].code == 99) ++open;
        if (op_stack[i].code == 100) --open;
    }
    return open;
}

void syntax_error(size_t op_base, size_t operand_base) {
    alert_message(195);
    push_back_token();
    skip_to_sync();
    while (operand_stack.size() > operand_base) {
        release_tree(operand_stack.back());
        operand_stack.pop_back();
    }
    op_stack.resize(op_base);
}

expr_node* join_args(std::vector<expr_node*>& args, size_t fixed) {
    if (args.empty()) return new_node(ic::OP_LISTEND);
    expr_node* list = args[0];
    size_t i = 1;
    bool wrap = fixed > 0 && fixed < args.size();
    for (; i < args.size(); ++i) {
        if (wrap && i == fixed) {
            expr_node* w = new_node(ic::OP_FIXARGS);
            w->left = list;
            list = w;
        }
        expr_node* c = new_node(ic::OP_ARG);
        c->left = list;
        c->right = args[i];
        list = c;
    }
    if (wrap && fixed == args.size()) return list;
    return list;
}

expr_node* promote_argument(expr_node* a) {
    const type_desc& t = skip_transparent(a->type);
    if (t.kind == K_PLAIN && !t.indirection) {
        if (t.code == ic::T_BIT || (t.code >= 4 && t.code <= 7) || t.code == ic::T_ENUM)
            return convert(a, make_basic(ic::T_INT));
        if (t.code == ic::T_FLOAT) return convert(a, make_basic(ic::T_DOUBLE));
    }
    return a;
}

// The parameter types of the old-style definitions seen so far, by function.
std::map<const sym_record*, std::vector<type_desc>> old_style_definitions;

// An argument to a function whose old-style definition is known. Pointers to differently
// qualified types need not have the same size here, so a pointer argument takes the
// parameter's own type, as a prototype would give it; everything else is promoted.
expr_node* old_style_argument(expr_node* a, const sym_record* function, size_t i) {
    auto found = function ? old_style_definitions.find(function) : old_style_definitions.end();
    if (found != old_style_definitions.end() && i < found->second.size() && is_pointer(found->second[i]))
        return assign_convert(a, found->second[i], true);
    return promote_argument(a);
}

// Checks one variable argument of a printf-checked call against the format's expectation.
void check_printf_argument(expr_node* a, int32_t& pending, uint32_t& word, sym_record* callee) {
    const type_desc& t = skip_transparent(a->type);
    bool ptr = is_pointer(t);
    if (pending == 0) {
        if (ptr && (t.code == 4 || t.code == 5) && t.indirection == 1) word |= 0x5C008;
        else if (ptr) word |= 0x1C008;
        else if (is_floating(t)) word |= 0x1B86A;
        else if (is_integral_or_enum(t) && (t.code <= 9 || t.code == 20)) word |= 0x6B85AD;
        else if (t.code == 10 || t.code == 11) word |= 0x6185BD;
        if (ptr && callee->format_class) a->type.classes |= callee->format_class;
        return;
    }
    if (pending == 127) return;
    if (pending < 0) {
        alert_message(324);
        pending = 127;
        return;
    }
    int32_t want = pending;
    if (want & 0x80) {
        int32_t base = want & 0x7F;
        static const char* const names[] = {"????", "boolean", "char", "short", "int",  "long", "long long",
                                            "index", "float",  "double", "???", "void", "???",  "..."};
        if (!(ptr && t.indirection == 1 && (t.code & ~1) == base)) alert_message(330, names[base / 2]);
        if (ptr && callee->format_class) a->type.classes |= callee->format_class;
    } else if (want == 18) {
        if (!is_plain(t, ic::T_DOUBLE)) alert_message(329);
    } else if (want == 10) {
        if (!(is_plain(t, 10) || is_plain(t, 11))) alert_message(326);
    } else if (want == 12) {
        if (!(is_plain(t, 12) || is_plain(t, 13))) alert_message(327);
    } else {
        bool ok = !ptr && ((is_integral(t) && t.code <= 9) || t.code == 14 || t.code == 15 || is_plain(t, ic::T_ENUM));
        if (!ok) alert_message(328);
    }
    int32_t next = printf_format_check(nullptr, false);
    pending = next == 0 ? -1 : next;
    if (next == 127) {
        alert_message(325);
        pending = 127;
    }
}

expr_node* parse_call(expr_node* callee) {
    type_desc ct = callee->type;
    fold_type(ct);
    const type_desc* f = nullptr;
    bool via_pointer = false;
    if (is_function(ct)) f = &skip_transparent(ct);
    else if ((f = pointed_function(ct))) via_pointer = true;
    if (!f) alert_message(183);
    if (ct.classes & Q_INTERRUPT) alert_message(184);
    sym_record* named = callee->code == ic::OP_IDENT ? callee->sym : nullptr;
    if (named) write_func_info(named->name);
    if (via_pointer) {
        expr_node* d = new_node(ic::OP_DEREF);
        d->left = callee;
        d->type = *f;
        callee = d;
    }
    const param_list* params = f ? f->params : nullptr;
    bool void_list = is_void_list(params);
    size_t declared = params ? params->items.size() : 0;
    if (params && has_ellipsis(*f)) --declared;
    bool ellipsis = f && has_ellipsis(*f);
    bool check = named && (named->flags & F_PRINTF);
    uint32_t word = check ? 0x800000 : 0;
    int32_t pending = 0;
    std::vector<expr_node*> args;
    size_t fixed = 0;
    bool too_many = false, void_reported = false;
    if (next_token() != TK_RPAREN) {
        push_back_token();
        for (;;) {
            expr_node* a = parse_expression_in(CX_ARGUMENT);
            if (!a) a = int_const(0, ic::T_INT);
            a = value_of(a);
            size_t i = args.size();
            if (params && !void_list && i < declared) {
                // strict: an integer given for a pointer parameter is converted to the pointer's
                // size, or a one-byte pointer would be passed as a two-byte int and every later
                // argument would land one byte off.
                a = assign_convert(a, params->items[i], true);
                if (check && ellipsis && i + 1 == declared) {
                    if (a->code == ic::OP_STRING || (a->code == ic::OP_CONV && a->left->code == ic::OP_STRING)) {
                        const expr_node* s = a->code == ic::OP_STRING ? a : a->left;
                        printf_feature_bits = 0;
                        int32_t k = printf_format_check(s->text, true);
                        pending = k == 0 ? -1 : k;
                        if (k == 127) {
                            alert_message(325);
                            pending = 127;
                        }
                    } else {
                        word |= 0x100200;
                        pending = 127;
                    }
                }
            } else {
                if (ellipsis && i == declared) fixed = i;
                else if (void_list && !void_reported) {
                    alert_message(185);
                    void_reported = true;
                } else if (params && !void_list && !ellipsis && !too_many) {
                    alert_message(186);
                    too_many = true;
                }
                a = params ? promote_argument(a) : old_style_argument(a, named, i);
                if (check) check_printf_argument(a, pending, word, named);
            }
            args.push_back(a);
            int c = next_token();
            if (c == TK_COMMA) continue;
            if (c != TK_RPAREN) {
                alert_message(194);
                push_back_token();
            }
            break;
        }
    }
    if (params && !void_list && args.size() < declared) alert_message(187);
    if (check) {
        if (pending > 0 && pending != 127) alert_message(331);
        word |= printf_feature_bits;
        named->func_flag_word |= word;
    }
    expr_node* call = new_node(ic::OP_CALL);
    call->left = callee;
    call->right = join_args(args, ellipsis ? fixed : 0);
    if (f) {
        call->type = *f;
        call->type.kind = K_PLAIN;
        call->type.params = nullptr;
        fold_type(call->type);
    } else {
        call->type = make_basic(ic::T_INT);
    }
    return call;
}

bool starts_type_name(int code) {
    switch (code) {
    case TK_CHAR: case TK_DOUBLE: case TK_ENUM: case TK_FLOAT: case TK_INT: case TK_LONG: case TK_SHORT:
    case TK_SIGNED: case TK_STRUCT: case TK_UNION: case TK_UNSIGNED: case TK_VOID: case TK_BIT:
    case TK_QUALIFIER:
        return true;
    case TK_IDENT: return tok.sym && tok.sym->kind == S_TYPEDEF;
    default: return false;
    }
}

expr_node* build_subscript(expr_node* p, expr_node* q, bool address_taken);

// Reduces the operator on top of the stack; false after a syntax error.
bool reduce(size_t operand_base, bool address_context) {
    stacked_op top = op_stack.back();
    op_stack.pop_back();
    int c = top.code;
    bool binary = row(c).flags & 0x02;
    expr_node* q = pop_operand(operand_base);
    expr_node* p = nullptr;
    if (binary) {
        p = pop_operand(operand_base);
        if (!p || !q) {
            release_tree(p);
            release_tree(q);
            return false;
        }
    } else if (!q) {
        return false;
    }
    expr_node* n = nullptr;
    switch (c) {
    case 64: n = build_subscript(p, q, address_context); break;
    case 68: {
        expr_node* d = make_node(ic::OP_DEREF, p, nullptr);
        n = make_node(ic::OP_DOT, d, q);
        break;
    }
    case 75: case 76: case 77: case 78: {
        static const int codes[4] = {ic::OP_ASG_ADD, ic::OP_POSTINC, ic::OP_ASG_SUB, ic::OP_POSTDEC};
        n = make_node(codes[c - 75], q, int_const(1, ic::T_INT));
        break;
    }
    case 79: {
        if (q->code == ic::OP_STRING) {
            n = int_const(q->length + 1, 0);
            n->type = size_type();
            release_tree(q);   // its number stays taken: the side file already holds its bytes
        } else {
            expr_node* operand = q;
            if (q->code != ic::OP_IDENT && q->code != ic::OP_TYPE) {
                operand = type_leaf(q->type);
                release_tree(q);
            }
            type_desc t = operand->type;
            fold_type(t);
            if (operand->code == ic::OP_TYPE && t.kind == K_ARRAY) {
                type_desc element = t;
                element.kind = K_PLAIN;
                element.dim_tree = nullptr;
                element.dim = 0;
                operand->type = element;
                expr_node* count = t.dim_tree ? copy_tree(t.dim_tree) : int_const(t.dim, ic::T_INT + 1);
                n = make_node(ic::OP_MUL, make_node(ic::OP_SIZEOF, operand, nullptr), convert(count, size_type()));
            } else {
                n = make_node(ic::OP_SIZEOF, operand, nullptr);
            }
        }
        break;
    }
    case 80: {
        type_desc t = p->type;
        if (!is_scalar(t) && !is_plain(t, ic::T_VOID)) alert_message(191);
        release_node(p);
        q = value_of(q);
        if (is_plain(t, ic::T_VOID) && q->code == ic::OP_CALL) {
            q->type = t;
            n = q;
        } else if (is_plain(t, ic::T_VOID) && !is_scalar(q->type)) {
            n = q;   // a struct or union value cast to void is only discarded, as in a statement of its own
        } else {
            n = convert(q, t);
        }
        break;
    }
    case 114: {
        bool in_call = false;
        n = make_node(in_call ? ic::OP_ARG : ic::OP_COMMA, p, q);
        break;
    }
    case 99:
        if (q->code != ic::OP_COLON) {
            release_tree(p);
            release_tree(q);
            return false;
        }
        n = make_node(c, p, q);
        break;
    case 100:
        if (op_stack.empty() || op_stack.back().code != 99) {
            release_tree(p);
            release_tree(q);
            return false;
        }
        n = make_node(c, p, q);
        break;
    default: n = binary ? make_node(c, p, q) : make_node(c, q, nullptr); break;
    }
    if (!n) return true;   // typing errors were reported; the operand is gone
    push_operand(n);
    return true;
}

}  // namespace

void remember_old_style_parameters(const sym_record* function, std::vector<type_desc> types) {
    old_style_definitions[function] = std::move(types);
}

void mark_expression_roots(void (*mark)(sym_record*)) {
    for (expr_node* n : operand_stack) {
        std::vector<expr_node*> todo{n};
        while (!todo.empty()) {
            expr_node* e = todo.back();
            todo.pop_back();
            if (!e) continue;
            if (e->sym) mark(e->sym);
            if (e->type.base) mark(e->type.base);
            if (ic::op_arity(e->code) >= 1 || e->code == ic::OP_CALL || e->code == ic::OP_CONV) todo.push_back(e->left);
            if (ic::op_arity(e->code) == 2 || e->code == ic::OP_CALL) todo.push_back(e->right);
        }
    }
    mark_statement_roots(mark);
}

expr_node* new_node(int code) {
    if (!free_nodes) {
        expr_node* chunk = static_cast<expr_node*>(parser_alloc(256 * sizeof(expr_node)));
        node_chunks.push_back(chunk);
        for (int i = 255; i >= 0; --i) {
            chunk[i].right = free_nodes;
            free_nodes = &chunk[i];
        }
    }
    expr_node* n = free_nodes;
    free_nodes = n->right;
    std::memset(static_cast<void*>(n), 0, sizeof *n);
    n->code = code;
    n->type.code = ic::T_VOID;
    return n;
}

expr_node* type_leaf(const type_desc& t) {
    expr_node* n = new_node(ic::OP_TYPE);
    n->type = t;
    return n;
}

expr_node* int_const(int32_t value, int32_t code) {
    expr_node* n = new_node(ic::OP_ICONST);
    n->value = value;
    n->type = make_basic(code);
    return n;
}

expr_node* sym_leaf(sym_record* sym) {
    expr_node* n = new_node(ic::OP_IDENT);
    n->sym = sym;
    n->type = sym->type;
    return n;
}

void release_node(expr_node* n) {
    if (!n) return;
    if (n->text) std::free(n->text);
    n->text = nullptr;
    n->code = -1;
    n->right = free_nodes;
    free_nodes = n;
}

namespace {
bool is_leaf(const expr_node* n) {
    return n->code == ic::OP_IDENT || n->code == ic::OP_ICONST || n->code == ic::OP_STRING ||
           n->code == ic::OP_FCONST || n->code == ic::OP_MEMBER || n->code == ic::OP_TYPE ||
           n->code == ic::OP_LISTEND;
}
}  // namespace

void release_tree(expr_node* n) {
    while (n && n->code != -1) {
        expr_node* left = is_leaf(n) ? nullptr : n->left;
        if (!is_leaf(n) && (ic::op_arity(n->code) == 2 || n->code == ic::OP_CALL)) release_tree(n->right);
        release_node(n);
        n = left;
    }
}

expr_node* copy_tree(const expr_node* n) {
    if (!n) return nullptr;
    expr_node* c = new_node(n->code);
    *c = *n;
    if (n->text) c->text = parser_strdup(n->text);
    if (!is_leaf(n)) {
        c->left = copy_tree(n->left);
        if (ic::op_arity(n->code) == 2 || n->code == ic::OP_CALL) c->right = copy_tree(n->right);
        else c->right = nullptr;
    }
    return c;
}

void release_expressions() {
    for (expr_node* chunk : node_chunks) {
        for (int i = 0; i < 256; ++i)
            if (chunk[i].code != -1 && chunk[i].text) std::free(chunk[i].text);
        std::free(chunk);
    }
    node_chunks.clear();
    free_nodes = nullptr;
}

void init_expressions() {
    op_stack.clear();
    operand_stack.clear();
    op_stack.reserve(100);
    operand_stack.reserve(100);
    expr_context = CX_PLAIN;
    string_count = 0;
    referenced_strings.clear();
    // Keyed by record address: a later run's records may take the addresses of this one's.
    old_style_definitions.clear();
}

bool string_referenced(int32_t number) {
    return number >= 0 && static_cast<size_t>(number) < referenced_strings.size() && referenced_strings[number];
}

void mark_string_referenced(int32_t number) {
    if (number < 0) return;
    size_t need = static_cast<size_t>(number) + 1;
    if (referenced_strings.size() < need) {
        size_t size = referenced_strings.empty() ? 64 : referenced_strings.size();
        while (size < need) size *= 2;
        referenced_strings.resize(size, 0);
    }
    referenced_strings[number] = 1;
}

expr_node* parse_expression() { return parse_expression_in(expr_context); }

// expression: operand (operator operand)*, by precedence over op_table
expr_node* parse_expression_in(int context) {
    int saved_context = expr_context;
    expr_context = context;
    size_t op_base = op_stack.size(), operand_base = operand_stack.size();
    push_op(60, 6);
    bool seen = false;
    expr_node* result = nullptr;
    for (;;) {
        int top = op_stack.back().code;
        bool member_position = !seen && (top == 67 || top == 68);
        if (member_position) lex_member_expected();
        int code = next_token();
        if (code == TK_SIZEOF) code = 79;
        if (code == TK_IDENT || code == TK_ICONST || code == TK_STRING || code == TK_FCONST) {
            if (seen) {
                syntax_error(op_base, operand_base);
                expr_context = saved_context;
                return nullptr;
            }
            expr_node* leaf;
            if (code == TK_IDENT) leaf = identifier_leaf(member_position);
            else if (code == TK_ICONST) leaf = int_const(static_cast<int32_t>(tok.value), tok.type_code);
            else if (code == TK_STRING) leaf = string_leaf();
            else {
                leaf = new_node(ic::OP_FCONST);
                leaf->text = parser_strdup(tok.text.c_str());
                leaf->type = make_basic(tok.type_code);
            }
            push_operand(leaf);
            seen = true;
            continue;
        }
        bool operator_token = code >= 60 && code <= 115 && code != 118;
        if (!operator_token) {
            if (!seen && (starts_type_name(code) || code == TK_LBRACE)) {
                syntax_error(op_base, operand_base);
                expr_context = saved_context;
                return nullptr;
            }
            push_back_token();
            code = 60;
        }
        if (code == TK_LPAREN) {
            if (seen) {
                while (op_stack.back().code == 67 || op_stack.back().code == 68 ||
                       (op_stack.back().code == 69 && op_stack.back().prec == 100) ||
                       op_stack.back().code == 64) {
                    if (op_stack.back().code == 64) break;
                    if (!reduce(operand_base, false)) {
                        syntax_error(op_base, operand_base);
                        expr_context = saved_context;
                        return nullptr;
                    }
                }
                expr_node* callee = pop_operand(operand_base);
                push_operand(parse_call(callee));
                continue;
            }
            int next = next_token();
            bool type = starts_type_name(next);
            push_back_token();
            if (type) {
                type_desc t = parse_type_name();
                if (next_token() != TK_RPAREN) {
                    alert_message(194);
                    push_back_token();
                }
                push_operand(type_leaf(t));
                seen = true;
                if (op_stack.back().code == 79) {
                    op_stack.back().prec = 100;
                    continue;
                }
                code = 80;
            } else {
                push_op(62, 4);
                continue;
            }
        }
        if ((code == 63 || code == 66) && !seen) {
            syntax_error(op_base, operand_base);
            expr_context = saved_context;
            return nullptr;
        }
        if (code == TK_LBRACKET) {
            if (!seen) {
                syntax_error(op_base, operand_base);
                expr_context = saved_context;
                return nullptr;
            }
            code = 64;
        }
        if ((code == 75 || code == 77) && seen) ++code;
        if (!seen && (row(code).flags & 0x04)) code -= 12;
        uint8_t flags = row(code).flags;
        bool postfix = code == 76 || code == 78;
        bool needs_operand = (flags & 0x02) || postfix || code == 60 || code == 63 || code == 66;
        if (needs_operand != seen && code != 60) {
            syntax_error(op_base, operand_base);
            expr_context = saved_context;
            return nullptr;
        }
        // The end of the expression closes every open parenthesis and bracket on its way down.
        int prec = code == 60 ? 0 : row(code).prec;
        if (code == 114 && (context == CX_ARGUMENT || context == CX_ENUM)) prec = 5;
        if (code == 100 && context == CX_CASE && open_conditionals(op_base) == 0) prec = 5;
        bool consumed = false, finished = false;
        for (;;) {
            stacked_op& t = op_stack.back();
            if (t.prec < prec) break;
            // A ":" finishes a "?:" whose ":" is already stacked (a ? b ? c : d : e): that
            // one and its "?" reduce first.
            bool inner_conditional = code == 100 && t.code == 100;
            if (t.prec == prec && (flags & 0x08) && !inner_conditional) break;
            if (t.code == 60) {
                op_stack.pop_back();
                if (code != 60) push_back_token();
                if (operand_stack.size() != operand_base + 1) {
                    alert_message(195);
                    while (operand_stack.size() > operand_base) {
                        release_tree(operand_stack.back());
                        operand_stack.pop_back();
                    }
                    op_stack.resize(op_base);
                    expr_context = saved_context;
                    return nullptr;
                }
                result = value_of(pop_operand(operand_base));
                finished = true;
                break;
            }
            if (t.code == 62) {
                op_stack.pop_back();
                if (code == 63) {
                    consumed = true;
                    break;
                }
                alert_message(194);
                continue;
            }
            bool subscript = t.code == 64 && code == 66;
            if (t.code == 64 && code != 66) alert_message(310);
            bool address = op_stack.size() >= 3 && op_stack[op_stack.size() - 3].code == 70;
            if (!reduce(operand_base, address) || (inner_conditional && !reduce(operand_base, false))) {
                syntax_error(op_base, operand_base);
                expr_context = saved_context;
                return nullptr;
            }
            if (subscript) {
                consumed = true;
                break;
            }
        }
        if (finished) break;
        if (consumed) {
            seen = true;
            continue;
        }
        if (code == 64) {
            push_op(69, 100);
            push_op(64, 4);
        } else if (postfix) {
            push_op(code, 31);
        } else if (code == 99) {
            push_op(code, 6);
        } else {
            push_op(code, prec);
        }
        seen = postfix;
    }
    expr_context = saved_context;
    return result;
}

namespace {
// True when the code generator's evaluator gives the tree's value: it knows constants and
// arithmetic, but not comparisons, "&&", "||", "?:" or the cut of a narrowing conversion.
bool generator_folds(const expr_node* n) {
    if (!n) return true;
    switch (n->code) {
    case ic::OP_ICONST: case ic::OP_IDENT: case ic::OP_SIZEOF: case ic::OP_TYPE: return true;
    case ic::OP_LT: case ic::OP_GT: case ic::OP_LE: case ic::OP_GE: case ic::OP_EQ: case ic::OP_NE:
    case ic::OP_LAND: case ic::OP_LOR: case ic::OP_QUEST: case ic::OP_COLON: return false;
    case ic::OP_CONV: {
        int32_t v;
        return !(const_value(n->left, v) && value_in_type(v, n->type) != v) && generator_folds(n->left);
    }
    default:
        return generator_folds(n->left) && (ic::op_arity(n->code) != 2 || generator_folds(n->right));
    }
}
}  // namespace

expr_node* parse_constant_expression(int context, const type_desc* declared) {
    (void)declared;
    expr_node* e = parse_expression_in(context);
    if (!e) return nullptr;
    if (!is_constant_expr(e)) alert_message(188);
    if (context == CX_DIMENSION) {
        int32_t v;
        if (!is_integral_or_enum(e->type)) {
            alert_message(189);
        } else {
            bool known = const_value(e, v);
            // A count the code generator could not work out goes on as the number it is.
            if (known && v >= 0 && static_cast<int64_t>(v) <= 2 * static_cast<int64_t>(int_max()) + 1 &&
                !generator_folds(e)) {
                release_tree(e);
                e = int_const(v, ic::T_LONG);
            }
            if (known && v <= 1) e = convert(e, make_basic(ic::T_INDEX + 1));   // still marks an array
            else e = convert(e, make_basic(ic::T_INT + 1));
        }
    }
    return e;
}

namespace {
expr_node* build_subscript(expr_node* p, expr_node* q, bool address_taken) {
    p = value_of(p);
    q = value_of(q);
    if (!is_pointer(p->type) && is_pointer(q->type)) std::swap(p, q);
    if (!is_integral_or_enum(q->type)) alert_message(190);
    int32_t index;
    if (const_value(q, index) && p->code == ic::OP_ADDR && is_array(p->left->type)) {
        int32_t dim = skip_transparent(p->left->type).dim;
        if (dim > 0 && (index < 0 || index > dim || (index == dim && !address_taken))) alert_message(360);
    }
    return make_node(ic::OP_ADD, p, q);
}
}  // namespace
