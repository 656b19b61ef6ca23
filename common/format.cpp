// Checked printf-style formatting for message texts (see format_args.h).
#include "common/format_args.h"

#include <cstdio>
#include <cstring>
#include <vector>

namespace {

// snprintf into a string of the exact length (never cut).
template <typename V> void append_printf(std::string& out, const std::string& spec, V value)
{
    char small[128];
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wformat-nonliteral"
#pragma GCC diagnostic ignored "-Wformat-security"
    int n = std::snprintf(small, sizeof small, spec.c_str(), value);
    if (n < 0)
        return;
    if (static_cast<size_t>(n) < sizeof small) {
        out.append(small, static_cast<size_t>(n));
        return;
    }
    std::vector<char> big(static_cast<size_t>(n) + 1);
    std::snprintf(big.data(), big.size(), spec.c_str(), value);
#pragma GCC diagnostic pop
    out.append(big.data(), static_cast<size_t>(n));
}

bool is_integer(const format_arg& a) { return a.kind == format_arg::SIGNED || a.kind == format_arg::UNSIGNED; }

long long as_signed(const format_arg& a) { return a.kind == format_arg::SIGNED ? a.i : static_cast<long long>(a.u); }
unsigned long long as_unsigned(const format_arg& a)
{
    return a.kind == format_arg::UNSIGNED ? a.u : static_cast<unsigned long long>(a.i);
}

void put_signed(std::string& out, const std::string& spec, const std::string& length, long long v)
{
    if (length == "hh")
        append_printf(out, spec, static_cast<int>(static_cast<signed char>(v)));
    else if (length == "h")
        append_printf(out, spec, static_cast<int>(static_cast<short>(v)));
    else if (length == "l")
        append_printf(out, spec, static_cast<long>(v));
    else if (length == "ll" || length == "q" || length == "j")
        append_printf(out, spec, v);
    else if (length == "z" || length == "t")
        append_printf(out, spec, static_cast<std::ptrdiff_t>(v));
    else
        append_printf(out, spec, static_cast<int>(v));
}

void put_unsigned(std::string& out, const std::string& spec, const std::string& length, unsigned long long v)
{
    if (length == "hh")
        append_printf(out, spec, static_cast<unsigned>(static_cast<unsigned char>(v)));
    else if (length == "h")
        append_printf(out, spec, static_cast<unsigned>(static_cast<unsigned short>(v)));
    else if (length == "l")
        append_printf(out, spec, static_cast<unsigned long>(v));
    else if (length == "ll" || length == "q" || length == "j")
        append_printf(out, spec, v);
    else if (length == "z" || length == "t")
        append_printf(out, spec, static_cast<size_t>(v));
    else
        append_printf(out, spec, static_cast<unsigned>(v));
}

}  // namespace

std::string format_checked(const char* format, const format_arg* args, size_t count)
{
    std::string out;
    if (!format)
        return out;
    size_t next = 0;
    auto take = [&](bool (*fits)(const format_arg&)) -> const format_arg* {
        if (next >= count || !fits(args[next]))
            return nullptr;
        return &args[next++];
    };
    const char* p = format;
    while (*p) {
        if (*p != '%') {
            const char* q = std::strchr(p, '%');
            size_t n = q ? static_cast<size_t>(q - p) : std::strlen(p);
            out.append(p, n);
            p += n;
            continue;
        }
        const char* start = p++;
        if (*p == '%') {
            out += '%';
            p++;
            continue;
        }
        // Flags, width, precision and length, as printf reads them; '*' takes an int argument.
        std::string spec = "%";
        bool bad = false;
        while (*p && std::strchr("-+ #0'", *p))
            spec += *p++;
        auto read_number = [&](bool precision) {
            if (*p == '*') {
                const format_arg* a = take(is_integer);
                int n = a ? static_cast<int>(as_signed(*a)) : 0;
                if (!a)
                    bad = true;
                else if (precision && n < 0)
                    spec.pop_back();   // a negative precision counts as none
                else
                    spec += std::to_string(n);
                p++;
            } else {
                while (*p >= '0' && *p <= '9')
                    spec += *p++;
            }
        };
        read_number(false);
        if (*p == '.') {
            spec += *p++;
            read_number(true);
        }
        std::string length;
        while (*p && std::strchr("hlqjztL", *p))
            length += *p++;
        char conv = *p;
        if (!conv) {   // a lone conversion at the end: printf has no output for it
            out.append(start);
            break;
        }
        p++;
        std::string full = spec + length + conv;
        std::string bare = spec + conv;   // the value is cast to the length's type and passed plainly
        const format_arg* a = nullptr;
        switch (conv) {
        case 'd':
        case 'i':
            if ((a = take(is_integer)) && !bad) {
                std::string with = spec + (length == "q" ? "ll" : length) + conv;
                put_signed(out, with, length, as_signed(*a));
                continue;
            }
            break;
        case 'u':
        case 'o':
        case 'x':
        case 'X':
            if ((a = take(is_integer)) && !bad) {
                std::string with = spec + (length == "q" ? "ll" : length) + conv;
                put_unsigned(out, with, length, as_unsigned(*a));
                continue;
            }
            break;
        case 'c':
            if (length.empty() && (a = take(is_integer)) && !bad) {
                append_printf(out, bare, static_cast<int>(as_signed(*a)));
                continue;
            }
            break;
        case 's':
            if (length.empty() && (a = take([](const format_arg& x) {
                    return x.kind == format_arg::TEXT || (x.kind == format_arg::POINTER && !x.p);
                })) && !bad) {
                const char* s = a->kind == format_arg::TEXT ? a->s : nullptr;
                append_printf(out, bare, s ? s : "(null)");
                continue;
            }
            break;
        case 'p':
            if (length.empty() && (a = take([](const format_arg& x) {
                    return x.kind == format_arg::POINTER || x.kind == format_arg::TEXT;
                })) && !bad) {
                append_printf(out, bare, a->kind == format_arg::TEXT ? static_cast<const void*>(a->s) : a->p);
                continue;
            }
            break;
        case 'f': case 'F': case 'e': case 'E': case 'g': case 'G': case 'a': case 'A':
            if ((a = take([](const format_arg& x) { return x.kind == format_arg::REAL; })) && !bad) {
                if (length == "L")
                    append_printf(out, full, a->d);
                else
                    append_printf(out, bare, static_cast<double>(a->d));
                continue;
            }
            break;
        case 'n':   // never writes through an argument
            break;
        default:    // not a conversion: shown as written
            out.append(start, static_cast<size_t>(p - start));
            continue;
        }
        // No fitting argument: the conversion's argument (if any) is passed over.
        if (!a && next < count)
            next++;
        out += format_placeholder;
    }
    return out;
}
