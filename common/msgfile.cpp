// Message description files and the message-language table.
#include "common/msgfile.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "common/alert.h"
#include "common/alloc.h"
#include "common/msgfile_startup.h"
#include "common/osdep.h"
#include "common/registry.h"
#include "common/vector.h"
#include "platform/platform.h"

const language_row language_table[4] = {
    {7, "German;Deutsch", "de"},
    {9, "English", "en"},
    {12, "French;Fran\xE7" "ais", "fr"},
    {255, "English", "en"},
};

namespace {

constexpr int32_t max_message_number = 10000;

vector* message_table = nullptr;
// The blocks that hold records and texts: never freed, since callers may still hold records of
// a table that a later load replaced.
vector* kept_blocks = nullptr;
std::string message_file_path;
int load_state = 0;   // 0 nothing tried, 1 start-up load found none, 2 loaded

// A loaded file is parsed when its table is first used: a program that reports nothing never
// pays for it. Until then its content waits here, with the path its reports name.
char* pending_content = nullptr;
size_t pending_size = 0;
std::string pending_path;

// The whole file, with a terminating zero, in a block of its own; null when it cannot be read
// to its end. One read when the file's size is known.
char* read_whole_file(std::FILE* f, size_t& size)
{
    size_t capacity = 0;
    if (std::fseek(f, 0, SEEK_END) == 0) {
        long known = std::ftell(f);
        if (known > 0)
            capacity = static_cast<size_t>(known);
        std::rewind(f);
    }
    capacity += 1;   // the zero, and a byte to see the end by
    auto* block = static_cast<char*>(std::malloc(capacity + 1));
    if (!block)
        block = static_cast<char*>(xalloc(capacity + 1));   // reports the lack of memory
    size = 0;
    for (;;) {
        size += std::fread(block + size, 1, capacity - size, f);
        if (size < capacity)
            break;
        // The file grew, or its size was unknown: read on into a block twice the size.
        auto* larger = static_cast<char*>(std::realloc(block, 2 * capacity + 1));
        if (!larger)
            larger = static_cast<char*>(xalloc(2 * capacity + 1));   // reports the lack of memory
        block = larger;
        capacity *= 2;
    }
    if (std::ferror(f)) {
        std::free(block);
        return nullptr;
    }
    block[size] = '\0';
    return block;
}

void report_malformed(unsigned line_number)
{
    alert_report(3, "M", "Malformed error information on line %u, in file %s\n", line_number,
                 pending_path.c_str());
}

bool is_field_blank(char c) { return c == ' ' || c == '\t'; }

// The next run of characters up to a blank, a tab or the end, leading blanks and tabs skipped.
const char* take_field(const char*& p, const char* end)
{
    while (p < end && is_field_blank(*p))
        p++;
    const char* start = p;
    while (p < end && !is_field_blank(*p))
        p++;
    return start;
}

// A decimal number as atol reads it: an optional sign, then digits up to the first other
// character. Saturates far beyond any message number.
long field_number(const char* p, const char* end)
{
    bool negative = p < end && *p == '-';
    if (p < end && (*p == '-' || *p == '+'))
        p++;
    long value = 0;
    for (; p < end && *p >= '0' && *p <= '9'; p++)
        if (value < 1000000000L)
            value = value * 10 + (*p - '0');
    return negative ? -value : value;
}

// One line (its end, LF or CR LF, already cut off by a zero). record is the line's slot;
// false when the line gives no record.
bool parse_line(char* line, char* end, unsigned line_number, msg_desc* record)
{
    if (line < end && line[0] == '#')
        return false;
    const char* p = line;
    const char* number_field = take_field(p, end);
    long number = field_number(number_field, p);
    if (number_field == p || number < 0 || number > max_message_number) {
        report_malformed(line_number);
        return false;
    }
    const char* kind = take_field(p, end);
    if (kind == p) {
        report_malformed(line_number);
        return false;
    }
    record->number = static_cast<int32_t>(number);
    char k = kind[0];
    if (k == 'F' || k == 'f') {
        record->kind = MSG_FATAL;
    } else if (k == 'E' || k == 'e') {
        record->kind = MSG_ERROR;
    } else if (k == 'M' || k == 'm') {
        record->kind = MSG_PLAIN;
    } else if (k == '-' || std::isdigit(static_cast<unsigned char>(k))) {
        record->kind = MSG_WARNING;
        record->level = static_cast<int32_t>(field_number(kind, p));
    } else {
        report_malformed(line_number);   // kept, with kind 0
    }
    if (p >= end) {   // no text
        report_malformed(line_number);
        return false;
    }
    record->text = const_cast<char*>(p) + 1;
    return true;
}

// Every line of the content (size bytes and a zero); a last line without a line end counts
// too. Records and texts stay in blocks that are never freed.
void parse_content(char* content, size_t size)
{
    char* end = content + size;
    size_t lines = 1;
    for (const char* p = content; (p = static_cast<const char*>(std::memchr(p, '\n', size_t(end - p)))); p++)
        lines++;
    auto* records = static_cast<msg_desc*>(xalloc(sizeof(msg_desc) * lines));
    vec_push(kept_blocks, content);
    vec_push(kept_blocks, records);
    unsigned line_number = 0;
    int32_t highest = -1;
    for (char* line = content; line < end;) {
        auto* newline = static_cast<char*>(std::memchr(line, '\n', size_t(end - line)));
        char* line_end = newline ? newline : end;
        char* next = newline ? newline + 1 : end;
        if (line_end > line && line_end[-1] == '\r')
            line_end--;
        *line_end = '\0';
        msg_desc* record = &records[line_number];
        if (parse_line(line, line_end, ++line_number, record))
            highest = std::max(highest, record->number);
        else
            record->text = nullptr;   // no record: left out below
        line = next;
    }
    if (highest < 0)
        return;
    vec_set(message_table, nullptr, static_cast<uint32_t>(highest));   // the table grows once
    for (unsigned i = 0; i < line_number; i++)
        if (records[i].text)   // a later line of the same number replaces an earlier one
            vec_set(message_table, &records[i], static_cast<uint32_t>(records[i].number));
}

// Parses the loaded file when that has not been done yet.
void ensure_parsed()
{
    if (!pending_content)
        return;
    char* content = pending_content;
    pending_content = nullptr;
    parse_content(content, pending_size);
}

// "%s_msgs.txt" in the installation's dat directory; empty when no installation is known.
std::string installed_file(int32_t id)
{
    std::string name = std::string(lang_code(id)) + "_msgs.txt";
    char* path = install_path(SUB_DAT, name.c_str());
    if (!path)
        return std::string();
    std::string result = path;
    xfree(path);
    return result;
}

}  // namespace

int msgfile_open(const char* path)
{
    std::string name;
    if (path) {
        name = path;
    } else if (const char* env = std::getenv("BXC_ERR_FILE")) {
        name = env;
    } else {
        char sep = plat::separator();
        name = std::string("..") + sep + "dat" + sep + "en_msgs.txt";
    }
    message_file_path = name;
    std::FILE* f = std::fopen(name.c_str(), "rb");
    if (!f)
        return 0;
    size_t size = 0;
    char* content = read_whole_file(f, size);
    std::fclose(f);
    if (!content)
        return 0;
    if (!message_table)
        message_table = vec_create();
    if (!kept_blocks)
        kept_blocks = vec_create();
    vec_clear(message_table);
    std::free(pending_content);   // a file replaced before it was parsed: nothing points into it
    pending_content = content;
    pending_size = size;
    pending_path = name;
    // An explicit open after a failed start-up load counts as loaded, too.
    load_state = 2;
    return 1;
}

int msgfile_load_language(int32_t id)
{
    bool loaded = false;
    if (id != 255) {
        std::string file = installed_file(id);
        loaded = msgfile_open(file.empty() ? nullptr : file.c_str()) || msgfile_open(nullptr);
    }
    if (!loaded) {
        id = lang_get();
        std::string file = installed_file(id);
        std::string bare = std::string(lang_code(id)) + "_msgs.txt";
        loaded = (!file.empty() && msgfile_open(file.c_str())) || msgfile_open(nullptr) ||
                 msgfile_open(bare.c_str());
    }
    if (loaded) {
        load_state = 2;
        return 1;
    }
    if (load_state != 2)
        return 0;
    alert_print("Could not open message file %s\n", message_file_path.c_str());
    exit_hook(1);
    std::exit(1);
}

void msgfile_startup()
{
    if (load_state == 2)
        return;
    load_state = 1;
    msgfile_load_language(255);
}

const msg_desc* msgfile_lookup(int32_t number)
{
    if (!message_table || number < 0)
        return nullptr;
    ensure_parsed();
    return static_cast<const msg_desc*>(vec_get(message_table, static_cast<uint32_t>(number)));
}

int msgfile_load_state() { return load_state; }
vector* msgfile_table()
{
    ensure_parsed();
    return message_table;
}
const char* alert_msgfile_name() { return message_file_path.c_str(); }

namespace {
bool same_nocase(const char* a, const char* b, size_t n)
{
    for (size_t i = 0; i < n; i++)
        if (std::tolower(static_cast<unsigned char>(a[i])) != std::tolower(static_cast<unsigned char>(b[i])))
            return false;
    return true;
}
}  // namespace

int32_t lang_from_name(const char* text)
{
    if (!text)
        return 255;
    size_t len = std::string(text).size();
    for (const language_row& row : language_table) {
        if (len == 2 && same_nocase(text, row.code, 2))
            return row.id;
        for (const char* name = row.names; *name;) {
            size_t n = 0;
            while (name[n] && name[n] != ';' && name[n] != ',')
                n++;
            if (n == len && same_nocase(text, name, n))
                return row.id;
            name += n;
            if (*name)
                name++;
        }
    }
    return 255;
}

const char* lang_code(int32_t id)
{
    for (const language_row& row : language_table)
        if (row.id == id)
            return row.code;
    return "en";
}

int32_t lang_get()
{
    uint32_t id = 0;
    if (product_read_dword("language", &id) != 0)
        return 9;
    return static_cast<int32_t>(id);
}

int32_t lang_set(int32_t id) { return product_write_dword("language", static_cast<uint32_t>(id)); }
