#include "common/lists/lists.h"

#include <gtest/gtest.h>

#include <cstdlib>

#include <string>
#include <vector>

#include "common/alloc.h"
#include "common/msgfile.h"

namespace {

using pairs = std::vector<std::pair<uint32_t, uint32_t>>;

pairs of(const addr_range* list) {
    pairs out;
    for (; list; list = list->next) out.emplace_back(list->low, list->high);
    return out;
}

std::string formatted(const mem_class* c) {
    char* text = class_format(c, "-A", c->name);
    std::string s = text;
    xfree(text);
    return s;
}

TEST(RangeAdd, PagedAddKeepsEveryPiece) {
    addr_range* list = nullptr;
    range_add(&list, 0, 0xFFF, 0x800, false);
    EXPECT_EQ(of(list), (pairs{{0, 0x7FF}, {0x800, 0xFFF}}));
    // A paged add that meets an existing range still adds its later pages and stays disjoint.
    addr_range* other = nullptr;
    range_add(&other, 0x100, 0x1FF, 0, false);
    range_add(&other, 0, 0x2FF, 0x100, false);
    EXPECT_EQ(of(other), (pairs{{0, 0xFF}, {0x100, 0x1FF}, {0x200, 0x2FF}}));
    range_list_free(list);
    range_list_free(other);
}

TEST(RangeAdd, MergeJoinsTouchingRangesOnlyWhenAsked) {
    addr_range* merged = nullptr;
    range_add(&merged, 0x20, 0x2F, 0, true);
    range_add(&merged, 0x30, 0x3F, 0, true);
    EXPECT_EQ(of(merged), (pairs{{0x20, 0x3F}}));
    addr_range* apart = nullptr;
    range_add(&apart, 0x20, 0x2F, 0, false);
    range_add(&apart, 0x30, 0x3F, 0, false);
    EXPECT_EQ(of(apart), (pairs{{0x20, 0x2F}, {0x30, 0x3F}}));
    range_list_free(merged);
    range_list_free(apart);
}

TEST(RangeAdd, OverlapsNeverCountTwice) {
    addr_range* list = nullptr;
    range_add(&list, 0x10, 0x1F, 0, false);
    range_add(&list, 0x40, 0x4F, 0, false);
    range_add(&list, 0x18, 0x44, 0, false);   // bridges both
    EXPECT_EQ(of(list), (pairs{{0x10, 0x4F}}));
    range_add(&list, 0x12, 0x14, 0, false);   // inside
    EXPECT_EQ(range_list_free_size(list), 0x40u);
}

TEST(RangeSubtract, ReservedAddressSplitsTheRange) {
    mem_space* spaces = nullptr;
    mem_space* data = space_add(&spaces, "data", "Data space", 2);
    mem_class* bank0 = class_get(data, "BANK0", 2, nullptr, 0);
    class_add_range(bank0, 0, 0x20, 0x7F, 0);
    class_add_range(bank0, 1, 0x70, 0x70, 0);
    addr_range* free_list = range_subtract(bank0->available, bank0->reserved);
    EXPECT_EQ(of(free_list), (pairs{{0x20, 0x6F}, {0x71, 0x7F}}));
    range_list_free(free_list);
    EXPECT_EQ(class_size(bank0), 0x5Fu);
    EXPECT_EQ(class_low(bank0), 0x20u);
    EXPECT_EQ(class_high(bank0), 0x7Fu);
    EXPECT_EQ(formatted(bank0), "-ABANK0=020h-06Fh,071h-07Fh");
    space_list_free(spaces);
}

TEST(RangeSubtract, TouchingAvailableRangesStaySeparate) {
    addr_range* available = nullptr;
    range_add(&available, 0, 0xFF, 0x80, false);
    addr_range* reserved = nullptr;
    range_add(&reserved, 0x10, 0x10, 0, false);
    addr_range* free_list = range_subtract(available, reserved);
    EXPECT_EQ(of(free_list), (pairs{{0, 0xF}, {0x11, 0x7F}, {0x80, 0xFF}}));
    range_list_free(free_list);
    range_list_free(available);
    range_list_free(reserved);
}

TEST(RangeIntersect, KeepsOverlapsOnly) {
    addr_range* a = nullptr;
    addr_range* b = nullptr;
    range_add(&a, 0, 0x7F, 0, false);
    range_add(&a, 0x100, 0x17F, 0, false);
    range_add(&b, 0x40, 0x13F, 0, false);
    addr_range* both = range_intersect(a, b);
    EXPECT_EQ(of(both), (pairs{{0x40, 0x7F}, {0x100, 0x13F}}));
    range_list_free(a);
    range_list_free(b);
    range_list_free(both);
}

TEST(ClassFormat, RunsAddressTextAndPages) {
    mem_space* spaces = nullptr;
    mem_space* code = space_add(&spaces, "code", "Program space", 3);
    mem_class* c = class_get(code, "CODE", 3, nullptr, 0);
    class_add_range(c, 0, 0, 0xFFF, 0x800);
    EXPECT_EQ(formatted(c), "-ACODE=00h-07FFhx2");
    mem_class* k = class_get(code, "CONST", 3, nullptr, 0);
    class_add_range(k, 0, 0, 0x3FF, 0x100);
    class_add_range(k, 1, 0, 0xF, 0);
    EXPECT_EQ(formatted(k), "-ACONST=010h-0FFh,0100h-01FFhx3");
    mem_space* ee = space_add(&spaces, "eedata", "EEPROM space", 2);
    mem_class* e = class_get(ee, "EEDATA", 2, "02100h", 0);
    class_add_range(e, 0, 0, 0xFF, 0);
    EXPECT_EQ(formatted(e), "-AEEDATA=00h-0FFh/02100h");
    mem_class* entry = class_get(code, "ENTRY", 3, nullptr, 256);
    class_add_range(entry, 0, 0, 0x3FF, 0x200);
    EXPECT_EQ(formatted(entry), "-AENTRY=00h-0FFh-01FFh,0200h-02FFh-03FFh");
    // A class found again keeps its own kind and values.
    EXPECT_EQ(class_get(code, "ENTRY", 2, nullptr, 0)->page, 256);
    mem_class* none = class_get(code, "NONE", 3, nullptr, 0);
    EXPECT_EQ(formatted(none), "");
    EXPECT_EQ(class_find(spaces, "EEDATA"), e);
    EXPECT_EQ(space_find(spaces, "EEDATA"), ee);
    space_list_free(spaces);
}

struct recorded {
    pairs added, reserved;
};
void rec_add(void* c, uint32_t lo, uint32_t hi) { static_cast<recorded*>(c)->added.emplace_back(lo, hi); }
void rec_reserve(void* c, uint32_t lo, uint32_t hi) { static_cast<recorded*>(c)->reserved.emplace_back(lo, hi); }

TEST(ParseRangeList, SignsCarryOverToUnsignedItems) {
    recorded r;
    EXPECT_EQ(parse_range_list("-0-FF,200-2FF", &r, rec_add, rec_reserve), 1);
    EXPECT_TRUE(r.added.empty());
    EXPECT_EQ(r.reserved, (pairs{{0, 0xFF}, {0x200, 0x2FF}}));
    recorded s;
    EXPECT_EQ(parse_range_list("+10-1F,-20-2F", &s, rec_add, rec_reserve), 1);
    EXPECT_EQ(s.added, (pairs{{0x10, 0x1F}}));
    EXPECT_EQ(s.reserved, (pairs{{0x20, 0x2F}}));
    recorded t;
    EXPECT_EQ(parse_range_list("20-10", &t, rec_add, rec_reserve), 0);
    EXPECT_EQ(parse_range_list("20-3G", &t, rec_add, rec_reserve), 0);
    EXPECT_EQ(parse_range_list("0x20-30", &t, rec_add, rec_reserve), 0);
}

TEST(ParseAddress, PrefixesAndSuffixes) {
    auto read = [](const char* text, uint32_t& out) {
        const char* p = text;
        return parse_address(&p, &out);
    };
    uint32_t v = 0;
    EXPECT_EQ(read("0x1F", v), 0);
    EXPECT_EQ(v, 0x1Fu);
    EXPECT_EQ(read("1FH", v), 0);
    EXPECT_EQ(v, 0x1Fu);
    EXPECT_EQ(read("17O", v), 0);
    EXPECT_EQ(v, 15u);
    EXPECT_EQ(read("12D", v), 0);
    EXPECT_EQ(v, 12u);
    EXPECT_EQ(read("100", v), 0);
    EXPECT_EQ(v, 100u);
    EXPECT_EQ(read("1F", v), 1);
    EXPECT_EQ(read("", v), 1);
}

TEST(ClassParseSpec, RepeatsArePages) {
    mem_space* spaces = nullptr;
    mem_space* code = space_add(&spaces, "code", "Program space", 3);
    mem_class* c = class_get(code, "CODE", 3, nullptr, 0);
    const char* text = "CODE=0-7FFhx2,2000h-2003h";
    EXPECT_EQ(class_parse_spec(c, &text), 1);
    EXPECT_EQ(of(c->available), (pairs{{0, 0x7FF}, {0x800, 0xFFF}, {0x2000, 0x2003}}));
    EXPECT_EQ(formatted(c), "-ACODE=00h-07FFhx2,02000h-02003h");
    space_list_free(spaces);
}

TEST(ClassParseSpecDeathTest, MalformedSpecsStop) {
    mem_space* spaces = nullptr;
    mem_class* c = class_get(space_add(&spaces, "code", "Program space", 3), "CODE", 3, nullptr, 0);
    auto parse = [c](const char* text) { class_parse_spec(c, &text); exit(0); };
    EXPECT_EXIT(parse("CODE=0-"), ::testing::ExitedWithCode(1), "\\(445\\)");
    EXPECT_EXIT(parse("CODE=0+7"), ::testing::ExitedWithCode(1), "\\(444\\)");
    EXPECT_EXIT(parse("CODE=0-7*0"), ::testing::ExitedWithCode(1), "\\(448\\)");
    space_list_free(spaces);
}

TEST(PsectEntries, DescriptionsAndUpdates) {
    mem_space* spaces = nullptr;
    mem_space* code = space_add(&spaces, "code", "Program space", 3);
    mem_class* c = class_get(code, "CODE", 3, nullptr, 0);
    class_add_psect(c, "text", 3, "Program and library code", 0, 0, 0);
    class_add_psect(c, "idata_0", 3, "Bank 0 data (ROM image)", 0, 0, 0);
    psect_entry* t = class_add_psect(c, "text12", 0, nullptr, 0x20, 0x20, 5);
    ASSERT_NE(t->description, nullptr);
    EXPECT_STREQ(t->description, "Program and library code");
    // Digits after an underscore belong to the name.
    psect_entry* i1 = class_add_psect(c, "idata_1", 0, nullptr, 0, 0, 3);
    EXPECT_EQ(i1->description, nullptr);
    psect_entry* again = class_add_psect(c, "text", 0, nullptr, 0x10, 0x10, 8);
    EXPECT_EQ(again->size, 8u);
    EXPECT_EQ(again->number, 3);
    psect_entry* second = class_add_psect(c, "text", 0, nullptr, 0x40, 0x40, 2);
    EXPECT_NE(second, again);
    EXPECT_EQ(psect_value(c, "text"), 3);
    class_sort_psects(c, 1);
    EXPECT_EQ(c->psects->size, 0u);
    EXPECT_DOUBLE_EQ(percent(1, 4), 25.0);
    EXPECT_DOUBLE_EQ(percent(1, 0), 0.0);
    space_list_free(spaces);
}

}  // namespace
