// The --help printer.
#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstring>
#include <string>
#include "common/osdep.h"
#include <vector>

#include "driver/handlers.h"

namespace {

bool is_old(const option_row* r) { return r->flags & (OPT_ALIAS | OPT_OBSOLETE); }
bool is_choice_kind(int32_t kind) { return kind == KIND_BITS || kind == KIND_SINGLE || kind == KIND_OPT_BITS; }

std::string display(const option_row* r) { return opt_display_name(r); }

// "=bin;binary" for a choice alias; empty for other aliases.
std::string alias_choice(option_row* table, const option_row* alias) {
    const option_row* target = opt_find(table, alias->alias_target);
    if (!target || !is_choice_kind(target->kind)) return std::string();
    if (alias->alias_value == 0) return "=none";
    if (alias->alias_value == -1) return "=all";
    const choice_row* c = choice_find(target->choices, alias->alias_value);
    return c ? std::string("=") + c->names : std::string();
}

std::string argument_form(const option_row* r) {
    std::string text = display(r);
    if ((r->flags & OPT_OBSOLETE) || !(r->flags & (OPT_ARG_REQUIRED | OPT_ARG_OPTIONAL))) return text;
    bool optional = r->flags & OPT_ARG_OPTIONAL;
    if (optional) text += "<";
    if (strlen(r->name) > 1) text += "=";
    switch (r->kind) {
    case KIND_INTEGER: text += "number"; break;
    case KIND_HEX: text += "value"; break;
    case KIND_RANGES: text += "lo-hi<,lo-hi,...>"; break;
    case KIND_SPEC: text += "<+|->lo-hi<,...>"; break;
    default: text += "argument"; break;
    }
    if (optional) text += ">";
    return text;
}

void option_line(const option_row* r) {
    printf(" %-2s  ", (r->flags & OPT_STOPS) ? "!" : "");
    std::string form = argument_form(r);
    const char* short_text = r->help ? r->help->short_text : "";
    if (!short_text || !*short_text) printf(" %s\n", form.c_str());
    else if (r->flags & OPT_OBSOLETE) printf(" %-30s Use %s\n", form.c_str(), short_text);
    else printf(" %-30s %s\n", form.c_str(), short_text);
}

void print_full_list(option_row* table) {
    std::vector<option_row*> rows;
    for (option_row* r = table; r->group != 0; ++r) rows.push_back(r);
    auto rank = [](const option_row* r) { return !r->name ? 0 : is_old(r) ? 1 : 2; };
    std::stable_sort(rows.begin(), rows.end(), [&](const option_row* a, const option_row* b) {
        if (rank(a) != rank(b)) return rank(a) < rank(b);
        if (!a->name) return false;
        return strcmp(a->name, b->name) < 0;
    });
    printf("\nObsolete Options:\n\n");
    for (option_row* r : rows) {
        if (!r->name || !is_old(r)) continue;
        if (r->flags & OPT_ALIAS) {
            const option_row* target = opt_find(table, r->alias_target);
            if (!target || !target->name || !target->help) continue;
            std::string use = "Use " + display(target) + alias_choice(table, r);
            printf("      %-30s %s\n", display(r).c_str(), use.c_str());
        } else if (r->help) {
            option_line(r);
        }
    }
    printf("\n");
    printf("\nCompiler Options:\n\n");
    for (option_row* r : rows)
        if (r->name && !is_old(r) && r->help) option_line(r);
    printf("\n");
    printf(" ! Compilation stops after processing this option\n\nHelp for a specific option can be obtained by "
           "specifying an argument to %s.\n\n",
           "--help");
}

void print_choices(const option_row* r) {
    if (r->kind == KIND_NAMED) printf("The argument to this option must be one of the following:\n");
    else if (r->kind == KIND_SINGLE) printf("This option may have one of the following arguments:\n");
    else printf("This option may have any of the following arguments:\n");
    printf("\n");
    for (const choice_row* c = r->choices; c && c->names; ++c)
        printf(" %c  %-20s %s\n", (c->default_mark & 1) ? '*' : ' ', c->names, c->description);
    if (r->kind != KIND_OPT_BITS) printf("\n");
    if (r->kind == KIND_BITS) {
        printf("    %-20s %s\n", "all", "All of the above");
        printf("    %-20s %s\n", "none", "None of the above");
        printf("    %-20s %s\n", "default", "Default values (*)");
        printf("\n");
    } else if (r->kind == KIND_SINGLE || r->kind == KIND_OPT_BITS) {
        printf("    %-20s %s\n", "default", "Default value (*)");
        printf("\n");
    }
}

}  // namespace

void print_help(option_row* table, const char* argument) {
    if (!argument) {
        print_full_list(table);
        fflush(stdout);
        return;
    }
    print_banner();
    printf("\n");
    const char* p = argument;
    while (*p && !isalpha((unsigned char)*p) && *p != '_') ++p;
    std::string name;
    while (isalnum((unsigned char)*p) || *p == '_') name += *p++;
    option_row* row = nullptr;
    // Main rows win over obsolete and alias rows of the same name ("-O" and "--O").
    for (option_row* r = table; r->group != 0; ++r)
        if (r->name && str_casecmp(r->name, name.c_str()) == 0 && (!row || (is_old(row) && !is_old(r)))) row = r;
    if (!row) {
        printf("Bad option: %s\n", argument);
        print_full_list(table);
        fflush(stdout);
        return;
    }
    const option_row* target = (row->flags & OPT_ALIAS) ? opt_find(table, row->alias_target) : nullptr;
    const help_text* help = target ? target->help : row->help;
    const char* short_text = help && help->short_text ? help->short_text : "";
    if (row->flags & OPT_OBSOLETE) printf("%s: Use %s\n", display(row).c_str(), short_text);
    else printf("%s: %s\n", display(row).c_str(), short_text);
    printf("\n");
    if (is_old(row)) {
        printf("This option is obsolete.");
        if (target) printf(" Please use the following option:\n\n\t%s", (display(target) + alias_choice(table, row)).c_str());
        else if (!row->help || !row->help->long_text) printf(" Please use the following options:\n\n\t%s", short_text);
        printf("\n");
    }
    if (!is_old(row) && row->help && row->help->long_text) printf("%s", row->help->long_text);
    if (!is_old(row) && (is_choice_kind(row->kind) || row->kind == KIND_NAMED)) print_choices(row);
    fflush(stdout);
}
