// RAM copies of string literals given to plain pointers.
#include "codegen/ramstrings.h"

#include <string>

#include "codegen/asmout.h"
#include "codegen/context.h"
#include "codegen/fold.h"

namespace cg {

namespace {

// A one-byte data pointer without a bank or memory class: what a plain `char *` or `void *` is.
// It is read through FSR with IRP clear, so it reaches banks 0 and 1; the copies live in bank 0.
bool reaches_ram_only(const cg_context& ctx, const tree_node* n) {
    constexpr uint16_t elsewhere = PC_CONST | PC_EEPROM | PC_BANK1 | PC_BANK2 | PC_BANK3;
    return outer_level(n->levels) == LEVEL_POINTER && outer_level(static_cast<uint16_t>(n->levels >> 2)) != LEVEL_FUNCTION &&
           node_size(ctx, n) == 1 && !(n->pclass & elsewhere);
}

bool within_strings(const tree_node* x);

bool offset_of_strings(const tree_node* base, const tree_node* offset) {
    return within_strings(base) && offset && !offset->levels;
}

// Whether x is an address within string literals, built only of what ram_address rebuilds.
bool within_strings(const tree_node* x) {
    if (!x) return false;
    switch (x->op) {
    case OP_STRING: return x->left && x->left->op == OP_CONST;
    case OP_ADD: return offset_of_strings(x->left, x->right) || offset_of_strings(x->right, x->left);
    case OP_SUB: return offset_of_strings(x->left, x->right);
    case OP_CONV: return outer_level(x->levels) == LEVEL_POINTER && within_strings(x->left);
    case OP_ADDR: return x->left && x->left->op == OP_DEREF && within_strings(x->left->left);
    case OP_QUEST: {
        const tree_node* alts = x->right;
        return alts && alts->op == OP_COLON && alts->left && alts->right &&
               (within_strings(alts->left) || within_strings(alts->right));
    }
    default: return false;
    }
}

std::string ram_string_label(int32_t number) { return "RSTR_" + std::to_string(number); }

// The copy of literal `number`: one per literal and module, a static byte whose address is
// taken; its bytes are written with the module's end.
symbol* ram_copy(cg_context& ctx, int32_t number) {
    symbol*& copy = ctx.ram_strings[number];
    if (copy) return copy;
    copy = ctx.symbols.make_detached();
    copy->name = ram_string_label(number);
    copy->kind = sym_kind::object;
    copy->sclass = storage::static_;
    set_symbol_type(copy, type_ref{basic_type_named(ctx, "uc"), 0, 0});
    copy->flags |= SF_DEFINED;
    copy->number = ctx.next_symbol_number++;
    symbol_size(ctx, copy);
    return copy;
}

// x (within_strings holds) rebuilt over the RAM copies, every pointer of it typed `like`.
tree_node* ram_address(cg_context& ctx, tree_node* x, const tree_node* like) {
    switch (x->op) {
    case OP_STRING: {
        symbol* copy = ram_copy(ctx, x->left->value);
        tree_free(ctx, x);
        tree_node* a = tree_make(ctx, OP_ADDR, make_id(ctx, copy), nullptr);
        copy_value_type(a, like);
        return a;
    }
    case OP_CONV: return ram_address(ctx, keep_left(ctx, x), like);
    case OP_ADDR: {
        tree_node* deref = x->left;
        tree_node* inner = deref->left;
        ctx.nodes.free(deref);
        ctx.nodes.free(x);
        return ram_address(ctx, inner, like);
    }
    case OP_QUEST: {
        tree_node* alts = x->right;
        for (tree_node** alt : {&alts->left, &alts->right})
            *alt = within_strings(*alt) ? ram_address(ctx, *alt, like) : tree_convert(ctx, *alt, like);
        copy_value_type(alts, like);
        refresh_node(alts);
        break;
    }
    default: {   // OP_ADD, OP_SUB
        // Made anew, so that the offset takes the width of the one-byte pointer.
        uint32_t op = x->op;
        tree_node *l = x->left, *r = x->right;
        ctx.nodes.free(x);
        if (offset_of_strings(l, r)) l = ram_address(ctx, l, like);
        else r = ram_address(ctx, r, like);
        x = tree_make(ctx, op, l, r);
        break;
    }
    }
    copy_value_type(x, like);
    refresh_node(x);
    return x;
}

bool terminated(const string_record& r) { return !r.bytes.empty() && r.bytes.back() == 0; }

}  // namespace

tree_node* ram_string_address(cg_context& ctx, tree_node* conversion) {
    if (conversion->op != OP_CONV || !reaches_ram_only(ctx, conversion) || !within_strings(conversion->left))
        return nullptr;
    tree_node like;
    copy_value_type(&like, conversion);
    ctx.nodes.changed = true;
    return ram_address(ctx, keep_left(ctx, conversion), &like);
}

void keep_string_record(cg_context& ctx, int32_t number, const std::vector<uint8_t>& bytes) {
    ctx.string_records.push_back({number, bytes});
}

void write_ram_strings(cg_context& ctx) {
    if (ctx.ram_strings.empty()) return;
    const std::vector<string_record>& records = ctx.string_records;
    // A record without its zero continues into the next one (the parser shares tails), so the
    // copies of the literals of one such run share one image: the first copy asked for holds
    // the bytes from its own start to the run's zero, the later ones stand within it.
    for (size_t first = 0; first < records.size();) {
        size_t last = first;
        while (last + 1 < records.size() && !terminated(records[last])) ++last;
        symbol* holder = nullptr;
        uint32_t offset = 0;   // of the current record in the holder's image
        std::vector<data_item> image;
        std::vector<std::pair<symbol*, uint32_t>> within;
        for (size_t i = first; i <= last; ++i) {
            auto wanted = ctx.ram_strings.find(records[i].number);
            if (wanted != ctx.ram_strings.end()) {
                if (holder) within.emplace_back(wanted->second, offset);
                else holder = wanted->second;
            }
            if (!holder) continue;
            for (uint8_t b : records[i].bytes) image.push_back({b, {}});
            offset += static_cast<uint32_t>(records[i].bytes.size());
        }
        if (holder) define_initialised(ctx, holder, image);
        for (auto& [copy, at] : within) {
            emit(ctx, "%s\tequ\t%s+%u\n", asm_name(copy).c_str(), asm_name(holder).c_str(), static_cast<unsigned>(at));
            copy->flags |= SF_WRITTEN;
        }
        first = last + 1;
    }
    // A literal whose record never came still gets an (empty) string.
    for (auto& [number, copy] : ctx.ram_strings)
        if (!(copy->flags & SF_WRITTEN)) define_initialised(ctx, copy, {data_item{0, {}}});
}

}  // namespace cg
