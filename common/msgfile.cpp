// Message description files and the message-language table.
#include "common/msgfile.h"

#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <string_view>

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
vector* retired_records = nullptr;   // records of replaced tables: callers may still hold them
std::string message_file_path;
int load_state = 0;   // 0 nothing tried, 1 start-up load found none, 2 loaded

// The whole file in one read; false when it cannot be read to its end.
bool read_whole_file(std::FILE* f, std::string& content)
{
    content.clear();
    char chunk[16384];
    size_t n;
    while ((n = std::fread(chunk, 1, sizeof chunk, f)) > 0)
        content.append(chunk, n);
    return !std::ferror(f);
}

void report_malformed(unsigned line_number)
{
    alert_report(3, "M", "Malformed error information on line %u, in file %s\n", line_number,
                 message_file_path.c_str());
}

bool is_field_blank(char c) { return c == ' ' || c == '\t'; }

// The next run of characters up to a blank or a tab, leading blanks and tabs skipped.
std::string_view take_field(std::string_view line, size_t& pos)
{
    while (pos < line.size() && is_field_blank(line[pos]))
        pos++;
    size_t start = pos;
    while (pos < line.size() && !is_field_blank(line[pos]))
        pos++;
    return line.substr(start, pos - start);
}

// A copy of text with its terminating zero, from the zeroing allocator.
char* copy_text(std::string_view text)
{
    auto* copy = static_cast<char*>(xalloc(text.size() + 1));
    std::memcpy(copy, text.data(), text.size());
    return copy;
}

// One line of the file (its end, LF or CR LF, not included).
void parse_line(std::string_view line, unsigned line_number)
{
    if (!line.empty() && line[0] == '#')
        return;
    size_t pos = 0;
    std::string number_field(take_field(line, pos));
    long number = std::atol(number_field.c_str());
    if (number_field.empty() || number < 0 || number > max_message_number) {
        report_malformed(line_number);
        return;
    }
    std::string kind(take_field(line, pos));
    if (kind.empty()) {
        report_malformed(line_number);
        return;
    }
    msg_desc* record = xnew<msg_desc>();
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
        record->level = std::atoi(kind.c_str());
    } else {
        report_malformed(line_number);   // kept, with kind 0
    }
    if (pos >= line.size()) {   // no text
        report_malformed(line_number);
        xfree(record);
        return;
    }
    record->text = copy_text(line.substr(pos + 1));
    if (void* replaced = vec_get(message_table, static_cast<uint32_t>(number)))
        vec_push(retired_records, replaced);
    vec_set(message_table, record, static_cast<uint32_t>(number));
}

// Every line of the file's content; a last line without a line end counts too.
void parse_content(std::string_view content)
{
    unsigned line_number = 0;
    size_t pos = 0;
    while (pos < content.size()) {
        size_t end = content.find('\n', pos);
        size_t next = end == std::string_view::npos ? content.size() : end + 1;
        std::string_view line = content.substr(pos, (end == std::string_view::npos ? content.size() : end) - pos);
        if (!line.empty() && line.back() == '\r')
            line.remove_suffix(1);
        parse_line(line, ++line_number);
        pos = next;
    }
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
    std::string content;
    bool read = read_whole_file(f, content);
    std::fclose(f);
    if (!read)
        return 0;
    if (!message_table)
        message_table = vec_create();
    if (!retired_records)
        retired_records = vec_create();
    for (uint32_t i = 0; i < vec_size(message_table); i++)
        if (void* record = vec_get(message_table, i))
            vec_push(retired_records, record);
    vec_clear(message_table);
    parse_content(content);
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
    return static_cast<const msg_desc*>(vec_get(message_table, static_cast<uint32_t>(number)));
}

int msgfile_load_state() { return load_state; }
vector* msgfile_table() { return message_table; }
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
