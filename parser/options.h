// Settings of one ormparse run, from its command line.
#pragma once
#include <cstdint>
#include <cstdio>

struct parser_options {
    bool bit_keyword = false;        // -B
    bool strict = false;             // -strict
    bool long_long = false;          // -O
    bool unsigned_char = false;      // -U
    bool names_records = false;      // -D
    bool listing = false;            // -L
    bool main_exit = false;          // -M
    bool source_comments = false;    // -S
    bool no_tail_merge = false;      // -V
    bool char_bitfields = false;     // -Y
    bool persistent_far = false;     // -F
    bool func_flags = false;         // -fp
    bool static_const_autos = false; // -R
    bool init_block_copy = false;    // -I=
    bool proto_short = false;        // -P
    uint16_t default_classes = 0;    // -A
    uint16_t init_classes = 0;       // -I
    int ident_length = 31;           // -N
    int message_style = 0;           // -E digit
};
extern parser_options opt;
