// printf format check: scans a format one conversion at a time and tells the expected argument.
#include <cstdint>
#include <string>

#include "common/alert.h"
#include "parser/printf_check.h"

uint32_t printf_feature_bits = 0;

namespace {
std::string format_text;
size_t scan_position = 0;
int state = 0;        // 0 outside a conversion, 1 after "%", 2 "*" width, 3 ".", 4 modifier, 5 width, 6 precision
char modifier = 0;    // h, l, or L for "ll"
}  // namespace

int32_t printf_format_check(const char* format, bool restart) {
    if (restart) {
        if (!format) return 127;
        format_text = format;
        scan_position = 0;
        state = 0;
        modifier = 0;
    }
    auto fail = [&](int message) -> int32_t {
        switch (message) {
        case 969: alert_message(969); break;
        case 970: alert_message(970); break;
        case 971: alert_message(971); break;
        case 973: alert_message(973); break;
        case 974: alert_message(974); break;
        default: alert_message(975); break;
        }
        scan_position = format_text.size();
        state = 0;
        modifier = 0;
        return 127;
    };
    auto by_modifier = [&]() -> int32_t {
        switch (modifier) {
        case 'h': return 6;
        case 'l': printf_feature_bits |= 0x10; return 10;
        case 'L': printf_feature_bits |= 0x10; return 12;
        default: return 8;
        }
    };
    while (scan_position < format_text.size()) {
        char c = format_text[scan_position++];
        if (state == 0) {
            if (c == '%') state = 1;
            continue;
        }
        switch (c) {
        case '%':
            if (state != 1) return fail(970);
            state = 0;
            continue;
        case ' ': case '#': case '+': case '-':
            if (state != 1) return fail(970);
            printf_feature_bits |= c == ' ' ? 0x1 : c == '+' ? 0x2 : c == '-' ? 0x8 : 0x20;
            continue;
        case '*':
            if (state == 1) {
                state = 2;
                printf_feature_bits |= 0x8000 | 0x20000;
                return 8;
            }
            if (state == 3) {
                state = 4;
                printf_feature_bits |= 0x10000 | 0x20000;
                return 8;
            }
            return fail(970);
        case '.':
            if (state != 1 && state != 2 && state != 5) return fail(970);
            state = 3;
            continue;
        case 'h': case 'l':
            if (modifier) {
                if (c == 'l' && modifier == 'l') {
                    modifier = 'L';
                    continue;
                }
                return fail(974);
            }
            modifier = c;
            state = 4;
            continue;
        case 'd': case 'i': case 'o': case 'u': case 'x': case 'X': {
            printf_feature_bits |= c == 'd' || c == 'i' ? 0x80 : c == 'o' ? 0x100 : c == 'u' ? 0x400
                                   : c == 'x'           ? 0x400000 : 0x200000;
            int32_t r = by_modifier();
            state = 0;
            modifier = 0;
            return r;
        }
        case 'e': case 'E': case 'f': case 'g': case 'G':
            if (modifier) return fail(971);
            printf_feature_bits |= c == 'e' ? 0x800 : c == 'E' ? 0x840 : c == 'f' ? 0x2000 : c == 'g' ? 0x1000 : 0x1040;
            state = 0;
            return 18;
        case 'c': case 's':
            if (modifier && modifier != 'l') return fail(971);
            if (modifier) printf_feature_bits |= 0x10;
            printf_feature_bits |= c == 'c' ? 0x80000 : 0x40000;
            state = 0;
            modifier = 0;
            return c == 'c' ? 8 : 0x80 | 4;
        case 'n':
            if (modifier && modifier != 'l') return fail(973);
            printf_feature_bits |= 0x200;
            {
                bool is_long = modifier != 0;
                state = 0;
                modifier = 0;
                return is_long ? (0x80 | 10) : (0x80 | 8);
            }
        default:
            if (c >= '0' && c <= '9') {
                if (state == 1) {
                    state = 5;
                    printf_feature_bits |= 0x8000;
                } else if (state == 3) {
                    state = 6;
                    printf_feature_bits |= 0x10000;
                } else if (state != 5 && state != 6) {
                    return fail(975);
                }
                continue;
            }
            return fail(975);
        }
    }
    if (state != 0) return fail(969);
    return 0;
}
