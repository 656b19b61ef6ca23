// Typed argument lists for message texts. Message texts come from files that people edit and
// translate, so their conversions may not match what the caller passes; the formatter checks
// each conversion against the argument's kind and prints a placeholder instead of reading
// past the arguments or misreading one. With matching conversions the output is printf's.
#pragma once
#include <cstddef>
#include <cstdint>
#include <string>
#include <type_traits>

struct format_arg {
    enum kind_t : uint8_t { NONE, SIGNED, UNSIGNED, REAL, TEXT, POINTER };
    kind_t kind = NONE;
    union {
        long long i;
        unsigned long long u;
        long double d;
        const char* s;
        const void* p;
    };
    format_arg() : i(0) {}
};

// The placeholder printed for a conversion without a fitting argument.
constexpr const char format_placeholder[] = "<?>";

template <typename T> format_arg make_format_arg(const T& value)
{
    using D = std::decay_t<T>;
    format_arg a;
    if constexpr (std::is_same_v<D, bool>) {
        a.kind = format_arg::SIGNED;
        a.i = value ? 1 : 0;
    } else if constexpr (std::is_enum_v<D>) {
        return make_format_arg(static_cast<std::underlying_type_t<D>>(value));
    } else if constexpr (std::is_integral_v<D> && std::is_signed_v<D>) {
        a.kind = format_arg::SIGNED;
        a.i = value;
    } else if constexpr (std::is_integral_v<D>) {
        a.kind = format_arg::UNSIGNED;
        a.u = value;
    } else if constexpr (std::is_floating_point_v<D>) {
        a.kind = format_arg::REAL;
        a.d = value;
    } else if constexpr (std::is_same_v<D, char*> || std::is_same_v<D, const char*> ||
                         std::is_same_v<D, unsigned char*> || std::is_same_v<D, const unsigned char*>) {
        a.kind = format_arg::TEXT;
        a.s = reinterpret_cast<const char*>(value);
    } else if constexpr (std::is_same_v<D, std::string>) {
        a.kind = format_arg::TEXT;
        a.s = value.c_str();
    } else if constexpr (std::is_same_v<D, std::nullptr_t>) {
        a.kind = format_arg::POINTER;
        a.p = nullptr;
    } else if constexpr (std::is_pointer_v<D>) {
        a.kind = format_arg::POINTER;
        a.p = static_cast<const void*>(value);
    } else {
        static_assert(std::is_pointer_v<D>, "unsupported message argument type");
    }
    return a;
}

// Formats with the checked arguments; the result is complete (never cut).
std::string format_checked(const char* format, const format_arg* args, size_t count);
