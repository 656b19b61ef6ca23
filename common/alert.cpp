// Numbered messages: lookup, message states, layouts, counting and the error limit.
#include "common/alert.h"

#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "common/alloc.h"
#include "common/msgfile.h"
#include "common/msgfile_startup.h"
#include "common/vector.h"

namespace {

constexpr int32_t max_message_number = 10000;
constexpr const char no_description[] =
    "An error, warning or message was generated, but no description is available";

// How a message is laid out and counted.
enum class msg_class { fatal, error, plain, warning };

struct alert_state {
    std::string line;
    std::string formats[3];          // error, warning, message
    bool formats_set = false;
    int formatted = 0;
    int level = 0;
    int max_errors = 3;              // 20 once initialised
    uint32_t errors = 0;
    uint32_t warnings = 0;
    int warn_fails = 0;
    std::string file;                // a copy: callers often hand over a temporary text
    bool has_file = false;
    const int32_t* line_number = nullptr;
    const char* const* line_start = nullptr;
    const char* const* position = nullptr;
    void (*output)(const char*) = nullptr;
    void (*hook)() = nullptr;
    alert_layout_fn plain_layout = nullptr;
    bool continuing = false;
    bool initialised = false;
    vector* state_stack = nullptr;
};

alert_state& st()
{
    static alert_state state;
    return state;
}

[[noreturn]] void end_program(int status)
{
    exit_hook(status);
    std::exit(status);
}

void set_formats(const char* error_format, const char* warning_format, const char* message_format)
{
    static const char* const variables[3] = {"BXC_ERR_FORMAT", "BXC_WARN_FORMAT", "BXC_MSG_FORMAT"};
    static const char* const defaults[3] = {"(%n) %s (error)", "(%n) %s (warning)", "%s"};
    const char* given[3] = {error_format, warning_format, message_format};
    for (int i = 0; i < 3; i++) {
        const char* env = std::getenv(variables[i]);
        // An empty variable is no layout at all; it counts as unset.
        st().formats[i] = env && *env ? env : given[i] ? given[i] : defaults[i];
    }
    st().formats_set = true;
}

void ensure_initialised()
{
    alert_state& s = st();
    if (!s.initialised) {
        s.initialised = true;
        s.max_errors = 20;
        set_formats(nullptr, nullptr, nullptr);
    }
    if (msgfile_load_state() != 2)
        msgfile_startup();
}

vector* top_states()
{
    alert_state& s = st();
    if (!s.state_stack) {
        s.state_stack = vec_create();
        vec_push(s.state_stack, vec_create());
    }
    return static_cast<vector*>(vec_get(s.state_stack, vec_size(s.state_stack) - 1));
}

int state_of(int number)
{
    if (number < 0 || number > max_message_number)
        return 0;
    return static_cast<int>(reinterpret_cast<intptr_t>(vec_get(top_states(), static_cast<uint32_t>(number))));
}

std::string error_text(int error_number) { return std::strerror(error_number); }

// Replaces each "%m" of a message text by the system's error text (nothing for 0); a '%' in
// that text is doubled so that it is not read as a conversion.
std::string prepare_text(const char* text, int saved_errno)
{
    std::string out;
    for (const char* p = text; *p; p++) {
        if (*p != '%' || !p[1]) {
            out += *p;
            continue;
        }
        if (p[1] == 'm') {
            if (saved_errno)
                for (char c : error_text(saved_errno)) {
                    if (c == '%')
                        out += '%';
                    out += c;
                }
        } else {
            out += p[0];
            out += p[1];
        }
        p++;
    }
    return out;
}

void append_unsigned(std::string& out, unsigned long long n) { out += std::to_string(n); }

void lay_out(int number, msg_class cls, const char* text, const format_arg* args, size_t count, int saved_errno)
{
    alert_state& s = st();
    bool is_warning = cls == msg_class::warning;
    std::string body = format_checked(prepare_text(text, saved_errno).c_str(), args, count);
    if (!s.formatted) {
        std::string prefixed = body;
        if (cls != msg_class::plain)
            prefixed = "(" + std::to_string(static_cast<unsigned>(number)) + ") " + body;
        if (s.plain_layout && cls != msg_class::plain && s.plain_layout(prefixed.c_str(), is_warning))
            return;
        s.line.clear();
        if (s.has_file)
            s.line += s.file + ": ";
        if (s.line_number)
            s.line += std::to_string(*s.line_number) + ": ";
        s.line += prefixed;
        if (is_warning)
            s.line += " (warning)";
        alert_flush();
        return;
    }
    if (!s.formats_set)   // a caller-kind message before the module was initialised
        set_formats(nullptr, nullptr, nullptr);
    const std::string& format =
        s.formats[cls == msg_class::plain ? 2 : (cls == msg_class::warning ? 1 : 0)];
    s.line.clear();
    for (size_t i = 0; i < format.size(); i++) {
        if (format[i] != '%') {
            s.line += format[i];
            continue;
        }
        if (++i >= format.size())
            break;   // a '%' at the very end is dropped
        switch (format[i]) {
        case 'n': append_unsigned(s.line, static_cast<unsigned>(number)); break;
        case 's': s.line += body; break;
        case 'f': s.line += s.file; break;
        case 'l': if (s.line_number) s.line += std::to_string(*s.line_number); break;
        case 'c':
            if (s.line_start && s.position && *s.line_start && *s.position)
                append_unsigned(s.line, static_cast<unsigned>(*s.position - *s.line_start));
            break;
        case 'a': s.line += component_name; break;
        case 'm': s.line += error_text(saved_errno); break;
        default: s.line += format[i]; break;
        }
    }
    alert_flush();
}

[[noreturn]] void too_many_errors()
{
    alert_report(1, "M", "too many errors (%u)", st().errors);
    end_program(1);
}

msg_class class_of_kind(int32_t kind)
{
    switch (kind) {
    case MSG_FATAL: return msg_class::fatal;
    case MSG_ERROR: return msg_class::error;
    case MSG_PLAIN: return msg_class::plain;
    default: return msg_class::warning;
    }
}

}  // namespace

int alert_message_args(int number, const format_arg* args, size_t count)
{
    int saved_errno = errno;
    ensure_initialised();
    alert_state& s = st();
    msg_desc copy{};
    if (const msg_desc* record = msgfile_lookup(number)) {
        copy = *record;
    } else {
        copy.kind = MSG_ERROR;
        copy.number = number;
        copy.text = const_cast<char*>(no_description);
    }
    switch (state_of(number)) {
    case 1:
        if (copy.kind != MSG_FATAL && copy.kind != MSG_ERROR)
            copy.kind = MSG_SUPPRESSED;
        break;
    case 2:
        if (copy.kind == MSG_ERROR) {
            copy.kind = MSG_WARNING;
            copy.level = s.level;
        }
        break;
    case 3:
        if (copy.kind == MSG_WARNING)
            copy.kind = MSG_ERROR;
        break;
    case 4:
        if (copy.kind != MSG_FATAL)
            copy.kind = MSG_SUPPRESSED;
        break;
    default: break;
    }
    if (copy.kind == MSG_SUPPRESSED || (copy.kind == MSG_WARNING && copy.level < s.level))
        return 0;
    if (s.hook)
        s.hook();
    lay_out(number, class_of_kind(copy.kind), copy.text ? copy.text : "", args, count, saved_errno);
    if (copy.kind == MSG_ERROR) {
        if (s.errors++ >= static_cast<uint32_t>(s.max_errors < 0 ? 0 : s.max_errors))
            too_many_errors();
    } else if (copy.kind == MSG_WARNING) {
        s.warnings++;
    } else if (copy.kind == MSG_FATAL) {
        end_program(1);
    }
    return 1;
}

int alert_report_args(int number, const char* kind, const char* format, const format_arg* args, size_t count)
{
    int saved_errno = errno;
    alert_state& s = st();
    msg_class cls = msg_class::warning;
    int level = 10;
    char c = kind ? kind[0] : 0;
    if (c == 'f' || c == 'F')
        cls = msg_class::fatal;
    else if (c == 'e' || c == 'E')
        cls = msg_class::error;
    else if (c == 'm' || c == 'M')
        cls = msg_class::plain;
    else if ((c >= '0' && c <= '9') || (c == '-' && kind[1] >= '0' && kind[1] <= '9'))
        level = std::atoi(kind);
    if (cls == msg_class::error && s.errors++ >= static_cast<uint32_t>(s.max_errors < 0 ? 0 : s.max_errors))
        too_many_errors();
    if (level < s.level) {
        if (cls == msg_class::fatal)   // a fatal report ends the program even when hidden
            end_program(1);
        return 0;
    }
    lay_out(number, cls, format ? format : "", args, count, saved_errno);
    if (cls == msg_class::fatal)
        end_program(1);
    return 1;
}

void alert_vprint(const char* format, va_list args)
{
    char* text = vformat_string(format, args);
    st().line = text;
    xfree(text);
    alert_flush();
}

void alert_print(const char* format, ...)
{
    va_list args;
    va_start(args, format);
    alert_vprint(format, args);
    va_end(args);
}

int alert_continue(int mode, const char* format, ...)
{
    alert_state& s = st();
    if (!s.continuing) {
        s.line.assign(1, '\t');
        s.continuing = true;
    }
    va_list args;
    va_start(args, format);
    char* text = vformat_string(format, args);
    va_end(args);
    int n = static_cast<int>(std::strlen(text));
    s.line += text;
    xfree(text);
    if (mode == 1) {
        alert_flush();
        s.continuing = false;
        return 0;
    }
    return n;
}

int alert_set_formatted(int flag)
{
    int old = st().formatted;
    st().formatted = flag;
    return old;
}

void alert_set_formats(const char* error_format, const char* warning_format, const char* message_format)
{
    ensure_initialised();
    set_formats(error_format, warning_format, message_format);
}

int alert_set_level(int level)
{
    int old = st().level;
    st().level = level;
    return old;
}

int alert_set_max_errors(int n)
{
    ensure_initialised();
    int old = st().max_errors;
    st().max_errors = n;
    return old;
}

void alert_set_position(const char* file, const int32_t* line, const char* const* line_start,
                        const char* const* position)
{
    alert_state& s = st();
    s.has_file = file != nullptr;
    s.file = file ? file : "";
    s.line_number = line;
    s.line_start = line_start;
    s.position = position;
}

void alert_set_output(void (*output)(const char* line)) { st().output = output; }
void alert_set_hook(void (*hook)()) { st().hook = hook; }
void alert_set_plain_layout(alert_layout_fn layout) { st().plain_layout = layout; }

int alert_set_warn_fails(int flag)
{
    int old = st().warn_fails;
    st().warn_fails = flag;
    return old;
}

void alert_msg_state(int number, int operation)
{
    alert_state& s = st();
    vector* top = top_states();
    switch (operation) {
    case 0: case 1: case 2: case 3: case 4:
        // Numbers outside the message range have no state (and must not grow the table).
        if (number >= 0 && number <= max_message_number)
            vec_set(top, reinterpret_cast<void*>(static_cast<intptr_t>(operation)), static_cast<uint32_t>(number));
        break;
    case 5:
        vec_push(s.state_stack, vec_dup(top));
        break;
    case 6:
        if (vec_size(s.state_stack) > 1) {
            vec_remove_at(s.state_stack, vec_size(s.state_stack) - 1);
            vec_free(top);
        }
        break;
    case 7: {
        ensure_initialised();   // the warnings to disable are those of the loaded file
        vector* table = msgfile_table();
        for (uint32_t i = 0; table && i < vec_size(table); i++) {
            auto* record = static_cast<const msg_desc*>(vec_get(table, i));
            if (record && record->kind == MSG_WARNING)
                vec_set(top, reinterpret_cast<void*>(static_cast<intptr_t>(1)), i);
        }
        break;
    }
    case 8:
        vec_clear(top);
        break;
    default: break;
    }
}

void alert_disable(const char* list)
{
    if (!list || !*list)
        return;
    if (list[0] == '0') {
        alert_msg_state(0, 7);
        return;
    }
    const char* p = list;
    while (*p) {
        char* end = nullptr;
        long n = std::strtol(p, &end, 10);
        if (end != p && n >= 0 && n <= max_message_number)
            alert_msg_state(static_cast<int>(n), 1);
        const char* comma = std::strchr(p, ',');
        if (!comma)
            break;
        p = comma + 1;
    }
}

void alert_line_clear() { st().line.clear(); }

void alert_line_append(const char* format, ...)
{
    va_list args;
    va_start(args, format);
    char* text = vformat_string(format, args);
    va_end(args);
    st().line += text;
    xfree(text);
}

void alert_flush()
{
    alert_state& s = st();
    s.line += '\n';
    if (s.output) {
        s.output(s.line.c_str());
    } else {
        std::fputs(s.line.c_str(), stderr);
        std::fflush(stderr);
    }
    s.line.clear();
}

int alert_failed()
{
    const alert_state& s = st();
    return s.errors > 0 || (s.warn_fails && s.warnings > 0);
}

uint32_t alert_error_count() { return st().errors; }
uint32_t alert_warning_count() { return st().warnings; }
