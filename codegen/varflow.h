// The auto variables a function's data flow follows, and the walk over a statement that
// reports their reads and stores in evaluation order. Shared by the used-before-set check
// and the constant and liveness passes.
#pragma once
#include <cstdint>
#include <unordered_map>
#include <vector>

#include "codegen/tree.h"

namespace cg {

struct deferred_item;

// An auto whose every occurrence is its plain value: no address, member, volatile or array
// access that would let it change or be read out of sight.
bool may_follow(const symbol* s);

struct followed {
    std::unordered_map<const symbol*, size_t> index;
    std::vector<const symbol*> syms;
    std::vector<bool> refused;
};

// The followed variables of a function's statements.
followed find_followed(const std::vector<deferred_item>& items);

// Index of a followed variable an ID names; -1 for anything else.
int64_t followed_index(const tree_node* n, const followed& f);

// "=%" ... "=|": the assignments that combine the old value with the right side.
bool is_compound_assign(uint32_t op);
// The operator a compound assignment combines with ("=+" gives "+"); OP_NONE for another.
uint32_t plain_operator(uint32_t op);

// Walks a statement in evaluation order: `use(v, node)` for each read, `set(v)` for each store.
template <typename U, typename S>
void walk(const tree_node* n, const followed& f, U& use, S& set) {
    if (!n) return;
    if (n->op == OP_ID) {
        if (int64_t v = followed_index(n, f); v >= 0) use(static_cast<size_t>(v), n);
        return;
    }
    uint32_t arity = op_arity(n->op);
    int64_t target = arity == DOPE_BINARY || arity == DOPE_UNARY ? followed_index(n->left, f) : -1;
    if (target >= 0 && n->op == OP_ASSIGN) {
        walk(n->right, f, use, set);
        set(static_cast<size_t>(target));
        return;
    }
    if (target >= 0 && (is_compound_assign(n->op) || n->op == OP_POSTINC || n->op == OP_POSTDEC)) {
        use(static_cast<size_t>(target), n->left);
        if (arity == DOPE_BINARY) walk(n->right, f, use, set);
        set(static_cast<size_t>(target));
        return;
    }
    if (arity == DOPE_UNARY || arity == DOPE_BINARY) walk(n->left, f, use, set);
    if (arity == DOPE_BINARY) walk(n->right, f, use, set);
}

}  // namespace cg
