// Declarations: specifiers, struct/union/enum bodies, declarators, local declarations.
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "common/alert.h"
#include "parser/decl.h"
#include "parser/emit.h"
#include "parser/expr.h"
#include "parser/lexer.h"
#include "parser/options.h"
#include "parser/symbols.h"

int decl_context = DC_FILE;
sym_record* declarator_params = nullptr;
bool declarator_untyped_names = false;

namespace {

sym_record* member_owner = nullptr;   // the struct or union whose members are being read

enum op_kind { D_POINTER, D_ARRAY, D_FUNCTION };
struct decl_op {
    op_kind kind;
    uint16_t classes;
    expr_node* dim;
    param_list* params;
};
struct declarator {
    sym_record* sym = nullptr;
    std::string name;
    int32_t line = 0;
    std::vector<decl_op> ops;
    uint16_t name_classes = 0;   // -A classes that fell on no pointer
};

bool is_storage_token(int code) {
    return code == TK_AUTO || code == TK_EXTERN || code == TK_REGISTER || code == TK_STATIC || code == TK_TYPEDEF;
}
bool is_type_token(int code) {
    switch (code) {
    case TK_CHAR: case TK_DOUBLE: case TK_ENUM: case TK_FLOAT: case TK_INT: case TK_LONG: case TK_SHORT:
    case TK_SIGNED: case TK_STRUCT: case TK_UNION: case TK_UNSIGNED: case TK_VOID: case TK_BIT:
        return true;
    default: return false;
    }
}
bool is_typedef_name() { return tok.code == TK_IDENT && tok.sym && tok.sym->kind == S_TYPEDEF; }

int read_tag_token() {
    name_space saved = lookup_space;
    lookup_space = NS_TAG;
    int code = next_token();
    lookup_space = saved;
    return code;
}

void tag_kind_warning(const sym_record* s) {
    if (s->kind == S_ENUM) alert_message(978);
    else if (s->kind == S_STRUCT) alert_message(979);
    else alert_message(980);
}

bool is_tag_kind(int k) { return k == S_STRUCT || k == S_UNION || k == S_ENUM; }

void parse_member_declarations(sym_record* tag, bool attach) {
    sym_record* saved_owner = member_owner;
    member_owner = attach ? tag : nullptr;
    if (attach) tag->link = nullptr;
    sym_record* tail = nullptr;
    uint16_t position = 0;
    for (;;) {
        int code = next_token();
        if (code == TK_RBRACE || code == TK_EOF) {
            if (code == TK_EOF) push_back_token();
            break;
        }
        push_back_token();
        decl_spec spec;
        parse_specifiers(spec, DC_MEMBER);
        for (;;) {
            sym_record* m = nullptr;
            if (peek_token() == TK_COLON) {
                m = new_anon_symbol();
                m->kind = S_MEMBER;
                m->type = spec.type;
                m->link = tag;
            } else {
                m = declare_declarator(spec, DC_MEMBER, false);
            }
            if (m && is_function(m->type)) alert_message(263);
            if (next_token() == TK_COLON) {
                type_desc& t = m->type;
                bool signed_field = t.kind == K_PLAIN && !t.indirection && t.code < 16 && !(t.code & 1);
                // A plain int field is unsigned; one declared "signed int" keeps its sign.
                bool keeps_sign = signed_field && spec.signed_given && (is_plain(t, 8) || (opt.char_bitfields && is_plain(t, 4)));
                if (signed_field && !keeps_sign) {
                    if (!(m->flags & F_ANON)) alert_message(369);
                    t.code |= 1;
                }
                if (opt.char_bitfields && (is_plain(t, 9) || is_plain(t, 8))) t.code = is_plain(t, 8) ? 4 : 5;
                if (!(is_plain(t, 9) || is_plain(t, 8) || (opt.char_bitfields && (is_plain(t, 5) || is_plain(t, 4)))))
                    alert_message(264);
                if (next_token() != TK_ICONST) {
                    alert_message(265);
                    push_back_token();
                } else {
                    m->width_or_address = tok.value;
                }
                m->flags |= F_BITFIELD;
            } else {
                push_back_token();
            }
            if (m && attach) {
                m->index = position++;
                m->link = tag;
                if (tail) tail->link = m;
                else tag->link = m;
                tail = m;
            }
            int sep = next_token();
            if (sep == TK_COMMA) continue;
            if (sep != TK_SEMI) {
                alert_message(314);
                push_back_token();
                skip_to_sync();
                if (next_token() != TK_SEMI) push_back_token();
            }
            break;
        }
    }
    if (attach && !tail) tag->link = tag;
    member_owner = saved_owner;
}

type_desc parse_struct_union(int keyword) {
    static int struct_level = 0;
    nesting_guard guard(struct_level);
    if (guard.too_deep()) alert_message(297);
    int kind = keyword == TK_STRUCT ? S_STRUCT : S_UNION;
    type_desc t = make_basic(keyword == TK_STRUCT ? ic::T_STRUCT : ic::T_UNION);
    sym_record* tag = nullptr;
    int code = read_tag_token();
    if (code == TK_IDENT) {
        sym_record* s = tok.sym;
        int32_t line = lex_line;
        bool body = peek_token() == TK_LBRACE;
        if (body) s->name_line = line;
        if (is_tag_kind(s->kind) && s->kind != kind) {
            tag_kind_warning(s);
            tag = s;
        } else if (s->kind == kind && (!body || s->level == block_level)) {
            tag = s;
        } else {
            tag = declare_symbol(s, kind, nullptr, nullptr);
            if (body) tag->name_line = line;
        }
    } else {
        tag = new_anon_symbol();
        tag->kind = static_cast<uint8_t>(kind);
        tag->number = new_label_number();
        push_back_token();
        if (peek_token() != TK_LBRACE) alert_message(323);
    }
    t.base = tag;
    if (next_token() == TK_LBRACE) {
        bool attach = true;
        if ((tag->flags & F_DEFINED) && !(tag->flags & F_ANON)) {
            alert_message(262, tag->name);
            attach = false;
        }
        parse_member_declarations(tag, attach);
        if (attach) {
            xref_define(tag);
            tag->flags |= F_DEFINED;
            emit_struct(tag);
        }
    } else {
        push_back_token();
    }
    return t;
}

type_desc parse_enum() {
    type_desc t = make_basic(ic::T_ENUM);
    sym_record* tag = nullptr;
    int code = read_tag_token();
    bool body;
    if (code == TK_IDENT) {
        sym_record* s = tok.sym;
        int32_t line = lex_line;
        body = peek_token() == TK_LBRACE;
        if (s->kind == S_STRUCT || s->kind == S_UNION) tag_kind_warning(s);
        if (!body) {
            if (s->kind != S_ENUM || !(s->flags & F_DEFINED)) alert_message(260, s->name);
            tag = s;
        } else {
            tag = (s->kind == S_ENUM && s->level == block_level && !(s->flags & F_DEFINED))
                      ? s
                      : declare_symbol(s, S_ENUM, nullptr, nullptr);
            if (tag) tag->name_line = line;
        }
    } else {
        push_back_token();
        body = peek_token() == TK_LBRACE;
        if (!body) alert_message(322);
        tag = new_anon_symbol();
        tag->kind = S_ENUM;
    }
    t.base = tag;
    if (!body) return t;
    next_token();
    xref_define(tag);
    tag->flags |= F_DEFINED;
    emit_enum_open(tag);
    int32_t value = 0;
    uint16_t position = 0;
    std::string names;
    for (;;) {
        int c = next_token();
        if (c == TK_RBRACE) break;
        if (c != TK_IDENT) {
            alert_message(321);
            if (c == TK_EOF || c == TK_SEMI) {
                push_back_token();
                break;
            }
            continue;
        }
        int32_t constant_line = lex_line;
        sym_record* k = declare_symbol(tok.sym, S_ENUM_CONST, &t, tag);
        if (k) k->name_line = constant_line;
        if (next_token() == TK_ASSIGN) {
            expr_node* e = parse_constant_expression(CX_ENUM, nullptr);
            int32_t v;
            if (e) {
                const type_desc& et = e->type;
                if (!(is_plain(et, ic::T_ENUM) || (is_integral(et) && skip_transparent(et).code <= 11)))
                    alert_message(991);
                else if (const_value(e, v))
                    value = v;
                release_tree(e);
            }
        } else {
            push_back_token();
        }
        if (k) {
            k->index = position;
            k->value = value;
            k->owner = tag;
            xref_define(k);
            names += std::string(k->name) + " ";
        }
        ++position;
        emit_enum_value(value);
        value = wrap_add(value, 1);
        c = next_token();
        if (c == TK_COMMA) continue;
        if (c == TK_RBRACE) break;
        alert_message(316);
        push_back_token();
        break;
    }
    emit_enum_close(tag, names);
    return t;
}

param_list* parse_param_list(int outer_context, bool own, bool& untyped_names);

// declarator: pointer* direct-declarator suffix*
void parse_declarator_into(int context, declarator& d) {
    static int declarator_level = 0;
    nesting_guard guard(declarator_level);
    std::vector<decl_op> pointers;
    while (next_token() == TK_STAR) {
        decl_op op{D_POINTER, 0, nullptr, nullptr};
        while (next_token() == TK_QUALIFIER) op.classes |= static_cast<uint16_t>(tok.value);
        push_back_token();
        pointers.push_back(op);
    }
    push_back_token();
    declarator inner;
    bool has_name = false;
    int code = next_token();
    if (code == TK_IDENT) {
        d.sym = tok.sym;
        d.name = tok.name;
        d.line = lex_line;
        has_name = true;
        bool adds = context == DC_BLOCK || context == DC_KR_PARAMS || context == DC_KR_LIST || context == DC_PROTO;
        if (adds && opt.default_classes) {
            if (!pointers.empty()) pointers.back().classes |= opt.default_classes;
            else d.name_classes |= opt.default_classes;
        }
    } else if (code == TK_LPAREN) {
        int next = next_token();
        bool params = next == TK_RPAREN || is_storage_token(next) || is_type_token(next) || next == TK_QUALIFIER ||
                      is_typedef_name();
        push_back_token();
        if (params) {
            // The "(" starts a parameter list of an abstract declarator: read it as a suffix.
            tok.code = TK_LPAREN;
            push_back_token();
        } else if (guard.too_deep()) {
            // Read up to this level's ")" without going deeper.
            alert_message(286);
            for (int open = 1;;) {
                int t = next_token();
                if (t == TK_LPAREN) ++open;
                if (t == TK_RPAREN && --open == 0) break;
                if (t == TK_EOF || t == TK_SEMI || t == TK_LBRACE) {
                    push_back_token();
                    break;
                }
            }
        } else {
            parse_declarator_into(context, inner);
            d.sym = inner.sym;
            d.name = inner.name;
            d.line = inner.line;
            d.name_classes |= inner.name_classes;
            if (next_token() != TK_RPAREN) {
                alert_message(194);
                push_back_token();
            }
        }
    } else {
        push_back_token();
    }
    std::vector<decl_op> suffixes;
    bool first_suffix = true;
    for (;;) {
        code = next_token();
        if (code == TK_LPAREN) {
            bool own = has_name && first_suffix;
            bool untyped = false;
            param_list* list = parse_param_list(context, own, untyped);
            if (own) declarator_untyped_names = untyped;
            suffixes.push_back({D_FUNCTION, 0, nullptr, list});
        } else if (code == TK_LBRACKET) {
            expr_node* dim = nullptr;
            if (next_token() != TK_RBRACKET) {
                push_back_token();
                dim = parse_constant_expression(CX_DIMENSION, nullptr);
                if (next_token() != TK_RBRACKET) {
                    alert_message(310);
                    push_back_token();
                }
            }
            suffixes.push_back({D_ARRAY, 0, dim, nullptr});
        } else {
            push_back_token();
            break;
        }
        first_suffix = false;
    }
    for (auto& p : pointers) d.ops.push_back(p);
    for (size_t i = suffixes.size(); i-- > 0;) d.ops.push_back(suffixes[i]);
    for (auto& o : inner.ops) d.ops.push_back(o);
}

type_desc apply_declarator(type_desc t, const declarator& d) {
    if (d.name_classes) add_classes(t, d.name_classes);
    for (size_t i = 0; i < d.ops.size(); ++i) {
        const decl_op& op = d.ops[i];
        switch (op.kind) {
        case D_POINTER:
            if (t.kind != K_PLAIN) t = wrap_in_type_symbol(t);
            if (t.indirection & 0x8000) {
                alert_message(256);
                alert_message(286);
            } else {
                add_pointer(t);
            }
            if (op.classes) {
                t = wrap_in_type_symbol(t);
                t.classes = op.classes;
            }
            break;
        case D_ARRAY:
            if (t.kind == K_FUNCTION) {
                alert_message(280);
                break;
            }
            if (t.kind == K_ARRAY) {
                if (!t.dim_tree) alert_message(283);
                t = wrap_in_type_symbol(t);
            }
            t.kind = K_ARRAY;
            t.dim_tree = op.dim;
            t.dim = 0;
            if (op.dim) {
                int32_t v;
                if (const_value(op.dim, v)) {
                    if (v < 1) alert_message(284);
                    t.dim = v;
                }
            }
            break;
        case D_FUNCTION:
            if (t.kind == K_FUNCTION) {
                alert_message(281);
                break;
            }
            if (t.kind == K_ARRAY) {
                alert_message(282);
                break;
            }
            t.kind = K_FUNCTION;
            t.params = op.params;
            break;
        }
    }
    return t;
}

param_list* parse_param_list(int outer_context, bool own, bool& untyped_names) {
    int saved_context = decl_context;
    ++block_level;
    param_list* list = new_param_list();
    std::vector<type_desc> items;
    bool any_proto = false, any_names = false, ended = false;
    sym_record* head = nullptr;
    sym_record* tail = nullptr;
    uint16_t index = 0;
    if (next_token() == TK_RPAREN) {
        --block_level;
        decl_context = saved_context;
        if (own) declarator_params = nullptr;
        return nullptr;
    }
    push_back_token();
    auto chain = [&](sym_record* p) {
        for (sym_record* q = head; q; q = q->link)
            if (q == p) {
                alert_message(278, p->name);
                return;
            }
        p->link = nullptr;
        p->index = ++index;
        p->flags |= F_LISTED;
        if (tail) tail->link = p;
        else head = p;
        tail = p;
    };
    while (!ended) {
        int code = next_token();
        if (code == TK_ELLIPSIS) {
            if (!any_proto) alert_message(275);
            items.push_back(make_basic(ic::T_ELLIPSIS));
            if (next_token() != TK_RPAREN) {
                alert_message(194);
                push_back_token();
            }
            break;
        }
        if (code == TK_IDENT && !is_typedef_name()) {
            if (!(own && outer_context == DC_FILE && block_level == 1)) alert_message(276);
            if (any_proto) alert_message(277);
            any_names = true;
            decl_context = DC_KR_LIST;
            type_desc int_type = make_basic(ic::T_INT);
            sym_record* p = declare_symbol(tok.sym, S_PARAM, &int_type, nullptr);
            if (p && own) chain(p);
        } else {
            push_back_token();
            decl_spec spec;
            parse_specifiers(spec, DC_PROTO);
            if (any_names) alert_message(277);
            any_proto = true;
            sym_record* p = declare_declarator(spec, DC_PROTO, false);
            if (p) {
                items.push_back(p->type);
                if (own && !(p->flags & F_ANON)) {
                    chain(p);
                    p->flags |= F_TYPED_PARAM | F_VARIADIC;
                }
            }
        }
        code = next_token();
        if (code == TK_ASSIGN) {
            alert_message(279);
            expr_node* e = parse_expression_in(CX_ARGUMENT);
            release_tree(e);
            code = next_token();
        }
        if (code == TK_IDENT || (code >= TK_PRAGMA_KW && code <= TK_BIT) || code == TK_QUALIFIER) {
            alert_message(372);
            push_back_token();
            continue;
        }
        if (code == TK_COMMA) continue;
        if (code != TK_RPAREN) {
            alert_message(194);
            push_back_token();
        }
        ended = true;
    }
    --block_level;
    decl_context = saved_context;
    if (own) declarator_params = head;
    untyped_names = any_names;
    if (!any_proto) return nullptr;
    list->items = items;
    return list;
}

// A parameter of function type becomes a pointer to it, of array type a pointer to the element.
void adjust_parameter_type(type_desc& t) {
    fold_type(t);
    if (t.kind == K_FUNCTION) {
        t = wrap_in_type_symbol(t);
        add_pointer(t);
    } else if (t.kind == K_ARRAY) {
        t.kind = K_PLAIN;
        t.dim_tree = nullptr;
        t.dim = 0;
        if (t.code == ic::T_DERIVED && t.indirection == 0 && t.base && t.base->type.kind != K_PLAIN &&
            t.classes == 0) {
            add_pointer(t);
        } else if (t.code == ic::T_DERIVED && t.indirection == 0 && t.classes) {
            t = wrap_in_type_symbol(t);
            add_pointer(t);
        } else {
            add_pointer(t);
        }
    }
}

}  // namespace

bool starts_declaration(int code) {
    return is_storage_token(code) || is_type_token(code) || code == TK_QUALIFIER ||
           (code == TK_IDENT && is_typedef_name());
}

bool parse_specifiers(decl_spec& spec, int context) {
    spec = decl_spec{};
    int longs = 0;
    bool is_signed = false, is_unsigned = false, basic_seen = false, any = false, from_typedef = false;
    uint16_t quals = 0;
    int32_t basic = ic::T_INT;
    type_desc t = make_basic(ic::T_INT);
    for (;;) {
        int code = next_token();
        if (is_storage_token(code)) {
            any = true;
            if (code == TK_AUTO && block_level == 0) alert_message(267);
            if (context == DC_MEMBER || context == DC_TYPE_NAME) {
                alert_message(266);
                continue;
            }
            if ((context == DC_PROTO || context == DC_KR_LIST) && code != TK_REGISTER) alert_message(267);
            if (code == TK_REGISTER) {
                spec.reg = true;
                continue;
            }
            if (spec.storage && spec.storage != code) alert_message(268);
            else spec.storage = code;
            if (code == TK_STATIC || code == TK_TYPEDEF || code == TK_AUTO) spec.storage_given = true;
        } else if (code == TK_QUALIFIER) {
            any = true;
            if (quals & tok.value) alert_message(258);
            quals |= static_cast<uint16_t>(tok.value);
        } else if (code == TK_LONG || code == TK_SHORT) {
            any = true;
            longs += code == TK_LONG ? 1 : -1;
        } else if (code == TK_SIGNED || code == TK_UNSIGNED) {
            any = true;
            (code == TK_SIGNED ? is_signed : is_unsigned) = true;
        } else if (is_type_token(code)) {
            any = true;
            if (basic_seen) alert_message(269);
            basic_seen = true;
            from_typedef = false;
            switch (code) {
            case TK_CHAR: basic = ic::T_CHAR; break;
            case TK_DOUBLE: basic = ic::T_DOUBLE; break;
            case TK_FLOAT: basic = ic::T_FLOAT; break;
            case TK_INT: basic = ic::T_INT; break;
            case TK_VOID: basic = ic::T_VOID; break;
            case TK_BIT: basic = ic::T_BIT; break;
            case TK_STRUCT:
            case TK_UNION:
                t = parse_struct_union(code);
                basic = t.code;
                from_typedef = true;
                break;
            case TK_ENUM:
                t = parse_enum();
                basic = ic::T_ENUM;
                from_typedef = true;
                break;
            default: break;
            }
            if (!from_typedef) t = make_basic(basic);
        } else if (code == TK_IDENT && is_typedef_name() && !basic_seen && longs == 0) {
            any = true;
            basic_seen = true;
            from_typedef = true;
            sym_record* td = tok.sym;
            td->flags |= F_USED;
            const type_desc& tt = skip_transparent(td->type);
            if ((quals && (tt.kind == K_ARRAY || tt.kind == K_FUNCTION)) || tt.indirection) {
                t = type_desc{};
                t.code = ic::T_DERIVED;
                t.base = td;
            } else {
                t = td->type;
                fold_type(t);
            }
            basic = t.code;
        } else {
            if (context == DC_TYPE_NAME && code == TK_IDENT) alert_message(370);
            push_back_token();
            break;
        }
    }
    if (quals) add_classes(t, quals);
    if (!spec.storage) {
        spec.storage = block_level == 0 && context == DC_FILE ? TK_EXTERN : context == DC_BLOCK ? TK_AUTO : context;
        if (context == DC_FILE) spec.storage = TK_EXTERN;
        spec.storage_given = true;
    }
    if (spec.reg && !(spec.storage == TK_AUTO || context == DC_KR_PARAMS || context == DC_KR_LIST ||
                      context == DC_PROTO))
        alert_message(270);
    if (!from_typedef) {
        int32_t code = basic;
        if (longs < 0) {
            if (code == ic::T_INT) code = ic::T_SHORT;
            else alert_message(272);
        } else if (longs > 0) {
            if (code == ic::T_INT) code = (longs >= 2 && opt.long_long) ? ic::T_LONGLONG : ic::T_LONG;
            else if (code == ic::T_DOUBLE) {
            } else if (code == ic::T_FLOAT && !opt.strict) code = ic::T_DOUBLE;
            else alert_message(271);
        }
        if (is_signed && is_unsigned) alert_message(273);
        if (is_unsigned) {
            if (code > 15) alert_message(274);
            else code |= 1;
        } else if (code == ic::T_CHAR && !is_signed && opt.unsigned_char) {
            code = ic::T_CHAR | 1;
        }
        t.code = code;
    } else if (is_unsigned || is_signed || longs) {
        if (is_unsigned && t.kind == K_PLAIN && !t.indirection && t.code <= 15) t.code |= 1;
        else if (is_unsigned) alert_message(274);
    }
    spec.type = t;
    spec.signed_given = is_signed && !is_unsigned;
    spec.nothing = !any;
    return any;
}

sym_record* declare_declarator(decl_spec& spec, int context, bool keep_params) {
    int saved_context = decl_context;
    decl_context = context;
    declarator d;
    int outer_level = block_level;
    if (context == DC_FILE || context == DC_BLOCK) {
        declarator_params = nullptr;
        declarator_untyped_names = false;
    }
    parse_declarator_into(context, d);
    type_desc t = apply_declarator(spec.type, d);
    sym_record* sym = d.sym;
    if (!sym) {
        bool bitfield = context == DC_MEMBER && peek_token() == TK_COLON;
        if (!(context == DC_TYPE_NAME || context == DC_KR_LIST || context == DC_PROTO || bitfield)) alert_message(285);
        sym = new_anon_symbol();
        if (context == DC_TYPE_NAME) sym->kind = S_TYPEDEF;
    }
    if (spec.nothing && context != DC_PROTO && context != DC_KR_LIST && context != DC_KR_PARAMS) {
        if (is_function(t)) alert_message(371);
        else alert_message(374);
    }
    const type_desc& s = skip_transparent(t);
    if (s.code == ic::T_BIT && (s.kind == K_ARRAY || s.indirection)) alert_message(287);
    int kind = context == DC_MEMBER ? S_MEMBER
               : (context == DC_PROTO || context == DC_KR_LIST) ? S_PARAM
               : context == DC_TYPE_NAME ? S_TYPEDEF
               : context == DC_KR_PARAMS ? S_PARAM
               : spec.storage;
    if (kind == TK_AUTO) kind = S_AUTO;
    if (is_plain(t, ic::T_VOID) && kind != S_TYPEDEF && kind != S_PARAM && !is_function(t)) alert_message(288);
    if ((t.classes & Q_INTERRUPT) && !is_function(t)) alert_message(289);
    // Classes of a function record qualify what it returns; only a qualified function typedef
    // qualifies the function itself.
    if (t.kind == K_PLAIN && t.code == ic::T_DERIVED && !t.indirection && (t.classes & (Q_CONST | Q_VOLATILE)) &&
        is_function(t))
        alert_message(290);
    if (context == DC_PROTO || context == DC_KR_LIST) adjust_parameter_type(t);   // K&R arrays wait for the body
    if (context == DC_KR_PARAMS) {
        if (sym->kind != S_PARAM || !(sym->flags & F_LISTED)) {
            alert_message(291, sym->name);
            sym = declare_symbol(sym, S_EXTERN, &t, nullptr);
        } else if (sym->flags & F_TYPED_PARAM) {
            alert_message(278, sym->name);
        } else {
            if (is_function(t)) alert_message(292);
            if (is_plain(t, ic::T_FLOAT)) {
                alert_message(352);
                t.code = ic::T_DOUBLE;
            }
            copy_type(t, sym->type);
            fold_type(sym->type);
            sym->flags |= F_TYPED_PARAM;
        }
    } else if (sym->flags & F_ANON) {
        if (kind == S_MEMBER) {
            sym->kind = S_MEMBER;
            sym->type = t;
        } else {
            if (kind != S_TYPEDEF) sym->kind = static_cast<uint8_t>(kind);
            sym->type = t;
        }
    } else {
        if (kind == S_AUTO && is_function(t)) kind = S_EXTERN;
        if (kind == S_MEMBER && member_owner)
            for (sym_record* m = member_owner->link; m && m != member_owner; m = m->link)
                if (std::strcmp(m->name, sym->name) == 0) alert_message(261, sym->name);
        sym = declare_symbol(sym, kind, &t, kind == S_MEMBER ? member_owner : nullptr);
        if (sym && spec.reg) sym->flags |= F_REGISTER;
    }
    if (sym && d.line) sym->name_line = d.line;
    if (!keep_params && block_level == outer_level) close_level(outer_level + 1);
    decl_context = saved_context;
    return sym;
}


type_desc parse_type_name() {
    decl_spec spec;
    parse_specifiers(spec, DC_TYPE_NAME);
    sym_record* s = declare_declarator(spec, DC_TYPE_NAME, false);
    type_desc t = s ? s->type : spec.type;
    fold_type(t);
    return t;
}

namespace {
// Initialises an automatic aggregate from an anonymous static copy.
void initialise_by_copy(sym_record* local) {
    sym_record* copy = new_anon_symbol();
    copy->kind = S_STATIC;
    copy->type = local->type;
    fold_type(copy->type);
    if (opt.init_classes) copy->type.classes |= opt.init_classes;
    copy->flags |= F_INITIALISED;
    emit_var(copy);
    initialise_object(copy);
    if (is_array(local->type) && !array_dim_tree(local->type)) {
        uint16_t classes = local->type.classes;
        local->type = copy->type;
        local->type.classes = classes;
    }
    // The local's record follows the copy, so that an open dimension is already known.
    xref_define(local);
    emit_var(local);
    expr_node* assignment;
    if (opt.init_block_copy) {
        expr_node* n = new_node(ic::OP_BLOCKCOPY);
        n->left = sym_leaf(local);
        n->right = sym_leaf(copy);
        n->type = local->type;
        assignment = n;
    } else {
        // Both sides seen as a struct of one member of the object's type.
        sym_record* tag = new_anon_symbol();
        tag->kind = S_STRUCT;
        tag->number = new_label_number();
        sym_record* member = new_anon_symbol();
        member->kind = S_MEMBER;
        member->type = local->type;
        member->link = tag;
        tag->link = member;
        emit_struct(tag);
        type_desc wrapper = make_basic(ic::T_STRUCT);
        wrapper.base = tag;
        auto as_wrapper = [&](sym_record* s) {
            expr_node* a = new_node(ic::OP_ADDR);
            a->left = sym_leaf(s);
            a->type = s->type;
            a->type.kind = K_PLAIN;
            add_pointer(a->type);
            type_desc pw = wrapper;
            add_pointer(pw);
            expr_node* c = new_node(ic::OP_CONV);
            c->left = a;
            c->right = type_leaf(pw);
            c->type = pw;
            expr_node* d = new_node(ic::OP_DEREF);
            d->left = c;
            d->type = wrapper;
            return d;
        };
        expr_node* n = new_node(ic::OP_ASSIGN);
        n->left = as_wrapper(local);
        n->right = as_wrapper(copy);
        n->type = wrapper;
        assignment = n;
    }
    emit_expr_stmt(assignment);
    release_tree(assignment);
}

}  // namespace

// A scalar type with the qualifiers of its typedef names gathered on its own level, less const.
type_desc unqualified_scalar(const type_desc& t) {
    uint16_t classes = 0;
    const type_desc* p = &t;
    for (; p->code == ic::T_DERIVED && !p->indirection && p->kind == K_PLAIN && p->base; p = &p->base->type)
        classes |= p->classes;
    type_desc plain{};
    copy_type(*p, plain);
    plain.classes = static_cast<uint16_t>((plain.classes | classes) & ~Q_CONST);
    return plain;
}

namespace {

// A const automatic scalar made static (-R) keeps its static home only when its initialiser is
// constant; one computed at run time (`const int k = i - 1;`) is valid C and stays automatic.
void initialise_const_auto(sym_record* sym) {
    bool brace = next_token() == TK_LBRACE;
    if (!brace) push_back_token();
    int saved = alert_set_level(10);
    expr_node* e = parse_expression_in(CX_ARGUMENT);
    alert_set_level(saved);
    if (e && is_constant_expr(e)) {
        sym->flags |= F_INITIALISED;
        if (!(sym->flags & F_DEFINED)) xref_define(sym);
        emit_var(sym);
        emit_init_open(sym);
        emit_init_item(assign_convert(e, sym->type, false));
        emit_init_close();
        release_tree(e);
    } else {
        // Const data lives in program memory here: the automatic copy is plain RAM, so it
        // drops the qualifier (uses of it then convert as they do for any int). A typedef may
        // carry the const, so the type is taken past its names; writes still warn.
        sym->kind = S_AUTO;
        sym->flags &= ~F_NUMBERED;
        sym->type = unqualified_scalar(sym->type);
        xref_define(sym);
        emit_var(sym);
        if (e) {
            sym->flags |= F_USED;
            expr_node* a = make_node(ic::OP_ASSIGN, sym_leaf(sym), e);
            emit_expr_stmt(a);
            release_tree(a);
        }
        sym->read_only = true;
    }
    if (brace && next_token() != TK_RBRACE) {
        alert_message(316);
        push_back_token();
    }
}

// An automatic array sized by its initialiser, assigned element by element: its record must
// carry the count only the initialiser gives (the code generator reserves the object's bytes
// from it), so the assignments wait in a scratch file until the record is written.
void initialise_open_array(sym_record* sym) {
    FILE* scratch = std::tmpfile();
    if (!scratch) {
        initialise_by_copy(sym);
        return;
    }
    xref_define(sym);
    // Its element types go first, and its own record is held back until the count is known.
    emit_declare_type(sym->type);
    sym->flags |= F_EMITTED;
    FILE* saved = ic_out;
    ic_out = scratch;
    initialise_object(sym);
    ic_out = saved;
    sym->flags &= ~F_EMITTED;
    emit_var(sym);
    std::rewind(scratch);
    char buffer[4096];
    size_t got;
    while ((got = std::fread(buffer, 1, sizeof buffer, scratch)) > 0) std::fwrite(buffer, 1, got, ic_stream());
    // A scratch file cut short by a full disk would drop initialisers without a word.
    if (std::ferror(scratch)) alert_message(413, "scratch file");
    std::fclose(scratch);
}

void initialise_local(sym_record* sym, const decl_spec& spec, int context, bool made_static) {
    bool bad = is_function(sym->type) || context == DC_KR_PARAMS || sym->kind == S_EXTERN || sym->kind == S_TYPEDEF;
    if (bad) alert_message(238);
    if (made_static && is_scalar(sym->type)) {
        initialise_const_auto(sym);
        return;
    }
    if (sym->kind == S_STATIC || sym->kind == S_EXTERN) {
        sym->flags |= F_INITIALISED;
        if (!(sym->flags & F_DEFINED)) xref_define(sym);
        emit_var(sym);
        initialise_object(sym);
        return;
    }
    if (bad) {
        release_tree(parse_expression_in(CX_ARGUMENT));
        return;
    }
    (void)spec;
    int next = peek_token();
    if (is_scalar(sym->type) || (next != TK_LBRACE && next != TK_STRING)) {
        xref_define(sym);
        emit_var(sym);
        bool brace = next_token() == TK_LBRACE;
        if (!brace) push_back_token();
        int saved = alert_set_level(10);
        expr_node* e = parse_expression_in(CX_ARGUMENT);
        alert_set_level(saved);
        if (e) {
            expr_node* target = sym_leaf(sym);
            sym->flags |= F_USED;
            expr_node* a = make_node(ic::OP_ASSIGN, target, e);
            emit_expr_stmt(a);
            release_tree(a);
        }
        if (brace && next_token() != TK_RBRACE) {
            alert_message(316);
            push_back_token();
        }
        return;
    }
    if (opt.static_const_autos) {
        // -R: the elements are assigned one by one where the object lives.
        if (is_array(sym->type) && !array_dim_tree(sym->type)) {
            initialise_open_array(sym);
            return;
        }
        xref_define(sym);
        emit_var(sym);
        initialise_object(sym);
        return;
    }
    initialise_by_copy(sym);
}
}  // namespace

void parse_local_declarations(int context) {
    for (;;) {
        int code = next_token();
        if (!starts_declaration(code)) {
            push_back_token();
            return;
        }
        push_back_token();
        decl_spec spec;
        parse_specifiers(spec, context);
        if (context == DC_KR_PARAMS && spec.storage != DC_KR_PARAMS) {
            alert_message(257);
            spec.storage = DC_KR_PARAMS;
        }
        if (next_token() == TK_SEMI) continue;
        push_back_token();
        for (;;) {
            sym_record* sym = declare_declarator(spec, context, false);
            bool made_static = false;
            if (sym && context == DC_BLOCK) {
                if (opt.static_const_autos && sym->kind == S_AUTO && (skip_transparent(sym->type).classes & Q_CONST) &&
                    !is_pointer(sym->type)) {
                    sym->kind = S_STATIC;
                    made_static = true;
                }
                if (sym->kind == S_STATIC) sym->flags |= F_NUMBERED;
            }
            int c = next_token();
            if (c == TK_ASSIGN && sym) {
                initialise_local(sym, spec, context, made_static);
                c = next_token();
            } else if (sym && context == DC_BLOCK && !is_function(sym->type)) {
                if (sym->kind != S_EXTERN) xref_define(sym);
                emit_var(sym);
            }
            if (c == TK_COMMA) continue;
            if (c == TK_SEMI) break;
            if (c == TK_IDENT || c == TK_STAR) {
                alert_message(372);
                push_back_token();
                continue;
            }
            alert_message(314);
            push_back_token();
            skip_statement();
            if (next_token() != TK_SEMI) push_back_token();
            break;
        }
    }
}
