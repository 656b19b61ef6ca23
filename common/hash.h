// Chained hash table of borrowed keys and data; cells recycled through one process-wide free list.
#pragma once
#include <cstdint>

struct vector;

using hash_fn = uint32_t (*)(const void* key);
using hash_compare_fn = int (*)(const void* a, const void* b);   // 0 when equal

struct hash_cell {
    void* data;
    const void* key;
    hash_cell* next;
};

struct hash_table {
    uint32_t size;
    int32_t count;
    hash_fn hash;
    hash_compare_fn compare;
    hash_cell** buckets;
};

hash_table* hash_create(uint32_t size, hash_fn hash, hash_compare_fn compare);
int hash_insert(hash_table* table, const void* key, void* data);
void* hash_lookup(const hash_table* table, const void* key);
void* hash_remove(hash_table* table, const void* key);
int32_t hash_count(const hash_table* table);
int hash_walk(hash_table* table, void* context, int (*function)(void* context, const void* key, void* data));
vector* hash_values(hash_table* table);
vector* hash_keys(hash_table* table);
void hash_clear(hash_table* table);
void hash_free(hash_table* table);
hash_table* hash_dup(const hash_table* table);
hash_table* hash_assign(hash_table* dst, const hash_table* src);

// Text keys, for tables keyed by C strings.
uint32_t hash_text(const void* key);
int hash_text_compare(const void* a, const void* b);
