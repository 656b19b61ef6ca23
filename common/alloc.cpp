// Zero-filling allocation and string building.
#include "common/alloc.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "common/alert.h"
#include "common/check.h"

void orm_assert_fail(const char* expression, const char* file, int line)
{
    std::fprintf(stderr, "Assertion failed: %s, file %s, line %d\n", expression, file, line);
    std::fflush(stderr);
    std::abort();
}

void* xalloc(size_t size)
{
    void* block = std::calloc(size ? size : 1, 1);
    if (!block) {
        // No caller can go on without the memory. The report itself allocates; should that
        // fail as well, the program ends without it.
        static bool reporting = false;
        if (!reporting) {
            reporting = true;
            alert_print("can't allocate %u bytes pf memory\n", static_cast<unsigned>(size));
        }
        exit_hook(1);
        std::exit(1);
    }
    return block;
}

void xfree(void* block) { std::free(block); }

char* xstrdup(const char* text)
{
    size_t n = std::strlen(text) + 1;
    char* copy = static_cast<char*>(xalloc(n));
    std::memcpy(copy, text, n);
    return copy;
}

char* str_concat(const char* a, const char* b)
{
    size_t na = std::strlen(a), nb = std::strlen(b);
    char* s = static_cast<char*>(xalloc(na + nb + 1));
    std::memcpy(s, a, na);
    std::memcpy(s + na, b, nb + 1);
    return s;
}

char* str_concat_free(char* a, const char* b)
{
    char* s = str_concat(a, b);
    xfree(a);
    return s;
}

char* vformat_string(const char* format, va_list args)
{
    // Measured first, then formatted in full into a text of the exact length.
    va_list copy;
    va_copy(copy, args);
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wformat-nonliteral"
    int n = std::vsnprintf(nullptr, 0, format, copy);
    va_end(copy);
    if (n < 0)
        return xstrdup("");
    char* s = static_cast<char*>(xalloc(static_cast<size_t>(n) + 1));
    std::vsnprintf(s, static_cast<size_t>(n) + 1, format, args);
#pragma GCC diagnostic pop
    return s;
}

char* format_string(const char* format, ...)
{
    va_list args;
    va_start(args, format);
    char* s = vformat_string(format, args);
    va_end(args);
    return s;
}
