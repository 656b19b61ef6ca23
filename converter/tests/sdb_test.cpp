// The SDB reader: records, blocks, type strings and the positions of its messages.
#include <gtest/gtest.h>

#include "converter/context.h"
#include "converter/sdb_reader.h"
#include "converter/tests/test_util.h"

using namespace conv;

namespace {

const char* const header = "[p AUTOSTATIC PIC14 PICMIDHI ORMCLOMID CANREADCODE ]\n";

struct sdb : ::testing::Test {
    conv_test::scratch dir;
    conv_context ctx;
    dbg_sym* load(const std::string& body, const char* head = header) {
        std::string module = dir.write("m.obj", "");
        dir.write("m.sdb", head + body);
        return sdb_load(ctx, module);
    }
    dbg_sym* child(dbg_sym* scope, size_t i) { return i < scope->children.size() ? scope->children[i] : nullptr; }
};

TEST_F(sdb, SdbNameIsCutInTheLastComponentOnly) {
    EXPECT_EQ(sdb_file_name("dir.v2/main.obj"), "dir.v2/main.sdb");
    EXPECT_EQ(sdb_file_name("dir.v2/main"), "dir.v2/main.sdb");
    EXPECT_EQ(sdb_file_name("./st1m2.obj"), "./st1m2.sdb");
    EXPECT_EQ(sdb_file_name("lib\\a.b\\x"), "lib\\a.b\\x.sdb");
}

TEST_F(sdb, ModuleWithFunctionStaticAndRegisterAuto) {
    dbg_sym* m = load("\"3 main.c\n[v _f `(i  1 e 0 0 ]\n{\n[v _a `i  1 p 2 0 ]\n\"4\n[v _i `uc  1 a 1 fsr ]\n"
                      "[v count `i  1 s 2 F6 ]\n[v _abs `i  1 s 2 @32 ]\n\"9\n} 5\n");
    ASSERT_NE(m, nullptr);
    EXPECT_EQ(ctx.machine.current->fam, family::pic);
    EXPECT_EQ(m->name, dir.dir.string() + "/m.obj");
    EXPECT_EQ(child(m, 0)->cls, sclass::filename);
    dbg_sym* f = child(m, 1);
    EXPECT_EQ(f->size, 5);   // the number after the body's close
    dbg_sym* body = child(m, 2);
    ASSERT_EQ(body->cls, sclass::func);
    EXPECT_EQ(body->function, f);
    EXPECT_EQ(body->frame[0], 5u);
    EXPECT_EQ(body->first_line, 3u);
    EXPECT_EQ(body->last_line, 9u);
    EXPECT_EQ(child(body, 0)->cls, sclass::param);
    dbg_sym* i = child(body, 1);
    EXPECT_EQ(i->cls, sclass::reg);
    EXPECT_EQ(i->value, 2);
    dbg_sym* count = child(body, 2);
    EXPECT_EQ(count->name, "count");
    EXPECT_EQ(count->link_name, "F6");
    EXPECT_EQ(count->value, 0);
    dbg_sym* abs = child(body, 3);
    EXPECT_FALSE(abs->has_link_name);
    EXPECT_EQ(abs->value, 32);
    EXPECT_EQ(ctx.dbg.current_scope, ctx.dbg.global_block);
}

TEST_F(sdb, TypeStrings) {
    load("\"1 t.c\n");
    dbg_type t = sdb_parse_type(ctx, "`*(i");
    ASSERT_EQ(t.elems.size(), 3u);
    EXPECT_EQ(t.elems[0].kind, elem_kind::base);
    EXPECT_EQ(t.elems[1].kind, elem_kind::function);
    EXPECT_EQ(t.elems[2].kind, elem_kind::pointer);
    t = sdb_parse_type(ctx, "`*Dc");
    ASSERT_EQ(t.elems.size(), 3u);
    EXPECT_EQ(t.elems[1].kind, elem_kind::qualifiers);
    EXPECT_EQ(t.elems[1].value, 1u);
    t = sdb_parse_type(ctx, "*CVuc");   // two letters share one qualifier element
    ASSERT_EQ(t.elems.size(), 3u);
    EXPECT_EQ(t.elems[1].value, (1u << 15) | 2u);
    t = sdb_parse_type(ctx, "[4]i");
    ASSERT_EQ(t.elems.size(), 2u);
    EXPECT_EQ(t.elems[1].value, 4u);
    t = sdb_parse_type(ctx, "S12");
    ASSERT_EQ(t.elems.size(), 1u);
    EXPECT_EQ(t.elems[0].kind, elem_kind::struct_ref);
    EXPECT_EQ(sdb_parse_type(ctx, "S12").elems[0].tag, t.elems[0].tag);   // made once, then found
    EXPECT_EQ(sdb_parse_type(ctx, "E3").elems[0].kind, elem_kind::enum_ref);
    testing::internal::CaptureStderr();
    EXPECT_TRUE(sdb_parse_type(ctx, "`nosuch").empty());
    EXPECT_TRUE(sdb_parse_type(ctx, "`9").empty());
    EXPECT_TRUE(sdb_parse_type(ctx, "`").empty());
    EXPECT_EQ(sdb_parse_type(ctx, "Ai").elems.size(), 1u);   // no row for A: ignored
    std::string err = testing::internal::GetCapturedStderr();
    EXPECT_NE(err.find("Encountered type string `9"), std::string::npos);
    EXPECT_NE(err.find("Unknown qualifier A"), std::string::npos);
}

TEST_F(sdb, StructuresAndEnumerations) {
    dbg_sym* m = load("\"5 s.c\n[s S1 . 4 `i  1 a 2 0 \n`c  1 b 1 2 :3:1 \n`uc  2a . 2 2 \n]\n[e E2 colour\nred 0\nblue -4\n]\n");
    ASSERT_NE(m, nullptr);
    dbg_sym* s = child(m, 1);
    ASSERT_EQ(s->cls, sclass::struct_);
    EXPECT_FALSE(s->has_link_name);
    EXPECT_EQ(s->size, 4);
    ASSERT_EQ(s->members.size(), 3u);
    EXPECT_EQ(s->members[1].bit_width, 3);
    EXPECT_EQ(s->members[1].bit_offset, 1);
    EXPECT_FALSE(s->members[2].has_name);
    EXPECT_EQ(s->members[2].type.outer().kind, elem_kind::array);
    dbg_sym* e = child(m, 2);
    ASSERT_EQ(e->cls, sclass::enum_);
    EXPECT_EQ(e->link_name, "colour");
    ASSERT_EQ(e->constants.size(), 2u);
    EXPECT_EQ(e->constants[1].value, -4);
}

TEST_F(sdb, RedefinitionsFakeBlocksOnlyWhenAsked) {
    const char* body = "\"1 r.c\n[v _f `(v  1 e 0 0 ]\n{\n[v _x `i  1 a 2 0 ]\n[v _x `i  1 a 2 2 ]\n[v _y `i  1 a 2 4 ]\n\"2\n"
                       "[v _z `i  1 a 2 6 ]\n} 8\n";
    dbg_sym* plain = load(body);
    dbg_sym* func = child(plain, 2);
    EXPECT_EQ(func->children.size(), 4u);
    ctx.opt.fake_redefinitions = true;
    dbg_sym* faked_module = load(body);
    dbg_sym* body2 = child(faked_module, 2);
    ASSERT_EQ(body2->children.size(), 3u);   // _x, the faked block, _z
    dbg_sym* fake = child(body2, 1);
    EXPECT_TRUE(fake->flags & DBG_FAKED);
    EXPECT_EQ(fake->children.size(), 2u);   // the second _x and _y, up to the marker
    EXPECT_EQ(child(body2, 2)->name, "_z");
}

TEST_F(sdb, HeaderWordsAndUnreadableFiles) {
    ctx.machine.processor_name = "16F877A";
    testing::internal::CaptureStderr();
    EXPECT_NE(load("\"1 a.c\n", "[p PIC14 SOMETHING ]\n"), nullptr);
    std::string err = testing::internal::GetCapturedStderr();
    EXPECT_NE(err.find("(637) unknown prefix \"SOMETHING\""), std::string::npos) << err;
    EXPECT_EQ(load("", ""), nullptr);
    EXPECT_EQ(sdb_load(ctx, (dir.dir / "absent.obj").string()), nullptr);
    dbg_sym* m = load("{");   // a brace with nothing after adds no block
    ASSERT_NE(m, nullptr);
    EXPECT_TRUE(m->children.empty());
}

TEST_F(sdb, DamagedFilesStopWithTheirPosition) {
    EXPECT_EXIT(load("", "[x PIC14 ]\n"), ::testing::ExitedWithCode(1), "\\(630\\) invalid syntax for prefix list");
    EXPECT_EXIT(load("\"1 a.c\n[v _x `i  1 q 2 0 ]\n"), ::testing::ExitedWithCode(1),
                "\\(629\\) bad storage class \"q\" in SDB file \".*m.sdb\" line 3 column 13");
    EXPECT_EXIT(load("\"1 a.c\n[v _x `i  1 a 2 0 x\n"), ::testing::ExitedWithCode(1),
                "\\(627\\) missing \"\\]\" in SDB file \".*\" line 3 column 19");
    EXPECT_EXIT(load("\"1 a.c\n  bogus\n"), ::testing::ExitedWithCode(1),
                "\\(631\\) syntax error at token \"bogus\" in SDB file \".*\" line 3 column 3");
    // A file that ends inside a record.
    EXPECT_EXIT(load("\"1 a.c\n[v _x `i"), ::testing::ExitedWithCode(1), "\\(627\\) missing");
    EXPECT_EXIT(load("[s S1 x 2 `i"), ::testing::ExitedWithCode(1), "\\(627\\) missing");
    EXPECT_EXIT(load(std::string(300, '{')), ::testing::ExitedWithCode(1), "\\(631\\)");
}

}  // namespace
