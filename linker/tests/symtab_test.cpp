// The name table: kinds, module scopes, the definition rules, indirect chains and its size.
#include <gtest/gtest.h>

#include "linker/tests/fresh_link.h"
#include "testsupport/message_capture.h"
#include "linker/link.h"
#include "linker/symtab.h"

namespace lnk {
namespace {

class Symtab : public testing::Test {
protected:
    context cx;   // the run state under test
    void SetUp() override { testobj::fresh_link(cx); }
    name_entry* text() { return sym_enter(cx, "text", KIND_GLOBAL_PSECT); }
    module_rec* module(uint8_t major, uint8_t minor) {
        module_rec* m = new_module(cx, "m" + std::to_string(cx.symtab.modules.size()) + ".obj", "", 0);
        m->ver_major = major;
        m->ver_minor = minor;
        set_current_module(cx, static_cast<int32_t>(cx.symtab.modules.size() - 1));
        return m;
    }
};

TEST_F(Symtab, NamesOfDifferentKindsAreDifferentEntries) {
    name_entry* sym = sym_enter(cx, "text", FL_GLOBAL);
    name_entry* psect = text();
    name_entry* cls = sym_enter(cx, "text", KIND_CLASS);
    EXPECT_NE(sym, psect);
    EXPECT_NE(psect, cls);
    EXPECT_TRUE(sym->is_symbol());
    EXPECT_EQ(link_sym_lookup(cx, "text", FL_PSECT), psect);
    EXPECT_EQ(link_sym_lookup(cx, "text", KIND_CLASS), cls);
    EXPECT_EQ(sym->kind(), SK_EXTERN);
    EXPECT_EQ(cx.symtab.undefined, 1u);
    EXPECT_EQ(name_hash("ab"), (uint32_t('a') + (uint32_t('b') << 1)) % GLOBAL_SLOTS);
}

TEST_F(Symtab, GeneratedLabels) {
    EXPECT_TRUE(is_generated_label("L"));
    EXPECT_TRUE(is_generated_label("L123"));
    EXPECT_TRUE(is_generated_label("u45"));
    EXPECT_FALSE(is_generated_label("L12a"));
    EXPECT_FALSE(is_generated_label("x12"));
    EXPECT_FALSE(is_generated_label(""));
}

TEST_F(Symtab, CommonsKeepTheLargestSize) {
    testsupport::message_capture m;
    name_entry* bss = sym_enter(cx, "bss", KIND_GLOBAL_PSECT);
    name_entry* c = sym_enter(cx, "_buf", FL_GLOBAL);
    define_symbol(cx, c, SK_COMMON | FL_GLOBAL, 4, bss);
    define_symbol(cx, c, SK_COMMON | FL_GLOBAL, 10, bss);
    define_symbol(cx, c, SK_COMMON | FL_GLOBAL, 6, bss);
    EXPECT_EQ(c->value, 10u);
    EXPECT_EQ(c->kind(), SK_COMMON);
    EXPECT_EQ(cx.symtab.undefined, 0u);
    define_symbol(cx, c, SK_COMMON | FL_GLOBAL, 6, text());
    EXPECT_TRUE(m.has(481));
}

TEST_F(Symtab, DefinitionsAddTheModulesStart) {
    name_entry* t = text();
    t->rec->running = 0x20;
    name_entry* f = sym_enter(cx, "_f", FL_GLOBAL);
    define_symbol(cx, f, SK_DEFINED | FL_GLOBAL, 4, t);
    EXPECT_EQ(f->value, 0x24u);
    t->flags |= FL_OVERLAID;
    name_entry* g = sym_enter(cx, "_g", FL_GLOBAL);
    define_symbol(cx, g, SK_DEFINED | FL_GLOBAL, 4, t);
    EXPECT_EQ(g->value, 4u);
}

TEST_F(Symtab, MultipleDefinitionsInPassZeroAndAgainInPassOne) {
    testsupport::message_capture m;
    module(3, 7);
    name_entry* f = sym_enter(cx, "_f", FL_GLOBAL);
    define_symbol(cx, f, SK_DEFINED | FL_GLOBAL, 0, text());
    module(3, 7);
    define_symbol(cx, f, SK_DEFINED | FL_GLOBAL, 2, text());
    EXPECT_EQ(m.count(482), 1);
    EXPECT_NE(m.all().find("m0.obj"), std::string::npos);   // where the first came from
    EXPECT_EQ(f->value, 0u);
    cx.symtab.pass = 1;
    set_current_module(cx, 0);
    define_symbol(cx, f, SK_DEFINED | FL_GLOBAL, 0, text());
    set_current_module(cx, 1);
    define_symbol(cx, f, SK_DEFINED | FL_GLOBAL, 2, text());
    EXPECT_EQ(m.count(482), 2);
}

TEST_F(Symtab, LocalsOfOldModulesLiveInTheGlobalTable) {
    testsupport::message_capture m;
    module(2, 1);
    name_entry* a = sym_enter(cx, "loc", 0);
    EXPECT_EQ(link_sym_lookup(cx, "loc", FL_GLOBAL), a);
    define_symbol(cx, a, SK_DEFINED, 1, text());
    module(2, 1);
    name_entry* b = sym_enter(cx, "loc", 0);
    EXPECT_EQ(a, b);
    define_symbol(cx, b, 0, 5, text());
    EXPECT_FALSE(m.has(482));
    EXPECT_EQ(b->value, 5u);
    define_symbol(cx, b, FL_GLOBAL, 7, text());
    EXPECT_TRUE(m.has(482));
}

TEST_F(Symtab, ModuleScopesOfNewModules) {
    module_rec* m1 = module(3, 0);
    name_entry* l1 = sym_enter(cx, "local", 0);
    name_entry* p1 = sym_enter(cx, "data", FL_PSECT);
    EXPECT_EQ(m1->local_syms.size(), 1u);
    EXPECT_EQ(m1->local_psects.size(), 1u);
    module(3, 0);
    name_entry* l2 = sym_enter(cx, "local", 0);
    name_entry* p2 = sym_enter(cx, "data", FL_PSECT);
    EXPECT_NE(l1, l2);
    EXPECT_NE(p1, p2);
    set_current_module(cx, -1);
    EXPECT_EQ(link_sym_lookup(cx, "local", FL_GLOBAL), nullptr);
    EXPECT_EQ(link_sym_lookup(cx, "data", FL_PSECT), nullptr);
}

TEST_F(Symtab, IndirectChains) {
    testsupport::message_capture m;
    name_entry* t = text();
    name_entry* base = sym_enter(cx, "base", FL_GLOBAL);
    define_symbol(cx, base, SK_DEFINED | FL_GLOBAL, 0x100, t);
    name_entry* a = sym_enter(cx, "a", FL_GLOBAL);
    name_entry* b = sym_enter(cx, "b", FL_GLOBAL);
    define_symbol(cx, b, SK_INDIRECT | FL_GLOBAL, 2, base);
    define_symbol(cx, a, SK_INDIRECT | FL_GLOBAL, 1, b);
    resolve_indirect(a);
    EXPECT_EQ(a->value, 0x103u);
    EXPECT_EQ(a->owner, t);
    EXPECT_EQ(a->kind(), SK_DEFINED);
    // A chain that enters a cycle away from its start stops with 479.
    name_entry* x = sym_enter(cx, "x", FL_GLOBAL);
    name_entry* y = sym_enter(cx, "y", FL_GLOBAL);
    name_entry* z = sym_enter(cx, "z", FL_GLOBAL);
    define_symbol(cx, y, SK_INDIRECT | FL_GLOBAL, 0, z);
    define_symbol(cx, z, SK_INDIRECT | FL_GLOBAL, 0, y);
    define_symbol(cx, x, SK_INDIRECT | FL_GLOBAL, 0, y);
    resolve_indirect(x);
    EXPECT_EQ(m.count(479), 1);
    name_entry* self = sym_enter(cx, "self", FL_GLOBAL);
    define_symbol(cx, self, SK_INDIRECT | FL_GLOBAL, 0, self);
    resolve_indirect(self);
    EXPECT_EQ(m.count(479), 2);
}

TEST_F(Symtab, LinkerSymbolsLeaveDefinitionsAlone) {
    name_entry* t = text();
    name_entry* ref = sym_enter(cx, "__Ltext", FL_GLOBAL);
    define_linker_symbol(cx, "__Ltext", t, 0x40, SK_DEFINED | FL_GLOBAL);
    EXPECT_EQ(ref->value, 0x40u);
    EXPECT_EQ(ref->owner, t);
    EXPECT_EQ(cx.symtab.undefined, 0u);
    define_linker_symbol(cx, "__Ltext", t, 0x80, SK_DEFINED | FL_GLOBAL);
    EXPECT_EQ(ref->value, 0x40u);
    define_linker_symbol(cx, "__Hnew", t, 0x50, SK_DEFINED | FL_GLOBAL);
    EXPECT_EQ(link_sym_lookup(cx, "__Hnew", FL_GLOBAL)->value, 0x50u);
}

TEST_F(Symtab, TheTableHoldsTwoThousandAndThreeNames) {
    // The absolute psect takes one slot.
    for (uint32_t i = 1; i < GLOBAL_SLOTS; ++i) sym_enter(cx, "s" + std::to_string(i), FL_GLOBAL);
    EXPECT_NE(link_sym_lookup(cx, "s2002", FL_GLOBAL), nullptr);
    EXPECT_EXIT(sym_enter(cx, "one_more", FL_GLOBAL), testing::ExitedWithCode(1), "");
}

}  // namespace
}  // namespace lnk
