// The option engine.
#include "driver/options.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include "common/osdep.h"
#include <vector>

#include "common/alert.h"
#include "common/pass_startup.h"
#include "driver/chipfile.h"

void (*opt_help_for)(option_row* table, const char* name) = nullptr;

namespace {

[[noreturn]] void fatal_stop() {
    exit_hook(1);
    exit(1);
}

bool is_alias_or_obsolete(const option_row* row) { return row->flags & (OPT_ALIAS | OPT_OBSOLETE); }

// A choice parser result; `removed` collects the bits that a '-' took away.
int32_t parse_choices(const option_row* row, const char* argument, int32_t old, uint32_t* removed) {
    if (!argument) return -1;
    bool bits = row->kind != KIND_SINGLE;
    char mode = '=';
    const char* p = argument;
    if (*p == '+') {
        mode = '+';
        ++p;
    } else if (*p == '-' && !isdigit((unsigned char)p[1])) {
        mode = '-';
        ++p;
    }
    int32_t parsed = 0;
    std::string rest(p);
    size_t start = 0;
    while (start <= rest.size()) {
        size_t end = rest.find_first_of(",\n", start);
        std::string token = rest.substr(start, end == std::string::npos ? std::string::npos : end - start);
        start = end == std::string::npos ? rest.size() + 1 : end + 1;
        char sign = '+';
        if (bits && !token.empty() && (token[0] == '+' || token[0] == '-')) {
            sign = token[0];
            token.erase(0, 1);
        }
        const choice_row* match = nullptr;
        for (const choice_row* c = row->choices; c && c->names; ++c)
            if (choice_has_name(c, token.c_str())) {
                match = c;
                break;
            }
        if (match) {
            if (sign == '+') parsed |= match->value;
            else {
                parsed &= ~match->value;
                *removed |= uint32_t(match->value);
            }
        } else if (bits && str_casecmp(token.c_str(), "all") == 0) {
            parsed = -1;
        } else if (bits && str_casecmp(token.c_str(), "none") == 0) {
            parsed = 0;
        } else if (str_casecmp(token.c_str(), "default") == 0) {
            parsed = 0;
            for (const choice_row* c = row->choices; c && c->names; ++c)
                if (c->default_mark & 1) parsed |= c->value;
        } else {
            alert_message(923, token.c_str());
            fatal_stop();
        }
        if (!bits) break;
    }
    if (mode == '+') return old | parsed;
    if (mode == '-') {
        *removed |= uint32_t(parsed);
        return old & ~parsed;
    }
    return parsed;
}

// Applies a row; true when it stops compilation.
bool apply_row(option_row* row, const char* argument) {
    const char* shown = opt_display_name(row);
    if (!argument && (row->flags & OPT_ARG_REQUIRED)) {
        alert_message(924, shown);
        fatal_stop();
    }
    if (argument && !(row->flags & (OPT_ARG_REQUIRED | OPT_ARG_OPTIONAL))) {
        alert_message(925, shown);
        fatal_stop();
    }
    if ((row->flags & OPT_NO_REPEAT) && row->count > 0) {
        alert_message(926, shown);
        fatal_stop();
    }
    ++row->count;
    switch (row->kind) {
    case KIND_HANDLER:
        if (row->name && row->handler) row->handler(row, argument);
        else if (row->plain_handler) row->plain_handler();
        break;
    case KIND_BITS:
    case KIND_SINGLE:
    case KIND_OPT_BITS:
        *row->variable = parse_choices(row, argument, *row->variable, &row->removed_bits);
        break;
    case KIND_NAMED: {
        int32_t value = 0;
        if (argument) {
            const choice_row* match = nullptr;
            for (const choice_row* c = row->choices; c && c->names; ++c)
                if (choice_has_name(c, argument)) {
                    match = c;
                    break;
                }
            if (!match) {
                alert_message(923, argument);
                fatal_stop();
            }
            value = match->value;
        }
        *row->variable = value;
        break;
    }
    case KIND_BOOLEAN: *row->variable = 1; break;
    case KIND_COUNTER: ++*row->variable; break;
    case KIND_INTEGER: *row->variable = argument ? int32_t(strtol(argument, nullptr, 10)) : 0; break;
    case KIND_HEX: {
        const char* p = argument ? argument : "";
        uint32_t value;
        if (!chip_read_number(p, value)) {
            alert_message(928, shown);
            fatal_stop();
        }
        if (row->number_handler) row->number_handler(row, value);
        break;
    }
    case KIND_RANGES: {
        const char* p = argument ? argument : "";
        for (;;) {
            uint32_t low, high;
            if (!chip_read_number(p, low) || *p != '-') break;
            ++p;
            if (!chip_read_number(p, high) || high < low) break;
            if (row->range_handler) row->range_handler(row, low, high);
            if (*p == '\0') return row->flags & OPT_STOPS;
            if (*p != ',') break;
            ++p;
        }
        alert_message(929, shown);
        fatal_stop();
    }
    default:
        if (row->handler) row->handler(row, argument);
        break;
    }
    return row->flags & OPT_STOPS;
}

// The obsolete or alias row with the longest name that begins the text after the '-'.
option_row* longest_prefix_row(option_row* table, const char* text) {
    option_row* best = nullptr;
    size_t best_length = 0;
    for (option_row* r = table; r->group != 0; ++r) {
        if (!is_alias_or_obsolete(r) || !r->name) continue;
        size_t n = strlen(r->name);
        if (n > best_length && str_ncasecmp(text, r->name, n) == 0) {
            best = r;
            best_length = n;
        }
    }
    return best;
}

}  // namespace

bool choice_has_name(const choice_row* choice, const char* name) {
    const char* p = choice->names;
    size_t n = strlen(name);
    while (*p) {
        const char* e = strchr(p, ';');
        size_t len = e ? size_t(e - p) : strlen(p);
        if (len == n && str_ncasecmp(p, name, n) == 0) return true;
        if (!e) break;
        p = e + 1;
    }
    return false;
}

option_row* opt_find(option_row* table, int32_t id) {
    for (option_row* r = table; r->group != 0; ++r)
        if (r->id == id) return r;
    return nullptr;
}

option_row* opt_find_name(option_row* table, const char* name) {
    for (option_row* r = table; r->group != 0; ++r)
        if (r->name && str_casecmp(r->name, name) == 0) return r;
    return nullptr;
}

const choice_row* choice_find(const choice_row* choices, int32_t value) {
    for (const choice_row* c = choices; c && c->names; ++c)
        if (c->value == value) return c;
    return nullptr;
}

void opt_set_value(option_row* row, int32_t value) {
    *row->variable = value;
    for (int b = 0; b < 32; ++b) {
        int32_t bit = int32_t(1u << b);
        choice_row* c = const_cast<choice_row*>(choice_find(row->choices, bit));
        if (!c) continue;
        if (value & bit) c->default_mark |= 1;
        else c->default_mark &= ~1u;
    }
}

const char* opt_display_name(const option_row* row) {
    static std::string text;
    if (!row->name) return "";
    bool single = is_alias_or_obsolete(row) || strlen(row->name) == 1;
    text = std::string(single ? "-" : "--") + row->name;
    return text.c_str();
}

int32_t opt_id(const option_row* row) { return (row->flags & OPT_ALIAS) ? row->alias_target : row->id; }

int opt_parse(option_row* table, int argc, char** argv, opt_file_fn file_callback, const char* program) {
    // Kept for the run: the option handlers keep pointers into the arguments.
    static std::vector<std::string> words;
    const pass_startup startup{.name = program ? program : "",
                               .arguments_from_input = program != nullptr,
                               .command_file_anywhere = true};
    words = pass_arguments(argc, argv, startup);
    std::vector<char*> args;
    for (std::string& w : words) args.push_back(w.data());
    for (option_row* r = table; r->group != 0; ++r)
        if (r->flags & OPT_ALIAS)
            if (option_row* target = opt_find(table, r->alias_target)) r->group = target->group;

    if (!args.empty() && args[0][0] == '-') {
        const char* eq = strchr(args[0], '=');
        if (eq && str_ncasecmp(eq + 1, "help", 4) == 0 && opt_help_for) {
            opt_help_for(table, args[0]);
            return 1;
        }
    }

    std::vector<option_row*> rows;
    for (option_row* r = table; r->group != 0; ++r) rows.push_back(r);
    std::stable_sort(rows.begin(), rows.end(),
                     [](const option_row* a, const option_row* b) { return uint32_t(a->group) > uint32_t(b->group); });
    std::vector<bool> claimed(args.size(), false);

    // Rows of one group take the arguments in command-line order, so that "-DX -UX" and
    // "-UX -DX" keep their meaning.
    for (size_t first = 0; first < rows.size();) {
        size_t last = first;
        while (last < rows.size() && rows[last]->group == rows[first]->group) ++last;
        for (size_t i = first; i < last; ++i)
            if (!rows[i]->name && apply_row(rows[i], nullptr)) return 1;
        for (size_t a = 0; a < args.size(); ++a) {
            const char* arg = args[a];
            if (arg[0] != '-' || arg[1] == '\0') {
                claimed[a] = true;
                continue;
            }
            for (size_t i = first; i < last; ++i) {
                option_row* row = rows[i];
                if (!row->name) continue;
                option_row* prefixed = longest_prefix_row(table, arg + 1);
                if (prefixed) {
                    if (prefixed != row) continue;
                    const char* rest = arg + 1 + strlen(row->name);
                    if (*rest == '=') ++rest;
                    claimed[a] = true;
                    if (row->flags & OPT_OBSOLETE) {
                        if (apply_row(row, *rest ? rest : nullptr)) return 1;
                        break;
                    }
                    option_row* target = opt_find(table, row->alias_target);
                    if (!target) break;
                    if (target->kind == KIND_BITS || target->kind == KIND_SINGLE || target->kind == KIND_OPT_BITS) {
                        // A single choice, or the value 0, replaces; bits are added.
                        if (target->kind == KIND_SINGLE || row->alias_value == 0) *target->variable = row->alias_value;
                        else *target->variable |= row->alias_value;
                        ++target->count;
                        if (target->flags & OPT_STOPS) return 1;
                    } else if (apply_row(target, *rest ? rest : nullptr)) {
                        return 1;
                    }
                    break;
                }
                if (is_alias_or_obsolete(row)) continue;
                if (strlen(row->name) == 1) {
                    if (arg[1] == '-' || tolower((unsigned char)arg[1]) != tolower((unsigned char)row->name[0])) continue;
                    claimed[a] = true;
                    if (apply_row(row, arg[2] ? arg + 2 : nullptr)) return 1;
                    break;
                }
                if (arg[1] != '-' || arg[2] == '\0') continue;
                const char* text = arg + 2;
                const char* eq = strchr(text, '=');
                size_t n = eq ? size_t(eq - text) : strlen(text);
                if (n != strlen(row->name) || str_ncasecmp(text, row->name, n) != 0) continue;
                claimed[a] = true;
                if (apply_row(row, eq && eq[1] ? eq + 1 : nullptr)) return 1;
                break;
            }
        }
        first = last;
    }
    for (size_t a = 0; a < args.size(); ++a)
        if (!claimed[a]) alert_message(168, args[a]);
    for (char* a : args)
        if (a[0] != '-' && file_callback) file_callback(a);
    return 0;
}
