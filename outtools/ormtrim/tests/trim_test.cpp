// ormtrim: which symbols lose their global bit, byte order, module and record limits, and
// that the object is never lost.
#include <gtest/gtest.h>

#include "objfmt/record_io.h"
#include "objfmt/records.h"
#include "hexfmt/tests/tool_testing.h"
#include "testsupport/testsupport.h"
#include "outtools/ormtrim/trim.h"

namespace {

using testsupport::run_merged;

// The SYM entries of an object file: name and flags, in file order.
std::vector<std::pair<std::string, uint16_t>> symbols_of(const std::string& path) {
    std::vector<uint8_t> bytes;
    EXPECT_TRUE(obj::read_file(path, bytes));
    obj::record_reader reader(bytes.data(), bytes.size(), 512);
    obj::byte_order order;
    std::vector<std::pair<std::string, uint16_t>> out;
    obj::record r;
    while (reader.next(r) == obj::read_status::ok) {
        if (r.type == obj::IDENT) {
            obj::ident_rec ident;
            obj::decode_ident(r.body, ident);
            order = ident.order;
        }
        if (r.type != obj::SYM) continue;
        obj::body_cursor c(r.body.data(), r.body.size(), order);
        while (!c.at_end()) {
            obj::sym_entry e;
            obj::decode_sym_entry(c, e);
            out.emplace_back(e.name, e.flags);
        }
    }
    return out;
}

class Trim : public testsupport::scratch_test {
protected:
    int trim(const std::string& args) {
        return run_merged("cd '" + scratch().path().string() + "' && " + testsupport::program("ormtrim") + " " + args, &messages);
    }
    std::string messages;
};

TEST(TrimNames, ListedNamesAndTheirUnderscoreForms) {
    std::vector<std::string> names = {"foo", "bar"};
    EXPECT_TRUE(trim::name_listed("foo", names));
    EXPECT_TRUE(trim::name_listed("_bar", names));
    EXPECT_FALSE(trim::name_listed("__foo", names));
    EXPECT_FALSE(trim::name_listed("food", names));
}

TEST_F(Trim, GlobalDefinitionsBecomeLocal) {
    tooltest::ObjectBuilder()
        .ident().text(0, {1, 2})
        .symbol("foo", 1).symbol("_bar", 2).symbol("__foo", 3).symbol("baz", 4)
        .symbol("_foo", 5, 0x16)    // external reference: stays global
        .symbol("bar", 6, 0x12)     // common: stays global
        .symbol("foo", 7, 0x18)     // indirect: loses the bit
        .end().save(path("x.obj"));
    ASSERT_EQ(trim("-foo,bar x.obj"), 0) << messages;
    auto syms = symbols_of(path("x.obj"));
    ASSERT_EQ(syms.size(), 7u);
    EXPECT_EQ(syms[0].second, 0x00);
    EXPECT_EQ(syms[1].second, 0x00);
    EXPECT_EQ(syms[2].second, 0x10);
    EXPECT_EQ(syms[3].second, 0x10);
    EXPECT_EQ(syms[4].second, 0x16);
    EXPECT_EQ(syms[5].second, 0x12);
    EXPECT_EQ(syms[6].second, 0x08);
}

TEST_F(Trim, BigEndianFlagsChangeTheirSecondByte) {
    tooltest::ObjectBuilder(obj::byte_order::big())
        .ident().symbol("foo", 1, 0x0110).end().save(path("be.obj"));
    std::string before = testsupport::read_file(path("be.obj"));
    ASSERT_EQ(trim("-foo be.obj"), 0) << messages;
    std::string after = testsupport::read_file(path("be.obj"));
    ASSERT_EQ(before.size(), after.size());
    size_t changed = 0, count = 0;
    for (size_t i = 0; i < before.size(); ++i)
        if (before[i] != after[i]) changed = i, ++count;
    EXPECT_EQ(count, 1u);
    EXPECT_EQ(before[changed - 1], '\x01');   // the high half, first in the field, stays
    EXPECT_EQ(symbols_of(path("be.obj"))[0].second, 0x0100);
}

// Corrupt objects met by fuzzing: an empty record body, and an IDENT whose 16-bit map names
// bytes outside a field. Neither may read or write out of bounds.
TEST_F(Trim, EmptyBodiesAndWildByteOrdersStayInBounds) {
    tooltest::ObjectBuilder().ident().raw(obj::SYM, {}).symbol("foo", 1).end().save(path("e.obj"));
    ASSERT_EQ(trim("-foo e.obj"), 0) << messages;
    auto syms = symbols_of(path("e.obj"));
    ASSERT_EQ(syms.size(), 1u);
    EXPECT_EQ(syms[0].second, 0x00);

    const obj::byte_order wild{{0, 1, 2, 3}, {0xFE, 0xFF}};   // read as {0, 1}, as every reader does
    tooltest::ObjectBuilder(wild).ident().symbol("foo", 1).symbol("bar", 2).end().save(path("w.obj"));
    ASSERT_EQ(trim("-foo w.obj"), 0) << messages;
    syms = symbols_of(path("w.obj"));
    ASSERT_EQ(syms.size(), 2u);
    EXPECT_EQ(syms[0].second, 0x00);
    EXPECT_EQ(syms[1].second, 0x10);
}

TEST_F(Trim, ArgumentsFromStandardInput) {
    tooltest::ObjectBuilder().ident().symbol("foo", 1).symbol("bar", 2).end().save(path("x.obj"));
    ASSERT_EQ(run_merged("cd '" + scratch().path().string() + "' && echo '-bar x.obj' | " + testsupport::program("ormtrim"), &messages), 0)
        << messages;
    auto syms = symbols_of(path("x.obj"));
    EXPECT_EQ(syms[0].second, 0x10);
    EXPECT_EQ(syms[1].second, 0x00);
}

TEST_F(Trim, OnlyTheFirstModuleIsKept) {
    tooltest::ObjectBuilder o;
    o.ident().symbol("foo", 1).end();
    std::vector<uint8_t> first = o.bytes();
    o.ident().symbol("bar", 2).end().save(path("two.obj"));
    ASSERT_EQ(trim("-nothing two.obj"), 0) << messages;
    std::string after = testsupport::read_file(path("two.obj"));
    EXPECT_EQ(after, std::string(first.begin(), first.end()));
}

TEST_F(Trim, BadRecordsStopAndKeepTheOriginal) {
    tooltest::ObjectBuilder().ident().raw(obj::CONDEXPR, {0}).end().save(path("c.obj"));
    std::string before = testsupport::read_file(path("c.obj"));
    EXPECT_EQ(trim("-foo c.obj"), 1);
    EXPECT_NE(messages.find("(380)"), std::string::npos) << messages;
    EXPECT_EQ(testsupport::read_file(path("c.obj")), before);
    std::ofstream(path("s.obj"), std::ios::binary).write("\x10\x00\x04\x01", 4);
    EXPECT_EQ(trim("-foo s.obj"), 1);
    EXPECT_NE(messages.find("(382)"), std::string::npos) << messages;
    std::ofstream(path("l.obj"), std::ios::binary).write("\x01\x02\x04", 3);
    EXPECT_EQ(trim("-foo"), 1);   // no file named: l.obj
    EXPECT_NE(messages.find("(381)"), std::string::npos) << messages;
    EXPECT_NE(messages.find("SYM"), std::string::npos) << messages;
    // No temporary file is left in the object's directory.
    std::string listing;
    run_merged("ls -A '" + scratch().path().string() + "'", &listing);
    EXPECT_EQ(listing, "c.obj\nl.obj\ns.obj\n");
}

TEST_F(Trim, AFolderNamedAsAnObjectIsAnErrorNotAnEmptyObject) {
    // A folder opens like a file but cannot be read: 141, after the file before it was rewritten.
    run_merged("mkdir '" + path("d.obj") + "'");
    tooltest::ObjectBuilder().ident().symbol("foo", 1).end().save(path("x.obj"));
    EXPECT_EQ(trim("-foo x.obj d.obj"), 1);
    EXPECT_NE(messages.find("(141) can't open input file"), std::string::npos) << messages;
    EXPECT_EQ(symbols_of(path("x.obj"))[0].second, 0x00);
    EXPECT_TRUE(std::filesystem::is_directory(path("d.obj")));
}

}  // namespace
