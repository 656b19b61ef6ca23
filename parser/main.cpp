// ormparse: reads preprocessed C and writes the intermediate code on standard output.
#include <algorithm>
#include <new>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "common/alert.h"
#include "common/alloc.h"
#include "common/osdep.h"
#include "common/pass_startup.h"
#include "common/replace_file.h"
#include "parser/decl.h"
#include "parser/emit.h"
#include "parser/expr.h"
#include "icode/icode.h"
#include "parser/lexer.h"
#include "parser/options.h"
#include "parser/sidefiles.h"
#include "parser/symbols.h"
#include "parser/types.h"
#include "platform/platform.h"

extern const char component_name[] = "parser";

namespace {

std::string string_file_name;
char* temp_name = nullptr;
// Copy of the name for the signal handler, which may only call async-signal-safe functions.
char signal_unlink_name[4096];

replacing_file output_file;   // the named output, moved into place when the run succeeds

void parse_cleanup() {
    output_file.discard();
    std::fflush(stdout);
    if (string_data_stream) {
        std::fclose(string_data_stream);
        string_data_stream = nullptr;
    }
    if (!string_file_name.empty()) {
        std::remove(string_file_name.c_str());
        string_file_name.clear();
        signal_unlink_name[0] = 0;
    }
    close_side_files();
    release_expressions();
    release_symbols();
    xfree(temp_name);
    temp_name = nullptr;
}

void on_interrupt(int) {
    if (signal_unlink_name[0]) std::remove(signal_unlink_name);
    std::_Exit(4);
}

void fatal_open(const char* what, const char* name) { alert_message(141, what, name); }

// The plain layout shows the source line and a caret under the column.
bool parser_layout(const char* text, bool is_warning) {
    if (!show_source_line()) return false;
    int column = current_column();
    std::string t = text;
    if (is_warning) t += " (warning)";
    alert_line_clear();
    if (static_cast<int>(t.size()) < column) alert_line_append("\t%*s ^", column, t.c_str());
    else alert_line_append("\t%*c %s", column + 1, '^', t.c_str());
    alert_flush();
    return true;
}

bool ieq_prefix(const char* text, const char* prefix) {
    for (; *prefix; ++text, ++prefix)
        if (std::tolower(static_cast<unsigned char>(*text)) != *prefix) return false;
    return true;
}

uint16_t qualifier_list(const char* list, int unknown_message) {
    uint16_t mask = 0;
    std::string s = list;
    size_t start = 0;
    while (start <= s.size()) {
        size_t comma = s.find(',', start);
        std::string word = s.substr(start, comma == std::string::npos ? std::string::npos : comma - start);
        if (!word.empty()) {
            uint32_t m = qualifier_mask(word.c_str());
            if (!m) {
                if (unknown_message == 229) alert_message(229, word.c_str());
                else alert_message(231, word.c_str());
            }
            mask |= static_cast<uint16_t>(m);
        }
        if (comma == std::string::npos) break;
        start = comma + 1;
    }
    return mask;
}

std::string xref_name_for(const std::string& input) {
    size_t dot = input.rfind('.');
    size_t slash = input.find_last_of("/\\");
    if (dot == std::string::npos || (slash != std::string::npos && dot < slash)) return input + ".crf";
    return input.substr(0, dot) + ".crf";
}

struct string_entry {
    ic::string_data_record record;
};

// compare_strings: larger class mask first, then bytes from the last one backwards, larger first.
bool string_before(const ic::string_data_record& a, const ic::string_data_record& b) {
    if (a.class_mask != b.class_mask) return a.class_mask > b.class_mask;
    size_t i = a.bytes.size(), j = b.bytes.size();
    while (i > 0 && j > 0) {
        signed char x = static_cast<signed char>(a.bytes[--i]), y = static_cast<signed char>(b.bytes[--j]);
        if (x != y) return x > y;
    }
    return a.bytes.size() > b.bytes.size();
}

void write_string_record(const ic::string_data_record& r, size_t count) {
    std::printf("[a %d", static_cast<int>(r.number));
    for (int i = 0; i < qualifier_rows; ++i)
        if ((r.class_mask >> i) & 1)
            if (qualifier_table[i].letter) std::putchar(qualifier_table[i].letter);
    for (size_t i = 0; i < count; ++i) std::printf(" %u", static_cast<unsigned>(r.bytes[i]));
    std::printf(" ]\n");
}

void write_string_records() {
    if (!string_data_stream || string_count == 0) return;
    bool any = false;
    for (int32_t i = 1; i <= string_count; ++i) any |= string_referenced(i);
    if (!any) return;
    // A string file cut short by a full disk would lose literals without a word.
    bool written = std::fflush(string_data_stream) == 0 && !std::ferror(string_data_stream);
    if (std::fclose(string_data_stream) != 0) written = false;
    string_data_stream = nullptr;
    if (!written) alert_message(413, string_file_name.c_str());
    string_data_stream = std::fopen(string_file_name.c_str(), "rb");
    if (!string_data_stream) alert_message(302, string_file_name.c_str());
    std::vector<ic::string_data_record> records;
    ic::string_data_record r;
    int got;
    while ((got = ic::read_string_data(string_data_stream, r)) == 1)
        if (string_referenced(r.number) || string_count == 1) records.push_back(r);
    if (got < 0) alert_message(301);
    if (string_count == 1) {
        if (!records.empty()) {
            write_string_record(records[0], records[0].bytes.size());
            std::printf("\n");
        }
        return;
    }
    std::stable_sort(records.begin(), records.end(), string_before);
    for (size_t i = 0; i < records.size(); ++i) {
        const auto& cur = records[i];
        size_t count = cur.bytes.size();
        if (!opt.no_tail_merge && i + 1 < records.size()) {
            const auto& next = records[i + 1];
            // Only literals of one memory class may share bytes.
            if (next.class_mask == cur.class_mask && next.bytes.size() <= cur.bytes.size() &&
                std::equal(next.bytes.begin(), next.bytes.end(), cur.bytes.end() - static_cast<long>(next.bytes.size())))
                count = cur.bytes.size() - next.bytes.size();
        }
        write_string_record(cur, count);
    }
}

// The output and the side files replace their targets together; a write that did not arrive
// is fatal 413 with the file's name (234 for standard output).
void commit_outputs() {
    std::vector<replacing_file*> files;
    const bool named = output_file.stream() != nullptr;
    if (named) files.push_back(&output_file);
    side_files_to_commit(files);
    if (replacing_file* failed = commit_together(files)) alert_message(413, failed->target().c_str());
    if (!named && !flush_standard_output()) alert_message(234);
}

const pass_startup startup{.name = "ormparse",
                           .disl_nonzero_numbers = true,
                           .message_style = message_style_option::digit_or_file,
                           .bare_style = 1,
                           .warning_level = true};

int unknown_option(const char* arg) {
    alert_message(168, arg);
    parse_cleanup();
    std::exit(-1);
}

}  // namespace

void exit_hook(int) { parse_cleanup(); }

int main(int argc, char** argv) {
    init_qualifiers();
    init_symbols();
    // Kept for the life of the run: options and file names point into it.
    static const std::vector<std::string> args = pass_arguments(argc, argv, startup);
    const size_t count = args.size();
    size_t i = 0;
    const char* sizes = nullptr;
    std::string xref_name;
    bool want_xref = false;
    std::vector<std::string> pragmas;
    pass_settings prefix;
    std::string proto_name;
    for (; i < count && args[i][0] == '-'; ++i) {
        const char* a = args[i].c_str();
        if (pass_prefix_option(args[i], startup, prefix)) continue;
        if (a[1] == '-') {
            if (ieq_prefix(a, "--fipath=")) {
                fipath = a + 9;
            } else {
                unknown_option(a);
            }
            continue;
        }
        char letter = static_cast<char>(std::toupper(static_cast<unsigned char>(a[1])));
        const char* v = a + 2;
        switch (letter) {
        case 'A':
            if (!*v) alert_message(230);
            else opt.default_classes |= qualifier_list(v, 229);
            break;
        case 'B': opt.bit_keyword = true; break;
        case 'C':
            want_xref = true;
            xref_name = v;
            break;
        case 'D': opt.names_records = true; break;
        case 'F':
            if (ieq_prefix(a, "-fp") && a[3] == 0) opt.func_flags = true;
            else opt.persistent_far = true;
            break;
        case 'G': pragmas.push_back(v); break;
        case 'I':
            if (*v == '=') {
                opt.init_block_copy = true;
                ++v;
            }
            if (!*v) alert_message(232);
            else opt.init_classes |= qualifier_list(v, 231);
            break;
        case 'L': opt.listing = true; break;
        case 'M': opt.main_exit = true; break;
        case 'N': opt.ident_length = std::clamp(std::atoi(v), 31, 255); break;
        case 'O': opt.long_long = true; break;
        case 'P':
            if (a[1] == 'P') opt.proto_short = true;
            proto_name = v;
            break;
        case 'Q': {
            const char* comma = std::strchr(v, ',');
            if (!comma || !comma[1]) alert_message(233, a);
            else {
                std::string keyword = comma + 1;
                if (opt.strict && keyword.compare(0, 2, "__") != 0) keyword = "__" + keyword;
                define_ptr_class(keyword.c_str(), v);
            }
            break;
        }
        case 'R': opt.static_const_autos = true; break;
        case 'S':
            if (ieq_prefix(a, "-strict")) opt.strict = true;
            else opt.source_comments = true;
            break;
        case 'U': opt.unsigned_char = true; break;
        case 'V': opt.no_tail_merge = true; break;
        case 'Y': opt.char_bitfields = true; break;
        case 'Z': sizes = v; break;
        default: unknown_option(a);
        }
    }
    if (prefix.message_style >= 0) opt.message_style = prefix.message_style;
    if (opt.strict) opt.bit_keyword = false;
    if (sizes) set_sizes(sizes);
    if (opt.message_style > 0) {
        alert_set_formats(nullptr, nullptr, nullptr);
        alert_set_formatted(1);
    } else {
        alert_set_plain_layout(parser_layout);
    }
    // Pointer classes given by -Q under -strict were stored without their underscores.
    for (int q = 0; q < qualifier_rows; ++q)
        if (qualifier_table[q].name == "entry") entry_class_mask = static_cast<uint16_t>(qualifier_table[q].mask);
    init_expressions();
    const char* input = i < count ? args[i++].c_str() : nullptr;
    const char* output = i < count ? args[i++].c_str() : nullptr;
    const char* temp = i < count ? args[i++].c_str() : nullptr;
    // Every file the run writes (or removes, as the string file) must not be the input.
    if (input) {
        const std::vector<std::string> inputs{input};
        for (const char* out : {output, temp}) refuse_output_over_input(out ? out : "", inputs);
        refuse_output_over_input(proto_name, inputs);
        if (want_xref) refuse_output_over_input(xref_name.empty() ? xref_name_for(input) : xref_name, inputs);
    }
    if (!proto_name.empty() && !open_proto_file(proto_name.c_str())) alert_message(338, "prototype", proto_name.c_str());
    if (input) {
        if (!std::freopen(input, "r", stdin)) fatal_open("input", input);
        static char input_buffer[4096];
        setvbuf(stdin, input_buffer, _IOFBF, sizeof input_buffer);
    }
    if (output && !output_file.create_on_standard_output(output, false)) fatal_open("output", output);
    lex_init(input ? input : "(stdin)");
    if (want_xref) {
        if (xref_name.empty()) xref_name = xref_name_for(input ? input : "(stdin)");
        if (open_xref_file(xref_name.c_str())) xref_write_file(source_name.c_str());
    }
    if (!temp) temp = temp_name = make_temp_name();
    string_file_name = temp;
    std::snprintf(signal_unlink_name, sizeof signal_unlink_name, "%s", string_file_name.c_str());
    plat::on_interrupt_unless_ignored(on_interrupt);
    string_data_stream = std::fopen(string_file_name.c_str(), "wb");
    if (!string_data_stream) fatal_open("temporary", string_file_name.c_str());
    emit_banner();
    for (const std::string& p : pragmas) do_pragma(p.c_str());
    try {
        parse_program();
    } catch (const std::bad_alloc&) {
        alert_message(294, 0u);   // a standard container ran out; its size is not known here
    }
    write_string_records();
    commit_outputs();
    parse_cleanup();
    return alert_failed() ? 1 : 0;
}
