// Doubly linked list of borrowed data pointers.
#include "common/llist.h"

#include "common/alloc.h"
#include "common/check.h"
#include "common/vector.h"

namespace {

ll_node* new_node(void* data)
{
    ll_node* node = xnew<ll_node>();
    node->data = data;
    return node;
}

// The only node of an empty list.
ll_node* first_node(llist* list, void* data)
{
    ll_node* node = new_node(data);
    list->head = list->tail = node;
    list->l_size = 1;
    return node;
}

}  // namespace

llist* ll_create() { return xnew<llist>(); }

void ll_clear(llist* list)
{
    ORM_ASSERT(list);
    ll_node* node = list->head;
    while (node) {
        ll_node* next = node->next;
        xfree(node);
        node = next;
    }
    list->head = list->tail = nullptr;
    list->l_size = 0;
}

void ll_free(llist* list)
{
    if (!list)
        return;
    ll_clear(list);
    xfree(list);
}

ll_node* ll_head(const llist* list) { return list->head; }
ll_node* ll_tail(const llist* list) { return list->tail; }
ll_node* ll_next(const ll_node* node) { return node ? node->next : nullptr; }
ll_node* ll_prev(const ll_node* node) { return node ? node->prev : nullptr; }
void* ll_data(const ll_node* node) { return node ? node->data : nullptr; }
void ll_set_data(ll_node* node, void* data) { node->data = data; }
uint32_t ll_size(const llist* list) { return list->l_size; }
bool ll_empty(const llist* list) { return list->l_size == 0; }

ll_node* ll_insert_before(llist* list, ll_node* node, void* data)
{
    ORM_ASSERT(list);
    if (!list->head)
        return first_node(list, data);
    ORM_ASSERT(node);
    ll_node* n = new_node(data);
    n->next = node;
    n->prev = node->prev;
    if (node->prev)
        node->prev->next = n;
    else
        list->head = n;
    node->prev = n;
    list->l_size++;
    return n;
}

ll_node* ll_insert_after(llist* list, ll_node* node, void* data)
{
    ORM_ASSERT(list);
    if (!list->head)
        return first_node(list, data);
    ORM_ASSERT(node);
    ll_node* n = new_node(data);
    n->prev = node;
    n->next = node->next;
    if (node->next)
        node->next->prev = n;
    else
        list->tail = n;
    node->next = n;
    list->l_size++;
    return n;
}

ll_node* ll_append(llist* list, void* data) { return ll_insert_after(list, list->tail, data); }
ll_node* ll_prepend(llist* list, void* data) { return ll_insert_before(list, list->head, data); }

void* ll_remove(llist* list, ll_node* node)
{
    ORM_ASSERT(list);
    ORM_ASSERT(node);
    if (node->prev)
        node->prev->next = node->next;
    else
        list->head = node->next;
    if (node->next)
        node->next->prev = node->prev;
    else
        list->tail = node->prev;
    void* data = node->data;
    xfree(node);
    list->l_size--;
    return data;
}

llist* ll_chain_copy(const llist* list)
{
    llist* copy = ll_create();
    for (ll_node* n = list->head; n; n = n->next)
        ll_append(copy, n->data);
    return copy;
}

// Both ends of the receiving list are set, also when it was empty.
llist* ll_chain_join(llist* a, llist* b)
{
    ORM_ASSERT(a);
    if (!b)
        return a;
    if (b->head) {
        if (a->tail) {
            a->tail->next = b->head;
            b->head->prev = a->tail;
        } else {
            a->head = b->head;
        }
        a->tail = b->tail;
        a->l_size += b->l_size;
    }
    xfree(b);
    return a;
}

void ll_prepend_list(llist* list, llist* other)
{
    ORM_ASSERT(list);
    if (!other)
        return;
    if (other->head) {
        if (list->head) {
            other->tail->next = list->head;
            list->head->prev = other->tail;
        } else {
            list->tail = other->tail;
        }
        list->head = other->head;
        list->l_size += other->l_size;
    }
    xfree(other);
}

namespace {
uint32_t count_from(const ll_node* from, const ll_node* to)
{
    uint32_t n = 0;
    for (const ll_node* p = from; p && p != to; p = p->next)
        n++;
    return n;
}
}  // namespace

llist* ll_chain_split_before(llist* list, ll_node* node)
{
    ORM_ASSERT(list);
    ORM_ASSERT(node);
    llist* front = ll_create();
    if (node == list->head)
        return front;
    uint32_t n = count_from(list->head, node);
    front->head = list->head;
    front->tail = node->prev;
    front->tail->next = nullptr;
    front->l_size = n;
    node->prev = nullptr;
    list->head = node;
    list->l_size -= n;
    return front;
}

llist* ll_chain_split_after(llist* list, ll_node* node)
{
    ORM_ASSERT(list);
    ORM_ASSERT(node);
    llist* back = ll_create();
    if (node == list->tail)
        return back;
    uint32_t n = count_from(node->next, nullptr);
    back->head = node->next;
    back->tail = list->tail;
    back->head->prev = nullptr;
    back->l_size = n;
    node->next = nullptr;
    list->tail = node;
    list->l_size -= n;
    return back;
}

int ll_walk_range(llist* list, ll_node* from, ll_node* to, void* context, ll_data_fn function, int flags)
{
    ORM_ASSERT(list);
    if (!list->head || !from)
        return 0;
    bool backward = flags & LL_BACKWARD;
    // The successor is taken before the callback (which may remove the node), and no walk
    // visits more nodes than the list holds.
    uint32_t limit = list->l_size;
    ll_node* node = from;
    for (uint32_t visited = 0; node && visited < limit; visited++) {
        ll_node* next = backward ? node->prev : node->next;
        if (!next)
            next = backward ? list->tail : list->head;
        bool last = node == to;
        if (int r = function(context, (flags & LL_PASS_NODE) ? static_cast<void*>(node) : node->data))
            return r;
        if (last)
            break;
        node = next;
    }
    return 0;
}

int ll_walk_from(llist* list, ll_node* node, void* context, ll_data_fn function)
{
    return ll_walk_range(list, node, list->tail, context, function, 0);
}

int ll_walk_back_from(llist* list, ll_node* node, void* context, ll_data_fn function)
{
    return ll_walk_range(list, node, list->head, context, function, LL_BACKWARD);
}

int ll_walk(llist* list, void* context, ll_data_fn function)
{
    return ll_walk_range(list, list->head, list->tail, context, function, 0);
}

int ll_walk_back(llist* list, void* context, ll_data_fn function)
{
    return ll_walk_range(list, list->tail, list->head, context, function, LL_BACKWARD);
}

vector* ll_to_vector(const llist* list)
{
    vector* v = vec_create();
    for (ll_node* n = list->head; n; n = n->next)
        vec_push(v, n->data);
    return v;
}

void ll_sort(llist* list, int (*compare)(const void*, const void*))
{
    if (list->l_size <= 1)
        return;
    vector* v = ll_to_vector(list);
    ORM_ASSERT(vec_size(v) == list->l_size);
    vec_sort(v, compare);
    uint32_t i = 0;
    for (ll_node* n = list->head; n; n = n->next)
        n->data = vec_get(v, i++);
    vec_free(v);
}

void ll_merge(llist* list, const llist* other, int (*compare)(const ll_node* from_other, const ll_node* in_list))
{
    ll_node* at = list->head;
    for (const ll_node* o = other->head; o; o = o->next) {
        while (at && compare(o, at) >= 0)
            at = at->next;
        if (at)
            ll_insert_before(list, at, o->data);
        else
            ll_append(list, o->data);
    }
}
