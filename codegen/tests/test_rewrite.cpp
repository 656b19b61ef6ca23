// Rewriting, folding, call lowering and statement simplification over intermediate-code
// snippets: each case gives the statements of a function body and the statements that reach
// code generation, in prefix form (tree_dump), with the messages expected. Expected trees were
// worked out by hand from the target's widths (8-bit char, 16-bit int, 32-bit long).
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "codegen/context.h"
#include "codegen/tests/harness.h"

namespace {

// Globals every case may use.
const char* const prologue =
    "[v _x `i 1 e ]\n[v _y `i 1 e ]\n[v _u `ui 1 e ]\n[v _c `c 1 e ]\n[v _uc `uc 1 e ]\n[v _l `l 1 e ]\n"
    "[v _ul `ul 1 e ]\n[v _i `i 1 e ]\n[v _a `i -> 4 `ui e ]\n[v _vx `Vi 1 e ]\n[v _b `b 1 e ]\n"
    "[v _f1 `(i 0 ef1`i ]\n[v _fc `(i 0 ef1`c ]\n[v _f2 `(i 0 ef2`i`i ]\n[v _f0 `(i 0 ef ]\n"
    "[v _h `(i 0 ef4`c`i`c`l ]\n[v _v `(i 0 ev`i ]\n[v _vc `(i 0 ev`c ]\n[v _v2 `(i 0 e1v`c`i ]\n[v _old `(i 0 e ]\n"
    "[v F7 `(i 1 tv`c ]\n[v _vp `*F7 1 e ]\n"
    "[v F9 `(i 1 tf1`i ]\n[v F8 `(i 1 tf2`i`i ]\n[v _gp `*F8 1 e ]\n[v _z `S2 1 e ]\n[v _fp `*F9 1 e ]\n[v _tab `*F9 -> 3 `ui e ]\n"
    "[s S3 `i 1 `c 1 ]\n[v _st `S3 1 e ]\n[v _port `i 1 e@6 ]\n[v _p `*i 1 e ]\n[v _q `*i 1 e ]\n[v _t `(v 1 ef ]\n{\n[e :U _t ]\n[f ]\n";
const char* const epilogue = "[e :UE 1 ]\n}\n";

struct rewrite_case {
    const char* name;
    const char* body;                       // "[e ... ]" records
    std::vector<std::string> statements;    // what reaches code generation, in order
    std::vector<int> messages;              // numbers expected (others are not checked)
    int warning_level;
    std::vector<std::string> assembly;      // lines expected in the assembly output
    std::vector<int> absent;                // numbers that must not be reported

    rewrite_case(const char* n, const char* b, std::vector<std::string> s, std::vector<int> m, int level = 0,
                 std::vector<std::string> a = {}, std::vector<int> none = {})
        : name(n), body(b), statements(std::move(s)), messages(std::move(m)), warning_level(level),
          assembly(std::move(a)), absent(std::move(none)) {}
};

cgtest::run_result run_body(const char* body, int warning_level) {
    return cgtest::run_statements(std::string(prologue) + body + epilogue, warning_level);
}

// The statements of the body, without the function's own label and exit label.
std::vector<std::string> body_statements(const cgtest::run_result& r) {
    std::vector<std::string> got;
    for (size_t i = 1; i + 1 < r.statements.size(); ++i) got.push_back(r.statements[i]);
    return got;
}

void check(const rewrite_case& c) {
    cgtest::run_result r = run_body(c.body, c.warning_level);
    std::vector<std::string> got = body_statements(r);
    EXPECT_EQ(got, c.statements) << c.name;
    for (int m : c.messages) EXPECT_TRUE(r.has_message(m)) << c.name << ": message " << m;
    for (int m : c.absent) EXPECT_FALSE(r.has_message(m)) << c.name << ": message " << m;
    for (const std::string& line : c.assembly)
        EXPECT_FALSE(cgtest::lines_with(r.assembly, line).empty()) << c.name << ": " << line;
}

void check_all(const std::vector<rewrite_case>& cases) {
    for (const rewrite_case& c : cases) check(c);
}

TEST(rewrite, FoldsWithTheTargetWidths) {
    check_all({
        {"5 - 3", "[e = _x - -> 5 `i -> 3 `i ]\n", {"= _x 2"}, {}},
        {"int overflow wraps to 16 bits", "[e = _x << -> 1 `i -> 20 `i ]\n", {"= _x 0"}, {751}, -1},
        {"INT_MIN / -1 of int and long",
         "[e = _x / -> -32768 `i -> -1 `i ]\n[e = _l / -> -2147483648 `l -> -1 `l ]\n",
         {"= _x -32768", "= _l -2147483648"}, {}},
        {"shift by the width of long", "[e = _l << -> 1 `l -> 31 `l ]\n", {"= _l -2147483648"}, {}},
        {"division and remainder by zero keep the dividend",
         "[e = _x / -> 5 `i -> 0 `i ]\n[e = _x % -> 5 `i -> 0 `i ]\n", {"= _x 5", "= _x 5"}, {743}},
    });
}

TEST(rewrite, NormalisesSumsShiftsAndComparisons) {
    check_all({
        {"a - 5", "[e = _x - _y -> 5 `i ]\n", {"= _x + _y -5"}, {}},
        {"x + 1 + 2 and x + 2 - 2", "[e = _x + + _x -> 1 `i -> 2 `i ]\n[e = _x - + _x -> 2 `i -> 2 `i ]\n",
         {"=+ _x 3", "= _x _x"}, {}},
        {"&x - &x", "[e = _x -> - &U _x &U _x `i ]\n", {"= _x 0"}, {}},
        {"unsigned multiply and remainder by 8", "[e = _u * _u -> 8 `ui ]\n[e = _u % _u -> 8 `ui ]\n",
         {"=<< _u 3", "=& _u 7"}, {}},
        // A signed quotient or remainder rounds towards zero: no shift or mask.
        {"signed divide and remainder by 8", "[e = _x / _x -> 8 `i ]\n[e = _y % _x -> 8 `i ]\n",
         {"=/ _x 8", "= _y % _x 8"}, {}},
        {"shift of int by 20", "[e = _x >> _x -> 20 `i ]\n", {"= _x _x"}, {753}},
        {"unsigned below zero", "[e = _x -> < _u -> 0 `ui `i ]\n", {"= _x 0"}, {765}},
        {"c > 5 and 5 > c", "[e = _x -> > -> _c `i -> 5 `i `i ]\n[e = _x -> > -> 5 `i -> _c `i `i ]\n",
         {"= _x -> >= _c 6 `i", "= _x -> < _c 5 `i"}, {}},
        {"char against a constant it cannot hold", "[e = _x -> == -> _c `i -> 300 `i `i ]\n",
         {"= _x -> == -> _c `i 300 `i"}, {764}},
        {"unsigned char below 200", "[e = _x -> < -> _uc `i -> 200 `i `i ]\n", {"= _x -> < _uc 200 `i"}, {}},
        {"address of a placed variable", "[e = _x -> &U _port `i ]\n", {"= _x 6"}, {}},
        {"members become address arithmetic", "[e = _x . _st 0 ]\n[e = _c . _st 1 ]\n",
         {"= _x _st", "= _c *U + &U _st 2"}, {}},
        {"char arithmetic is done in char", "[e = _c -> + -> _c `i -> _uc `i `c ]\n", {"=+ _c _uc"}, {}},
        {"a narrowed shift keeps its count", "[e = _uc -> << -> _uc `i -> 3 `i `uc ]\n", {"=<< _uc 3"}, {}},
        {"a shift past the narrower width stays wide", "[e = _x -> << _l -> 20 `i `i ]\n",
         {"= _x -> << _l 20 `i"}, {}, 0, {}, {753}},
        {"y + y is read once", "[e = _x + _y _y ]\n", {"= _x << _y 1"}, {}},
        {"a volatile operand is read twice", "[e = _x + -> _vx `i -> _vx `i ]\n", {"= _x + _vx _vx"}, {}},
        {"!! of a bit and of an int", "[e = _x ! ! _b ]\n[e = _x ! ! _x ]\n", {"= _x _b", "= _x ! ! _x"}, {}},
        {"and with zero keeps the call", "[e = _x & ( _f0 .. -> 0 `i ]\n", {"( _f0 ..", "= _x 0"}, {}},
        {"constant condition of ?:", "[e = _x ? -> 1 `i : _x _y ]\n", {"= _x _x"}, {763}},
    });
}

// An EEPROM object wider than a byte is read and written whole: x = x + y stays an assignment
// (no rule updates it in place), while a byte in EEPROM still takes the compound form.
TEST(rewrite, WideEepromObjectsAreNotUpdatedInPlace) {
    const std::string decls = "[v _ew `Tui 1 e ]\n[v _eb `Tuc 1 e ]\n";
    cgtest::run_result r = cgtest::run_statements(
        decls + prologue + "[e = _ew + _ew -> 3 `ui ]\n[e = _eb -> + -> _eb `i -> 3 `i `Tuc ]\n" + epilogue, 0);
    EXPECT_EQ(body_statements(r), (std::vector<std::string>{"= _ew + _ew 3", "=+ _eb 3"}));
}

// An operation on values that all fit a narrower type is done in it, only where the result
// cannot differ; each case that stays wide shows the value that narrowing would change.
TEST(rewrite, NarrowsOperationsOnNarrowerValues) {
    check_all({
        {"unsigned char quotient, remainder and shift",
         "[e = _x / -> _uc `i -> _uc `i ]\n[e = _x % -> _uc `i -> _uc `i ]\n[e = _x >> -> _uc `i -> 3 `i ]\n",
         {"= _x -> / _uc _uc `i", "= _x -> % _uc _uc `i", "= _x -> >> _uc 3 `i"}, {}},
        {"a narrowed quotient assigned to its own type",
         "[e = _uc -> / -> _uc `i -> _uc `i `uc ]\n", {"=/ _uc _uc"}, {}},
        // -128 / -1 is 128 in int but overflows in signed char.
        {"signed char quotient by a variable or by -1 stays wide",
         "[e = _x / -> _c `i -> _c `i ]\n[e = _x / -> _c `i -> -1 `i ]\n[e = _x / -> _c `i -> 3 `i ]\n",
         {"= _x / -> _c `i -> _c `i", "= _x / -> _c `i -1", "= _x -> / _c 3 `i"}, {}},
        {"bitwise operators of one class", "[e = _x ^ -> _c `i -> _c `i ]\n", {"= _x -> ^ _c _c `i"}, {}},
        {"a shift by the narrower width or more stays wide", "[e = _l >> -> _x `l -> 20 `i ]\n",
         {"= _l >> -> _x `l 20"}, {}},
        {"and of an unsigned char with anything", "[e = _x & -> _uc `i _x ]\n", {"= _x -> & -> _x `uc _uc `i"}, {}},
        // (int)c & 255 is 255 for c = -1; in char it would stay -1.
        {"and of a signed char with a mask of its sign bit stays wide",
         "[e = _x & -> _c `i -> 255 `i ]\n[e = _u & -> _c `ui -> 255 `ui ]\n[e = _x & -> _c `i -> 127 `i ]\n",
         {"= _x & -> _c `i 255", "= _u & -> _c `ui 255", "= _x -> & _c 127 `i"}, {}},
        {"a narrowed right shift masked to its low bits",
         "[e = _uc & -> >> _u -> 4 `i `uc -> 15 `uc ]\n", {"= _uc & >> -> _u `uc 4 15"}, {}},
        // (uc | 256) / 3 needs the ninth bit.
        {"a constant wider than the value keeps the operation wide",
         "[e = _x / | -> _uc `i -> 256 `i -> 3 `i ]\n", {"= _x / | -> _uc `i 256 3"}, {}},
    });
}

TEST(rewrite, LogicalAndSequenceForms) {
    check_all({
        {"a sequence loses what has no effect", "[e = _x ; _y _x ]\n", {"= _x _x"}, {}},
        {"a sequence on the left is lifted", "[e = _x + ; ( _f0 .. _y -> 1 `i ]\n", {"( _f0 ..", "= _x + _y 1"}, {}},
        {"x ^= x and x &= x", "[e =^ _x _x ]\n[e = _y =& _x _x ]\n", {"= _x 0", "= _y _x"}, {}},
        {"?: of two indirections", "[e = _x ? _b : *U _p *U _q ]\n", {"= _x *U ? _b : _p _q"}, {}},
        {"a conversion moves into ?:", "[e = _c -> ? _b : -> 3 `i -> 2 `i `c ]\n", {"= _c ? _b : 3 2"}, {}},
        {"a shifted sum", "[e = _x << + _y -> 1 `i -> 2 `i ]\n", {"= _x + << _y 2 4"}, {}},
        {"not of a comparison", "[e = _b ! < _x _y ]\n", {"= _b >= _x _y"}, {}},
        {"not of and", "[e = _b ! && _x _y ]\n", {"= _b || ! _x ! _y"}, {}},
        {"and with a deciding constant", "[e = _b && _x -> 0 `i ]\n", {"= _b 0"}, {750}, -1},
        {"a single bit tested against itself", "[e = _b == & _x -> 8 `i -> 8 `i ]\n", {"= _b != & _x 8 0"}, {}},
        {"unsigned at most zero", "[e = _b <= _u -> 0 `ui ]\n", {"= _b == _u 0"}, {}},
        {"times a negative power of two", "[e = _x * _y -> -4 `i ]\n", {"= _x -U << _y 2"}, {}},
    });
}

// More terms than the table takes apart: the rest stay whole terms and none is lost.
TEST(rewrite, LongSumsKeepEveryTerm) {
    std::string body = "[e = _x ";
    for (int i = 0; i < 39; ++i) body += "+ ";
    for (int i = 0; i < 30; ++i) body += "_x ";
    for (int i = 0; i < 10; ++i) body += "_y ";
    body += "]\n";
    check({"40 terms", body.c_str(), {"= _x + * _x 30 * _y 10"}, {}});
}

TEST(calls, LowersArgumentsIntoTheArgumentArea) {
    check_all({
        {"no arguments", "[e = _x ( _f0 .. ]\n", {"= _x ( _f0 .."}, {}, 0, {"\tFNCALL\t_t,_f0"}},
        {"one char in W", "[e = _x ( _fc (1 -> 7 `c ]\n", {"= _x ( _fc (1 7"}, {}, 0, {"\tFNCALL\t_t,_fc"}},
        {"one int", "[e = _x ( _f1 (1 -> 7 `i ]\n", {"= _x ;( = ?_f1 7 ( _f1 .."}, {}},
        {"two", "[e = _x ( _f2 (2 , _x _y ]\n", {"= ?_f2 _x", "= _x ;( = ?_f2+2 _y ( _f2 (2 , .. .."}, {}},
        {"many, first in W", "[e = _x ( _h (4 , , , _c _x _c _l ]\n",
         {"= ?_h _x", "= ?_h+2 _c", "= _x ;( = ?_h+3 _l ( _h (4 , , , _c .. .. .."}, {}},
        {"variadic starts at offset 1", "[e = _x ( _v , (. -> 1 `i -> 2 `i ]\n",
         {"= ?_v+1 1", "= _x ;( = ?_v+3 2 ( _v (2 , .. .."}, {}, 0, {"\tFNSIZE\t_v,0,5"}},
        {"variadic with a char first", "[e = _x ( _vc , (. _c -> 2 `i ]\n",
         {"= _x ;( = ?_vc+1 2 ( _vc (2 , _c .."}, {}, 0, {"\tFNSIZE\t_vc,0,3"}},
        {"unprototyped: a char arrives as int", "[e = _x ( _old , _c _x ]\n",
         {"= ?_old -> _c `i", "= _x ;( = ?_old+2 _x ( _old , .. .."}, {}, 0, {"\tglobal\t?_old"}},
        // A pointer variable is no call-graph node: the call joins the functions of its type's
        // signature (0x1000 one parameter, 0x40 auto-static, 0x20 prototyped, an int result).
        {"through a global pointer", "[e = _x ( *U _fp (1 -> 3 `i ]\n", {"= _x ;( = *U *U + _fp -1 3 ( *U _fp .."},
         {}, 0, {"\tFNINDIR\t_t,4194"}},
        {"through a computed pointer", "[e = _x ( *U *U + &U _tab * -> _i `x -> 2 `x (1 -> 1 `i ]\n",
         {"= _tmp1 *U + &U _tab << -> _i `nx 1", "= _x ;( = *U *U + _tmp1 -1 1 ( *U _tmp1 .."}, {}, 0,
         {"\tFNINDIR\t_t,"}},
        {"a call in an argument", "[e = _x ( _f2 (2 , -> 1 `i ( _f1 (1 _y ]\n",
         {"= ?_f2 1", "= _x ;( = ?_f2+2 ;( = ?_f1 _y ( _f1 .. ( _f2 (2 , .. .."}, {}, 0,
         {"\tFNARG\t_f2,_f1"}, {742}},
        // Through a pointer the call in an argument runs before the area's first byte is stored.
        {"a call in an argument of a pointer call", "[e = _x ( *U _gp (2 , -> 1 `i ( _f0 .. ]\n",
         {"= _tmp1 ( _f0 ..", "= *U *U + _gp -1 1", "= _x ;( = *U + *U + _gp -1 2 _tmp1 ( *U _gp (2 , .. .."}, {}, 0,
         {"\tFNCALL\t_t,_f0", "\tFNINDIR\t_t,8290"}},
        {"the same function in its own argument", "[e = _x ( _f2 (2 , -> 1 `i ( _f2 (2 , -> 2 `i -> 3 `i ]\n",
         {"= ?_f2 1", "= ?_f2 2", "= _x ;( = ?_f2+2 ;( = ?_f2+2 3 ( _f2 (2 , .. .. ( _f2 (2 , .. .."},
         {742}, 0, {"\tFNARG\t_f2,_f2"}},
    });
}

// An argument's calls through a pointer run before any byte of the outer area is stored, so
// the linker needs no edge from the pointer's functions to them: one the other way round (the
// inner callee's area outliving the pointer's functions) closed false cycles when a pointer's
// function calls the same callee, and left the inner frame free to overlap bytes stored
// before it ran.
TEST(calls, PointerCallsComputeCallingArgumentsFirst) {
    struct arg_case {
        const char* name;
        const char* body;
        std::vector<std::string> statements;
    };
    const arg_case cases[] = {
        // a lone argument is stored after its call: nothing to move
        {"a call as the only argument", "[e = _x ( *U _fp (1 ( _f0 .. ]\n",
         {"= _x ;( = *U *U + _fp -1 ( _f0 .. ( *U _fp .."}},
        {"a call first, in W", "[e = _x ( *U _gp (2 , ( _f0 .. -> 2 `i ]\n",
         {"= _tmp1 ( _f0 ..", "= *U *U + _gp -1 _tmp1", "= _x ;( = *U + *U + _gp -1 2 2 ( *U _gp (2 , .. .."}},
        {"a pointer call in a pointer call", "[e = _x ( *U _gp (2 , ( *U _fp (1 _y _x ]\n",
         {"= _tmp1 ;( = *U *U + _fp -1 _y ( *U _fp ..", "= *U *U + _gp -1 _tmp1",
          "= _x ;( = *U + *U + _gp -1 2 _x ( *U _gp (2 , .. .."}},
    };
    for (const arg_case& c : cases) {
        cgtest::run_result r = run_body(c.body, 0);
        EXPECT_EQ(body_statements(r), c.statements) << c.name;
        EXPECT_TRUE(cgtest::lines_with(r.assembly, "FNINDARG").empty()) << c.name << "\n" << r.assembly;
    }
    // A known callee's area still outlives the functions a pointer in its argument may hold.
    cgtest::run_result known = run_body("[e = _x ( _f2 (2 , _y ( *U _fp (1 _x ]\n", 0);
    EXPECT_FALSE(cgtest::lines_with(known.assembly, "\tFNINDARG\t_f2,4194").empty()) << known.assembly;
}

// The variable arguments follow the fixed ones in the callee's area, which the caller makes
// large enough for them; the first byte still travels in W, whatever the call count says.
TEST(calls, VariadicCallsFillTheAreaPastTheFixedPart) {
    check_all({
        {"only the fixed byte", "[e = _x ( _vc _c ]\n", {"= _x ( _vc (1 _c"}, {}},
        {"a call count over a list", "[e = _x ( _v2 (1 , (. , _c _x _l ]\n",
         {"= ?_v2+1 _x", "= _x ;( = ?_v2+3 _l ( _v2 (2 , , _c .. .."}, {}, 0, {"\tFNSIZE\t_v2,0,7"}},
        {"a char promoted by the parser stays an int", "[e = _x ( _vc , , (. _c -> _c `i _l ]\n",
         {"= ?_vc+1 -> _c `i", "= _x ;( = ?_vc+3 _l ( _vc (2 , , _c .. .."}, {}, 0, {"\tFNSIZE\t_vc,0,7"}},
        // Through a pointer the callee's area cannot be made larger: the call is left as it is.
        {"variable arguments through a pointer", "[e = _x ( *U _vp , (. _c _x ]\n",
         {"= _x ( *U _vp , (. _c _x"}, {}},
        {"only the fixed part through a pointer", "[e = _x ( *U _vp _c ]\n", {"= _x ( *U _vp (1 _c"}, {}},
    });
}

// Variable arguments through a pointer have no rule: the statement is refused with its line.
TEST(calls, VariadicCallThroughAPointerIsRefused) {
    cgtest::run_result r = cgtest::run_ic(std::string(prologue) + "\"7\n[e = _x ( *U _vp , (. _c _x ]\n" + epilogue);
    EXPECT_TRUE(r.has_message(712)) << r.assembly;
    EXPECT_TRUE(cgtest::lines_with(r.assembly, "?_vp").empty()) << r.assembly;
}

// On the 12-bit core each call passes the low byte of its return stub's address first, and the
// stub (its label, then a jump back to the call's return label) goes to the jump table at once.
TEST(calls, TwelveBitCallsPassTheirReturnStub) {
    const std::string call = "[e = _x ( _f2 (2 , -> 1 `i -> 2 `i ]\n";
    cgtest::run_result twelve = cgtest::run_ic(std::string(prologue) + call + epilogue, cg::MF_PIC12);
    std::vector<std::string> jumps = cgtest::lines_with(twelve.assembly, "\tljmp\tu");
    ASSERT_EQ(jumps.size(), 1u) << twelve.assembly;
    std::string number = jumps[0].substr(jumps[0].find("\tljmp\tu") + 7);
    ASSERT_FALSE(number.empty());
    number.pop_back();   // "u<n>8": the label number is what precedes the 8
    EXPECT_FALSE(cgtest::lines_with(twelve.assembly, "u" + number + "7").empty()) << twelve.assembly;
    EXPECT_FALSE(cgtest::lines_with(twelve.assembly, "jmp_tab").empty()) << twelve.assembly;
    cgtest::run_result fourteen = cgtest::run_ic(std::string(prologue) + call + epilogue);
    EXPECT_TRUE(cgtest::lines_with(fourteen.assembly, "\tljmp\tu").empty()) << fourteen.assembly;
}

// The caller stores each argument where the callee's frame layout places its parameter.
TEST(calls, CallerAndCalleeAgreeOnTheLayout) {
    struct layout_case {
        const char* callee;   // definition with its parameter records
        const char* call;     // a call of it with arguments a0.. in order
        const char* name;
    };
    const layout_case cases[] = {
        {"[v _h `(i 1 ef4`c`i`c`l ]\n{\n[v _p0 `c 1 r1 ]\n[v _p1 `i 1 r2 ]\n[v _p2 `c 1 r3 ]\n[v _p3 `l 1 r4 ]\n"
         "[e :U _h ]\n[f ]\n[e :UE 1 ]\n}\n",
         "[e ( _h (4 , , , _c _x _c _l ]\n", "_h"},
        {"[v _k `(i 1 e ]\n{\n[v _p0 `c 1 p ]\n[v _p1 `c 1 p ]\n[v _p2 `i 1 p ]\n"
         "[e :U _k ]\n[f ]\n[e :UE 1 ]\n}\n",
         "[e ( _k , , -> _c `i -> _c `i _x ]\n", "_k"},
        {"[v _w `(i 1 ev`i`c ]\n{\n[v _p0 `i 1 r1 ]\n[v _p1 `c 1 r2 ]\n[e :U _w ]\n[f ]\n[e :UE 1 ]\n}\n",
         "[e ( _w , (. , _x _c _l ]\n", "_w"},
        {"[v _q `(i 1 ev`c ]\n{\n[v _p0 `c 1 r1 ]\n[e :U _q ]\n[f ]\n[e :UE 1 ]\n}\n",
         "[e ( _q , (. _c _x ]\n", "_q"},
    };
    for (const layout_case& c : cases) {
        std::string ic = std::string(c.callee) + prologue + c.call + epilogue;
        cgtest::run_result r = cgtest::run_statements(ic);
        std::vector<int> callee, caller;
        for (const std::string& line : cgtest::lines_with(r.assembly, std::string("\tset\t?") + c.name + "+"))
            callee.push_back(std::stoi(line.substr(line.rfind('+') + 1)));
        std::string area = std::string("?") + c.name;
        for (const std::string& s : r.statements) {
            if (s.rfind("= " + area + " ", 0) == 0) caller.push_back(0);
            size_t at = s.find("= " + area + "+");
            if (at != std::string::npos) caller.push_back(std::stoi(s.substr(at + 3 + area.size())));
        }
        // A variadic function's byte in W has its home at offset 0, which the callee fills.
        if (callee.size() > caller.size() && !callee.empty() && callee[0] == 0) callee.erase(callee.begin());
        // A variadic call stores its variable arguments after the fixed ones.
        if (caller.size() > callee.size()) caller.resize(callee.size());
        EXPECT_EQ(caller, callee) << c.name << "\n" << r.assembly;
    }
}

TEST(simplify, StatementsWhoseValueIsUnused) {
    check_all({
        {"a && f()", "[e && _x ( _f0 .. ]\n", {"$ ! _x 40001", "( _f0 ..", ":U 40001"}, {}},
        {"x + 1", "[e + _x -> 1 `i ]\n", {}, {759}, -1},
        {"a sum with a call", "[e + ( _f0 .. _x ]\n", {"( _f0 .."}, {760}, -3},
        {"x + 1 at the default level", "[e + _x -> 1 `i ]\n", {}, {}, 0, {}, {759}},
        {"a[i++] = 0", "[e = *U + &U _a * -> ++ _i -> 1 `i `x -> 2 `x -> 0 `i ]\n",
         {"= *U + &U _a << -> _i `nx 1 0", "=+ _i 1"}, {}},
        {"?: as a statement", "[e ? _b : ( _f0 .. ( _f1 (1 -> 2 `i ]\n",
         {"$ ! _b 40001", "( _f0 ..", "$U 40002", ":U 40001", "= ?_f1 2", "( _f1 ..", ":U 40002"}, {}},
    });
}

// Cases whose statements are those after conditions made of && || ?: became jumps.
void check_lowered(const std::vector<rewrite_case>& cases) {
    for (const rewrite_case& c : cases) {
        cgtest::run_result r = cgtest::run_statements(std::string(prologue) + c.body + epilogue, c.warning_level, 0, true);
        EXPECT_EQ(body_statements(r), c.statements) << c.name;
    }
}

// A condition made of && || ?: is tested part by part: the operand on the right (here a
// call) runs only when the left one leaves the outcome open.
TEST(simplify, CombinedConditionsBecomeJumps) {
    check_lowered({
        {"|| jumps on either part", "[e $ || != _x -> 0 `i != ( _f0 .. -> 0 `i 5 ]\n[e :U 5 ]\n",
         {"$ != _x 0 5", "$ != ( _f0 .. 0 5", ":U 5"}, {}},
        {"&& skips the right part", "[e $ && != _x -> 0 `i != ( _f0 .. -> 0 `i 5 ]\n[e :U 5 ]\n",
         {"$ == _x 0 40001", "$ != ( _f0 .. 0 5", ":U 40001", ":U 5"}, {}},
        {"jump when false on &&", "[e $ ! && != _x -> 0 `i != ( _f0 .. -> 0 `i 5 ]\n[e :U 5 ]\n",
         {"$ == _x 0 5", "$ == ( _f0 .. 0 5", ":U 5"}, {}},
        {"?: chooses the test", "[e $ ? != _x -> 0 `i : < _y -> 3 `i != ( _f0 .. -> 0 `i 5 ]\n[e :U 5 ]\n",
         {"$ == _x 0 40001", "$ < _y 3 5", "$U 40002", ":U 40001", "$ != ( _f0 .. 0 5", ":U 40002", ":U 5"}, {}},
    });
}

// A && || ?: value that is stored or returned becomes jumps to the store of each alternative.
TEST(simplify, LogicalValuesBecomeJumps) {
    check_lowered({
        {"x = a && f()", "[e = _x -> && != _y -> 0 `i != ( _f0 .. -> 0 `i `i ]\n",
         {"$ == _y 0 40001", "$ == ( _f0 .. 0 40001", "= _x 1", "$U 40002", ":U 40001", "= _x 0", ":U 40002"}, {}},
        {"x = c ? f() : y", "[e = _l -> ? != _x -> 0 `i : ( _f0 .. _y `l ]\n",
         {"$ == _x 0 40001", "= _l -> ( _f0 .. `l", "$U 40002", ":U 40001", "= _l -> _y `l", ":U 40002"}, {}},
        {"an int compare value", "[e = _x -> < _y _i `i ]\n",
         {"$ >= _y _i 40001", "= _x 1", "$U 40002", ":U 40001", "= _x 0", ":U 40002"}, {}},
        {"a byte compare value stays", "[e = _uc -> < _y _i `uc ]\n", {"= _uc -> < _y _i `uc"}, {}},
    });
}

TEST(simplify, ConstantConditions) {
    check_all({
        {"constant jumps", "[e $ ! -> 0 `i 5 ]\n[e $ ! -> 1 `i 5 ]\n[e :U 5 ]\n", {"$U 5", ":U 5"}, {757}, -1},
        {"constant jumps, default level", "[e $ ! -> 0 `i 5 ]\n[e :U 5 ]\n", {"$U 5", ":U 5"}, {}, 0, {}, {757}},
        {"assignment in the condition",
         "[e $ ! == = _x -> 0 `i -> 0 `i 3 ]\n[e $ ! == = _x -> 5 `i -> 0 `i 3 ]\n[e :U 3 ]\n",
         {"= _x 0", "= _x 5", "$U 3", ":U 3"}, {758}, -1},
    });
}

TEST(simplify, AtMostTenIncrementsMoveOut) {
    std::string body = "[e = _x ";
    for (int i = 0; i < 11; ++i) body += "+ ";
    for (int i = 0; i < 12; ++i) body += i % 2 ? "++ _y -> 1 `i " : "++ _i -> 1 `i ";
    body += "]\n";
    std::vector<std::string> want = {"= _x + + + * _i 5 * _y 5 ++ _i 1 ++ _y 1"};
    for (int i = 0; i < 10; ++i) want.push_back(i % 2 ? "=+ _y 1" : "=+ _i 1");
    check({"twelve increments", body.c_str(), want, {}});
}

// Damaged intermediate code gets its messages and never a crash.
TEST(simplify, MalformedExpressions) {
    check_all({
        {"unknown operator", "[e = _x @@ ]\n", {"= _x .."}, {730}},
        {"reserved word", "[e = _x [a ]\n", {"= _x .."}, {731}},
        {"sizeof of nothing", "[e = _x # _z ]\n", {"= _x 0"}, {761}},
        // The reader puts ".." where an operand is missing.
        {"missing operands", "[e = _x + ]\n[e ( ]\n[e = ( _f1 (1 ]\n", {"= _x << .. 1"}, {714}},
    });
}

TEST(simplify, RoundsAreBoundedByTheTreesHeight) {
    // (char)(x = 1, x = 1, ..., x): the conversion moves one sequence level per round, so 150
    // levels need about 150 rounds; a legal expression must settle, a lower bound reports 745.
    std::string seq;
    for (int i = 0; i < 150; ++i) seq += "; = _x -> 1 `i ";
    std::string body = "[e = _c -> " + seq + "_x `c ]\n";
    auto r = cgtest::run_statements(std::string(prologue) + body + epilogue, 0);
    EXPECT_FALSE(r.has_message(745));
    EXPECT_EQ(r.statements.size(), 153u);   // the label, 150 assignments, the store, the exit
    EXPECT_EQ(r.statements[151], "= _c -> _x `c");
    r = cgtest::run_statements(std::string(prologue) + body + epilogue, 0, 20);
    EXPECT_TRUE(r.has_message(745));
}

TEST(rewrite, OffsetIntoASmallConstArrayIsOneUnsignedByte) {
    // c = tab[x] and c = tab[x + 1] with tab a 4-byte const table: the int index narrows.
    const std::string table = "[v _ctab `Cuc -> 4 `ui e ]\n[i _ctab\n:U ..\n1\n2\n3\n4\n..\n]\n";
    auto r = cgtest::run_statements(table + prologue +
                                        "[e = _uc -> *U + &U _ctab * -> _x `x -> # `Cuc `x `uc ]\n"
                                        "[e = _uc -> *U + &U _ctab * -> + _x -> 1 `i `x -> # `Cuc `x `uc ]\n" +
                                        epilogue,
                                    0);
    ASSERT_GE(r.statements.size(), 3u);
    EXPECT_EQ(r.statements[1], "= _uc *U + &U _ctab -> _x `unx");
    EXPECT_EQ(r.statements[2], "= _uc *U + &U _ctab + -> _x `unx 1");
    // A table that is not const keeps the int index.
    r = cgtest::run_statements(std::string(prologue) + "[e = _uc -> *U + &U _a * _x -> 2 `x `c ]\n" + epilogue, 0);
    ASSERT_GE(r.statements.size(), 2u);
    EXPECT_EQ(r.statements[1].find("unx"), std::string::npos) << r.statements[1];
}

TEST(simplify, ParserLabelsStayInTheirRange) {
    check({"label beyond the parser's range", "[e :U 30005 ]\n", {":U 30005"}, {746}});
}

}  // namespace

// A string literal given to a plain pointer becomes the address of its RAM copy before any
// other rule sees the conversion: also with an offset, as &"X"[i], chosen by ?: (beside a
// RAM pointer that the parser widened to a pointer to const) and compared. A pointer to const
// keeps the literal; a const object's address keeps its conversion (it has no RAM copy).
TEST(rewrite, StringsGivenToRamPointersTakeTheirRamCopies) {
    const std::string decls = "[v _s `*uc 1 e ]\n[v _w `*v 1 e ]\n[v _cs `*Cuc 1 e ]\n[v _k `Cuc -> 2 `ui e ]\n"
                              "[v _g `(*uc 0 ef ]\n";
    auto r = cgtest::run_statements(decls + prologue +
                                        "[e = _s -> :s 1C `*uc ]\n"
                                        "[e = _s -> + :s 2C * -> 2 `x -> # `Cuc `x `*uc ]\n"
                                        "[e = _w -> &U *U + :s 3C * -> _uc `ux -> # `Cuc `ux `*v ]\n"
                                        "[e = _s -> + ? != _x -> 0 `i : :s 4C :s 5C * -> 1 `x -> # `Cuc `x `*uc ]\n"
                                        "[e = _s -> ? != _x -> 0 `i : -> ( _g .. `*Cuc :s 6C `*uc ]\n"
                                        "[e = _uc == _s -> :s 7C `*uc ]\n"
                                        "[e = _cs :s 8C ]\n"
                                        "[e = _s -> &U *U + &U _k * -> 1 `x -> # `Cuc `x `*uc ]\n" +
                                        epilogue,
                                    0);
    EXPECT_EQ(body_statements(r), (std::vector<std::string>{
                                      "= _s &U RSTR_1", "= _s + &U RSTR_2 2", "= _w + &U RSTR_3 _uc",
                                      "= _s + ? != _x 0 : &U RSTR_4 &U RSTR_5 1", "= _s ? != _x 0 : ( _g .. &U RSTR_6",
                                      "= _uc == &U RSTR_7 _s", "= _cs :s 8", "= _s -> + &U _k 1 `uc"}));
}
