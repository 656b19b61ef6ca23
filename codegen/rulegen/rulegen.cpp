// The rule generator: reads a rule source and writes the code selector's tables as C++
// (transition hash, candidate lists, rule rows, template pool), after checking every rule.
//
//   rulegen [--table NAME] [--stats] RULES... OUTPUT.cpp
//
// Several rule files are read as one source, in the order given (one file per rule family).
// Rule source, one block per rule; "#" starts a comment:
//   goals stmt wreg mem ...            goal names, numbered from 89 in order (89 = stmt)
//   rule GOAL : "OP" [LEFT|_ [RIGHT]]  an operator rule; LEFT/RIGHT are goals
//   rule GOAL : SUBGOAL                a chain rule
//   kind: at-operand, at-right, at-alloc, at-described, at-own or none, with holds-... words
//     when PREDICATE    on FLAG...     operand REG [+flag...]    need REG [+flag...]
//     clobbers REG...   kind WORD...   code "TEXT"   result "TEXT"   post "TEXT"
// File order is priority: the first rule that fits wins.
#include <algorithm>
#include <array>
#include <cctype>
#include <cstdint>
#include <cstdlib>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <iostream>
#include <map>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "codegen/context.h"
#include "codegen/predicates.h"
#include "codegen/registers.h"
#include "codegen/ruletable.h"
#include "codegen/template_scan.h"
#include "codegen/tree.h"

extern const char component_name[] = "rule generator";
void exit_hook(int) {}

namespace {

using cg::rule_row;

struct token {
    std::string text;
    bool quoted = false;
    int line = 0;
};

struct rule_src {
    int line = 0;
    std::string lhs, sub;            // sub: chain rule's goal
    int op = 0;                      // operator of an operator rule
    std::string left, right;
    rule_row row{};
    std::string code, result, post;
    bool has_kind = false;
};

struct generator {
    // Lines are numbered across all files read; each file starts at its first line's number.
    std::vector<std::pair<int, std::string>> files;
    int errors = 0;
    std::vector<std::string> goals;
    std::map<std::string, int> goal_number;
    std::vector<rule_src> rules;     // rules[0] is the empty row

    // "file:line" of a line number counted across the files.
    // The generated tables name files without their directory, so any checkout gives the same text.
    std::string where(int line, bool base_name = false) const {
        size_t k = 0;
        while (k + 1 < files.size() && files[k + 1].first <= line) ++k;
        if (files.empty()) return std::to_string(line);
        std::string name = files[k].second;
        if (base_name) name = name.substr(name.find_last_of("/\\") + 1);
        return name + ":" + std::to_string(line - files[k].first + 1);
    }
    void error(int line, const std::string& text) {
        std::fprintf(stderr, "%s: %s\n", where(line).c_str(), text.c_str());
        ++errors;
    }
};

bool read_tokens(const std::string& path, std::vector<token>& out, generator& g, int& line) {
    std::ifstream in(path, std::ios::binary);
    if (!in) return false;
    std::stringstream ss;
    ss << in.rdbuf();
    const std::string s = ss.str();
    g.files.emplace_back(line, path);
    for (size_t i = 0; i < s.size();) {
        char c = s[i];
        if (c == '\n') { ++line; ++i; continue; }
        if (c == ' ' || c == '\t' || c == '\r') { ++i; continue; }
        if (c == '#') { while (i < s.size() && s[i] != '\n') ++i; continue; }
        token t;
        t.line = line;
        if (c == '"') {
            t.quoted = true;
            for (++i; i < s.size() && s[i] != '"'; ++i) {
                if (s[i] == '\n') break;
                if (s[i] != '\\') { t.text += s[i]; continue; }
                if (++i >= s.size()) break;
                switch (s[i]) {
                case 'n': t.text += '\n'; break;
                case 'r': t.text += '\r'; break;
                case 'b': t.text += '\b'; break;
                case 't': t.text += '\t'; break;
                case '\\': t.text += '\\'; break;
                case '"': t.text += '"'; break;
                default: g.error(line, std::string("unknown escape \\") + s[i]); break;
                }
            }
            if (i >= s.size() || s[i] != '"') g.error(line, "unterminated string");
            ++i;
        } else {
            while (i < s.size() && !std::isspace(static_cast<unsigned char>(s[i])) && s[i] != '#') t.text += s[i++];
        }
        out.push_back(t);
    }
    ++line;
    return true;
}

bool is_keyword(const token& t) {
    static const std::set<std::string> words = {"rule", "goals", "when", "on", "operand", "need",
                                                "clobbers", "kind", "code", "result", "post"};
    return !t.quoted && words.count(t.text);
}

uint32_t parse_number(const std::string& s, bool& ok) {
    char* end = nullptr;
    unsigned long v = std::strtoul(s.c_str(), &end, 0);
    ok = !s.empty() && *end == 0;
    return static_cast<uint32_t>(v);
}

// A register (codes 1-111), a class ("class113" ... "class126") or "temporary"; 0 when unknown.
uint32_t register_code(const std::string& name) {
    for (int32_t c = 1; c <= cg::REG_LAST; ++c)
        if (name == cg::reg_names[c]) return static_cast<uint32_t>(c);
    if (name == "temporary") return cg::REG_TEMP;
    for (int32_t c = cg::CLASS_FIRST; c <= cg::CLASS_LAST; ++c)
        if (name == "class" + std::to_string(c)) return static_cast<uint32_t>(c);
    return 0;
}

// A register operand: a name (or class) with "+replace", "+mask", "+notsym", "+call", "+reuse".
uint32_t parse_register(generator& g, int line, const std::string& text) {
    std::string name = text;
    uint32_t flags = 0;
    size_t plus;
    while ((plus = name.rfind('+')) != std::string::npos && plus > 0 && !std::isdigit(static_cast<unsigned char>(name[plus + 1]))) {
        std::string f = name.substr(plus + 1);
        name.resize(plus);
        if (f == "replace") flags |= cg::RF_REPLACE;
        else if (f == "mask") flags |= cg::RF_MASK;
        else if (f == "notsym") flags |= cg::RF_NOT_SYM;
        else if (f == "call") flags |= cg::RF_CALL;
        else if (f == "reuse") flags |= cg::RF_REUSE_RIGHT;
        else g.error(line, "unknown register flag \"" + f + "\"");
    }
    uint32_t code = register_code(name);
    if (code == 0) g.error(line, "unknown register \"" + name + "\"");
    return code | flags;
}

uint32_t parse_kind(generator& g, int line, const std::string& w) {
    static const std::map<std::string, uint32_t> names = {
        {"at-operand", 1}, {"at-right", 2}, {"at-alloc", 3}, {"at-described", 4}, {"at-own", 5}, {"none", 6},
        {"holds-described", 0x100}, {"holds-operand", 0x200}, {"holds-right", 0x400},
        {"holds-operand-alloc", 0x800}, {"holds-right-result", 0x1000}, {"holds-alloc", 0x2000},
        {"holds-own", 0x4000}};
    auto it = names.find(w);
    if (it != names.end()) return it->second;
    bool ok;
    uint32_t v = parse_number(w, ok);
    if (!ok) g.error(line, "unknown kind \"" + w + "\"");
    return v;
}

int operator_number(const std::string& name) {
    for (int i = 1; i <= static_cast<int>(cg::OP_LITERAL); ++i)
        if (name == cg::op_names[i]) return i;
    return 0;
}

// Code helpers that templates may call with E.
bool known_helper(int n) {
    return (n >= 1 && n <= 4) || (n >= 6 && n <= 9) || (n >= 11 && n <= 21) || (n >= 48 && n <= 70);
}

void lint_template(generator& g, int line, const std::string& text, const char* what) {
    for (size_t i = 0; i < text.size();) {
        char c = text[i];
        if (c == ';') break;
        if (c == '~' && i + 1 < text.size() && text[i + 1] == '~') { i += 2; continue; }
        if (c == '~' || (c >= 'A' && c <= 'Z')) {
            cg::tpl_directive d;
            if (!cg::tpl_scan(text, i, d)) {
                g.error(line, std::string("upper-case letter or \"~\" outside a directive in ") + what + ": \"" +
                                  text.substr(i, d.length) + "\"");
            } else if (d.how == 'E' && !known_helper(d.offset)) {
                g.error(line, "unknown helper " + std::to_string(d.offset) + " in " + what);
            } else if (d.how == 'I' && d.which != 'L' && d.which != 'N' && d.which != 'R') {
                g.error(line, std::string("bad which-letter after I in ") + what);
            }
            i += d.length ? d.length : 1;
            continue;
        }
        ++i;
    }
}

void parse_rules(generator& g, const std::vector<token>& toks) {
    g.rules.emplace_back();
    for (size_t i = 0; i < toks.size();) {
        const token& t = toks[i];
        if (t.text == "goals" && !t.quoted) {
            for (++i; i < toks.size() && !is_keyword(toks[i]); ++i) {
                if (g.goal_number.count(toks[i].text)) g.error(toks[i].line, "goal \"" + toks[i].text + "\" declared twice");
                g.goal_number[toks[i].text] = cg::first_goal + static_cast<int>(g.goals.size());
                g.goals.push_back(toks[i].text);
            }
            continue;
        }
        if (t.text != "rule" || t.quoted) {
            g.error(t.line, "expected \"rule\" or \"goals\", found \"" + t.text + "\"");
            ++i;
            continue;
        }
        rule_src r;
        r.line = t.line;
        std::vector<token> head;
        for (++i; i < toks.size() && !is_keyword(toks[i]); ++i) head.push_back(toks[i]);
        if (head.size() < 3 || head[1].text != ":") {
            g.error(r.line, "a rule reads: rule GOAL : \"OP\" [LEFT [RIGHT]]  or  rule GOAL : SUBGOAL");
        } else {
            r.lhs = head[0].text;
            if (head[2].quoted) {
                r.op = operator_number(head[2].text);
                if (r.op == 0) g.error(r.line, "unknown operator \"" + head[2].text + "\"");
                if (head.size() > 3 && head[3].text != "_") r.left = head[3].text;
                if (head.size() > 4) r.right = head[4].text;
                if (head.size() > 5) g.error(r.line, "too many goals in the pattern");
            } else {
                r.sub = head[2].text;
                if (head.size() > 3) g.error(r.line, "a chain rule names one goal");
            }
        }
        bool seen_code = false, seen_result = false, seen_post = false;
        while (i < toks.size() && is_keyword(toks[i]) && toks[i].text != "rule" && toks[i].text != "goals") {
            const std::string key = toks[i].text;
            int line = toks[i].line;
            std::vector<token> args;
            for (++i; i < toks.size() && !is_keyword(toks[i]); ++i) args.push_back(toks[i]);
            // A second text of the same key would silently replace the first.
            auto one_string = [&](std::string& to, bool& seen) {
                if (seen) g.error(line, "a rule has one \"" + key + "\" line");
                seen = true;
                if (args.size() != 1 || !args[0].quoted) g.error(line, "\"" + key + "\" takes one quoted text");
                else to = args[0].text;
            };
            if (key == "when") {
                if (args.size() != 1) { g.error(line, "\"when\" takes one predicate"); continue; }
                bool found = false;
                for (int p = 1; p < cg::predicate_count; ++p)
                    if (args[0].text == cg::predicate_names[p]) { r.row.pred = static_cast<uint32_t>(p); found = true; }
                if (!found) g.error(line, "unknown predicate \"" + args[0].text + "\"");
            } else if (key == "on") {
                for (const token& a : args) {
                    bool found = false;
                    for (int f = 0; f < 16; ++f)
                        if (a.text == cg::machine_flag_names[f]) { r.row.mflags |= 1u << f; found = true; }
                    if (!found) g.error(line, "unknown machine flag \"" + a.text + "\"");
                }
            } else if (key == "operand" || key == "need") {
                if (args.size() != 1) { g.error(line, "\"" + key + "\" takes one register"); continue; }
                (key == "need" ? r.row.need : r.row.operand_reg) = parse_register(g, line, args[0].text);
            } else if (key == "clobbers") {
                for (const token& a : args) r.row.clobbers |= cg::reg_code_mask(static_cast<int32_t>(parse_register(g, line, a.text)));
            } else if (key == "kind") {
                r.has_kind = true;
                for (const token& a : args) r.row.kind |= parse_kind(g, line, a.text);
            } else if (key == "code") {
                one_string(r.code, seen_code);
            } else if (key == "result") {
                one_string(r.result, seen_result);
            } else {
                one_string(r.post, seen_post);
            }
        }
        if (!r.has_kind) g.error(r.line, "the rule has no kind");
        g.rules.push_back(r);
    }
}

int goal_of(generator& g, int line, const std::string& name) {
    auto it = g.goal_number.find(name);
    if (it == g.goal_number.end()) {
        g.error(line, "unknown goal \"" + name + "\"");
        return 0;
    }
    return it->second;
}

void resolve(generator& g) {
    if (g.goals.empty() || g.goals[0] != "stmt") g.error(1, "the first goal must be \"stmt\" (the statement goal)");
    if (cg::first_goal + g.goals.size() > 285) g.error(1, "more than 196 goals");
    std::set<int> derived;
    for (size_t n = 1; n < g.rules.size(); ++n) {
        rule_src& r = g.rules[n];
        int lhs = goal_of(g, r.line, r.lhs);
        derived.insert(lhs);
        r.row.op = r.sub.empty() ? static_cast<uint32_t>(r.op) : static_cast<uint32_t>(goal_of(g, r.line, r.sub));
        if (!r.left.empty()) r.row.left = static_cast<uint32_t>(goal_of(g, r.line, r.left));
        if (!r.right.empty()) r.row.right = static_cast<uint32_t>(goal_of(g, r.line, r.right));
        lint_template(g, r.line, r.code, "code");
        lint_template(g, r.line, r.result, "result");
        lint_template(g, r.line, r.post, "post");
    }
    for (size_t i = 0; i < g.goals.size(); ++i)
        if (!derived.count(cg::first_goal + static_cast<int>(i)))
            g.error(1, "no rule derives goal \"" + g.goals[i] + "\"");
}

struct tables {
    std::vector<std::array<int16_t, 3>> hash;
    std::vector<int16_t> candidates{0};
    std::string pool;
    std::vector<uint32_t> code, result, post;
    int longest_probe = 0, filled = 0;
};

// Rules of goal g usable on an operator: its operator rules, and chain rules whose sub-goal
// derives the operator. Depth counts the rule stack entries the deepest derivation needs.
struct closure {
    generator& g;
    std::map<std::pair<int, int>, std::vector<int>> lists;
    std::map<std::pair<int, int>, int> depth;
    std::set<std::pair<int, int>> active;         // lists being made
    bool reported = false;

    const std::vector<int>& rules_for(int goal, int op, int& d) {
        auto key = std::make_pair(goal, op);
        auto it = lists.find(key);
        if (it != lists.end()) {
            d = depth[key];
            if (active.count(key) && !reported) {
                // Met again while its own list is being made: chain rules that derive each other.
                reported = true;
                g.error(1, "chain rules derive goal \"" + g.goals[goal - cg::first_goal] + "\" from itself on \"" +
                               cg::op_names[op] + "\": deeper than the rule stack");
            }
            return it->second;
        }
        lists[key];
        depth[key] = 0;
        active.insert(key);
        std::vector<int> out;
        int deepest = 0;
        for (size_t n = 1; n < g.rules.size(); ++n) {
            const rule_src& r = g.rules[n];
            if (g.goal_number.count(r.lhs) == 0 || g.goal_number[r.lhs] != goal) continue;
            if (r.row.op == static_cast<uint32_t>(op) && r.sub.empty()) {
                out.push_back(static_cast<int>(n));
                deepest = std::max(deepest, 1);
            } else if (!r.sub.empty() && r.row.op != 0) {
                int sd = 0;
                if (!rules_for(static_cast<int>(r.row.op), op, sd).empty()) {
                    out.push_back(static_cast<int>(n));
                    deepest = std::max(deepest, sd + 1);
                }
            }
        }
        active.erase(key);
        lists[key] = out;
        depth[key] = deepest;
        d = deepest;
        return lists[key];
    }
};

uint32_t pool_add(tables& t, std::map<std::string, uint32_t>& seen, const std::string& s) {
    auto it = seen.find(s);
    if (it != seen.end()) return it->second;
    uint32_t at = static_cast<uint32_t>(t.pool.size());
    t.pool += s;
    t.pool += '\0';
    seen[s] = at;
    return at;
}

void build(generator& g, tables& t) {
    t.hash.assign(cg::transition_slots, {0, 0, 0});
    closure cl{g, {}, {}, {}, false};
    std::map<std::vector<int>, int> list_at;
    for (size_t gi = 0; gi < g.goals.size(); ++gi) {
        int goal = cg::first_goal + static_cast<int>(gi);
        for (int op = 1; op <= static_cast<int>(cg::OP_LITERAL); ++op) {
            int d = 0;
            std::vector<int> list = cl.rules_for(goal, op, d);
            if (list.empty()) continue;
            if (d > static_cast<int>(cg::rule_stack_size))
                g.error(g.rules[list[0]].line, "rule chain for goal \"" + g.goals[gi] + "\" on \"" + cg::op_names[op] +
                                                   "\" is deeper than the rule stack (" + std::to_string(cg::rule_stack_size) + ")");
            int16_t next;
            if (list.size() == 1) {
                next = static_cast<int16_t>(-list[0]);
            } else {
                auto it = list_at.find(list);
                if (it == list_at.end()) {
                    int at = static_cast<int>(t.candidates.size());
                    for (size_t k = 0; k < list.size(); ++k)
                        t.candidates.push_back(static_cast<int16_t>(k + 1 == list.size() ? -list[k] : list[k]));
                    it = list_at.emplace(list, at).first;
                }
                next = static_cast<int16_t>(it->second);
            }
            // The probing of cg_transition: home slot, then upward with wrap-around.
            uint32_t slot = (static_cast<uint32_t>(goal) * static_cast<uint32_t>(op)) % cg::transition_slots;
            int distance = 0;
            while (t.hash[slot][2] != 0) {
                slot = (slot + 1) % cg::transition_slots;
                ++distance;
            }
            t.hash[slot] = {static_cast<int16_t>(goal), static_cast<int16_t>(op), next};
            t.longest_probe = std::max(t.longest_probe, distance);
            ++t.filled;
        }
    }
    if (t.filled >= static_cast<int>(cg::transition_slots)) g.error(1, "the transition hash is full");
    std::map<std::string, uint32_t> seen;
    pool_add(t, seen, "");
    for (size_t n = 0; n < g.rules.size(); ++n) {
        t.code.push_back(pool_add(t, seen, g.rules[n].code));
        t.result.push_back(pool_add(t, seen, g.rules[n].result));
        t.post.push_back(pool_add(t, seen, g.rules[n].post));
    }
}

std::string c_string(const std::string& s) {
    std::string out = "\"";
    for (unsigned char c : s) {
        if (c == '"' || c == '\\') { out += '\\'; out += static_cast<char>(c); }
        else if (c >= 32 && c < 127) out += static_cast<char>(c);
        else { char b[8]; std::snprintf(b, sizeof b, "\\%03o", c); out += b; }
    }
    return out + "\"";
}

std::string write_cpp(const generator& g, const tables& t, const std::string& table, const std::string& source) {
    std::ostringstream o;
    o << "// Generated by rulegen from " << source << ". Do not edit: change the rule source.\n"
      << "#include \"codegen/ruletable.h\"\n\nnamespace cg {\n\nnamespace {\n\n";
    o << "const int16_t hash_slots[" << cg::transition_slots << "][3] = {\n";
    // Empty slots run eight to a line; a filled slot has a line of its own.
    int run = 0;
    for (size_t i = 0; i < t.hash.size(); ++i) {
        if (t.hash[i][2] == 0) {
            o << (run % 8 ? " " : "    ") << "{},";
            if (++run % 8 == 0) o << "\n";
            continue;
        }
        if (run % 8) o << "\n";
        run = 0;
        o << "    {" << t.hash[i][0] << ", " << t.hash[i][1] << ", " << t.hash[i][2] << "},  // " << i << "\n";
    }
    if (run % 8) o << "\n";
    o << "};\n\nconst int16_t candidate_lists[] = {";
    for (size_t i = 0; i < t.candidates.size(); ++i) o << (i % 16 ? " " : "\n    ") << t.candidates[i] << ",";
    o << "\n};\n\nconst rule_row rows[] = {\n";
    for (size_t n = 0; n < g.rules.size(); ++n) {
        const rule_row& r = g.rules[n].row;
        o << "    {" << r.mflags << ", " << r.pred << ", " << r.operand_reg << ", " << r.need << ", " << r.clobbers
          << ", " << r.op << ", " << r.left << ", " << r.right << ", " << t.code[n] << ", " << t.result[n] << ", 0x"
          << std::hex << r.kind << std::dec << ", " << t.post[n] << "},"
          << (n ? "  // " + g.where(g.rules[n].line, true) : std::string()) << "\n";
    }
    o << "};\n\nconst char pool[] =";
    size_t start = 0;
    while (start < t.pool.size()) {
        size_t end = t.pool.find('\0', start);
        o << "\n    " << c_string(t.pool.substr(start, end - start) + (end + 1 < t.pool.size() ? std::string(1, '\0') : ""));
        start = end + 1;
    }
    o << ";\n\nconst char* const goals[] = {";
    for (const std::string& s : g.goals) o << "\n    " << c_string(s) << ",";
    o << "\n};\n\n}  // namespace\n\n";
    o << "extern const rule_tables " << table << ";\n";
    o << "const rule_tables " << table << " = {hash_slots, candidate_lists, " << t.candidates.size() << ", rows, "
      << g.rules.size() << ", pool, goals, " << g.goals.size() << "};\n\n}  // namespace cg\n";
    return o.str();
}

}  // namespace

int main(int argc, char** argv) {
    std::string table = "pic14_rules";
    bool stats = false;
    std::vector<std::string> files;
    for (int i = 1; i < argc; ++i) {
        std::string a = argv[i];
        if (a == "--table" && i + 1 < argc) table = argv[++i];
        else if (a == "--stats") stats = true;
        else files.push_back(a);
    }
    if (files.size() < 2) {
        std::fprintf(stderr, "usage: rulegen [--table NAME] [--stats] RULES... OUTPUT.cpp\n");
        return 2;
    }
    const std::string output = files.back();
    files.pop_back();
    generator g;
    std::vector<token> toks;
    int line = 1;
    for (const std::string& f : files) {
        if (!read_tokens(f, toks, g, line)) {
            std::fprintf(stderr, "%s: cannot read\n", f.c_str());
            return 1;
        }
    }
    parse_rules(g, toks);
    resolve(g);
    tables t;
    if (g.errors == 0) build(g, t);
    if (g.errors) {
        std::fprintf(stderr, "%s: %d error%s, no tables written\n", files.back().c_str(), g.errors, g.errors == 1 ? "" : "s");
        return 1;
    }
    if (stats)
        std::printf("%zu rules, %zu goals, %d of %u slots, longest probe %d, %zu candidates, pool %zu bytes\n",
                    g.rules.size() - 1, g.goals.size(), t.filled, cg::transition_slots, t.longest_probe,
                    t.candidates.size(), t.pool.size());
    std::string names;
    for (const std::string& f : files) names += (names.empty() ? "" : ", ") + f.substr(f.find_last_of("/\\") + 1);
    std::string text = write_cpp(g, t, table, names);
    std::string tmp = output + ".tmp";
    {
        std::ofstream out(tmp, std::ios::binary);
        out << text;
        if (!out.flush()) {
            std::fprintf(stderr, "%s: cannot write\n", tmp.c_str());
            std::remove(tmp.c_str());
            return 1;
        }
    }
    if (std::rename(tmp.c_str(), output.c_str()) != 0) {
        std::fprintf(stderr, "%s: cannot write\n", output.c_str());
        std::remove(tmp.c_str());
        return 1;
    }
    return 0;
}
