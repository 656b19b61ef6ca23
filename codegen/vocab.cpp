// The code generator's vocabulary: operator names with one flag word per operator, and the
// machine-flag names. Kept apart so that the rule generator can link it alone.
#include "codegen/context.h"
#include "codegen/tree.h"

namespace cg {

const char* const machine_flag_names[16] = {
    "AVOCET", "NOTREGPAR", "GLOBOPT", "AUTOSTATIC", "PIC12", "PIC14", "PIC17", "IEEE_DBL",
    "PICMIDHI", "ORMCLOMID", "PIC42A", "PAGED", "NONPAGED", "CANREADCODE", "SPACEOPT", "SPEEDOPT"};

namespace {
// Flag-word shorthands for the table below.
constexpr uint32_t L0 = DOPE_LEAF, U = DOPE_UNARY, B = DOPE_BINARY, R = DOPE_RECORD;
constexpr uint32_t RL = DOPE_RESULT_LONG, RB = DOPE_RESULT_BIT, RV = DOPE_RESULT_VOID;
constexpr uint32_t C = DOPE_COMMUTATIVE, H = DOPE_SHIFT, Q = DOPE_SEQUENCED, L = DOPE_LOGICAL,
                   N = DOPE_NARROW, M = DOPE_MODULAR, A = DOPE_ASSOC, O = DOPE_ORDERED,
                   S = DOPE_EFFECT, K = DOPE_COMPOUND;
}  // namespace

const char* const op_names[OP_COUNT_ALL] = {
    "", "!", "!=", "#", "$", "$U", "$UE", "%", "&", "&&", "&U", "(", "(.", "(1", "(2", "(3", "(4",
    ")", "*", "*U", "+", "++", "+U", ",", "-", "--", "->", "-U", ".", "..", "/", ":", ":=", ":U",
    ":UE", ":s", ";", ";;", "<", "<<", "<=", "=", "=%", "=&", "=*", "=+", "=-", "=/", "=<<", "==",
    "=>>", "=^", "=|", ">", ">=", ">>", "?", "@", "[;", "[\\", "[a", "[c", "[e", "[f", "[i", "[n",
    "[p", "[s", "[u", "[v", "^", "{", "|", "||", "}", "~",
    "RECIP", "TYPE", "ID", "CONST", "FCONST", "REG", "INAREG", "BITFIELD", "CALLARGS", "CALLZAP",
    "CALLRESULT", ";(", "Literal",
};

const uint32_t dope_table[OP_COUNT_ALL] = {
    R,                       // ""
    U | 3 | RB | L | N,      // !
    B | RB | C,              // !=
    U | RL,                  // #
    B | Q | L | O,           // $
    U | O,                   // $U
    U | O,                   // $UE
    B | N,                   // %
    B | C | N | M | A | K,   // &
    B | RB | Q | L | O,      // &&
    U,                       // &U
    B | O | S,               // (
    U | O, U | O, U | O, U | O, U | O,   // (. (1 (2 (3 (4
    U | O,                   // )
    B | C | M | A | K,       // *
    U,                       // *U
    B | 1 | C | M | A | K,   // +
    B | S,                   // ++
    U,                       // +U
    B | O | S,               // ,
    B | M | K,               // -
    B | S,                   // --
    B | L,                   // ->
    U | 3 | M,               // -U
    B,                       // .
    L0 | RV,                 // ..
    B | N | K,               // /
    B | O,                   // :
    B | S,                   // :=
    U | O,                   // :U
    U | O,                   // :UE
    U | O,                   // :s
    B | Q | O,               // ;
    R,                       // ;;
    B | RB,                  // <
    B | H | M | K,           // <<
    B | RB,                  // <=
    B | S,                   // =
    B | S,                   // =%
    B | M | S, B | M | S, B | M | S, B | M | S,   // =& =* =+ =-
    B | S,                   // =/
    B | H | M | S,           // =<<
    B | RB | C,              // ==
    B | H | S,               // =>>
    B | M | S, B | M | S,    // =^ =|
    B | RB, B | RB,          // > >=
    B | H | N | K,           // >>
    B | Q | L | O,           // ?
    U | O | S,               // @
    L0 | RV | S,             // [;
    B | O,                   // [\  (switch)
    R, R, R, R, R, R, R, R, R, R,   // [a .. [v
    B | C | N | M | A | K,   // ^
    R,                       // {
    B | C | N | M | A | K,   // |
    B | RB | Q | L | O,      // ||
    R,                       // }
    U | 3 | M,               // ~
    U,                       // RECIP
    L0,                      // TYPE
    L0 | 2,                  // ID
    L0 | RL,                 // CONST
    L0 | 3,                  // FCONST
    L0 | 2,                  // REG
    U | O,                   // INAREG
    U,                       // BITFIELD
    B | O | S,               // CALLARGS
    U | O | S,               // CALLZAP
    L0 | O,                  // CALLRESULT
    B | Q | O,               // ;(
    L0,                      // Literal
};

}  // namespace cg
