// Vector, linked list and hash table.
#include <cstring>
#include <gtest/gtest.h>
#include <string>
#include <vector>

#include "common/hash.h"
#include "common/llist.h"
#include "common/vector.h"

namespace {

void* item(int n) { return reinterpret_cast<void*>(static_cast<intptr_t>(n)); }
int value(void* p) { return static_cast<int>(reinterpret_cast<intptr_t>(p)); }

std::vector<int> contents(const vector* v)
{
    std::vector<int> out;
    for (uint32_t i = 0; i < vec_size(v); i++)
        out.push_back(value(vec_get(v, i)));
    return out;
}

TEST(Vector, GrowthSetAndInsert)
{
    vector* v = vec_create_incr(3);
    EXPECT_EQ(v->items, nullptr);
    for (int i = 0; i < 7; i++)
        EXPECT_EQ(vec_push(v, item(i)), i);
    EXPECT_EQ(v->capacity, 9);
    vec_free(v);

    v = vec_create();
    EXPECT_EQ(vec_set(v, item(9), 5), item(9));
    EXPECT_EQ(vec_size(v), 6u);
    EXPECT_EQ(contents(v), (std::vector<int>{0, 0, 0, 0, 0, 9}));
    EXPECT_EQ(vec_insert(v, item(4), 100), 7u);   // beyond the count: appended
    EXPECT_EQ(value(vec_get(v, 6)), 4);
    vec_insert(v, item(1), 0);
    EXPECT_EQ(contents(v), (std::vector<int>{1, 0, 0, 0, 0, 0, 9, 4}));
    EXPECT_EQ(vec_get(v, 8), nullptr);
    vec_free(v);
    vec_free(nullptr);
}

// A large vector must not be copied once per increment: that made loading the message
// file quadratic.
TEST(Vector, LargeGrowthIsGeometric)
{
    vector* v = vec_create();
    EXPECT_EQ(vec_set(v, item(7), 99999), item(7));
    EXPECT_EQ(vec_size(v), 100000u);
    EXPECT_EQ(vec_get(v, 99998), nullptr);
    EXPECT_EQ(value(vec_get(v, 99999)), 7);
    vec_free(v);

    v = vec_create();
    int reallocations = 0;
    void** last = nullptr;
    for (int i = 0; i < 100000; i++) {
        vec_push(v, item(i % 50));
        if (v->items != last) {
            reallocations++;
            last = v->items;
        }
    }
    EXPECT_LT(reallocations, 40);
    EXPECT_EQ(value(vec_get(v, 12345)), 12345 % 50);
    vec_free(v);
}

TEST(Vector, CursorsFollowRemovalsAndInsertions)
{
    vector* v = vec_create();
    for (int i = 1; i <= 5; i++)
        vec_push(v, item(i));
    EXPECT_EQ(value(vec_first(v)), 1);
    EXPECT_EQ(value(vec_next(v)), 2);
    // Removing an item below the cursor does not skip the next one.
    EXPECT_EQ(vec_remove_at(v, 0), 1);
    EXPECT_EQ(value(vec_next(v)), 3);
    vec_insert(v, item(7), 0);
    EXPECT_EQ(value(vec_next(v)), 4);
    EXPECT_EQ(value(vec_first2(v)), 7);   // the second cursor is independent
    EXPECT_EQ(value(vec_next(v)), 5);
    EXPECT_EQ(vec_next(v), nullptr);
    EXPECT_EQ(vec_next(v), nullptr);
    EXPECT_FALSE(vec_more(v));
    EXPECT_EQ(value(vec_current2(v)), 2);
    EXPECT_EQ(vec_remove_at(v, 99), 0);
    EXPECT_EQ(vec_first(nullptr), nullptr);
    vec_free(v);
}

TEST(Vector, FindRemoveDupUnionAppend)
{
    vector* v = vec_create();
    vec_push(v, item(1));
    vec_push(v, item(2));
    vec_push(v, item(1));
    EXPECT_EQ(vec_find(v, item(1)), 0);
    EXPECT_EQ(vec_find(v, item(5)), -1);
    EXPECT_EQ(vec_remove(v, item(1)), 1);
    EXPECT_EQ(contents(v), (std::vector<int>{2, 1}));
    EXPECT_EQ(v->items[2], nullptr);   // the freed slot is cleared
    EXPECT_EQ(vec_add_unique(v, item(2)), 0);
    EXPECT_EQ(vec_add_unique(v, item(3)), 2);

    vector* empty = vec_create_incr(4);
    vector* d = vec_dup(empty);
    EXPECT_EQ(vec_size(d), 0u);
    EXPECT_EQ(d->increment, 4);
    vec_free(d);

    d = vec_dup(v);
    EXPECT_EQ(contents(d), contents(v));
    EXPECT_NE(d->items, v->items);
    EXPECT_EQ(vec_union(d, v), 3u);
    EXPECT_EQ(contents(d), (std::vector<int>{2, 1, 3}));
    EXPECT_EQ(vec_append(d, v), 3u);
    EXPECT_EQ(vec_size(d), 6u);
    EXPECT_EQ(vec_append(d, d), 6u);   // onto itself: doubles once
    EXPECT_EQ(vec_size(d), 12u);
    vec_clear(d);
    EXPECT_EQ(vec_size(d), 0u);
    vec_free(d);
    vec_free(empty);
    EXPECT_EQ(vec_dup(nullptr), nullptr);
    vec_free(v);
}

int compare_slots(const void* a, const void* b)
{
    return value(*static_cast<void* const*>(a)) - value(*static_cast<void* const*>(b));
}

TEST(Vector, Sort)
{
    vector* v = vec_create();
    vec_sort(v, compare_slots);
    for (int n : {5, 3, 9, 1, 3})
        vec_push(v, item(n));
    vec_sort(v, compare_slots);
    EXPECT_EQ(contents(v), (std::vector<int>{1, 3, 3, 5, 9}));
    vec_free(v);
}

std::vector<int> list_contents(const llist* l)
{
    std::vector<int> out;
    for (ll_node* n = ll_head(l); n; n = ll_next(n))
        out.push_back(value(ll_data(n)));
    std::vector<int> back;
    for (ll_node* n = ll_tail(l); n; n = ll_prev(n))
        back.insert(back.begin(), value(ll_data(n)));
    EXPECT_EQ(out, back) << "links disagree";
    EXPECT_EQ(out.size(), ll_size(l));
    return out;
}

llist* make_list(std::initializer_list<int> values)
{
    llist* l = ll_create();
    for (int v : values)
        ll_append(l, item(v));
    return l;
}

TEST(LinkedList, InsertRemoveAndEnds)
{
    llist* l = ll_create();
    EXPECT_TRUE(ll_empty(l));
    ll_node* two = ll_prepend(l, item(2));
    ll_insert_before(l, two, item(1));
    ll_insert_after(l, two, item(3));
    ll_append(l, item(4));
    EXPECT_EQ(list_contents(l), (std::vector<int>{1, 2, 3, 4}));
    EXPECT_EQ(value(ll_remove(l, two)), 2);
    EXPECT_EQ(value(ll_remove(l, ll_head(l))), 1);
    EXPECT_EQ(value(ll_remove(l, ll_tail(l))), 4);
    EXPECT_EQ(list_contents(l), (std::vector<int>{3}));
    ll_remove(l, ll_head(l));
    EXPECT_EQ(ll_head(l), nullptr);
    EXPECT_EQ(ll_tail(l), nullptr);
    EXPECT_TRUE(ll_empty(l));
    ll_free(l);
}

TEST(LinkedList, JoinsAndSplitsKeepBothEnds)
{
    llist* a = ll_create();
    a = ll_chain_join(a, make_list({1, 2}));   // onto an empty list
    EXPECT_EQ(list_contents(a), (std::vector<int>{1, 2}));
    a = ll_chain_join(a, make_list({3}));
    a = ll_chain_join(a, ll_create());
    EXPECT_EQ(list_contents(a), (std::vector<int>{1, 2, 3}));

    llist* b = ll_create();
    ll_prepend_list(b, make_list({7, 8}));     // into an empty list
    EXPECT_EQ(list_contents(b), (std::vector<int>{7, 8}));
    ll_prepend_list(b, make_list({6}));
    EXPECT_EQ(list_contents(b), (std::vector<int>{6, 7, 8}));
    ll_free(b);

    llist* after = ll_chain_split_after(a, ll_tail(a));
    EXPECT_TRUE(ll_empty(after));
    EXPECT_EQ(list_contents(a), (std::vector<int>{1, 2, 3}));
    ll_free(after);
    llist* front = ll_chain_split_before(a, ll_head(a));
    EXPECT_TRUE(ll_empty(front));
    ll_free(front);
    front = ll_chain_split_before(a, ll_tail(a));
    EXPECT_EQ(list_contents(front), (std::vector<int>{1, 2}));
    EXPECT_EQ(list_contents(a), (std::vector<int>{3}));
    ll_append(a, item(4));
    after = ll_chain_split_after(a, ll_head(a));
    EXPECT_EQ(list_contents(after), (std::vector<int>{4}));
    EXPECT_EQ(list_contents(a), (std::vector<int>{3}));
    ll_free(after);
    ll_free(front);

    llist* c = ll_chain_copy(a);
    EXPECT_EQ(list_contents(c), list_contents(a));
    EXPECT_NE(ll_head(c), ll_head(a));
    ll_free(c);
    ll_free(a);
}

struct walk_log {
    std::vector<int> seen;
    int stop_at = -1;
    llist* remove_from = nullptr;
};

int log_data(void* context, void* data)
{
    auto* log = static_cast<walk_log*>(context);
    log->seen.push_back(value(data));
    return value(data) == log->stop_at ? 99 : 0;
}

int remove_visited(void* context, void* node)
{
    auto* log = static_cast<walk_log*>(context);
    log->seen.push_back(value(static_cast<ll_node*>(node)->data));
    ll_remove(log->remove_from, static_cast<ll_node*>(node));
    return 0;
}

TEST(LinkedList, WalksRangesAndWrapping)
{
    llist* l = make_list({1, 2, 3, 4});
    walk_log log;
    EXPECT_EQ(ll_walk_range(l, ll_head(l)->next, ll_head(l)->next, &log, log_data, 0), 0);
    EXPECT_EQ(log.seen, (std::vector<int>{2}));
    log.seen.clear();
    // Backward from the head to its successor runs round the end.
    ll_walk_range(l, ll_head(l), ll_head(l)->next, &log, log_data, LL_BACKWARD);
    EXPECT_EQ(log.seen, (std::vector<int>{1, 4, 3, 2}));
    log.seen.clear();
    ll_walk_range(l, ll_tail(l), ll_head(l)->next, &log, log_data, 0);
    EXPECT_EQ(log.seen, (std::vector<int>{4, 1, 2}));
    log.seen.clear();
    log.stop_at = 3;
    EXPECT_EQ(ll_walk(l, &log, log_data), 99);
    EXPECT_EQ(log.seen, (std::vector<int>{1, 2, 3}));
    log.seen.clear();
    log.stop_at = -1;
    ll_walk_back(l, &log, log_data);
    EXPECT_EQ(log.seen, (std::vector<int>{4, 3, 2, 1}));
    log.seen.clear();
    ll_walk_back_from(l, ll_tail(l)->prev, &log, log_data);
    EXPECT_EQ(log.seen, (std::vector<int>{3, 2, 1}));
    log.seen.clear();
    // A "to" that is not in the range never stops the walk: it ends after every node.
    llist* other = make_list({9});
    ll_walk_range(l, ll_head(l), ll_head(other), &log, log_data, 0);
    EXPECT_EQ(log.seen, (std::vector<int>{1, 2, 3, 4}));
    ll_free(other);
    log.seen.clear();
    // A callback may remove the node it is given.
    log.remove_from = l;
    ll_walk_range(l, ll_head(l), ll_tail(l), &log, remove_visited, LL_PASS_NODE);
    EXPECT_EQ(log.seen, (std::vector<int>{1, 2, 3, 4}));
    EXPECT_TRUE(ll_empty(l));
    log.seen.clear();
    EXPECT_EQ(ll_walk(l, &log, log_data), 0);
    EXPECT_TRUE(log.seen.empty());
    ll_free(l);
}

int compare_data(const void* a, const void* b) { return compare_slots(a, b); }

int merge_order(const ll_node* from_other, const ll_node* in_list)
{
    return value(from_other->data) - value(in_list->data);
}

TEST(LinkedList, SortMergeAndVector)
{
    llist* l = make_list({4, 1, 3});
    ll_node* head = ll_head(l);
    ll_sort(l, compare_data);
    EXPECT_EQ(list_contents(l), (std::vector<int>{1, 3, 4}));
    EXPECT_EQ(ll_head(l), head);   // the nodes stay, the data moves
    llist* one = make_list({5});
    ll_sort(one, compare_data);
    EXPECT_EQ(list_contents(one), (std::vector<int>{5}));
    llist* none = ll_create();
    ll_sort(none, compare_data);
    vector* v = ll_to_vector(none);
    EXPECT_EQ(vec_size(v), 0u);
    vec_free(v);

    llist* other = make_list({0, 3, 5, 9});
    ll_merge(l, other, merge_order);
    EXPECT_EQ(list_contents(l), (std::vector<int>{0, 1, 3, 3, 4, 5, 9}));
    EXPECT_EQ(list_contents(other), (std::vector<int>{0, 3, 5, 9}));
    v = ll_to_vector(l);
    EXPECT_EQ(vec_size(v), 7u);
    vec_free(v);
    ll_free(l);
    ll_free(one);
    ll_free(none);
    ll_free(other);
}

int count_cells(void* context, const void*, void*)
{
    ++*static_cast<int*>(context);
    return 0;
}

int stop_at_b(void*, const void* key, void*) { return std::strcmp(static_cast<const char*>(key), "b") == 0 ? 7 : 0; }

TEST(HashTable, InsertLookupRemoveAndReuse)
{
    hash_table* t = hash_create(4, hash_text, hash_text_compare);
    int a = 1, b = 2;
    EXPECT_EQ(hash_insert(t, "a", &a), 1);
    EXPECT_EQ(hash_insert(t, "a", &b), 0);   // the first data stays
    EXPECT_EQ(hash_lookup(t, "a"), &a);
    EXPECT_EQ(hash_insert(t, "b", &b), 1);
    EXPECT_EQ(hash_count(t), 2);
    EXPECT_EQ(hash_walk(t, nullptr, stop_at_b), 7);
    hash_cell* cell = t->buckets[hash_text("a") % 4];
    while (cell && std::strcmp(static_cast<const char*>(cell->key), "a") != 0)
        cell = cell->next;
    ASSERT_NE(cell, nullptr);
    EXPECT_EQ(hash_remove(t, "a"), &a);
    EXPECT_EQ(hash_remove(t, "a"), nullptr);
    // The freed cell is taken again by the next insert, in any table.
    hash_table* u = hash_create(3, nullptr, nullptr);
    hash_insert(u, &a, &b);
    EXPECT_EQ(u->buckets[static_cast<uint32_t>(reinterpret_cast<uintptr_t>(&a)) % 3], cell);
    hash_free(u);
    hash_free(t);
    hash_free(nullptr);
}

TEST(HashTable, DefaultFunctionsCompareKeyPointers)
{
    hash_table* t = hash_create(7, nullptr, nullptr);
    char k1[] = "same", k2[] = "same";
    int d = 0;
    EXPECT_EQ(hash_insert(t, k1, &d), 1);
    EXPECT_EQ(hash_insert(t, k2, &d), 1);
    EXPECT_EQ(hash_count(t), 2);
    int n = 0;
    hash_table* e = hash_create(3, nullptr, nullptr);
    EXPECT_EQ(hash_walk(e, &n, count_cells), 0);
    EXPECT_EQ(n, 0);
    hash_free(e);
    hash_free(t);
}

uint32_t first_letter(const void* key) { return static_cast<uint32_t>(*static_cast<const char*>(key)); }

TEST(HashTable, DupAssignAndViews)
{
    hash_table* t = hash_create(5, hash_text, hash_text_compare);
    const char* keys[] = {"one", "two", "three", "four", "five", "six"};
    int data[6];
    for (int i = 0; i < 6; i++)
        hash_insert(t, keys[i], &data[i]);
    vector* values = hash_values(t);
    vector* k = hash_keys(t);
    EXPECT_EQ(vec_size(values), 6u);
    EXPECT_EQ(vec_size(k), 6u);
    vec_free(values);
    vec_free(k);

    hash_table* d = hash_dup(t);
    EXPECT_EQ(hash_count(d), 6);
    for (int i = 0; i < 6; i++)
        EXPECT_EQ(hash_lookup(d, keys[i]), &data[i]);

    // Assigning into a table with another hash function and size: every key is still found.
    hash_table* other = hash_create(2, first_letter, hash_text_compare);
    hash_insert(other, "zzz", &data[0]);
    EXPECT_EQ(hash_assign(other, t), other);
    EXPECT_EQ(other->size, 5u);
    EXPECT_EQ(other->hash, first_letter);
    EXPECT_EQ(hash_count(other), 6);
    EXPECT_EQ(hash_lookup(other, "zzz"), nullptr);
    for (int i = 0; i < 6; i++)
        EXPECT_EQ(hash_lookup(other, keys[i]), &data[i]) << keys[i];

    hash_table* made = hash_assign(nullptr, t);
    EXPECT_EQ(hash_count(made), 6);
    EXPECT_EQ(hash_assign(made, nullptr), nullptr);
    hash_clear(d);
    EXPECT_EQ(hash_count(d), 0);
    EXPECT_EQ(hash_lookup(d, "one"), nullptr);
    hash_free(d);
    hash_free(other);
    hash_free(t);
}

TEST(ContainerDeath, ProgrammingErrorsAssert)
{
    EXPECT_DEATH(hash_create(0, nullptr, nullptr), "size != 0");
    EXPECT_DEATH(vec_push(nullptr, nullptr), "Assertion");
}

}  // namespace
