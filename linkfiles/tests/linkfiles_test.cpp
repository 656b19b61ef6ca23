// The symbol file and the map table as the driver reads them back.
#include <random>
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>

#include "linkfiles/maptable.h"
#include "linkfiles/symfile.h"

namespace {

std::string temp_path(const char* name) {
    return (std::filesystem::temp_directory_path() / (std::string("orm_linkfiles_") + std::to_string(std::random_device{}()) + "_" + name)).string();
}

TEST(SymbolFile, LinesOfEachStyleReadBack) {
    std::string path = temp_path("sym");
    FILE* f = std::fopen(path.c_str(), "w");
    ASSERT_TRUE(f);
    linkfile::write_extended(f, "__Lrbss_0", 0x20, true, 0, "BANK0");
    linkfile::write_extended(f, "__Hrbss_0", 0x2A, true, 0, nullptr);
    linkfile::write_extended(f, "_abs", 0x1234, false, 0, nullptr);
    linkfile::write_register(f, "r", 5);
    linkfile::write_stack(f, "s", -3);
    std::fprintf(f, "%s\n", linkfile::LOCALS_LINE);
    linkfile::write_name(f, "main.obj");
    linkfile::write_plain(f, 0xA, "plain");
    std::fclose(f);

    std::vector<linkfile::line> lines;
    ASSERT_TRUE(linkfile::read(path, lines));
    ASSERT_EQ(lines.size(), 8u);
    linkfile::symbol s;
    ASSERT_TRUE(linkfile::parse_symbol(lines[0], s));
    EXPECT_EQ(s.name, "__Lrbss_0");
    EXPECT_EQ(s.value, 0x20u);
    EXPECT_TRUE(s.has_offset);
    EXPECT_EQ(s.text, "BANK0");
    ASSERT_TRUE(linkfile::parse_symbol(lines[2], s));
    EXPECT_FALSE(s.has_offset);
    EXPECT_EQ(s.value, 0x1234u);
    EXPECT_FALSE(linkfile::parse_symbol(lines[3], s));   // register symbol
    EXPECT_EQ(lines[4].words[2], "-3");
    EXPECT_FALSE(linkfile::parse_symbol(lines[5], s));   // %locals
    EXPECT_FALSE(linkfile::parse_symbol(lines[6], s));   // module name
    ASSERT_TRUE(linkfile::parse_symbol(lines[7], s));
    EXPECT_EQ(s.name, "plain");
    EXPECT_EQ(s.value, 0xAu);
    std::remove(path.c_str());
}

TEST(SymbolFile, KeyedAndSegmentLines) {
    std::string path = temp_path("keyed");
    FILE* f = std::fopen(path.c_str(), "w");
    linkfile::write_keyed(f, true, "_x", "DATA", 0x21);
    linkfile::write_keyed(f, false, "_k", "", 7);
    linkfile::write_keyed_segment(f, "text", "CODE", 0, 0x1F);
    linkfile::write_segment(f, "text", 0, 0x1F, "CODE");
    std::fclose(f);
    EXPECT_EQ(testing::internal::ReadEntireFile(std::fopen(path.c_str(), "r")),
              "SY _x DATA:21\nAS _k :7\nSG text CODE:0 1F\ntext 0 1F CODE\n");
    std::remove(path.c_str());
}

TEST(SymbolFile, MissingFileAndOverlongLine) {
    std::vector<linkfile::line> lines;
    EXPECT_FALSE(linkfile::read(temp_path("absent_file"), lines));
    std::string path = temp_path("long");
    FILE* f = std::fopen(path.c_str(), "w");
    std::fprintf(f, "%s 1\nnext 2\n", std::string(2000, 'a').c_str());
    std::fclose(f);
    ASSERT_TRUE(linkfile::read(path, lines));
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_EQ(lines[1].words[0], "next");
    std::remove(path.c_str());
}

TEST(SymbolFile, HexWords) {
    uint32_t v = 0;
    EXPECT_TRUE(linkfile::hex_value("FFFFFFFF", v));
    EXPECT_EQ(v, 0xFFFFFFFFu);
    EXPECT_FALSE(linkfile::hex_value("123456789", v));
    EXPECT_FALSE(linkfile::hex_value("CODE", v) && v == 0);
    EXPECT_FALSE(linkfile::hex_value("xyz", v));
    EXPECT_FALSE(linkfile::hex_value("", v));
}

// The totals table written line by line reads back by word positions.
TEST(MapTable, WrittenTableReadsBack) {
    std::string path = temp_path("map");
    FILE* f = std::fopen(path.c_str(), "w");
    std::fprintf(f, "Linker command line:\n\nTOTAL is not this line\n\n");
    linkfile::write_totals_header(f);
    linkfile::write_class_line(f, "CODE", false, 0, 0);
    linkfile::write_totals_line(f, "reset_vec", true, 0, 0, 4);
    linkfile::write_totals_line(f, "maintext_long_name", true, 0x7F0, 0x7F0, 0x10);
    std::fprintf(f, "\n");
    linkfile::write_class_line(f, "BANK0", true, 0x20, 0x30);
    linkfile::write_totals_line(f, "rbss_0", true, 0x20, 0x20, 0xA);
    std::fprintf(f, "\n\n\nSEGMENTS\tName\n");
    std::fclose(f);

    linkfile::map_table t;
    ASSERT_TRUE(linkfile::read_map_table(path, t));
    ASSERT_TRUE(t.found);
    EXPECT_TRUE(t.problems.empty());
    ASSERT_EQ(t.classes.size(), 2u);
    EXPECT_EQ(t.classes[0].name, "CODE");
    ASSERT_EQ(t.classes[0].psects.size(), 2u);
    EXPECT_EQ(t.classes[0].psects[1].name, "maintext_");   // names are cut at 9 characters
    EXPECT_EQ(t.classes[0].psects[1].link, 0x7F0u);
    EXPECT_EQ(t.classes[0].psects[1].length, 0x10u);
    EXPECT_EQ(t.classes[1].name, "BANK0");
    EXPECT_EQ(t.classes[1].psects[0].load, 0x20u);
    std::remove(path.c_str());
}

TEST(MapTable, PartialLinkAndStrayLines) {
    std::string path = temp_path("map2");
    FILE* f = std::fopen(path.c_str(), "w");
    linkfile::write_totals_header(f);
    linkfile::write_totals_line(f, "noclass", true, 0, 0, 2);   // a psect outside any class
    linkfile::write_class_line(f, "CODE", false, 0, 0);
    linkfile::write_totals_line(f, "text", false, 0, 0, 2);     // no link address
    std::fprintf(f, "\n\nSEGMENTS\n");
    std::fclose(f);
    linkfile::map_table t;
    ASSERT_TRUE(linkfile::read_map_table(path, t));
    ASSERT_EQ(t.problems.size(), 2u);
    EXPECT_EQ(t.problems[0].what, 0);
    EXPECT_EQ(t.problems[1].what, 4);   // the words shift: no length at its position
    std::remove(path.c_str());
}

TEST(MapTable, NoTable) {
    std::string path = temp_path("map3");
    FILE* f = std::fopen(path.c_str(), "w");
    std::fprintf(f, "nothing here\n");
    std::fclose(f);
    linkfile::map_table t;
    ASSERT_TRUE(linkfile::read_map_table(path, t));
    EXPECT_FALSE(t.found);
    EXPECT_FALSE(linkfile::read_map_table(temp_path("absent_map"), t));
    std::remove(path.c_str());
}

}  // namespace
