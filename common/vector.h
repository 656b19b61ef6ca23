// Growable array of borrowed pointers with two independent cursors; never frees its items.
#pragma once
#include <cstdint>

struct vector {
    uint32_t count;
    int32_t capacity;
    int32_t increment;
    uint32_t cursor;
    uint32_t cursor2;
    void** items;
};

vector* vec_create_incr(int32_t increment);
vector* vec_create();
void vec_free(vector* v);
vector* vec_dup(const vector* v);
int32_t vec_push(vector* v, void* item);
void vec_rewind(vector* v);
bool vec_more(const vector* v);
uint32_t vec_size(const vector* v);
int32_t vec_find(const vector* v, const void* item);
int32_t vec_add_unique(vector* v, void* item);
uint32_t vec_insert(vector* v, void* item, uint32_t index);
void* vec_set(vector* v, void* item, uint32_t index);
int vec_remove_at(vector* v, uint32_t index);
int vec_remove(vector* v, const void* item);
void vec_clear(vector* v);
void* vec_get(const vector* v, uint32_t index);
void* vec_next(vector* v);
void* vec_first(vector* v);
void* vec_current(const vector* v);
void* vec_next2(vector* v);
void* vec_first2(vector* v);
void* vec_current2(const vector* v);
uint32_t vec_union(vector* dst, vector* src);
uint32_t vec_append(vector* dst, vector* src);
void vec_sort(vector* v, int (*compare)(const void*, const void*));
