// Growable array of borrowed pointers with two cursors.
#include "common/vector.h"

#include <algorithm>
#include <cstdint>
#include <cstring>

#include "common/alloc.h"
#include "common/check.h"
#include "common/osdep.h"

namespace {

// Makes room for at least `wanted` slots. Past the first increment the array grows by half its
// size, so filling a large vector one item at a time costs linear, not quadratic, copying.
void reserve(vector* v, uint32_t wanted)
{
    if (wanted <= static_cast<uint32_t>(v->capacity))
        return;
    int64_t capacity = v->capacity + std::max<int64_t>(v->increment, v->capacity / 2);
    if (capacity < wanted)
        capacity = wanted;
    ORM_ASSERT(capacity <= INT32_MAX);
    auto** items = static_cast<void**>(xalloc(sizeof(void*) * static_cast<size_t>(capacity)));
    if (v->count)
        std::memcpy(items, v->items, sizeof(void*) * v->count);
    xfree(v->items);
    v->items = items;
    v->capacity = static_cast<int32_t>(capacity);
}

void grow_if_full(vector* v) { reserve(v, v->count + 1); }

}  // namespace

vector* vec_create_incr(int32_t increment)
{
    ORM_ASSERT(increment > 0);
    vector* v = xnew<vector>();
    v->increment = increment;
    return v;
}

vector* vec_create() { return vec_create_incr(10); }

void vec_free(vector* v)
{
    if (!v)
        return;
    xfree(v->items);
    xfree(v);
}

vector* vec_dup(const vector* v)
{
    if (!v)
        return nullptr;
    vector* d = xnew<vector>();
    *d = *v;
    d->items = nullptr;
    if (v->capacity > 0) {
        d->items = static_cast<void**>(xalloc(sizeof(void*) * static_cast<size_t>(v->capacity)));
        if (v->count)
            std::memcpy(d->items, v->items, sizeof(void*) * v->count);
    }
    return d;
}

int32_t vec_push(vector* v, void* item)
{
    ORM_ASSERT(v);
    grow_if_full(v);
    v->items[v->count] = item;
    return static_cast<int32_t>(v->count++);
}

void vec_rewind(vector* v) { v->cursor = 0; }
bool vec_more(const vector* v) { return v->cursor < v->count; }
uint32_t vec_size(const vector* v) { return v->count; }

int32_t vec_find(const vector* v, const void* item)
{
    for (uint32_t i = 0; i < v->count; i++)
        if (v->items[i] == item)
            return static_cast<int32_t>(i);
    return -1;
}

int32_t vec_add_unique(vector* v, void* item)
{
    int32_t i = vec_find(v, item);
    return i >= 0 ? i : vec_push(v, item);
}

uint32_t vec_insert(vector* v, void* item, uint32_t index)
{
    ORM_ASSERT(v);
    grow_if_full(v);
    if (index > v->count)
        index = v->count;
    std::memmove(v->items + index + 1, v->items + index, sizeof(void*) * (v->count - index));
    v->items[index] = item;
    if (v->cursor >= index)
        v->cursor++;
    return ++v->count;
}

void* vec_set(vector* v, void* item, uint32_t index)
{
    ORM_ASSERT(v);
    ORM_ASSERT(index < INT32_MAX);
    if (index >= v->count) {
        reserve(v, index + 1);
        std::memset(v->items + v->count, 0, sizeof(void*) * (index + 1 - v->count));
        v->count = index + 1;
    }
    v->items[index] = item;
    return item;
}

int vec_remove_at(vector* v, uint32_t index)
{
    if (index >= v->count)
        return 0;
    std::memmove(v->items + index, v->items + index + 1, sizeof(void*) * (v->count - index - 1));
    v->items[--v->count] = nullptr;
    if (index < v->cursor)
        v->cursor--;
    return 1;
}

int vec_remove(vector* v, const void* item)
{
    int32_t i = vec_find(v, item);
    return i < 0 ? 0 : vec_remove_at(v, static_cast<uint32_t>(i));
}

void vec_clear(vector* v) { v->count = 0; }

void* vec_get(const vector* v, uint32_t index) { return index < v->count ? v->items[index] : nullptr; }

void* vec_next(vector* v)
{
    if (v->cursor >= v->count)
        return nullptr;
    return v->items[v->cursor++];
}

void* vec_first(vector* v)
{
    if (!v)
        return nullptr;
    v->cursor = 0;
    return vec_next(v);
}

void* vec_current(const vector* v) { return v->cursor < v->count ? v->items[v->cursor] : nullptr; }

void* vec_next2(vector* v)
{
    if (v->cursor2 >= v->count)
        return nullptr;
    return v->items[v->cursor2++];
}

void* vec_first2(vector* v)
{
    if (!v)
        return nullptr;
    v->cursor2 = 0;
    return vec_next2(v);
}

void* vec_current2(const vector* v) { return v->cursor2 < v->count ? v->items[v->cursor2] : nullptr; }

// Both walk src with its first cursor; the count is taken first so that a vector added to
// itself ends.
uint32_t vec_union(vector* dst, vector* src)
{
    ORM_ASSERT(dst);
    ORM_ASSERT(src);
    uint32_t n = src->count;
    for (src->cursor = 0; src->cursor < n; src->cursor++)
        vec_add_unique(dst, src->items[src->cursor]);
    return n;
}

uint32_t vec_append(vector* dst, vector* src)
{
    ORM_ASSERT(dst);
    ORM_ASSERT(src);
    uint32_t n = src->count;
    for (src->cursor = 0; src->cursor < n; src->cursor++)
        vec_push(dst, src->items[src->cursor]);
    return n;
}

void vec_sort(vector* v, int (*compare)(const void*, const void*))
{
    if (v->count == 0)
        return;
    os_qsort(v->items, v->count, sizeof(void*), compare);
}
