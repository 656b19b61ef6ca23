// Zero-filling allocation and string building: the one road to heap memory.
#pragma once
#include <cstdarg>
#include <cstddef>

void* xalloc(size_t size);                 // every byte 0; reports and ends the program when memory runs out
void xfree(void* block);                   // releases a block of this module; null allowed
char* xstrdup(const char* text);           // new copy
char* str_concat(const char* a, const char* b);
char* str_concat_free(char* a, const char* b);   // str_concat, then frees a
char* vformat_string(const char* format, va_list args);
char* format_string(const char* format, ...) __attribute__((format(printf, 1, 2)));

// Allocates a zero-filled record of type T (trivial types only).
template <typename T> T* xnew() { return static_cast<T*>(xalloc(sizeof(T))); }
