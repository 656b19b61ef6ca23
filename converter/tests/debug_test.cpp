// Debug types, tags and scope lookups; the processor descriptions.
#include <gtest/gtest.h>

#include "converter/tests/test_util.h"

#include "converter/context.h"

using namespace conv;

namespace {

type_elem base(uint32_t cls, uint8_t size) { return {elem_kind::base, cls, size, nullptr}; }
type_elem wrap(elem_kind k, uint32_t value = 0) { return {k, value, 0, nullptr}; }
type_elem ref(dbg_sym* tag) { return {tag->cls == sclass::enum_ ? elem_kind::enum_ref : elem_kind::struct_ref, 0, 0, tag}; }

TEST(Types, HashAndEquality) {
    dbg_type u2{{base(BASE_UNSIGNED, 2)}};
    EXPECT_EQ(type_hash(u2), 4u);
    dbg_type a3{{base(BASE_SIGNED, 1), wrap(elem_kind::array, 3)}};
    dbg_type a4{{base(BASE_SIGNED, 1), wrap(elem_kind::array, 4)}};
    EXPECT_EQ(type_hash(a3), type_hash(a4));   // lengths are not hashed
    EXPECT_FALSE(type_equal(a3, a4));
    dbg_type q{{base(BASE_UNSIGNED, 2), wrap(elem_kind::qualifiers, 1)}};
    EXPECT_NE(type_hash(q), type_hash(u2));
    EXPECT_FALSE(type_equal(q, u2));
    dbg_type fp{{base(BASE_SIGNED, 2), wrap(elem_kind::function), wrap(elem_kind::pointer)}};
    EXPECT_TRUE(type_equal(fp, dbg_type{fp}));
    EXPECT_FALSE(type_is_function(fp));
    dbg_type fn{{base(BASE_SIGNED, 2), wrap(elem_kind::function), wrap(elem_kind::qualifiers, 2)}};
    EXPECT_TRUE(type_is_function(fn));
    EXPECT_TRUE(type_is_bit(dbg_type{{base(BASE_BIT, 0)}}));
}

TEST(Types, ScopeBucketsShareTheUnderscorelessName) {
    EXPECT_EQ(dbg_name_hash("_x"), dbg_name_hash("x"));
    EXPECT_LT(dbg_name_hash("\xFF\xFE"), 47u);   // negative byte values still land in a bucket
}

TEST(Types, BadElementKindIsFatal) {
    dbg_type bad{{wrap(static_cast<elem_kind>(9))}};
    EXPECT_EXIT(type_hash(bad), ::testing::ExitedWithCode(1), "bad class in type hashing");
    EXPECT_EXIT(type_equal(bad, dbg_type{bad}), ::testing::ExitedWithCode(1), "bad class in type compare");
}

// struct node { int v; struct node* next; }, made twice.
dbg_sym* self_referring(debug_model& dbg) {
    dbg_sym* tag = dbg.make(sclass::struct_);
    tag->name = "S1";
    tag->link_name = "node";
    tag->has_link_name = true;
    tag->size = 3;
    dbg_member v{"v", true, dbg_type{{base(BASE_SIGNED, 2)}}, 2, 0, 0, 0};
    dbg_member next{"next", true, dbg_type{{ref(tag), wrap(elem_kind::pointer)}}, 1, 2, 0, 0};
    tag->members = {v, next};
    return tag;
}

TEST(Types, TagEquality) {
    debug_model dbg;
    dbg_sym* a = self_referring(dbg);
    dbg_sym* b = self_referring(dbg);
    EXPECT_TRUE(tag_equal(a, a));
    EXPECT_FALSE(tag_equal(a, b));   // the recursion ends by calling the copies different
    dbg_sym* p = dbg.make(sclass::struct_);
    dbg_sym* q = dbg.make(sclass::struct_);
    for (dbg_sym* t : {p, q}) {
        t->size = 2;
        t->members = {dbg_member{"x", true, dbg_type{{base(BASE_SIGNED, 2)}}, 2, 0, 0, 0}};
    }
    EXPECT_TRUE(type_equal(dbg_type{{ref(p)}}, dbg_type{{ref(q)}}));
    q->members[0].bit_width = 1;
    EXPECT_FALSE(tag_equal(p, q));
    type_table table;
    table.put(dbg_type{{ref(p)}}, 7);
    table.put(dbg_type{{ref(p)}}, 8);   // an equal type keeps its number
    ASSERT_NE(table.get(dbg_type{{ref(p)}}), nullptr);
    EXPECT_EQ(*table.get(dbg_type{{ref(p)}}), 7u);
    EXPECT_EQ(table.get(dbg_type{{ref(q)}}), nullptr);
}

struct scopes : ::testing::Test {
    debug_model dbg;
    dbg_sym* module = nullptr;
    void SetUp() override {
        dbg.init_base_types(*machine_table[2]);
        module = dbg.make(sclass::module);
        module->parent = dbg.global_block;
        dbg.add_child(dbg.global_block, module);
        dbg.current_scope = module;
    }
    dbg_sym* add(sclass cls, const char* name) {
        dbg_sym* s = dbg.make(cls);
        s->name = name;
        dbg.add_child(dbg.current_scope, s);
        return s;
    }
    dbg_sym* enter(sclass cls) {
        dbg_sym* b = dbg.make(cls);
        b->parent = dbg.current_scope;
        b->position = static_cast<uint32_t>(dbg.current_scope->children.size());
        dbg.add_child(dbg.current_scope, b);
        dbg.current_scope = b;
        return b;
    }
};

TEST_F(scopes, LookupTagStaysInItsScopeUnlessFaked) {
    dbg_sym* outer = add(sclass::struct_, "S1");
    dbg_sym* block = enter(sclass::block);
    EXPECT_EQ(dbg.lookup_tag("S1"), nullptr);
    block->flags |= DBG_FAKED;
    EXPECT_EQ(dbg.lookup_tag("S1"), outer);
    dbg_sym* newer = add(sclass::auto_, "S1");
    EXPECT_EQ(dbg.lookup_tag("S1"), newer);   // the newest of the name
}

TEST_F(scopes, LookupVisibleSeesBaseTypesAndEarlierAutosOnly) {
    EXPECT_EQ(dbg.lookup_visible("uc"), dbg.global_block->children[6]);
    dbg_sym* func = enter(sclass::func);
    dbg_sym* first = add(sclass::auto_, "_t");
    enter(sclass::block);
    EXPECT_EQ(dbg.lookup_visible("t"), first);   // "_" and the name match too
    dbg.current_scope = func;
    dbg_sym* td = add(sclass::typedef_, "_byte");
    EXPECT_EQ(dbg.lookup_visible("_byte"), td);
    EXPECT_EQ(dbg.lookup_visible("nothing"), nullptr);
}

TEST(Machines, ChipNames) {
    auto family_of = [](const char* name) {
        const machine_desc* m = mach_match_chip(name);
        return m ? std::string(m->display) : std::string("none");
    };
    EXPECT_EQ(family_of("16F877A"), "PIC");
    EXPECT_EQ(family_of("18F452"), "PIC18");
    EXPECT_EQ(family_of("PIC18F452"), "PIC");
    EXPECT_EQ(family_of("30F2010"), "dsPIC");
    EXPECT_EQ(family_of("HT46R47"), "Holtek");
    EXPECT_EQ(family_of("AT91M40800"), "ARM");
    EXPECT_EQ(family_of("14000"), "PIC");
    EXPECT_EQ(family_of("Z80"), "none");
    EXPECT_EQ(family_of(""), "none");
}

TEST(Machines, SelectionFromHeaderFlags) {
    {
        machine_state st;
        debug_model dbg;
        EXPECT_TRUE(mach_select(st, dbg, " PIC14 ORMCLOMID ]"));
        EXPECT_EQ(st.current->fam, family::pic);
        ASSERT_NE(dbg.global_block, nullptr);
        EXPECT_TRUE(mach_select(st, dbg, " HOLTEK ]"));   // the first choice holds
        EXPECT_EQ(st.current->fam, family::pic);
    }
    {
        machine_state st;
        debug_model dbg;
        EXPECT_TRUE(mach_select(st, dbg, "CODE_300H ]"));
        EXPECT_EQ(st.current->fam, family::h8300);
        EXPECT_EQ(st.processor_name, "H8/300H");
    }
    for (const char* flags : {" GLOBOPT ]", " ]", " NOSUCH ]", " PIC14\tGLOBOPT ]"}) {
        machine_state st;
        debug_model dbg;
        testing::internal::CaptureStderr();
        EXPECT_FALSE(mach_select(st, dbg, flags)) << flags;
        std::string err = testing::internal::GetCapturedStderr();
        EXPECT_NE(err.find(std::string(flags) == " NOSUCH ]" || std::string(flags).find('\t') != std::string::npos
                               ? "(668)" : "(669)"), std::string::npos) << err;
        EXPECT_EQ(st.current, nullptr);
    }
}

TEST(Machines, RegisterTables) {
    for (const machine_desc* m : machine_table) {
        EXPECT_STREQ(machine_reg_name(m, 0), "");
        EXPECT_STREQ(machine_reg_name(m, m->register_count), "");
        for (uint32_t i = 1; i < m->register_count; ++i) EXPECT_EQ(mach_reg_lookup(m, m->registers[i].name), i);
    }
    EXPECT_EQ(machine_table[0]->register_count, 15u);
    EXPECT_EQ(machine_table[3]->register_count, 42u);
    EXPECT_EQ(machine_table[5]->register_count, 29u);
    EXPECT_EQ(machine_table[6]->register_count, 31u);
    EXPECT_EQ(mach_reg_lookup(machine_table[2], "fsr"), 2u);
    EXPECT_EQ(mach_reg_lookup(machine_table[2], "FSR"), 0u);
}

TEST(Machines, RegisterPlacement) {
    bool strip = false;
    model md(strip);
    md.seg_add("DATA", 0, 0x80, 5);
    debug_model dbg;
    auto place = [&](int place, int32_t reg, uint32_t& address, uint32_t& space) {
        dbg_sym* s = dbg.make(sclass::reg);
        s->value = reg;
        return mach_place_symbol(machine_table[place], md, s, nullptr, address, space);
    };
    uint32_t address = 0, space = 0;
    ASSERT_TRUE(place(0, 10, address, space));   // 8051 WR1
    EXPECT_EQ(address, 2u);
    EXPECT_EQ(space, 5u);
    EXPECT_FALSE(place(0, 15, address, space));
    ASSERT_TRUE(place(5, 24, address, space));   // ARM r8_9
    EXPECT_EQ(address, 8u);
    ASSERT_TRUE(place(1, 3, address, space));    // 6805 BTEMP0
    EXPECT_EQ(address, 0u);
    EXPECT_FALSE(place(2, 2, address, space));   // PIC registers have no placement
}

TEST(Machines, FramePlacement) {
    bool strip = false;
    model md(strip);
    md.seg_add("BANK0", 0x20, 0x50, 1);
    md.sym_add("?a_f", 0x30, 1, 0, 0);
    md.sym_add("?_f", 0x40, 1, 0, 0);
    debug_model dbg;
    dbg_sym* fn = dbg.make(sclass::extern_);
    fn->name = "_f";
    dbg_sym* func = dbg.make(sclass::func);
    func->function = fn;
    dbg_sym* block = dbg.make(sclass::block);
    block->parent = func;
    dbg_sym* a = dbg.make(sclass::auto_);
    a->value = 3;
    dbg_sym* p = dbg.make(sclass::param);
    p->value = 1;
    uint32_t address = 0, space = 0;
    ASSERT_TRUE(mach_place_symbol(machine_table[2], md, a, block, address, space));
    EXPECT_EQ(address, 0x33u);
    EXPECT_EQ(space, 1u);
    EXPECT_TRUE(a->flags & DBG_PLACED);
    ASSERT_TRUE(mach_place_symbol(machine_table[2], md, p, func, address, space));
    EXPECT_EQ(address, 0x41u);
    EXPECT_FALSE(mach_place_symbol(machine_table[2], md, dbg.make(sclass::auto_), dbg.make(sclass::module), address, space));
}

TEST(Machines, PointerSizes) {
    const machine_desc* pic = machine_table[2];
    auto qual = [&](char letter) { return wrap(elem_kind::qualifiers, 1u << qualifier_bit(pic, letter)); };
    dbg_type plain{{base(BASE_UNSIGNED, 1), wrap(elem_kind::pointer)}};
    dbg_type to_const{{base(BASE_UNSIGNED, 1), qual('C'), wrap(elem_kind::pointer)}};
    dbg_type volatile_{{base(BASE_UNSIGNED, 1), qual('V'), wrap(elem_kind::pointer)}};
    dbg_type far{{base(BASE_UNSIGNED, 1), qual('F'), wrap(elem_kind::pointer)}};
    dbg_type to_function{{base(BASE_VOID, 0), wrap(elem_kind::function), wrap(elem_kind::pointer)}};
    EXPECT_EQ(mach_type_size(pic, plain), 1u);
    EXPECT_EQ(mach_type_size(pic, to_const), 2u);
    EXPECT_EQ(mach_type_size(pic, volatile_), 1u);
    EXPECT_EQ(mach_type_size(pic, far), 2u);
    EXPECT_EQ(mach_type_size(pic, to_function), 2u);
    EXPECT_EQ(mach_type_size(machine_table[5], plain), 4u);
    dbg_type array{{base(BASE_SIGNED, 2), wrap(elem_kind::array, 5)}};
    EXPECT_EQ(mach_type_size(pic, array), 10u);
}

TEST(Machines, EnumerationSizes) {
    dbg_sym tag;
    int32_t size = 0, sign = 0;
    tag.constants = {{"a", 0}, {"b", 255}};
    enum_size(tag, size, sign);
    EXPECT_EQ(size, 1);
    EXPECT_EQ(sign, 2);
    tag.constants = {{"a", -1}, {"b", 128}};
    enum_size(tag, size, sign);
    EXPECT_EQ(size, 2);
    EXPECT_EQ(sign, 1);
    tag.constants = {{"a", 256}};
    enum_size(tag, size, sign);
    EXPECT_EQ(size, 2);
}

}  // namespace
