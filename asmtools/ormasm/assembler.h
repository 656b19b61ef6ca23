// The two-pass assembler of the psect dialect: pass 1 lays out psects and defines labels,
// pass 2 evaluates operands and produces the code, relocations and call-graph records.
#pragma once
#include <cstdint>
#include <string>
#include <unordered_map>
#include <vector>

#include "asmtools/ormasm/expr.h"
#include "asmtools/ormasm/pic14.h"
#include "asmtools/ormasm/source.h"
#include "objfmt/records.h"

namespace asmx {

struct assembler_options {
    uint32_t rom_words = 0;     // -R; 0 or up to 800h: fcall and ljmp are plain call and goto
    bool line_symbols = false;  // -v
    bool strip_locals = false;  // -x
    bool listing = false;       // keep what each line produced
};

// A field the linker fills in: a complex relocation over bytes of one item.
struct fixup {
    uint32_t offset = 0;        // byte offset inside the item's data
    uint8_t type = 0;
    std::vector<uint8_t> expr;  // byte code with its end operator
};

// Bytes produced by one instruction or data directive while it is being built.
struct item {
    std::vector<uint8_t> data;
    std::vector<fixup> fixups;
    void clear() {
        data.clear();
        fixups.clear();
    }
};

// Where one item's bytes and fixups were stored in its psect.
struct span {
    uint32_t offset = 0;        // byte offset in the psect
    uint32_t first_byte = 0;    // index into psect::bytes
    uint32_t size = 0;
    uint32_t first_fixup = 0;   // index into psect::fixups
    uint32_t fixup_count = 0;
};

struct psect {
    std::string name;
    uint16_t flags = obj::PSECT_GLOBAL;
    bool said_local = false, said_global = false;
    std::string cls, with;
    uint32_t delta = 0;         // 0: not given (1)
    uint32_t space = 0;
    bool has_space = false;
    uint32_t max_size = 0;      // size=
    uint32_t align = 0;         // reloc=
    uint32_t location = 0;      // in units of the psect
    uint32_t size = 0;          // highest location reached
    bool size_reported = false;
    std::vector<span> spans;
    std::vector<uint8_t> bytes;
    std::vector<fixup> fixups;
    uint32_t unit_bytes() const { return delta ? delta : 1; }
    bool bit() const { return (flags & obj::PSECT_BIT) != 0; }
};

struct symbol {
    enum def_t { none, label, constant, alias } def = none;
    std::string name;
    int psect = -1;
    int64_t value = 0;
    expr_ptr tree;
    bool is_set = false;
    bool global = false;
    bool local = false;
    bool function = false;      // named by a call-graph directive
    int defined_pass = 0;
};

// A per-line debug symbol: a source file name, or a line number at a code address.
struct line_symbol {
    bool is_file = false;
    std::string name;
    int psect = -1;
    uint32_t value = 0;
};

// What one source line produced, for the listing.
struct listing_line {
    int32_t number = 0;
    int psect = -1;
    uint32_t location = 0;
    std::vector<uint8_t> bytes;
};

class assembler : public symbol_resolver {
public:
    explicit assembler(const assembler_options& options) : options_(options) {}

    // Assembles the text of the named file; false when an error was reported.
    bool assemble(const std::string& file_name, const std::string& text);

    // Results.
    const std::vector<psect>& psects() const { return psects_; }
    const std::vector<symbol>& symbols() const { return symbols_; }
    const std::vector<line_symbol>& line_symbols() const { return line_symbols_; }
    const std::vector<obj::signat_entry>& signatures() const { return signatures_; }
    const std::vector<obj::fninfo_entry>& call_graph() const { return call_graph_; }
    bool has_fnconf() const { return has_fnconf_; }
    const obj::fnconf_rec& fnconf() const { return fnconf_; }
    bool has_start() const { return start_psect_ >= 0; }
    int start_psect() const { return start_psect_; }
    uint32_t start_address() const { return start_address_; }
    const std::vector<listing_line>& listing() const { return listing_; }
    const std::vector<source_line>& lines() const { return lines_; }
    const assembler_options& options() const { return options_; }

    // symbol_resolver
    symbol_meaning resolve(const std::string& name) override;
    std::string psect_name(int index) override { return psects_[size_t(index)].name; }

    static bool is_operation(const std::string& word);

private:
    using handler = void (assembler::*)(const source_line&);
    struct directive {
        const char* name;
        handler run;
        bool takes_label;       // the label field is the name it defines (equ, set)
    };
    static const directive directives_[];
    static const directive* find_directive(const std::string& word);

    void run_pass(int pass);
    void do_line(const source_line& line);
    void define_label(const std::string& name);
    symbol& symbol_named(const std::string& name);
    symbol* find_symbol(const std::string& name);

    // Operands.
    const std::vector<expr_ptr>* parsed_operands(const source_line& line);
    bool operand_count(const source_line& line, size_t count, size_t at_most = 0);
    bool constant_value(const expr_ptr& e, int64_t& out, bool report);
    void report_undefined(const eval_result& r);
    void field(const expr_ptr& e, uint16_t mask, int shift, uint16_t& word, item& it, uint32_t at);
    void page_select(const expr_ptr& target, int page_bits, item& it);
    bool destination(const std::string& text, uint16_t& d);

    // Output into the current psect.
    bool need_psect();
    void emit(item& it, uint32_t units);
    void advance(uint32_t units);
    void note_line_symbol();

    void do_instruction(const instruction& ins, const source_line& line);

    // Directives.
    void dir_processor(const source_line& line);
    void dir_psect(const source_line& line);
    void dir_global(const source_line& line);
    void dir_local(const source_line& line);
    void dir_equ(const source_line& line);
    void dir_set(const source_line& line);
    void dir_ds(const source_line& line);
    void dir_db(const source_line& line);
    void dir_dw(const source_line& line);
    void dir_fcf(const source_line& line);
    void dir_end(const source_line& line);
    void dir_file(const source_line& line);
    void dir_line(const source_line& line);
    void dir_signat(const source_line& line);
    void dir_fnconf(const source_line& line);
    void dir_fncall(const source_line& line);
    void dir_fnarg(const source_line& line);
    void dir_fnindir(const source_line& line);
    void dir_fnindarg(const source_line& line);
    void dir_fnaddr(const source_line& line);
    void dir_fnsize(const source_line& line);
    void dir_fnroot(const source_line& line);
    void dir_fnbreak(const source_line& line);
    void define_value(const source_line& line, bool is_set);
    void data_values(const source_line& line, uint32_t value_bytes);
    void call_graph_entry(const source_line& line, uint8_t kind, size_t names, size_t numbers);
    bool psect_flag(psect& p, const std::string& flag, bool is_new);

    assembler_options options_;
    std::string file_name_;
    std::string position_file_;   // file named by the line marker in force; empty for the input
    std::vector<source_line> lines_;
    std::vector<std::vector<expr_ptr>> parsed_;
    std::vector<bool> parse_failed_;
    size_t line_index_ = 0;
    int32_t line_number_ = 0;
    int pass_ = 0;
    bool ended_ = false;
    int page_bits_ = 0;

    std::vector<psect> psects_;
    std::unordered_map<std::string, int> psect_index_;
    int current_ = -1;

    std::vector<symbol> symbols_;
    std::unordered_map<std::string, size_t> symbol_index_;

    std::vector<line_symbol> line_symbols_;
    std::string debug_file_;        // file that line symbols refer to
    std::string debug_file_written_;
    int32_t pending_line_ = 0;      // line number to attach to the next instruction; 0 none
    bool line_directives_ = false;

    std::vector<obj::signat_entry> signatures_;
    std::vector<obj::fninfo_entry> call_graph_;
    obj::fnconf_rec fnconf_;
    bool has_fnconf_ = false;
    std::string start_label_;
    int start_psect_ = -1;
    uint32_t start_address_ = 0;

    item scratch_;              // the item being built, reused
    std::vector<listing_line> listing_;
    listing_line* listing_now_ = nullptr;
};

}  // namespace asmx
