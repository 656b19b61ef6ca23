#include "codegen/tests/select_fixture.h"

#include <cstring>

#include "codegen/entry.h"
#include "codegen/options.h"
#include "codegen/registers.h"
#include "codegen/tests/harness.h"
#include "common/alert.h"

namespace cgtest {

namespace {
std::vector<std::string>* sink = nullptr;
void collect(const char* line) {
    if (sink) sink->push_back(line);
}
}  // namespace

void select_fixture::SetUp() {
    run_ic("");   // loads the message file once
    sink = &messages;
    alert_set_output(collect);
    cg::setup_processor(*ctx, "16F877A");
    cg::setup_architecture(*ctx);
    cg::init_basic_types(*ctx);
    ctx->out = out;
    ctx->sel.tables = &cg::select_test_rules;
    ctx->regs.regs_free = cg::reg_default_free();
}

void select_fixture::TearDown() {
    sink = nullptr;
    alert_set_output(nullptr);
    std::fclose(out);
}

uint32_t select_fixture::goal(const char* name) const {
    const cg::rule_tables& t = cg::select_test_rules;
    for (size_t i = 0; i < t.goal_count; ++i)
        if (std::strcmp(t.goal_names[i], name) == 0) return static_cast<uint32_t>(cg::first_goal + i);
    ADD_FAILURE() << "no goal " << name;
    return 0;
}

cg::symbol* select_fixture::global(const char* name, const char* type) {
    cg::symbol* s = ctx->symbols.declare(name, cg::sym_kind::object, 0, 1);
    cg::type_ref t;
    cg::parse_type_string(*ctx, type, t);
    cg::set_symbol_type(s, t);
    s->sclass = cg::storage::external;
    s->flags |= cg::SF_DEFINED;
    return s;
}

cg::tree_node* select_fixture::id(cg::symbol* s) { return cg::make_id(*ctx, s); }

cg::tree_node* select_fixture::constant(int32_t v, const char* type) {
    cg::tree_node* c = cg::const_make(*ctx, v);
    cg::type_ref t;
    cg::parse_type_string(*ctx, type, t);
    c->type = t.base;
    c->levels = t.levels;
    return c;
}

cg::tree_node* select_fixture::binary(uint32_t op, cg::tree_node* l, cg::tree_node* r) {
    cg::tree_node* n = ctx->nodes.alloc();
    n->op = op;
    n->left = l;
    n->right = r;
    n->type = l->type;
    n->levels = l->levels;
    return n;
}

void select_fixture::enter_function() {
    cg::symbol* f = global("_f", "`(v");
    cg::function_entry fe;
    fe.fn = f;
    ctx->functions.push_back(fe);
    ctx->in_body = true;
    cg::function_entry_code(*ctx);
}

std::string select_fixture::output() {
    std::fflush(out);
    std::string s;
    std::rewind(out);
    for (int c; (c = std::fgetc(out)) != EOF;) s.push_back(static_cast<char>(c));
    std::fseek(out, 0, SEEK_END);
    return s;
}

bool select_fixture::has_message(int number) const {
    std::string key = "(" + std::to_string(number) + ")";
    for (const std::string& m : messages)
        if (m.find(key) != std::string::npos) return true;
    return false;
}

}  // namespace cgtest
