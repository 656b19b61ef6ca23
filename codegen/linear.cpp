// Sums as linear forms: a sum is taken apart into terms with coefficients and one constant,
// equal terms are merged and the sum rebuilt. A sum that nothing combines is left as it is.
#include <algorithm>
#include <vector>

#include "codegen/context.h"
#include "codegen/fold.h"
#include "codegen/rewrite.h"

namespace cg {

namespace {

struct term {
    const tree_node* node;
    int32_t coef;
};

// Operands are taken apart while fewer than this many terms have been collected; after that
// each operand is kept as one whole term, so no term is ever lost.
constexpr size_t split_limit = 27;

struct linear_form {
    std::vector<term> terms;
    uint32_t total = 0;       // constants, modulo 2^32
    int constants = 0;        // constant leaves met
    bool distributed = false; // a coefficient was multiplied into a nested sum
};

uint32_t mul32(int32_t a, int32_t b) { return static_cast<uint32_t>(a) * static_cast<uint32_t>(b); }

void collect(const cg_context& ctx, const tree_node* n, int32_t coef, linear_form& f, bool top) {
    bool split = f.terms.size() < split_limit && !is_floating(n);
    if (split && n->op == OP_CONST) {
        f.total += mul32(coef, n->value);
        ++f.constants;
        return;
    }
    if (split && (n->op == OP_ADD || n->op == OP_SUB) && n->left && n->right && !node_is_ptr(n->right) &&
        (top || node_size(ctx, n) == node_size(ctx, n->left))) {
        collect(ctx, n->left, coef, f, false);
        collect(ctx, n->right, n->op == OP_SUB ? static_cast<int32_t>(0u - static_cast<uint32_t>(coef)) : coef, f,
                false);
        return;
    }
    if (split && n->op == OP_NEG && n->left && !n->levels) {
        collect(ctx, n->left, static_cast<int32_t>(0u - static_cast<uint32_t>(coef)), f, false);
        return;
    }
    if (split && (n->op == OP_MUL || n->op == OP_SHL) && n->left && is_const_int(n->right) && !n->levels &&
        (n->left->op == OP_ADD || n->left->op == OP_SUB) && node_size(ctx, n) == node_size(ctx, n->left)) {
        int32_t k = n->op == OP_MUL ? n->right->value : static_cast<int32_t>(1u << (n->right->value & 31));
        f.distributed = true;
        collect(ctx, n->left, static_cast<int32_t>(mul32(coef, k)), f, false);
        return;
    }
    if ((n->op == OP_MUL || n->op == OP_SHL) && n->left && is_const_int(n->right) && !n->levels && split &&
        !is_floating(n)) {
        int32_t k = n->op == OP_MUL ? n->right->value : static_cast<int32_t>(1u << (n->right->value & 31));
        f.terms.push_back({n->left, static_cast<int32_t>(mul32(coef, k))});
        return;
    }
    f.terms.push_back({n, coef});
}

// Terms that read the same thing (and whose reading has no effect) share one coefficient.
bool merge_terms(std::vector<term>& terms) {
    bool merged = false;
    for (size_t i = 0; i < terms.size(); ++i) {
        if (tree_has_effect(terms[i].node)) continue;
        for (size_t j = i + 1; j < terms.size();) {
            if (tree_equal(terms[i].node, terms[j].node) && !tree_has_effect(terms[j].node)) {
                terms[i].coef = static_cast<int32_t>(static_cast<uint32_t>(terms[i].coef) +
                                                     static_cast<uint32_t>(terms[j].coef));
                terms.erase(terms.begin() + static_cast<std::ptrdiff_t>(j));
                merged = true;
            } else {
                ++j;
            }
        }
    }
    size_t before = terms.size();
    terms.erase(std::remove_if(terms.begin(), terms.end(), [](const term& t) { return t.coef == 0; }), terms.end());
    return merged || terms.size() != before;
}

// coef * t as a tree, with the magnitude of coef (the sign is applied by the caller).
tree_node* scaled(cg_context& ctx, const term& t) {
    tree_node* x = tree_copy(ctx, t.node);
    uint32_t mag = t.coef < 0 ? 0u - static_cast<uint32_t>(t.coef) : static_cast<uint32_t>(t.coef);
    if (mag == 1) return x;
    tree_node* k = const_make(ctx, static_cast<int32_t>(mag));
    const_convert(ctx, k, x, false);
    return tree_make(ctx, OP_MUL, x, k);
}

}  // namespace

tree_node* normalise_linear(cg_context& ctx, tree_node* n) {
    linear_form f;
    collect(ctx, n, 1, f, true);
    bool merged = merge_terms(f.terms);
    bool zero_dropped = f.constants == 1 && f.total == 0;
    if (!merged && f.constants < 2 && !zero_dropped && !f.distributed) return n;

    // Larger coefficients first; the pointer term (if any) leads so every partial sum keeps
    // the pointer's type.
    std::stable_sort(f.terms.begin(), f.terms.end(), [](const term& a, const term& b) { return a.coef > b.coef; });
    auto ptr = std::find_if(f.terms.begin(), f.terms.end(), [](const term& t) { return t.node->levels != 0; });
    if (ptr != f.terms.end() && ptr->coef == 1) std::rotate(f.terms.begin(), ptr, ptr + 1);

    tree_node* sum = nullptr;
    for (const term& t : f.terms) {
        tree_node* x = scaled(ctx, t);
        if (!sum) sum = t.coef < 0 ? tree_make(ctx, OP_NEG, x, nullptr) : x;
        else sum = tree_make(ctx, t.coef < 0 ? OP_SUB : OP_ADD, sum, x);
    }
    if (f.total != 0 || !sum) {
        tree_node* c = const_make(ctx, static_cast<int32_t>(f.total));
        if (sum && sum->levels) {
            tree_node t = basic_probe(ctx, node_size(ctx, sum) == 1 ? "nx" : "x");
            const_convert(ctx, c, &t, false);
        } else {
            const_convert(ctx, c, sum ? sum : n, false);
        }
        sum = sum ? tree_make(ctx, OP_ADD, sum, c) : c;
    }
    uint16_t nflags = n->nflags;
    tree_node t;
    copy_value_type(&t, n);
    tree_free(ctx, n);
    copy_value_type(sum, &t);
    sum->nflags |= nflags & NF_RANGE_FOLDED;
    ctx.nodes.changed = true;
    return sum;
}

}  // namespace cg
