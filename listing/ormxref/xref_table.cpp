#include "listing/ormxref/xref_table.h"

#include <algorithm>
#include <cstddef>
#include <cstdlib>
#include <cstring>
#include <new>
#include <string>

#include "common/alert.h"
#include "common/hash.h"
#include "common/vector.h"
#include "common/pass_startup.h"

// Out of memory ends the run, whatever kind the message file gives the message.
[[noreturn]] static void out_of_memory(size_t size)
{
    alert_message(157, static_cast<unsigned>(size));
    pass_exit(1);
}

xref_pool::~xref_pool()
{
    for (void* block : blocks_)
        std::free(block);
}

void* xref_pool::allocate(size_t size)
{
    // Pieces keep the alignment that any entry needs on this host.
    constexpr size_t align = alignof(std::max_align_t);
    size = (size + align - 1) & ~(align - 1);
    if (size > CHUNK) {
        void* own = std::calloc(1, size);
        if (!own)
            out_of_memory(size);
        blocks_.push_back(own);
        return own;
    }
    if (size > left_) {
        free_ = static_cast<char*>(std::calloc(1, CHUNK));
        if (!free_)
            out_of_memory(CHUNK);
        blocks_.push_back(free_);
        left_ = CHUNK;
    }
    void* piece = free_;
    free_ += size;
    left_ -= size;
    return piece;
}

uint32_t xref_hash(const void* key)
{
    uint32_t h = 0;
    for (const char* p = static_cast<const xref_name*>(key)->name; *p; p++)
        h = 2 * h + static_cast<unsigned char>(*p);
    return h;
}

static int compare_entries(const void* a, const void* b)
{
    auto* x = static_cast<const xref_name*>(a);
    auto* y = static_cast<const xref_name*>(b);
    if (x->kind != y->kind)
        return 1;
    return std::strcmp(x->name, y->name);
}

xref_table::xref_table() : names_(hash_create(XREF_HASH_SIZE, xref_hash, compare_entries)) {}

xref_table::~xref_table()
{
    vector* all = hash_values(names_);
    for (uint32_t i = 0; i < vec_size(all); i++)
        std::free(static_cast<xref_name*>(vec_get(all, i))->refs);
    vec_free(all);
    hash_free(names_);
}

uint32_t xref_table::size() const
{
    return static_cast<uint32_t>(hash_count(names_));
}

xref_name* xref_table::enter(std::string_view name, xref_kind kind)
{
    std::string text(name);
    xref_name probe{};
    probe.name = text.data();
    probe.kind = kind;
    if (auto* found = static_cast<xref_name*>(hash_lookup(names_, &probe)))
        return found;
    if (size() >= XREF_MAX_NAMES) {
        alert_message(309);
        pass_exit(1);
    }
    auto* entry = new (pool_.allocate(sizeof(xref_name))) xref_name{};
    entry->name = static_cast<char*>(pool_.allocate(name.size() + 1));
    std::memcpy(entry->name, name.data(), name.size());
    entry->kind = kind;
    hash_insert(names_, entry, entry);
    longest_name_ = std::max(longest_name_, static_cast<uint32_t>(name.size()));
    return entry;
}

void xref_table::note_source_file(const xref_name* file)
{
    longest_file_ = std::max(longest_file_, static_cast<uint32_t>(std::strlen(file->name)));
}

void xref_table::add_stop_word(std::string_view word)
{
    enter(word, xref_kind::symbol)->stopped = true;
}

void xref_table::add_reference(std::string_view symbol, const xref_name* file, int32_t line,
                               uint8_t flags)
{
    xref_name* entry = enter(symbol, xref_kind::symbol);
    if (entry->count > 0) {
        xref_ref& last = entry->refs[entry->count - 1];
        if (last.file == file && last.line == line) {
            last.flags |= flags;
            return;
        }
    }
    if (entry->count == entry->room) {
        if (entry->count > XREF_REF_WARN)
            alert_message(674, entry->name);
        uint32_t room = entry->room + XREF_REF_GROWTH;
        size_t bytes = sizeof(xref_ref) * room;
        auto* grown = static_cast<xref_ref*>(std::realloc(entry->refs, bytes));
        if (!grown)
            out_of_memory(bytes);
        entry->refs = grown;
        entry->room = room;
    }
    entry->refs[entry->count++] = xref_ref{line, file, flags};
}

static int compare_name_slots(const void* a, const void* b)
{
    auto* x = *static_cast<xref_name* const*>(a);
    auto* y = *static_cast<xref_name* const*>(b);
    return std::strcmp(x->name, y->name);
}

vector* xref_table::sorted_names() const
{
    vector* all = hash_values(names_);
    vec_sort(all, compare_name_slots);
    return all;
}

void xref_sort_references(xref_name* symbol)
{
    std::sort(symbol->refs, symbol->refs + symbol->count, [](const xref_ref& a, const xref_ref& b) {
        int by_file = a.file == b.file ? 0 : std::strcmp(a.file->name, b.file->name);
        if (by_file != 0)
            return by_file < 0;
        if (a.line != b.line)
            return a.line < b.line;
        return (a.flags & XREF_DEFINITION) > (b.flags & XREF_DEFINITION);
    });
}
