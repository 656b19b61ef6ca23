// Doubly linked list of borrowed data pointers; owns its nodes, never the data.
#pragma once
#include <cstdint>

struct vector;

struct ll_node {
    void* data;
    ll_node* prev;
    ll_node* next;
};

struct llist {
    uint32_t l_size;
    ll_node* head;
    ll_node* tail;
};

using ll_data_fn = int (*)(void* context, void* data_or_node);
enum : int { LL_BACKWARD = 1, LL_PASS_NODE = 2 };

llist* ll_create();
void ll_clear(llist* list);
void ll_free(llist* list);
ll_node* ll_head(const llist* list);
ll_node* ll_tail(const llist* list);
ll_node* ll_next(const ll_node* node);
ll_node* ll_prev(const ll_node* node);
void* ll_data(const ll_node* node);
void ll_set_data(ll_node* node, void* data);
uint32_t ll_size(const llist* list);
bool ll_empty(const llist* list);
ll_node* ll_insert_before(llist* list, ll_node* node, void* data);
ll_node* ll_insert_after(llist* list, ll_node* node, void* data);
ll_node* ll_append(llist* list, void* data);
ll_node* ll_prepend(llist* list, void* data);
void* ll_remove(llist* list, ll_node* node);
llist* ll_chain_copy(const llist* list);
llist* ll_chain_join(llist* a, llist* b);
void ll_prepend_list(llist* list, llist* other);
llist* ll_chain_split_before(llist* list, ll_node* node);
llist* ll_chain_split_after(llist* list, ll_node* node);
int ll_walk_range(llist* list, ll_node* from, ll_node* to, void* context, ll_data_fn function, int flags);
int ll_walk_from(llist* list, ll_node* node, void* context, ll_data_fn function);
int ll_walk_back_from(llist* list, ll_node* node, void* context, ll_data_fn function);
int ll_walk(llist* list, void* context, ll_data_fn function);
int ll_walk_back(llist* list, void* context, ll_data_fn function);
vector* ll_to_vector(const llist* list);
void ll_sort(llist* list, int (*compare)(const void*, const void*));
void ll_merge(llist* list, const llist* other, int (*compare)(const ll_node* from_other, const ll_node* in_list));
