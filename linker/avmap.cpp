#include "linker/avmap.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include "common/osdep.h"

#include "common/alert.h"
#include "linker/context.h"
#include "linker/symtab.h"

namespace lnk {

avmap_state& avmap = run_context.avmap;


namespace {

const char* const SEPARATORS = " \t\n\r";

std::vector<std::string> words_of(const char* text) {
    std::vector<std::string> out;
    std::string copy = text;
    for (char* w = std::strtok(copy.data(), SEPARATORS); w; w = std::strtok(nullptr, SEPARATORS)) out.emplace_back(w);
    return out;
}

// One entry: a psect or class name (or "-" for the default) and its memory key.
void read_entry(const std::vector<std::string>& w, size_t first) {
    if (first >= w.size()) return;
    const name_entry* e;
    bool is_default = w[first] == "-";
    if (is_default) {
        e = symtab.abs_psect;
    } else {
        e = link_sym_lookup(w[first], KIND_GLOBAL_PSECT);
        if (!e) e = link_sym_lookup(w[first], KIND_CLASS);
        if (!e) return;
    }
    if (first + 1 >= w.size()) {
        alert_message(463);
        return;
    }
    if (is_default) avmap.default_pair = avmap.pairs.size();
    avmap.pairs.push_back({e, w[first + 1]});
}

}  // namespace

void avmap_read(const std::string& machine, const std::string& file) {
    FILE* f = std::fopen(file.c_str(), "r");
    if (!f) {
        alert_message(141, "avmap", file.c_str());
        exit_hook(1);
        std::exit(1);
    }
    avmap.loaded = true;
    bool in_section = false, found = false;
    char buf[256];
    while (std::fgets(buf, sizeof buf, f)) {
        size_t len = std::strlen(buf);
        if (len && buf[len - 1] != '\n') {   // a longer line is cut at 255 characters
            int c;
            while ((c = std::fgetc(f)) != EOF && c != '\n') {}
        }
        if (buf[0] == '#') continue;
        const char* p = buf + std::strspn(buf, " ");
        if (!p[std::strspn(p, SEPARATORS)]) continue;
        bool tab = *p == '\t';
        if (in_section) {
            if (!tab) break;
            read_entry(words_of(p), 0);
            continue;
        }
        if (tab) continue;
        std::vector<std::string> w = words_of(p);
        if (!w.empty() && str_casecmp(w[0].c_str(), machine.c_str()) == 0) {
            in_section = found = true;
            read_entry(w, 1);
        }
    }
    std::fclose(f);
    if (!found) alert_message(464);
}

std::string memory_key(const std::string& name) {
    for (const avmap_pair& p : avmap.pairs)
        if (p.entry->name == name && p.entry != symtab.abs_psect) return p.key;
    if (avmap.default_pair < avmap.pairs.size()) return avmap.pairs[avmap.default_pair].key;
    return "";
}

}  // namespace lnk
