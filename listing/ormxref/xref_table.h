// The names of a cross-reference run: source files and symbols, each symbol with the places
// that mention it. Names and entries come from a pool that lives as long as the table.
#pragma once
#include <cstddef>
#include <cstdint>
#include <string_view>
#include <vector>

struct hash_table;
struct vector;

enum class xref_kind : uint8_t { source_file = 0, symbol = 1 };

enum : uint8_t { XREF_DEFINITION = 8 };

struct xref_name;

struct xref_ref {
    int32_t line;
    const xref_name* file;
    uint8_t flags;   // XREF_DEFINITION
};

struct xref_name {
    char* name;
    xref_kind kind;
    bool stopped;      // named by the stop list: never listed
    xref_ref* refs;    // symbols only; a heap block of `room` slots
    uint32_t count;
    uint32_t room;
};

constexpr uint32_t XREF_HASH_SIZE = 16001;
constexpr uint32_t XREF_MAX_NAMES = 16000;
constexpr uint32_t XREF_REF_GROWTH = 20;
constexpr uint32_t XREF_REF_WARN = 5415;   // more references than this are reported as they grow

uint32_t xref_hash(const void* key);   // key: an xref_name

// Hands out zeroed memory in rounded pieces of large chunks; everything is freed with the pool.
class xref_pool {
public:
    static constexpr size_t CHUNK = 32768;
    xref_pool() = default;
    xref_pool(const xref_pool&) = delete;
    xref_pool& operator=(const xref_pool&) = delete;
    ~xref_pool();
    void* allocate(size_t size);

private:
    std::vector<void*> blocks_;
    char* free_ = nullptr;   // rest of the newest chunk
    size_t left_ = 0;
};

class xref_table {
public:
    xref_table();
    xref_table(const xref_table&) = delete;
    xref_table& operator=(const xref_table&) = delete;
    ~xref_table();

    // The entry of that name and kind, entered when new (the longest name grows with it).
    xref_name* enter(std::string_view name, xref_kind kind);
    // Records a reference to a symbol; a repeat of the last place only adds its flags.
    void add_reference(std::string_view symbol, const xref_name* file, int32_t line, uint8_t flags);
    void add_stop_word(std::string_view word);
    void note_source_file(const xref_name* file);   // raises the longest file name

    // Every entry, sorted by name (byte order). The caller frees the vector (vec_free).
    vector* sorted_names() const;

    uint32_t longest_name() const { return longest_name_; }
    uint32_t longest_file() const { return longest_file_; }
    uint32_t size() const;

private:
    hash_table* names_;
    xref_pool pool_;
    uint32_t longest_name_ = 0;
    uint32_t longest_file_ = 0;
};

// Sorts a symbol's references by file name, then line, a definition before a plain reference
// of the same place.
void xref_sort_references(xref_name* symbol);
