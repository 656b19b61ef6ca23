// Message description files ("%s_msgs.txt") and the message-language table.
#pragma once
#include <cstdint>

struct vector;
struct msg_desc;

struct language_row {
    int32_t id;          // Windows primary language identifier
    const char* names;   // separated by ';' or ','
    const char* code;    // two letters
};
extern const language_row language_table[4];

int msgfile_open(const char* path);            // 1 loaded, 0 cannot be opened
int msgfile_load_language(int32_t id);         // non-zero when a file was loaded
const msg_desc* msgfile_lookup(int32_t number); // null when the table has no record
int msgfile_load_state();                      // 0 nothing tried, 1 start-up load found none, 2 loaded
vector* msgfile_table();                       // the message table, indexed by number

int32_t lang_from_name(const char* text);
const char* lang_code(int32_t id);
int32_t lang_get();
int32_t lang_set(int32_t id);
