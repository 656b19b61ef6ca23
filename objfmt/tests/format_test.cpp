// Byte-exact tests of the object record format: byte-order maps, framing, merging of
// entries, bounded decoding and a round trip of every record type in both byte orders.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "common/alert.h"
#include "objfmt/dump/dump.h"
#include "objfmt/objfmt.h"
#include "objfmt/record_io.h"
#include "objfmt/records.h"
#include "testsupport/message_capture.h"

using namespace obj;
using bytes = std::vector<uint8_t>;

TEST(ByteOrder, AccessorsFollowTheMaps) {
    uint8_t b[4];
    put_long(byte_order::little(), b, 0x11223344);
    EXPECT_EQ(bytes(b, b + 4), (bytes{0x44, 0x33, 0x22, 0x11}));
    put_long(byte_order::big(), b, 0x11223344);
    EXPECT_EQ(bytes(b, b + 4), (bytes{0x11, 0x22, 0x33, 0x44}));
    EXPECT_EQ(get_long(byte_order::big(), b), 0x11223344u);
    put_word(byte_order::big(), b, 0xABCD);
    EXPECT_EQ(b[0], 0xAB);
    EXPECT_EQ(b[1], 0xCD);
    EXPECT_EQ(get_word(byte_order::big(), b), 0xABCD);
    // A big-endian object stores a 3-byte fixup field most significant byte first.
    put_triple(byte_order::big(), b, 0x123456);
    EXPECT_EQ(bytes(b, b + 3), (bytes{0x12, 0x34, 0x56}));
    EXPECT_EQ(get_triple(byte_order::big(), b), 0x123456u);
    put_triple(byte_order::little(), b, 0x123456);
    EXPECT_EQ(bytes(b, b + 3), (bytes{0x56, 0x34, 0x12}));
    EXPECT_EQ(get_triple(byte_order::little(), b), 0x123456u);
    // A mixed map (word-swapped) applies position by position.
    byte_order mixed{{2, 3, 0, 1}, {0, 1}};
    put_long(mixed, b, 0x11223344);
    EXPECT_EQ(bytes(b, b + 4), (bytes{0x22, 0x11, 0x44, 0x33}));
    EXPECT_TRUE(mixed.valid());
    EXPECT_FALSE((byte_order{{0, 0, 1, 2}, {0, 1}}).valid());
}

TEST(Framing, HeaderIsLittleEndianWhateverTheBodyOrder) {
    bytes out;
    record_writer w(&out);
    body_builder b(byte_order::big());
    encode_start(b, {0x1234, "text"});
    ASSERT_TRUE(w.write_record(START, b.data()));
    EXPECT_EQ(out, (bytes{9, 0, START, 0, 0, 0x12, 0x34, 't', 'e', 'x', 't', 0}));
}

TEST(Framing, BodyLimitIs509) {
    bytes out;
    record_writer w(&out);
    EXPECT_TRUE(w.write_record(LR_TEXT, bytes(509, 'x')));
    EXPECT_FALSE(w.write_record(LR_TEXT, bytes(510, 'x')));
    // A hand-made record of 510 bytes is refused by the reader and stepped over.
    out.insert(out.end(), {0xFE, 0x01, LR_TEXT});
    out.insert(out.end(), 510, 'y');
    out.insert(out.end(), {2, 0, END, 0, 0});
    record_reader r(out.data(), out.size());
    record rec;
    EXPECT_EQ(r.next(rec), read_status::ok);
    EXPECT_EQ(rec.body.size(), 509u);
    EXPECT_EQ(r.next(rec), read_status::too_long);
    EXPECT_EQ(rec.length, 510);
    EXPECT_TRUE(rec.body.empty());
    EXPECT_EQ(r.next(rec), read_status::ok);
    EXPECT_EQ(rec.type, END);
    EXPECT_EQ(r.next(rec), read_status::end_of_input);
}

TEST(Framing, BadTypesAndTruncation) {
    bytes in{0, 0, 0};
    record rec;
    EXPECT_EQ(record_reader(in.data(), in.size()).next(rec), read_status::bad_type);
    in = {0, 0, 21};
    EXPECT_EQ(record_reader(in.data(), in.size()).next(rec), read_status::bad_type);
    EXPECT_EQ(rec.type, 21);
    in = {5, 0};
    EXPECT_EQ(record_reader(in.data(), in.size()).next(rec), read_status::short_header);
    in = {5, 0, TEXT, 1, 2};
    EXPECT_EQ(record_reader(in.data(), in.size()).next(rec), read_status::short_body);
    EXPECT_EQ(rec.body.size(), 2u);
    EXPECT_EQ(rec.length, 5);
    // A reader with a lower type limit (ormtrim's 18) refuses CONDEXPR.
    in = {1, 0, CONDEXPR, 0};
    EXPECT_EQ(record_reader(in.data(), in.size(), max_body, 18).next(rec), read_status::bad_type);
}

TEST(Merging, EntriesShareRecordsUpTo509Bytes) {
    bytes out;
    record_writer w(&out);
    body_builder e;
    // Each entry: 8 + 4 ("text") + 9 ("sym_0000_") = 21 bytes... sized to overflow 509.
    std::vector<sym_entry> syms;
    for (int i = 0; i < 30; ++i) {
        char name[16];
        std::snprintf(name, sizeof name, "sym_%04d_", i);
        syms.push_back({uint32_t(i), SYM_GLOBAL, 0, "text", name});
    }
    uint32_t entry = sym_entry_size(syms[0]);
    ASSERT_EQ(entry, 8u + 4 + 1 + 9 + 1 - 2);
    for (const sym_entry& s : syms) {
        e.clear();
        encode_sym_entry(e, s);
        ASSERT_EQ(e.size(), entry);
        ASSERT_TRUE(w.add_entry(SYM, e.data()));
    }
    // A signature entry of another type closes the SYM record.
    e.clear();
    encode_signat_entry(e, {0x4E21, "_main"});
    w.add_entry(SIGNAT, e.data());
    w.flush();

    record_reader r(out.data(), out.size());
    record rec;
    std::vector<sym_entry> back;
    int sym_records = 0;
    while (r.next(rec) == read_status::ok) {
        EXPECT_LE(rec.body.size(), max_body);
        if (rec.type != SYM) {
            EXPECT_EQ(rec.type, SIGNAT);
            EXPECT_EQ(rec.body, (bytes{0x21, 0x4E, '_', 'm', 'a', 'i', 'n', 0}));
            continue;
        }
        ++sym_records;
        EXPECT_EQ(rec.body.size() % entry, 0u);
        body_cursor c(rec.body.data(), rec.body.size(), byte_order());
        while (!c.at_end()) {
            sym_entry s;
            ASSERT_TRUE(decode_sym_entry(c, s));
            back.push_back(s);
        }
    }
    const uint32_t per_record = max_body / entry;
    EXPECT_EQ(sym_records, int((30 + per_record - 1) / per_record));
    ASSERT_EQ(back.size(), syms.size());
    for (size_t i = 0; i < syms.size(); ++i) {
        EXPECT_EQ(back[i].name, syms[i].name);
        EXPECT_EQ(back[i].value, syms[i].value);
    }
}

TEST(Decoding, EveryReadStaysInsideTheBody) {
    testsupport::message_capture messages;
    // A SYM entry whose symbol name has no NUL.
    bytes body{0, 0, 0, 0, 0x10, 0, 't', 0, 'a', 'b'};
    body_cursor c(body.data(), body.size(), byte_order());
    sym_entry s;
    EXPECT_FALSE(decode_sym_entry(c, s));
    // A TEXT body shorter than its offset field.
    body = {1, 2};
    body_cursor t(body.data(), body.size(), byte_order());
    text_rec tr;
    EXPECT_FALSE(decode_text(t, tr));
    // A RELOC whose expression constant runs past the end.
    body = {0, 0, 0x32, EX_CONST, 1, 2};
    body_cursor x(body.data(), body.size(), byte_order());
    reloc_entry re;
    EXPECT_FALSE(decode_reloc_entry(x, re));
    // An expression without its end operator.
    body = {0, 0, 0x32, EX_SYM, 'a', 0, EX_LOW};
    body_cursor y(body.data(), body.size(), byte_order());
    EXPECT_FALSE(decode_reloc_entry(y, re));
    // An FNINFO kind above 9.
    body = {10, 'f', 0};
    body_cursor f(body.data(), body.size(), byte_order());
    fninfo_entry fe;
    EXPECT_FALSE(decode_fninfo_entry(f, fe));
    EXPECT_EQ(fe.kind, 10);
    // An IDENT without version bytes is version 0.0; a machine name without NUL is bad.
    ident_rec id;
    body = {0, 1, 2, 3, 0, 1, 'P', 0};
    ASSERT_TRUE(decode_ident(body, id));
    EXPECT_FALSE(id.has_version);
    EXPECT_EQ(id.version(), 0u);
    body = {0, 1, 2, 3, 0, 1, 'P'};
    EXPECT_FALSE(decode_ident(body, id));
}

TEST(Decoding, ExpressionOperandsAreNotOperators) {
    // Constant 0 and a name holding byte 18 must not end the expression early.
    expr_builder e;
    e.constant(0).op_name(EX_SYM, "a\x12").op(EX_ADD).end();
    bytes body{4, 0, 0x32};
    body.insert(body.end(), e.data().begin(), e.data().end());
    body.push_back(0xEE);   // the next entry's first byte
    body_cursor c(body.data(), body.size(), byte_order());
    reloc_entry re;
    ASSERT_TRUE(decode_reloc_entry(c, re));
    EXPECT_EQ(re.expr, e.data());
    EXPECT_EQ(c.remaining(), 1u);
    EXPECT_EQ(expr_text(re.expr.data(), re.expr.size(), byte_order()),
              "const 0x0 sym a\x12 add end");
    // A range check ends an expression with no end operator after it.
    expr_builder r;
    r.symbol("v").constant(0x7F).op_name(EX_RANGE_NAME, "v").op(EX_RANGE);
    body_cursor rc(r.data().data(), r.data().size(), byte_order());
    EXPECT_EQ(rc.expression().size(), r.data().size());
    EXPECT_FALSE(rc.failed());
}

// Writes one module with every record type in the given order and reads it back.
static void round_trip(const byte_order& order) {
    bytes out;
    record_writer w(&out);
    body_builder b(order);
    ident_rec id{order, "PIC14", true, 3, 7};
    encode_ident(b, id);
    w.write_record(IDENT, b.data());
    b.clear();
    encode_psect(b, {PSECT_GLOBAL | PSECT_BIT, "rbit_0"});
    w.write_record(PSECT, b.data());
    b.clear();
    xpsect_rec xp;
    xp.max_size = 0x800;
    xp.align = 2;
    xp.space = 1;
    xp.delta = 2;
    xp.name = "text0";
    xp.cls = "CODE";
    xp.with = "ctext0";
    xp.has_class = xp.has_with = true;
    encode_xpsect(b, xp);
    w.write_record(XPSECT, b.data());
    b.clear();
    encode_text(b, {0x12345, "text0", {0x8A, 0x01, 0xFF, 0x3F}});
    w.write_record(TEXT, b.data());
    b.clear();
    encode_reloc_entry(b, {0, 0x22, "_foo", {}});
    expr_builder ex(order);
    ex.constant(0x7FF).symbol("_bar").op(EX_AND).end();
    encode_reloc_entry(b, {2, 0x32, "", ex.data()});
    w.write_record(RELOC, b.data());
    b.clear();
    encode_sym_entry(b, {0x10, SYM_GLOBAL, 0, "text0", "_main"});
    encode_sym_entry(b, {0, SYM_EXTERN | SYM_GLOBAL, 0, "", "_foo"});
    w.write_record(SYM, b.data());
    b.clear();
    encode_signat_entry(b, {0x79F8, "_main"});
    w.write_record(SIGNAT, b.data());
    b.clear();
    encode_fnconf(b, {"rbss_0", "?a", "?", true, 7});
    w.write_record(FNCONF, b.data());
    b.clear();
    encode_fninfo_entry(b, {FN_CALL, "_main", "_foo", 0, 0, 0, 0});
    encode_fninfo_entry(b, {FN_SIZE, "_main", "", 0, 0, 3, 0x10002});
    encode_fninfo_entry(b, {FN_INDIR, "_main", "", 0x1234, 0, 0, 0});
    encode_fninfo_entry(b, {FN_SETLINK, "", "", 5, 6, 0, 0});
    encode_fninfo_entry(b, {FN_ROOT, "_main", "", 0, 0, 0, 0});
    w.write_record(FNINFO, b.data());
    b.clear();
    encode_psectlim(b, {0x100, "text0"});
    w.write_record(PSECTLIM, b.data());
    b.clear();
    encode_dabs_entry(b, {1, 0x20, 4});
    w.write_record(DABS, b.data());
    b.clear();
    encode_segment_entry(b, {0x10, 0x20, 3, 0, 0x30, "text0"});
    w.write_record(SEGMENT, b.data());
    b.clear();
    encode_start(b, {0, "init"});
    w.write_record(START, b.data());
    w.write_record(END, bytes{0, 0});

    std::vector<record> recs;
    ASSERT_TRUE(read_module(out.data(), out.size(), recs));
    ASSERT_EQ(recs.size(), 14u);
    ident_rec id2;
    ASSERT_TRUE(decode_ident(recs[0].body, id2));
    EXPECT_EQ(id2.order, order);
    EXPECT_EQ(id2.machine, "PIC14");
    EXPECT_EQ(id2.version(), 0x307u);
    auto cur = [&](int i) { return body_cursor(recs[i].body.data(), recs[i].body.size(), order); };
    {
        body_cursor c = cur(2);
        xpsect_rec x;
        ASSERT_TRUE(decode_xpsect(c, x));
        EXPECT_EQ(x.max_size, 0x800u);
        EXPECT_EQ(x.delta, 2);
        EXPECT_EQ(x.cls, "CODE");
        EXPECT_EQ(x.with, "ctext0");
    }
    {
        body_cursor c = cur(3);
        text_rec t;
        ASSERT_TRUE(decode_text(c, t));
        EXPECT_EQ(t.offset, 0x12345u);
        EXPECT_EQ(t.data, (bytes{0x8A, 0x01, 0xFF, 0x3F}));
    }
    {
        body_cursor c = cur(4);
        reloc_entry r1, r2;
        ASSERT_TRUE(decode_reloc_entry(c, r1));
        ASSERT_TRUE(decode_reloc_entry(c, r2));
        EXPECT_TRUE(c.at_end());
        EXPECT_EQ(r1.target, "_foo");
        EXPECT_EQ(r2.offset, 2);
        EXPECT_EQ(expr_text(r2.expr.data(), r2.expr.size(), order), "const 0x7FF sym _bar and end");
    }
    {
        body_cursor c = cur(8);
        fninfo_entry e;
        ASSERT_TRUE(decode_fninfo_entry(c, e));
        EXPECT_EQ(e.other, "_foo");
        ASSERT_TRUE(decode_fninfo_entry(c, e));
        EXPECT_EQ(e.kind, FN_SIZE);
        EXPECT_EQ(e.local_size, 3u);
        EXPECT_EQ(e.arg_size, 0x10002u);
        ASSERT_TRUE(decode_fninfo_entry(c, e));
        EXPECT_EQ(e.set, 0x1234);
        ASSERT_TRUE(decode_fninfo_entry(c, e));
        EXPECT_EQ(e.set_b, 6);
        ASSERT_TRUE(decode_fninfo_entry(c, e));
        EXPECT_EQ(e.kind, FN_ROOT);
        EXPECT_TRUE(c.at_end());
    }
    {
        body_cursor c = cur(7);
        fnconf_rec f;
        ASSERT_TRUE(decode_fnconf(c, f));
        EXPECT_TRUE(f.has_depth);
        EXPECT_EQ(f.depth, 7);
        EXPECT_EQ(f.local_prefix, "?a");
    }
    std::string text;
    ASSERT_TRUE(dump_object(out.data(), out.size(), text));
    EXPECT_NE(text.find("SYM _foo value=0x0 flags=0x16 psect=\n"), std::string::npos) << text;
    EXPECT_NE(text.find("PSECTLIM text0 limit=0x100"), std::string::npos) << text;
    EXPECT_NE(text.find("DABS space=1 address=0x20 size=0x4"), std::string::npos) << text;
    EXPECT_NE(text.find("FNINFO FNSIZE _main 3 65538"), std::string::npos) << text;
}

TEST(RoundTrip, EveryRecordLittleEndian) { round_trip(byte_order::little()); }
TEST(RoundTrip, EveryRecordBigEndian) { round_trip(byte_order::big()); }

TEST(RoundTrip, BigEndianBodyBytesAreExact) {
    body_builder b(byte_order::big());
    encode_sym_entry(b, {0x01020304, 0x0016, 0, "", "x"});
    EXPECT_EQ(b.data(), (bytes{1, 2, 3, 4, 0x00, 0x16, 0, 'x', 0}));
    body_builder l;
    encode_sym_entry(l, {0x01020304, 0x0016, 0, "", "x"});
    EXPECT_EQ(l.data(), (bytes{4, 3, 2, 1, 0x16, 0x00, 0, 'x', 0}));
}

TEST(Framing, ReadModuleReportsTheLinkerMessages) {
    testsupport::message_capture messages;
    std::vector<record> recs;
    bytes no_end{1, 0, LR_TEXT, 'x'};
    EXPECT_FALSE(read_module(no_end.data(), no_end.size(), recs));
    EXPECT_TRUE(messages.has(505));
    bytes short_body{4, 0, TEXT, 0, 0};
    EXPECT_FALSE(read_module(short_body.data(), short_body.size(), recs));
    EXPECT_TRUE(messages.has(502));
    bytes too_long{0xFE, 0x01, TEXT};
    EXPECT_FALSE(read_module(too_long.data(), too_long.size(), recs));
    EXPECT_TRUE(messages.has(506));
    // Everything after the first END is left for the next module.
    bytes two{0, 0, END, 0, 0, END};
    recs.clear();
    EXPECT_TRUE(read_module(two.data(), two.size(), recs));
    EXPECT_EQ(recs.size(), 1u);
}
