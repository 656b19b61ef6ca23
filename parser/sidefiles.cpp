// Side files: raw cross-reference, function information, prototypes; function entry.
#include "parser/sidefiles.h"

#include <cstring>
#include <map>
#include <memory>
#include <string>

#include "common/alert.h"
#include "common/replace_file.h"
#include "listing/xreffile/xref_file.h"
#include "parser/decl.h"
#include "parser/emit.h"
#include "parser/expr.h"
#include "parser/lexer.h"
#include "parser/options.h"
#include "parser/symbols.h"

FILE* xref_raw_file = nullptr;
FILE* proto_file = nullptr;
const char* fipath = nullptr;

namespace {
// Every side file is written under a temporary name and moved into place with the output.
replacing_file xref_target, proto_target;
std::map<std::string, std::unique_ptr<replacing_file>> fi_files;

FILE* open_func_info() {
    if (!fipath) return nullptr;
    std::string name = lex_file;
    size_t slash = name.find_last_of("/\\");
    if (slash != std::string::npos) name.erase(0, slash + 1);
    size_t dot = name.rfind('.');
    if (dot != std::string::npos) name.erase(dot);
    name += ".fi";
    std::string path = std::string(fipath) + "/" + name;
    auto& file = fi_files[path];
    if (!file) {
        file = std::make_unique<replacing_file>();
        if (!file->create(path, false)) alert_message(338, "function information", path.c_str());
    }
    return file->stream();
}

std::string base_specifiers(const type_desc& t) {
    static const char* const names[] = {"????", "bit", "char", "short", "int", "long", "long long",
                                        "index", "float", "double", "???", "void", "???", "..."};
    switch (t.code) {
    case ic::T_ENUM: return std::string("enum ") + (t.base ? t.base->name : "");
    case ic::T_STRUCT:
    case ic::T_UNION: {
        std::string s = t.code == ic::T_STRUCT ? "struct " : "union ";
        if (t.base && *t.base->name) return s + t.base->name;
        return s + "S" + std::to_string(t.base ? t.base->number : 0);
    }
    default: break;
    }
    int32_t c = t.code & ~1;
    if (c >= 4 && c <= 12) return std::string((t.code & 1) ? "unsigned " : "signed ") + names[c / 2];
    return (t.code / 2 < 14) ? names[t.code / 2] : "???";
}

std::string qualifier_words(uint16_t classes) {
    std::string s;
    for (int i = 0; i < qualifier_rows; ++i)
        if ((classes >> i) & 1) s += " " + qualifier_table[i].name;
    return s;
}

std::string c_type(const type_desc& t0);
std::string c_expression(const expr_node* n);

std::string c_params(const param_list* list) {
    if (!list) return "";
    std::string s;
    for (size_t i = 0; i < list->items.size(); ++i) {
        if (i) s += ", ";
        s += c_type(list->items[i]);
    }
    return s;
}


// C form of a type split around the place of the declarator: head (specifiers, stars, an opening
// parenthesis) and tail (its closing parenthesis, dimensions, parameter lists).
struct c_form {
    std::string head, tail;
};

c_form c_parts(const type_desc& t0) {
    type_desc t = t0;
    fold_type(t);
    std::string stars(static_cast<size_t>(__builtin_popcount(t.indirection)), '*');
    std::string own;
    if (t.kind == K_ARRAY) own = "[" + c_expression(t.dim_tree) + "]";
    else if (t.kind == K_FUNCTION) own = "(" + c_params(t.params) + ")";
    std::string q = qualifier_words(t.classes);
    if (t.code == ic::T_DERIVED && t.base) {
        c_form inner = c_parts(t.base->type);
        if (skip_transparent(t.base->type).kind != K_PLAIN && !stars.empty())
            return {inner.head + q + " (" + stars, own + ")" + inner.tail};
        return {inner.head + q + (stars.empty() ? "" : " " + stars), own + inner.tail};
    }
    return {base_specifiers(t) + q + (stars.empty() ? "" : " " + stars), own};
}

std::string c_type(const type_desc& t) {
    c_form f = c_parts(t);
    return f.head + f.tail;
}
}  // namespace

bool open_xref_file(const char* name) {
    // Each parser run of a program adds its files' references.
    if (xref_target.create(name, false, true)) xref_raw_file = xref_target.stream();
    if (!xref_raw_file) {
        alert_message(338, "xref", name);
        return false;
    }
    return true;
}

void xref_write_file(const char* name) {
    if (xref_raw_file) xref_write_source(xref_raw_file, name);
}
void xref_write_reference(const char* name, int line) {
    if (xref_raw_file) xref_write_reference(xref_raw_file, name, line);
}
void xref_write_definition(const char* name, int line) {
    if (xref_raw_file) xref_write_definition(xref_raw_file, name, line);
}

void write_func_info(const char* name) {
    if (!fipath || !name) return;
    if (FILE* f = open_func_info()) {
        std::fprintf(f, "%s %d\n", name, static_cast<int>(lex_line));
    }
}

void func_info_start(sym_record* function, int first_line) {
    if (!fipath) return;
    if (FILE* f = open_func_info()) {
        if (function->type.classes & Q_INTERRUPT) std::fputc('!', f);
        std::fprintf(f, "%s %ld %u\n", function->name, static_cast<long>(first_line),
                     static_cast<unsigned>(emit_last_marker_line()));
    }
}

void func_info_end(int last_line) {
    if (!fipath) return;
    if (FILE* f = open_func_info()) {
        std::fprintf(f, "%ld\n", static_cast<long>(last_line));
    }
}

namespace {
// An old-style parameter arrives promoted, so the prototype names its promoted type.
bool parameter_agrees(const type_desc& parameter, const type_desc& prototype, bool old_style) {
    if (types_equal(parameter, prototype, false)) return true;
    if (!old_style || !is_arithmetic(parameter)) return false;
    int32_t code = skip_transparent(parameter).code;
    return is_plain(prototype, code == ic::T_FLOAT ? ic::T_DOUBLE : promote_code(code));
}
}  // namespace

void start_function_body(sym_record* function, sym_record* params) {
    const type_desc& ft = skip_transparent(function->type);
    const param_list* list = ft.params;
    std::string line;
    c_form returned;
    if (proto_file) {
        type_desc ret = ft;
        ret.kind = K_PLAIN;
        ret.params = nullptr;
        returned = c_parts(ret);
        line = std::string(function->kind == S_STATIC ? "static" : "extern") + " " + returned.head + " " +
               function->name + "(";
    }
    std::vector<sym_record*> chain;
    // The parameters' types as declared, for the checks below: a const scalar's own type
    // loses the qualifier.
    std::vector<type_desc> declared;
    // Parameters declared in a prototype list carry F_VARIADIC until here; old-style ones never.
    bool old_style = params && !(params->flags & F_VARIADIC);
    uint16_t position = 0;
    for (sym_record* p = params; p; p = p->link) {
        chain.push_back(p);
        ++position;
        if (list) {
            p->flags &= static_cast<uint16_t>(~(F_LISTED | F_TYPED_PARAM));
            p->index = position;
            p->flags |= F_VARIADIC;
        } else if (std::strcmp(function->name, "main") == 0) {
            p->index = 0;
            p->flags &= static_cast<uint16_t>(~(F_LISTED | F_TYPED_PARAM | F_VARIADIC));
        } else {
            p->flags &= static_cast<uint16_t>(~(F_LISTED | F_TYPED_PARAM));
        }
        type_desc& t = p->type;
        fold_type(t);
        if (t.kind == K_ARRAY) {
            if (t.dim > 1) alert_message(368, p->name);
            t.kind = K_PLAIN;
            t.dim_tree = nullptr;
            t.dim = 0;
            add_pointer(t);
        }
        declared.push_back(t);
        // Const data lives in program memory here, but a parameter is RAM the caller stores
        // into: like a const automatic set at run time, it drops the qualifier (so that its
        // address is a RAM address) and writes still warn. So does a structure or union.
        const type_desc& own = skip_transparent(t);
        const bool aggregate = own.code == ic::T_STRUCT || own.code == ic::T_UNION;
        if ((is_scalar(t) || aggregate) && own.kind == K_PLAIN && !own.indirection && is_const_object(t)) {
            p->type = unqualified(t);
            p->read_only = true;
        }
        xref_define(p);
        p->flags |= F_DEFINED;
        emit_var(p);
    }
    if (proto_file) {
        bool prototyped = list != nullptr;
        if (chain.empty()) {
            if (!opt.proto_short) line += "void";
        } else if (prototyped || !opt.proto_short) {
            for (size_t i = 0; i < chain.size(); ++i) line += (i ? ", " : "") + c_type(declared[i]);
        }
        if (list && has_ellipsis(ft)) line += ", ...";
        line += ")" + returned.tail + ";\n";
        std::fputs(line.c_str(), proto_file);
    }
    if (!list) {
        if (old_style) {
            remember_old_style_parameters(function, declared);
        }
        return;
    }
    if (is_void_list(list)) {
        if (!chain.empty()) alert_message(253);
        return;
    }
    size_t n = list->items.size();
    size_t fixed = has_ellipsis(ft) ? n - 1 : n;
    for (size_t i = 0; i < chain.size() && i < fixed; ++i)
        if (!parameter_agrees(declared[i], list->items[i], old_style)) {
            alert_message(252, static_cast<int>(i));
            int level = alert_set_level(0);   // read back: the library has no query of its own
            alert_set_level(level);
            if (level < 0) print_type_pair(declared[i], list->items[i], " / ");
        }
    if (chain.size() != fixed) alert_message(253);
}

namespace {
// C text of an expression, constants by value: the prototype file's array dimensions.
std::string c_expression(const expr_node* n) {
    if (!n) return "";
    while (n->code == ic::OP_CONV) n = n->left;
    switch (n->code) {
    case ic::OP_SIZEOF: return "sizeof(" + c_type(n->left ? n->left->type : n->type) + ")";
    case ic::OP_IDENT:
        if (n->sym && n->sym->kind == S_ENUM_CONST) return std::to_string(static_cast<int>(n->sym->value));
        if (n->sym && (n->sym->flags & F_NUMBERED)) return "F" + std::to_string(static_cast<unsigned>(n->sym->seq));
        if (n->sym) return std::string("_") + n->sym->name;
        return "";
    case ic::OP_ICONST: return std::to_string(static_cast<int>(n->value));
    case ic::OP_FCONST: return n->text ? n->text : "0";
    case ic::OP_STRING: case ic::OP_TYPE: case ic::OP_MEMBER: case ic::OP_LISTEND: return "";
    default: break;
    }
    bool binary = ic::op_arity(n->code) == 2;
    std::string s = "(";
    if (binary) s += c_expression(n->left);
    s += ic::op_spelling(n->code);
    s += c_expression(binary ? n->right : n->left);
    return s + ")";
}
}  // namespace

void write_c_expression(FILE* out, const expr_node* n) { std::fputs(c_expression(n).c_str(), out); }

bool open_proto_file(const char* name) {
    if (proto_target.create(name, false)) proto_file = proto_target.stream();
    return proto_file != nullptr;
}

void side_files_to_commit(std::vector<replacing_file*>& files) {
    for (replacing_file* f : {&xref_target, &proto_target})
        if (f->stream()) files.push_back(f);
    for (auto& [path, file] : fi_files)
        if (file->stream()) files.push_back(file.get());
}

void close_side_files() {
    xref_raw_file = nullptr;
    proto_file = nullptr;
    xref_target.discard();
    proto_target.discard();
    fi_files.clear();
}
