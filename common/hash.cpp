// Chained hash table; cells are recycled through one free list shared by every table.
#include "common/hash.h"

#include <cstring>

#include "common/alloc.h"
#include "common/check.h"
#include "common/vector.h"

namespace {

hash_cell* free_cells = nullptr;

uint32_t pointer_hash(const void* key) { return static_cast<uint32_t>(reinterpret_cast<uintptr_t>(key)); }
int pointer_compare(const void* a, const void* b) { return a == b ? 0 : 1; }

hash_cell* new_cell(const void* key, void* data)
{
    hash_cell* cell = free_cells;
    if (cell)
        free_cells = cell->next;
    else
        cell = xnew<hash_cell>();
    cell->key = key;
    cell->data = data;
    cell->next = nullptr;
    return cell;
}

void release_cell(hash_cell* cell)
{
    cell->data = nullptr;
    cell->key = nullptr;
    cell->next = free_cells;
    free_cells = cell;
}

hash_cell** bucket_of(const hash_table* table, const void* key)
{
    return &table->buckets[table->hash(key) % table->size];
}

// Appends a copy of cell at the end of the chain at head.
void append_cell(hash_cell** head, const hash_cell* cell)
{
    while (*head)
        head = &(*head)->next;
    *head = new_cell(cell->key, cell->data);
}

hash_cell** new_buckets(uint32_t size) { return static_cast<hash_cell**>(xalloc(sizeof(hash_cell*) * size)); }

}  // namespace

hash_table* hash_create(uint32_t size, hash_fn hash, hash_compare_fn compare)
{
    ORM_ASSERT(size != 0);
    hash_table* table = xnew<hash_table>();
    table->size = size;
    table->hash = hash ? hash : pointer_hash;
    table->compare = compare ? compare : pointer_compare;
    table->buckets = new_buckets(size);
    return table;
}

int hash_insert(hash_table* table, const void* key, void* data)
{
    hash_cell** link = bucket_of(table, key);
    for (; *link; link = &(*link)->next)
        if (table->compare(key, (*link)->key) == 0)
            return 0;
    *link = new_cell(key, data);
    table->count++;
    return 1;
}

void* hash_lookup(const hash_table* table, const void* key)
{
    for (hash_cell* cell = *bucket_of(table, key); cell; cell = cell->next)
        if (table->compare(key, cell->key) == 0)
            return cell->data;
    return nullptr;
}

void* hash_remove(hash_table* table, const void* key)
{
    for (hash_cell** link = bucket_of(table, key); *link; link = &(*link)->next) {
        hash_cell* cell = *link;
        if (table->compare(key, cell->key) == 0) {
            void* data = cell->data;
            *link = cell->next;
            release_cell(cell);
            table->count--;
            return data;
        }
    }
    return nullptr;
}

int32_t hash_count(const hash_table* table) { return table->count; }

int hash_walk(hash_table* table, void* context, int (*function)(void* context, const void* key, void* data))
{
    for (uint32_t i = 0; i < table->size; i++)
        for (hash_cell* cell = table->buckets[i]; cell;) {
            hash_cell* next = cell->next;   // the callback may remove the cell
            if (int r = function(context, cell->key, cell->data))
                return r;
            cell = next;
        }
    return 0;
}

vector* hash_values(hash_table* table)
{
    vector* v = vec_create();
    for (uint32_t i = 0; i < table->size; i++)
        for (hash_cell* cell = table->buckets[i]; cell; cell = cell->next)
            vec_push(v, cell->data);
    return v;
}

vector* hash_keys(hash_table* table)
{
    vector* v = vec_create();
    for (uint32_t i = 0; i < table->size; i++)
        for (hash_cell* cell = table->buckets[i]; cell; cell = cell->next)
            vec_push(v, const_cast<void*>(cell->key));
    return v;
}

void hash_clear(hash_table* table)
{
    for (uint32_t i = 0; i < table->size; i++) {
        hash_cell* cell = table->buckets[i];
        while (cell) {
            hash_cell* next = cell->next;
            release_cell(cell);
            cell = next;
        }
        table->buckets[i] = nullptr;
    }
    table->count = 0;
}

void hash_free(hash_table* table)
{
    if (!table)
        return;
    hash_clear(table);
    xfree(table->buckets);
    xfree(table);
}

hash_table* hash_dup(const hash_table* table)
{
    hash_table* copy = hash_create(table->size, table->hash, table->compare);
    return hash_assign(copy, table);
}

hash_table* hash_assign(hash_table* dst, const hash_table* src)
{
    if (!src) {
        hash_free(dst);
        return nullptr;
    }
    if (!dst)
        return hash_dup(src);
    if (dst == src)
        return dst;
    hash_clear(dst);
    if (dst->size != src->size) {
        xfree(dst->buckets);
        dst->buckets = new_buckets(src->size);
        dst->size = src->size;
    }
    bool same_buckets = dst->hash == src->hash;
    for (uint32_t i = 0; i < src->size; i++)
        for (const hash_cell* cell = src->buckets[i]; cell; cell = cell->next)
            // dst keeps its own hash function, so with another function each cell goes to the
            // bucket that function gives it.
            append_cell(same_buckets ? &dst->buckets[i] : bucket_of(dst, cell->key), cell);
    dst->count = src->count;
    return dst;
}

uint32_t hash_text(const void* key)
{
    uint32_t h = 2166136261u;
    for (const unsigned char* p = static_cast<const unsigned char*>(key); *p; p++)
        h = (h ^ *p) * 16777619u;
    return h;
}

int hash_text_compare(const void* a, const void* b)
{
    return std::strcmp(static_cast<const char*>(a), static_cast<const char*>(b));
}
