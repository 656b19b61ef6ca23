// Deferred function output and the spool file of its texts.
#include "codegen/defer.h"

#include <cstdint>
#include <utility>

#include "codegen/asmout.h"
#include "codegen/autolayout.h"
#include "codegen/context.h"
#include "codegen/optimise.h"
#include "codegen/reader.h"
#include "codegen/simplify.h"
#include "common/alert.h"
#include "common/alloc.h"
#include "common/osdep.h"

namespace cg {

namespace {

// The spool, made on first need; null when it cannot be made (461 once; texts then stay in
// memory, which changes nothing in the output).
FILE* spool(cg_context& ctx) {
    spool_state& sp = ctx.spool;
    if (sp.file || sp.unavailable) return sp.file;
    // A temporary name is removed at exit and on an interrupt by the support library.
    char* name = make_temp_name();
    sp.name = name ? name : "";
    xfree(name);
    sp.file = sp.name.empty() ? nullptr : std::fopen(sp.name.c_str(), "w+");
    if (!sp.file) {
        sp.unavailable = true;
        alert_message(461, "temporary", sp.name.c_str());
        return nullptr;
    }
    std::fputc('\n', sp.file);
    return sp.file;
}

// Appends a line; its position, or -1 when it could not be spooled.
int64_t spool_write(cg_context& ctx, const std::string& text) {
    FILE* f = spool(ctx);
    if (!f || std::fseek(f, 0, SEEK_END) != 0) return -1;
    long at = std::ftell(f);
    if (at < 0 || std::fwrite(text.data(), 1, text.size(), f) != text.size() || std::fputc('\n', f) == EOF) return -1;
    return at;
}

// The whole line at a position, without its newline.
std::string spool_read(cg_context& ctx, int64_t at) {
    std::string text;
    FILE* f = ctx.spool.file;
    if (!f || std::fseek(f, static_cast<long>(at), SEEK_SET) != 0) return text;
    for (int c; (c = std::fgetc(f)) != EOF && c != '\n';) text += static_cast<char>(c);
    return text;
}

// In-line assembly texts of a kept tree go to the spool; their nodes keep the position.
void spool_texts(cg_context& ctx, tree_node* n) {
    if (!n) return;
    if (n->op == OP_ASM && n->text) {
        // The node keeps the position in its value; a text past what that holds stays in memory.
        int64_t at = spool_write(ctx, *n->text);
        if (at >= 0 && at <= INT32_MAX) {
            delete n->text;
            n->text = nullptr;
            n->value = static_cast<int32_t>(at);
        }
        return;
    }
    uint32_t arity = op_arity(n->op);
    if (arity == DOPE_UNARY || arity == DOPE_BINARY) spool_texts(ctx, n->left);
    if (arity == DOPE_BINARY) spool_texts(ctx, n->right);
}

void restore_texts(cg_context& ctx, tree_node* n) {
    if (!n) return;
    if (n->op == OP_ASM && !n->text) {
        n->text = new std::string(spool_read(ctx, n->value));
        return;
    }
    uint32_t arity = op_arity(n->op);
    if (arity == DOPE_UNARY || arity == DOPE_BINARY) restore_texts(ctx, n->left);
    if (arity == DOPE_BINARY) restore_texts(ctx, n->right);
}

}  // namespace

bool output_deferred(const cg_context& ctx) {
    return ctx.opt.opt_level > 0 && ctx.in_body && !ctx.replaying && !ctx.functions.empty();
}

void defer_statement(cg_context& ctx, tree_node* tree, bool move_increments) {
    if (!tree) return;
    spool_texts(ctx, tree);
    ctx.deferred.push_back({tree, -1, move_increments, ctx.line, ctx.file_name});
}

void defer_comment(cg_context& ctx, const std::string& text) {
    int64_t at = spool_write(ctx, text);
    if (at < 0) {
        // Without a spool the comment keeps its place in memory, as an assembly node would.
        tree_node* n = tree_make(ctx, OP_ASM, nullptr, nullptr);
        n->text = new std::string(text);
        ctx.deferred.push_back({n, -1, false, ctx.line, ctx.file_name});
        return;
    }
    ctx.deferred.push_back({nullptr, at, false, ctx.line, ctx.file_name});
}

void generate_item(cg_context& ctx, deferred_item& d) {
    ctx.line = d.line;
    ctx.file_name = d.file;
    if (!d.tree) {
        if (d.comment_at >= 0) emit_text(ctx, spool_read(ctx, d.comment_at) + "\n");
        return;
    }
    tree_node* t = d.tree;
    d.tree = nullptr;
    restore_texts(ctx, t);
    if (d.move_increments) emit_moving_increments(ctx, t);
    else generate_statement(ctx, t);
}

void generate_deferred(cg_context& ctx) {
    std::vector<deferred_item> items = std::move(ctx.deferred);
    ctx.deferred.clear();
    if (items.empty()) return;
    int32_t line = ctx.line;
    std::string file = ctx.file_name;
    ctx.replaying = true;
    if (!cg_optimise_function(ctx, items, generate_item)) {
        lay_out_autos(ctx, items, false);
        for (deferred_item& d : items) generate_item(ctx, d);
    }
    ctx.replaying = false;
    ctx.line = line;
    ctx.file_name = file;
}

void spool_close(cg_context& ctx) {
    spool_state& sp = ctx.spool;
    if (sp.file) std::fclose(sp.file);
    sp.file = nullptr;
    if (!sp.name.empty()) std::remove(sp.name.c_str());
}

}  // namespace cg
