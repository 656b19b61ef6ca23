// Type model: qualifier rows, type strings, equality and assignability.
#include <gtest/gtest.h>

#include "parser/expr.h"
#include "parser/lexer.h"
#include "parser/options.h"
#include "parser/symbols.h"
#include "parser/tests/harness.h"
#include "parser/types.h"

namespace {
// The type string of the declaration record of `name`.
std::string type_of(const parse_result& r, const std::string& name) {
    size_t at = r.ic.find("[v _" + name + " `");
    if (at == std::string::npos) return "?";
    at += 6 + name.size();
    return r.ic.substr(at, r.ic.find(' ', at) - at);
}
void driver_classes() {
    define_ptr_class("bank1", "X");
    define_ptr_class("bank2", "Y");
    define_ptr_class("eeprom", "T");
}
}  // namespace

TEST(Types, TypeStringsOfDeclarations) {
    auto r = parse_c("int i; unsigned char uc; int *fp(); int (*pf)(); int (*pp)(int);\n"
                     "struct s { int a; } st; const int *cp; int * const pc = 0; int * const * ppc;\n"
                     "unsigned long ul; float f; double d; signed char sc; short sh; void *vp;\n");
    EXPECT_EQ(type_of(r, "i"), "i");
    EXPECT_EQ(type_of(r, "uc"), "uc");
    EXPECT_EQ(type_of(r, "pf"), "*(i");
    EXPECT_EQ(type_of(r, "pp").substr(0, 2), "*F");   // a prototyped function keeps its type symbol
    EXPECT_EQ(type_of(r, "st"), "S1");
    EXPECT_EQ(type_of(r, "cp"), "*Ci");
    EXPECT_EQ(type_of(r, "pc"), "C*i");
    EXPECT_EQ(type_of(r, "ppc"), "*C*i");
    EXPECT_EQ(type_of(r, "ul"), "ul");
    EXPECT_EQ(type_of(r, "f"), "f");
    EXPECT_EQ(type_of(r, "d"), "d");
    EXPECT_EQ(type_of(r, "sc"), "c");
    EXPECT_EQ(type_of(r, "sh"), "s");
    EXPECT_EQ(type_of(r, "vp"), "*v");
    auto f = parse_c("static int *fp(void) { return 0; }\n");
    EXPECT_EQ(type_of(f, "fp"), "(*i");
}

TEST(Types, PointerClassesFromOptions) {
    auto r = parse_c("bank1 int x; int * bank1 p; eeprom char * bank2 q;\n", driver_classes);
    EXPECT_EQ(type_of(r, "x"), "Xi");
    EXPECT_EQ(type_of(r, "p"), "X*i");
    EXPECT_EQ(type_of(r, "q"), "Y*Tc");
}

TEST(Types, QualifierRowsShareAndReuse) {
    reset_parser();
    define_ptr_class("eeprom", "T");
    define_ptr_class("rom2", "T");
    EXPECT_EQ(qualifier_mask("rom2"), qualifier_mask("eeprom"));
    define_ptr_class("const", "Ci");
    EXPECT_EQ(qualifier_table[0].name, "const");
    EXPECT_EQ(qualifier_table[0].flags, QF_I);
    define_ptr_class("fast", "Wiu2");
    int row = 0;
    while (qualifier_table[row].name != "fast") ++row;
    EXPECT_EQ(qualifier_table[row].flags, QF_I | QF_U);
    EXPECT_EQ(qualifier_table[row].size, 2);
    opt.persistent_far = true;
    EXPECT_EQ(qualifier_mask("persistent"), 0x24u);
}

TEST(Types, StrictNeedsTwoUnderscores) {
    reset_parser();
    opt.strict = true;
    EXPECT_EQ(qualifier_mask("far"), 0u);
    EXPECT_EQ(qualifier_mask("__far"), 4u);
    EXPECT_EQ(qualifier_mask("const"), 1u);
    define_ptr_class("__bank1", "X");
    EXPECT_NE(qualifier_mask("__bank1"), 0u);
    EXPECT_EQ(qualifier_mask("bank1"), 0u);
}

TEST(Types, SixteenPointerLevelsAndNoMore) {
    auto ok = parse_c("int ****************p;\n");
    EXPECT_FALSE(has_message(ok, 256)) << ok.messages;
    EXPECT_EQ(type_of(ok, "p"), std::string(16, '*') + "i");
    auto over = parse_c("int *****************p;\n");
    EXPECT_TRUE(has_message(over, 256));
}

TEST(Types, EqualityAndAssignability) {
    reset_parser();
    type_desc c = make_basic(ic::T_CHAR), cc = make_basic(ic::T_CHAR);
    cc.classes = Q_CONST;
    add_pointer(c);
    add_pointer(cc);
    EXPECT_FALSE(assignable(c, cc));   // the source's const is missing in the target
    EXPECT_TRUE(assignable(cc, c));
    EXPECT_FALSE(types_equal(c, cc, false));
    type_desc f1 = make_basic(ic::T_INT), f2 = make_basic(ic::T_LONG);
    f1.kind = f2.kind = K_FUNCTION;
    EXPECT_FALSE(types_equal(f1, f2, true));
    type_desc f3 = f1;
    param_list* list = new_param_list();
    list->items.push_back(make_basic(ic::T_INT));
    f3.params = list;
    EXPECT_TRUE(types_equal(f1, f3, true));    // a missing list is lenient
    EXPECT_FALSE(types_equal(f1, f3, false));
    define_ptr_class("const", "Ci");   // const data then lives apart from plain data
    EXPECT_FALSE(assignable(c, cc));
    EXPECT_FALSE(assignable(cc, c));
}

TEST(Types, ClassCompatibility) {
    reset_parser();
    EXPECT_TRUE(classes_compatible(Q_CONST, 0));
    EXPECT_FALSE(classes_compatible(0, Q_VOLATILE));
    EXPECT_FALSE(classes_compatible(Q_NEAR, 0));
    EXPECT_FALSE(classes_compatible(0, Q_INTERRUPT));
    EXPECT_TRUE(classes_compatible(Q_FAR, Q_FAR));
}

TEST(Types, WordsForMessages) {
    reset_parser();
    type_desc t = make_basic(ic::T_CHAR | 1);
    add_pointer(t);
    t.classes = Q_CONST;
    EXPECT_EQ(type_name(t), "pointer to const unsigned char");
    type_desc f = make_basic(ic::T_INT);
    f.kind = K_FUNCTION;
    f.params = new_param_list();
    f.params->items.push_back(make_basic(ic::T_VOID));
    EXPECT_EQ(type_name(f), "function with no arguments returning int");
}

TEST(Types, QualifierConflicts) {
    auto twice = parse_c("const const int a;\n");
    EXPECT_TRUE(has_message(twice, 258));
    auto both = parse_c("far near int b;\n");
    EXPECT_TRUE(has_message(both, 259));
}
