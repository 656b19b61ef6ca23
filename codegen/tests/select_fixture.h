// A code generator context for the selection tests: a 16F877A, the tests' own rule set, a
// function being defined, and the assembly and messages collected.
#pragma once
#include <gtest/gtest.h>

#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "codegen/context.h"
#include "codegen/matcher.h"

namespace cg {
extern const rule_tables select_test_rules;
}

namespace cgtest {

struct select_fixture : ::testing::Test {
    std::unique_ptr<cg::cg_context> ctx = std::make_unique<cg::cg_context>();
    FILE* out = std::tmpfile();
    std::vector<std::string> messages;

    void SetUp() override;
    void TearDown() override;
    // The goal number of a goal of the tests' rule set.
    uint32_t goal(const char* name) const;
    cg::symbol* global(const char* name, const char* type);
    cg::tree_node* id(cg::symbol* s);
    cg::tree_node* constant(int32_t v, const char* type = "`uc");
    cg::tree_node* binary(uint32_t op, cg::tree_node* l, cg::tree_node* r);
    // Enters a function "_f" as the reader does at its body.
    void enter_function();
    // Assembly written so far (the open line is not included).
    std::string output();
    bool has_message(int number) const;
};

}  // namespace cgtest
