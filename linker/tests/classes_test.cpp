// Memory classes and address ranges: the number syntax, the class options, range arithmetic
// and chain allocation.
#include <gtest/gtest.h>

#include "linker/tests/fresh_link.h"
#include "testsupport/message_capture.h"
#include "linker/classes.h"
#include "linker/link.h"
#include "linker/symtab.h"

namespace lnk {
namespace {

class Classes : public testing::Test {
protected:
    context cx;   // the run state under test
    void SetUp() override { testobj::fresh_link(cx); }
    name_entry* cls(const char* name) { return link_sym_lookup(cx, name, KIND_CLASS); }
    psect_rec* psect(const char* name, const char* class_name, uint32_t size) {
        psect_rec* r = sym_enter(cx, name, KIND_GLOBAL_PSECT)->rec;
        r->cls = cls(class_name);
        r->size = size;
        return r;
    }
};

uint32_t number(const char* text, bool* ok = nullptr, const char** rest = nullptr) {
    uint32_t v = 0xDEADBEEF;
    const char* p = text;
    bool good = parse_number(p, v);
    if (ok) *ok = good;
    if (rest) *rest = p;
    return good ? v : 0xDEADBEEF;
}

TEST(NumberSyntax, RadixLettersAndPrefix) {
    EXPECT_EQ(number("10"), 10u);
    EXPECT_EQ(number("10h"), 16u);
    EXPECT_EQ(number("10H"), 16u);
    EXPECT_EQ(number("0x10"), 16u);
    EXPECT_EQ(number("0X1d"), 0x1Du);     // with the prefix a trailing d is a digit
    EXPECT_EQ(number("17o"), 15u);
    EXPECT_EQ(number("17Q"), 15u);
    EXPECT_EQ(number("12d"), 12u);
    EXPECT_EQ(number("7FFh"), 0x7FFu);
    EXPECT_EQ(number("0FFFFFFFFh"), 0xFFFFFFFFu);
    EXPECT_EQ(number("100000000h"), 0u);  // wraps in 32 bits
}

TEST(NumberSyntax, InvalidNumbersAndWhereTheyEnd) {
    bool ok = true;
    number("A0", &ok);                    // hexadecimal digits need the h
    EXPECT_FALSE(ok);
    number("8o", &ok);
    EXPECT_FALSE(ok);
    number("x1", &ok);
    EXPECT_FALSE(ok);
    number("d", &ok);
    EXPECT_FALSE(ok);
    const char* rest = nullptr;
    EXPECT_EQ(number("20-7Fh", &ok, &rest), 20u);
    EXPECT_STREQ(rest, "-7Fh");
    EXPECT_EQ(number("7Fh*4", &ok, &rest), 0x7Fu);
    EXPECT_STREQ(rest, "*4");
}

TEST_F(Classes, RepeatedBanksAndOverlaidPages) {
    parse_class_ranges(cx, "CODE=0-7FFh*4");
    const range_list& code = cls("CODE")->rec->ranges;
    ASSERT_EQ(code.size(), 4u);
    for (uint32_t k = 0; k < 4; ++k) {
        EXPECT_EQ(code[k].low, k * 0x800);
        EXPECT_EQ(code[k].length, 0x800u);
        EXPECT_EQ(code[k].load, k * 0x800);
    }
    parse_class_ranges(cx, "BANK=20h-7Fh/120h*2");
    const range_list& bank = cls("BANK")->rec->ranges;
    ASSERT_EQ(bank.size(), 2u);
    EXPECT_EQ(bank[0].low, 0x20u);
    EXPECT_EQ(bank[1].low, 0x20u);
    EXPECT_EQ(bank[0].load, 0x120u);
    EXPECT_EQ(bank[1].load, 0x180u);
    ASSERT_EQ(cx.places.class_list.size(), 2u);
    EXPECT_EQ(cx.places.class_list[0], cls("CODE"));
}

TEST_F(Classes, OverrunListsAndDuplicates) {
    parse_class_ranges(cx, "RAM=20h-6Fh-7Fh,0A0h-0EFh");
    parse_class_ranges(cx, "RAM=20h-6Fh-7Fh");   // the same spec again adds nothing
    const range_list& ram = cls("RAM")->rec->ranges;
    ASSERT_EQ(ram.size(), 2u);
    EXPECT_EQ(ram[0].overrun, 0x10u);
    EXPECT_EQ(ram[1].length, 0x50u);
    EXPECT_TRUE(cls("RAM")->rec->has_ranges);
}

TEST_F(Classes, BadClassOptionsAreFatal) {
    EXPECT_EXIT(parse_class_ranges(cx, "CODE"), testing::ExitedWithCode(1), "");
    EXPECT_EXIT(parse_class_ranges(cx, "CODE=0"), testing::ExitedWithCode(1), "");
    EXPECT_EXIT(parse_class_ranges(cx, "CODE=0-7Fh;"), testing::ExitedWithCode(1), "");
    EXPECT_EXIT(parse_class_ranges(cx, "CODE=0-7Fh*z"), testing::ExitedWithCode(1), "");
    EXPECT_EXIT(parse_class_size(cx, "CODE=0"), testing::ExitedWithCode(1), "");
    EXPECT_EXIT(parse_class_delta(cx, "CODE=0"), testing::ExitedWithCode(1), "");
    EXPECT_EXIT(parse_selector_option(cx, "x"), testing::ExitedWithCode(1), "");
}

TEST_F(Classes, SizeDeltaAndClassPairs) {
    parse_class_size(cx, "CODE=800h,10h,2000h");
    parse_class_size(cx, "CODE=400h,8");
    psect_rec* c = cls("CODE")->rec;
    EXPECT_EQ(c->max_size, 0x400u);   // smallest kept
    EXPECT_EQ(c->align, 0x10u);       // largest kept
    EXPECT_EQ(c->limit, 0x2000u);
    parse_class_delta(cx, "CODE=2");
    EXPECT_EQ(c->delta, 2);
    EXPECT_TRUE(cx.places.scaled);
    testsupport::message_capture m;
    parse_class_assign(cx, "text=CODE");
    parse_class_assign(cx, "text=CODE");
    EXPECT_FALSE(m.has(484));
    parse_class_assign(cx, "text=DATA");
    EXPECT_TRUE(m.has(484));
    EXPECT_EQ(class_pair_for(cx, "text")->cls, "CODE");
}

TEST_F(Classes, SelectorExpressions) {
    psect_rec* p = sym_enter(cx, "p", KIND_GLOBAL_PSECT)->rec;
    p->align = 0x100;
    EXPECT_EQ(segment_selector(cx, 3, p, 0x1200, 0x200), 0x12u);   // load over alignment
    parse_selector_option(cx, "A/100h+1");
    EXPECT_EQ(segment_selector(cx, 3, p, 0x1200, 0x200), 0x13u);
    cx.places.selector_expr = "N*2";
    EXPECT_EQ(segment_selector(cx, 3, p, 0x1200, 0x200), 6u);
    p->selector = 9;
    EXPECT_EQ(segment_selector(cx, 3, p, 0x1200, 0x200), 9u);
}

// The five ways a stretch meets a range, and the overrun case.
TEST_F(Classes, RangeSubtraction) {
    parse_class_ranges(cx, "R=10h-1Fh-2Fh");
    range_list base = cls("R")->rec->ranges;
    auto cut = [&](uint32_t from, uint32_t to) {
        range_list l = base;
        subtract_range(cx, l, from, to, 0);
        return l;
    };
    range_list all = cut(0x10, 0x20);
    EXPECT_EQ(all[0].length, 0u);
    EXPECT_EQ(all[0].overrun, 0u);
    range_list front = cut(0x8, 0x14);
    EXPECT_EQ(front[0].load, 0x14u);
    EXPECT_EQ(front[0].low, 0x14u);
    EXPECT_EQ(front[0].length, 0xCu);
    range_list back = cut(0x18, 0x40);
    EXPECT_EQ(back[0].length, 8u);
    EXPECT_EQ(back[0].overrun, 0u);
    range_list split = cut(0x14, 0x18);
    ASSERT_EQ(split.size(), 2u);
    EXPECT_EQ(split[0].length, 4u);
    EXPECT_EQ(split[0].overrun, 0u);
    EXPECT_EQ(split[1].load, 0x18u);
    EXPECT_EQ(split[1].low, 0x18u);
    EXPECT_EQ(split[1].length, 8u);
    EXPECT_EQ(split[1].overrun, 0x10u);
    range_list over = cut(0x24, 0x30);
    EXPECT_EQ(over[0].length, 0x10u);
    EXPECT_EQ(over[0].overrun, 4u);
    range_list apart = cut(0x40, 0x50);
    EXPECT_EQ(apart[0].length, 0x10u);
    EXPECT_EQ(apart[0].overrun, 0x10u);
    range_list other_space = base;
    subtract_range(cx, other_space, 0x10, 0x20, 1);
    EXPECT_EQ(other_space[0].length, 0x10u);
}

TEST_F(Classes, AllocationTakesTheFirstFittingRange) {
    parse_class_ranges(cx, "CODE=0-0Fh,10h-3Fh");
    build_master_list(cx);
    psect_rec* big = psect("big", "CODE", 0x20);
    ASSERT_TRUE(allocate_chain(cx, cx.places.master, big, 0, 0xFFFFFFFFu));
    EXPECT_EQ(big->load, 0x10u);
    EXPECT_EQ(big->state, place_state::tentative);
    psect_rec* small = psect("small", "CODE", 4);
    ASSERT_TRUE(allocate_chain(cx, cx.places.master, small, 0, 0xFFFFFFFFu));
    EXPECT_EQ(small->load, 0u);
    psect_rec* huge = psect("huge", "CODE", 0x40);
    range_list before = cx.places.master;
    EXPECT_FALSE(allocate_chain(cx, cx.places.master, huge, 0, 0xFFFFFFFFu));
    EXPECT_EQ(cx.places.master.size(), before.size());   // a failure leaves the list alone
    EXPECT_EQ(cx.places.master[0].length, before[0].length);
}

TEST_F(Classes, DeltaAndBitScaleUnits) {
    parse_class_ranges(cx, "CODE=0-7FFh");
    parse_class_ranges(cx, "BANK0=20h-7Fh");
    build_master_list(cx);
    psect_rec* code = psect("text", "CODE", 0x100);   // bytes; 80h words of delta 2
    code->delta = 2;
    ASSERT_TRUE(allocate_chain(cx, cx.places.master, code, 0, 0xFFFFFFFFu));
    EXPECT_EQ(code->alloc_words, 0x80u);
    psect_rec* bits = psect("rbit", "BANK0", 12);      // 12 bits in 2 bytes
    bits->bitscale = 8;
    ASSERT_TRUE(allocate_chain(cx, cx.places.master, bits, 0, 0xFFFFFFFFu));
    EXPECT_EQ(bits->load, 0x20u);
    EXPECT_EQ(bits->link, 0x100u);
    psect_rec* next = psect("rbss", "BANK0", 1);
    ASSERT_TRUE(allocate_chain(cx, cx.places.master, next, 0, 0xFFFFFFFFu));
    EXPECT_EQ(next->load, 0x22u);
}

TEST_F(Classes, AlignmentAndLowestAddress) {
    parse_class_ranges(cx, "RAM=21h-7Fh");
    build_master_list(cx);
    psect_rec* a = psect("a", "RAM", 4);
    a->align = 8;
    ASSERT_TRUE(allocate_chain(cx, cx.places.master, a, 0, 0xFFFFFFFFu));
    EXPECT_EQ(a->load, 0x28u);
    psect_rec* b = psect("b", "RAM", 4);
    ASSERT_TRUE(allocate_chain(cx, cx.places.master, b, 0x50, 0xFFFFFFFFu));
    EXPECT_EQ(b->load, 0x50u);
}

// The range into which another range of the space ends is filled from its top.
TEST_F(Classes, OverlappedRangeIsFilledFromItsTop) {
    parse_class_ranges(cx, "LOW=0-0Fh");
    parse_class_ranges(cx, "HIGH=8-1Fh");
    build_master_list(cx);
    ASSERT_EQ(cx.places.master.size(), 2u);
    EXPECT_FALSE(cx.places.master[0].top);
    EXPECT_TRUE(cx.places.master[1].top);
    psect_rec* h = psect("h", "HIGH", 4);
    ASSERT_TRUE(allocate_chain(cx, cx.places.master, h, 0, 0xFFFFFFFFu));
    EXPECT_EQ(h->load, 0x1Cu);
    psect_rec* l = psect("l", "LOW", 4);
    ASSERT_TRUE(allocate_chain(cx, cx.places.master, l, 0, 0xFFFFFFFFu));
    EXPECT_EQ(l->load, 0u);
}

// Members that do not fit in their order are tried from the last to the first.
TEST_F(Classes, ChainRetriesMembersInReverseOrder) {
    parse_class_ranges(cx, "C=20h-23h,10h-11h");
    build_master_list(cx);
    psect_rec* head = psect("head", "C", 0);
    psect_rec* m1 = psect("m1", "C", 2);
    psect_rec* m2 = psect("m2", "C", 4);
    head->members = {m1, m2};
    ASSERT_TRUE(allocate_chain(cx, cx.places.master, head, 0, 0xFFFFFFFFu));
    EXPECT_EQ(m2->load, 0x20u);
    EXPECT_EQ(m1->load, 0x10u);
    EXPECT_EQ(m1->state, place_state::tentative);
    finish_chain(cx, head);
    EXPECT_EQ(m1->state, place_state::finished);
    EXPECT_EQ(m2->state, place_state::finished);
    // A third member that fits in neither order fails the whole chain and resets it.
    build_master_list(cx);
    for (psect_rec* p : {head, m1, m2}) p->state = place_state::unplaced;
    psect_rec* m3 = psect("m3", "C", 2);
    head->members.push_back(m3);
    m2->size = 5;
    EXPECT_FALSE(allocate_chain(cx, cx.places.master, head, 0, 0xFFFFFFFFu));
    EXPECT_EQ(m1->state, place_state::unplaced);
    EXPECT_EQ(head->state, place_state::unplaced);
}

TEST_F(Classes, MembersStayInsideTheBlock) {
    parse_class_ranges(cx, "C=0-3Fh");
    build_master_list(cx);
    psect_rec* head = psect("head", "C", 0x8);
    head->max_size = 0x10;
    psect_rec* m = psect("m", "C", 0x10);   // cannot share head's 10h block
    head->members = {m};
    EXPECT_FALSE(allocate_chain(cx, cx.places.master, head, 0, 0xFFFFFFFFu));
    m->size = 8;
    ASSERT_TRUE(allocate_chain(cx, cx.places.master, head, 0, 0xFFFFFFFFu));
    EXPECT_EQ(head->load / 0x10, m->load / 0x10);
}

TEST_F(Classes, PlaceInClassReportsAPsectTooLarge) {
    parse_class_ranges(cx, "BANK1=0A0h-0EFh");
    build_master_list(cx);
    psect_rec* p = psect("rbss_1", "BANK0", 0x60);
    testsupport::message_capture m;
    uint32_t link = 0, load = 0;
    EXPECT_FALSE(place_in_class(cx, cls("BANK1"), p, 0, link, load));
    EXPECT_TRUE(m.has(491));
    EXPECT_TRUE(p->failed);
    EXPECT_EQ(p->cls, nullptr);   // class restored
    p->size = 0x10;
    p->failed = false;
    ASSERT_TRUE(place_in_class(cx, cls("BANK1"), p, 0, link, load));
    EXPECT_EQ(link, 0xA0u);
    EXPECT_EQ(p->state, place_state::finished);
    ASSERT_EQ(cx.places.segments.size(), 1u);
    EXPECT_EQ(cx.places.segments[0].cls, "BANK1");
    EXPECT_TRUE(cls("BANK1")->rec->bounds_set);
    EXPECT_EQ(cls("BANK1")->rec->high_bound, 0xB0u);
}

TEST_F(Classes, SeventeenthSpaceIsRefusedOncePerAllocation) {
    testsupport::message_capture m;
    for (uint8_t s = 0; s < 16; ++s) raise_space(cx, s, 1);
    EXPECT_FALSE(m.has(525));
    raise_space(cx, 16, 1);
    raise_space(cx, 16, 2);
    EXPECT_EQ(m.count(525), 2);
    EXPECT_EQ(cx.places.spaces.size(), 16u);
}

TEST_F(Classes, AbsoluteDataLeavesTheMasterList) {
    parse_class_ranges(cx, "RAM=20h-7Fh");
    cx.places.dabs.push_back({0, 0x30, 0x10});
    build_master_list(cx);
    ASSERT_EQ(cx.places.master.size(), 2u);
    EXPECT_EQ(cx.places.master[0].length, 0x10u);
    EXPECT_EQ(cx.places.master[1].load, 0x40u);
}

}  // namespace
}  // namespace lnk
