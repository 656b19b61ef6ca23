#include "codegen/tests/harness.h"

#include <cstdio>
#include <cstdlib>

#include "codegen/asmout.h"
#include "codegen/defer.h"
#include "codegen/options.h"
#include "codegen/reader.h"
#include "codegen/sdb.h"
#include "codegen/simplify.h"
#include "common/alert.h"
#include "common/msgfile.h"

namespace cgtest {

namespace {
std::vector<std::string>* sink = nullptr;
void collect(const char* line) {
    if (sink) sink->push_back(line);
}

std::string slurp(FILE* f) {
    std::string s;
    std::rewind(f);
    int c;
    while ((c = std::fgetc(f)) != EOF) s.push_back(static_cast<char>(c));
    return s;
}
}  // namespace

bool run_result::has_message(int number) const {
    std::string key = "(" + std::to_string(number) + ")";
    for (const std::string& m : messages)
        if (m.find(key) != std::string::npos) return true;
    return false;
}

namespace {
run_result run(const std::string& ic, uint16_t flags, const char* chip, bool with_sdb, int warning_level,
               bool statements, int opt_level, int round_limit = 0, bool lowered = false) {
    static bool loaded = false;
    if (!loaded) {
        const char* dir = std::getenv("ORM_SOURCE_DIR");
        std::string path = std::string(dir ? dir : ".") + "/dat/en_msgs.txt";
        msgfile_open(path.c_str());
        alert_set_max_errors(100000);
        loaded = true;
    }
    run_result r;
    sink = &r.messages;
    alert_set_output(collect);
    auto ctx = std::make_unique<cg::cg_context>();
    std::string text = "Version 3.2 BRYLLEX Software Intermediate Code\n" + ic;
    FILE* in = std::tmpfile();
    std::fwrite(text.data(), 1, text.size(), in);
    std::rewind(in);
    FILE* out = std::tmpfile();
    FILE* sdb = with_sdb ? std::tmpfile() : nullptr;
    ctx->in = in;
    ctx->out = out;
    ctx->sdb.file = sdb;
    ctx->opt.line_directives = with_sdb;   // -D gives both
    cg::setup_processor(*ctx, chip);
    ctx->machine_flags |= flags;
    ctx->opt.warning_level = warning_level;
    ctx->opt.opt_level = opt_level;
    ctx->simp.round_limit = round_limit;
    int previous_level = alert_set_level(warning_level);
    if (statements)
        ctx->simp.emit_statement = [&r, lowered](cg::cg_context& c, cg::tree_node* t) {
            if (lowered && cg::lower_condition(c, t)) return;
            r.statements.push_back(cg::tree_dump(t));
            cg::tree_free(c, t);
        };
    alert_set_position(nullptr, &ctx->line, nullptr, nullptr);
    cg::setup_architecture(*ctx);
    cg::write_header(*ctx);
    cg::sdb_header(*ctx);
    cg::init_basic_types(*ctx);
    cg::ic_scanner scan(*ctx, in);
    scan.first_line();
    cg::read_module(*ctx, scan);
    cg::spool_close(*ctx);
    std::fflush(out);
    r.assembly = slurp(out);
    r.output_hashes = ctx->output_hashes;
    if (sdb) {
        std::fflush(sdb);
        r.sdb = slurp(sdb);
        std::fclose(sdb);
        ctx->sdb.file = nullptr;
    }
    std::fclose(in);
    std::fclose(out);
    alert_set_output(nullptr);
    alert_set_position(nullptr, nullptr, nullptr, nullptr);
    alert_set_level(previous_level);
    sink = nullptr;
    return r;
}
}  // namespace

run_result run_ic(const std::string& ic, uint16_t flags, const char* chip, bool with_sdb, int opt_level) {
    return run(ic, flags, chip, with_sdb, 0, false, opt_level);
}

run_result run_statements(const std::string& ic, int warning_level, int round_limit, bool lowered) {
    return run(ic, 0, "16F877A", false, warning_level, true, 0, round_limit, lowered);
}

std::string auto_place(const std::string& assembly, const std::string& function, const std::string& name) {
    std::string equate = "_" + function + "$" + name + "\tset\t";
    for (const std::string& line : lines_with(assembly, equate))
        if (line.rfind(equate, 0) == 0) return line.substr(equate.size());
    return "";
}

std::vector<std::string> lines_with(const std::string& text, const std::string& needle) {
    std::vector<std::string> out;
    size_t start = 0;
    while (start < text.size()) {
        size_t end = text.find('\n', start);
        if (end == std::string::npos) end = text.size();
        std::string line = text.substr(start, end - start);
        if (line.find(needle) != std::string::npos) out.push_back(line);
        start = end + 1;
    }
    return out;
}

}  // namespace cgtest
