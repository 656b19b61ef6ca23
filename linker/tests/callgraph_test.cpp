// The call graph: area offsets along call paths, roots, recursion, reentrancy and printing.
#include <gtest/gtest.h>

#include "linker/tests/fresh_link.h"
#include "testsupport/message_capture.h"
#include "linker/callgraph.h"
#include "linker/link.h"
#include "linker/options.h"
#include "linker/symtab.h"

namespace lnk {
namespace {

class CallGraph : public testing::Test {
protected:
    context cx;   // the run state under test
    void SetUp() override {
        testobj::fresh_link(cx);
        alert_set_level(-9);
        fn_conf(cx, "rbss_0", "?", "?a");
    }
    void TearDown() override { alert_set_level(0); }
    // A function with its area sizes; its area symbols are referenced by the code.
    void function(const std::string& name, uint32_t local, uint32_t arg) {
        name_entry* f = sym_enter(cx, name, FL_GLOBAL);
        f->flags = SK_DEFINED | FL_GLOBAL;
        sym_enter(cx, "?" + name, FL_GLOBAL);
        sym_enter(cx, "?a" + name, FL_GLOBAL);
        fn_size(cx, name, local, arg);
    }
    uint32_t area(const std::string& name) {
        name_entry* e = link_sym_lookup(cx, name, FL_GLOBAL);
        EXPECT_NE(e, nullptr);
        EXPECT_NE(e->kind(), SK_EXTERN) << name;
        return e ? e->value : 0xFFFFFFFF;
    }
};

TEST_F(CallGraph, CalleesOfOneCallerShareTheirAreas) {
    function("main", 4, 0);
    function("f", 3, 2);
    function("g", 1, 1);
    fn_root(cx, "main");
    fn_call(cx, "main", "f");
    fn_call(cx, "main", "g");
    EXPECT_TRUE(callgraph_allocate(cx, false));
    EXPECT_EQ(area("?main"), 0u);
    EXPECT_EQ(area("?af"), 4u);
    EXPECT_EQ(area("?ag"), 4u);   // f and g are never active together
    EXPECT_EQ(area("?f"), 6u);
    EXPECT_EQ(area("?g"), 5u);
    EXPECT_EQ(cx.graph.total, 9u);
    psect_rec* r = link_sym_lookup(cx, "rbss_0", FL_PSECT | FL_GLOBAL)->rec;
    EXPECT_EQ(r->common, 9u);
    EXPECT_EQ(link_sym_lookup(cx, "?main", FL_GLOBAL)->owner, r->entry);
}

TEST_F(CallGraph, SecondRootStartsAfterTheFirst) {
    function("main", 4, 0);
    function("isr", 2, 0);
    fn_root(cx, "main");
    fn_root(cx, "isr");
    EXPECT_TRUE(callgraph_allocate(cx, false));
    EXPECT_EQ(area("?main"), 0u);
    EXPECT_EQ(area("?isr"), 4u);
    EXPECT_EQ(cx.graph.total, 6u);
}

TEST_F(CallGraph, FunctionInTwoGraphs) {
    testsupport::message_capture m;
    function("main", 1, 0);
    function("isr", 1, 0);
    function("h", 2, 0);
    fn_root(cx, "main");
    fn_root(cx, "isr");
    fn_call(cx, "main", "h");
    fn_call(cx, "isr", "h");
    callgraph_allocate(cx, false);
    EXPECT_EQ(m.count(472), 1);
    EXPECT_NE(m.all().find("rooted at \"isr\" and \"main\""), std::string::npos);
}

TEST_F(CallGraph, RecursionIsReportedOnceAndTheWalkGoesOn) {
    testsupport::message_capture m;
    function("main", 1, 0);
    function("a", 2, 1);
    function("b", 2, 1);
    function("c", 1, 0);
    fn_root(cx, "main");
    fn_call(cx, "main", "a");
    fn_call(cx, "a", "b");
    fn_call(cx, "b", "a");
    fn_call(cx, "main", "c");
    callgraph_allocate(cx, false);
    EXPECT_EQ(m.count(471), 1);
    std::string text = m.all();
    EXPECT_NE(text.find("ARG(a)"), std::string::npos) << text;
    EXPECT_NE(text.find("b -> "), std::string::npos) << text;
    EXPECT_EQ(area("?c"), 1u);
}

TEST_F(CallGraph, UncalledFunctionsGetAreasAtZero) {
    testsupport::message_capture m;
    function("main", 2, 0);
    function("lonely", 3, 1);
    fn_root(cx, "main");
    callgraph_allocate(cx, false);
    EXPECT_TRUE(m.has(520));
    EXPECT_EQ(area("?alonely"), 0u);
    EXPECT_EQ(area("?lonely"), 0u);
    EXPECT_EQ(cx.graph.total, 3u);
}

TEST_F(CallGraph, NamesMustBeKnown) {
    testsupport::message_capture m;
    fn_call(cx, "nobody", "nothing");
    fn_root(cx, "nobody");
    fn_size(cx, "nobody", 1, 1);
    fn_addr(cx, "nobody");
    fn_indirect(cx, FN_INDIR, "nobody", 3);
    fn_break(cx, "nobody", "main");
    EXPECT_TRUE(m.has(468) && m.has(469) && m.has(470) && m.has(467) && m.has(466) && m.has(465));
    fn_conf(cx, "other", "?", "?a");
    EXPECT_TRUE(m.has(475));
}

TEST_F(CallGraph, ManySignatureSetsAndIndirectCalls) {
    function("main", 1, 0);
    function("target", 2, 1);
    link_sym_lookup(cx, "target", FL_GLOBAL)->signature = 250;
    fn_root(cx, "main");
    for (uint32_t s = 0; s < 400; ++s) fn_set_link(cx, s, s + 1);
    fn_indirect(cx, FN_INDIR, "main", 0);
    fn_addr(cx, "target");   // target joins set 250, reached through the chain of set links
    EXPECT_TRUE(callgraph_allocate(cx, false));
    EXPECT_EQ(area("?atarget"), 1u);
    EXPECT_GE(cx.graph.sets.size(), 401u);
}

TEST_F(CallGraph, NoConfigurationNoAreas) {
    testobj::fresh_link(cx);
    testsupport::message_capture m;
    function("main", 1, 0);
    fn_root(cx, "main");
    EXPECT_FALSE(callgraph_allocate(cx, false));
    EXPECT_TRUE(m.has(474));
}

TEST_F(CallGraph, PrintedGraph) {
    function("main", 4, 0);
    function("f", 3, 2);
    function("g", 1, 1);
    fn_root(cx, "main");
    fn_call(cx, "main", "f");
    fn_call(cx, "main", "g");
    testing::internal::CaptureStdout();
    callgraph_allocate(cx, true);
    std::string full = testing::internal::GetCapturedStdout();
    EXPECT_EQ(full.rfind("Call graph:\n\n", 0), 0u) << full;
    EXPECT_NE(full.find("*main size 0,4 offset 0"), std::string::npos) << full;
    EXPECT_NE(full.find("*    f size 2,3 offset 4"), std::string::npos) << full;
    EXPECT_NE(full.find("     g size 1,1 offset 4"), std::string::npos) << full;

    testobj::fresh_link(cx);
    fn_conf(cx, "rbss_0", "?", "?a");
    cx.opts.cg_print = 1;
    function("main", 4, 0);
    function("f", 3, 2);
    function("g", 1, 1);
    fn_root(cx, "main");
    fn_call(cx, "main", "f");
    fn_call(cx, "main", "g");
    testing::internal::CaptureStdout();
    callgraph_allocate(cx, true);
    std::string critical = testing::internal::GetCapturedStdout();
    EXPECT_EQ(critical.rfind("Call graph (critical paths only):", 0), 0u);
    EXPECT_EQ(critical.find(" g size"), std::string::npos) << critical;

    testobj::fresh_link(cx);
    fn_conf(cx, "rbss_0", "?", "?a");
    cx.opts.cg_print = 2;
    function("main", 4, 0);
    fn_root(cx, "main");
    testing::internal::CaptureStdout();
    callgraph_allocate(cx, true);
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "");
}

}  // namespace
}  // namespace lnk
