// Numbered messages: the one way every console program reports diagnostics.
// Kinds and texts come from the message description file (msgfile.h).
#pragma once
#include <cstdarg>
#include <cstdint>

#include "common/format_args.h"

// Supplied by every program, by name: its component name (for %a and the version block)
// and the routine called with status 1 before the library ends the program itself.
extern const char component_name[];
void exit_hook(int status);

// Message kinds of msg_desc.
enum : int32_t { MSG_FATAL = 1, MSG_PLAIN = 2, MSG_ERROR = 3, MSG_WARNING = 4, MSG_SUPPRESSED = 5 };

struct msg_desc {
    int32_t kind;    // MSG_*; 0 for a record whose kind letter was unknown
    int32_t number;
    char* text;      // printf-style; "%m" is the system error text
    int32_t level;   // warnings only
};

// Reporting. Call alert_message with a literal number: a test checks every number used
// against dat/en_msgs.txt. The arguments are printf-style values (integers, floating point,
// texts, std::string, pointers), taken by value as printf takes them (bit-fields too); each
// is checked against the conversion that takes it.
int alert_message_args(int number, const format_arg* args, size_t count);
int alert_report_args(int number, const char* kind, const char* format, const format_arg* args, size_t count);

template <typename... A> int alert_message(int number, A... args)   // 1 shown, 0 suppressed
{
    const format_arg list[] = {make_format_arg(args)..., format_arg()};
    return alert_message_args(number, list, sizeof...(A));
}
template <typename... A> int alert_report(int number, const char* kind, const char* format, A... args)
{
    const format_arg list[] = {make_format_arg(args)..., format_arg()};
    return alert_report_args(number, kind, format, list, sizeof...(A));
}
template <typename... A> int alert_kind_message(const char* kind, const char* format, A... args)
{
    const format_arg list[] = {make_format_arg(args)..., format_arg()};
    return alert_report_args(0, kind, format, list, sizeof...(A));
}
void alert_print(const char* format, ...) __attribute__((format(printf, 1, 2)));
void alert_vprint(const char* format, va_list args);
int alert_continue(int mode, const char* format, ...) __attribute__((format(printf, 2, 3)));

// Settings.
int alert_set_formatted(int flag);                                     // previous value
void alert_set_formats(const char* error_format, const char* warning_format, const char* message_format);
int alert_set_level(int level);                                        // previous value
int alert_set_max_errors(int n);                                       // previous value
void alert_set_position(const char* file, const int32_t* line, const char* const* line_start,
                        const char* const* position);
void alert_set_output(void (*output)(const char* line));              // null: standard error
void alert_set_hook(void (*hook)());                                   // called before a shown numbered message
int alert_set_warn_fails(int flag);
void alert_msg_state(int number, int operation);                      // operations 0..8
void alert_disable(const char* list);

// Plain-layout override for errors and warnings (ormpre and ormparse echo the source line
// with a caret). Gets the message text with its "(n) " prefix and whether it is a warning;
// returns true when it wrote the message itself through the line functions below.
using alert_layout_fn = bool (*)(const char* text, bool is_warning);
void alert_set_plain_layout(alert_layout_fn layout);

// The shared message line.
void alert_line_clear();
void alert_line_append(const char* format, ...) __attribute__((format(printf, 1, 2)));
void alert_flush();

// Queries.
int alert_failed();
uint32_t alert_error_count();
uint32_t alert_warning_count();
const char* alert_msgfile_name();
