"""The programs of the execution tests. Each leaves its results in globals and ends with STOP()
(assembly: writes 1 to orm_done and loops).

C programs list their results as (global, type) or (global, type, element count); the expected
values come from the same program built for the host with gcc through target.h. Assembly
programs list (symbol, size in bytes, value) with values worked out by hand.

To add a program: put it in programs/ and add a line here."""

C_PROGRAMS = [
    ("arith.c", [("r_u8", "u8", 6), ("r_i8", "i8", 4)]),
    ("arith16.c", [("r_u16", "u16", 4), ("r_bits", "u16", 4), ("r_i16", "i16", 6)]),
    ("arith32.c", [("r_u32", "u32", 2), ("r_div", "u32", 2), ("r_shift", "u32", 2)]),
    ("arith32s.c", [("r_i32", "i32", 2), ("r_mix", "i32", 2), ("r_neg", "i32", 2)]),
    ("control.c", [("r_sum", "u16"), ("r_sorted", "u8", 8), ("r_dot", "i32"), ("r_cases", "u8", 4)]),
    # values: moves, constants, + - & | ^ ~ negation, compound assignments, conversions
    ("values16.c", [("r_add", "u16"), ("r_add2", "u16"), ("r_sub", "u16"), ("r_sub2", "u16"),
                    ("r_logic", "u16"), ("r_compl", "u16"), ("r_inc", "u16"), ("r_dec", "u16"),
                    ("r_ops", "u16"), ("r_const", "u16"), ("r_neg", "i16"), ("r_neg2", "i16"),
                    ("r_sinc", "i16"), ("r_sdec", "i16"), ("r_chain", "u16"), ("r_csub", "u16")]),
    ("values32.c", [("r_add", "u32"), ("r_sub", "u32"), ("r_logic", "u32"), ("r_ops", "u32"),
                    ("r_neg", "i32")]),
    # narrowed operations: done in the byte type where the result cannot differ
    ("narrow.c", [("r_div", "u16"), ("r_mod", "u16"), ("r_shr", "u16"), ("r_and", "u16"), ("r_orwide", "u16"),
                  ("r_sdiv", "i16"), ("r_sdiv3", "i16"), ("r_smod", "i16"), ("r_smask", "i16"),
                  ("r_swide", "i16"), ("r_sxor", "i16"), ("r_sshr", "i16"), ("r_nib", "u8"), ("r_top", "u8")]),
    ("convert.c", [("r_ub_w", "u16"), ("r_sum_w", "u16"), ("r_sb_w", "i16"), ("r_pos_w", "i16"),
                   ("r_ub_l", "u32"), ("r_uw_l", "u32"), ("r_sb_l", "i32"), ("r_sw_l", "i32"),
                   ("r_uw_sl", "i32"), ("r_lb", "u8"), ("r_wb", "u8"), ("r_lw", "u16"),
                   ("r_nb", "u8"), ("r_ng", "i8")]),
    # shifts, multiply, divide, switch
    ("shifts.c", [("rb0", "u8"), ("rb1", "u8"), ("rb2", "u8"), ("rb3", "u8"), ("sb0", "i8"), ("sb1", "i8"),
                  ("sb2", "i8"), ("ib0", "u8"), ("ib1", "u8"), ("is0", "i8"), ("rw0", "u16"), ("rw1", "u16"),
                  ("rw2", "u16"), ("rw3", "u16"), ("rw4", "u16"), ("sw0", "i16"), ("sw1", "i16"), ("iw0", "u16"),
                  ("iw1", "u16"), ("isw", "i16")]),
    ("shifts32.c", [("rl0", "u32"), ("rl1", "u32"), ("rl2", "u32"), ("sl0", "i32"), ("sl1", "i32"), ("il0", "u32"),
                    ("il1", "u32"), ("isl", "i32")]),
    ("switch.c", [("h_chain", "u8"), ("h_table", "u8"), ("h_top", "u8"), ("h_low", "u8"), ("h_direct", "u8"),
                  ("h_signed", "u8"), ("h_schain", "u8")]),
    ("switch16.c", [("h_word", "u8"), ("h_sword", "u8")]),
    ("switch32.c", [("h_long", "u8"), ("h_slong", "u8")]),
    ("mdbank.c", [("x1", "u16"), ("q1", "u16"), ("l1", "i32"), ("r0", "u8"), ("h0", "u8")]),
    ("muldiv.c", [("r8_0", "u8"), ("r8_1", "u8"), ("r8_2", "u8"), ("r8_3", "u8"), ("r8_4", "u8"), ("r8_5", "u8"),
                 ("s8_0", "i8"), ("s8_1", "i8"), ("s8_2", "i8"), ("s8_3", "i8"), ("s8_4", "i8"), ("s8_5", "i8"), ("s8_6", "i8"), ("s8_7", "i8"),
                 ("r16_0", "u16"), ("r16_1", "u16"), ("r16_2", "u16"), ("r16_3", "u16"), ("r16_4", "u16"),
                 ("q8", "u8"), ("p8", "i8"), ("q16", "u16")]),
    ("muldiv16.c", [("s16_0", "i16"), ("s16_1", "i16"), ("s16_2", "i16"), ("s16_3", "i16"), ("s16_4", "i16"), ("s16_5", "i16"), ("s16_6", "i16"), ("s16_7", "i16"), ("s16_8", "i16"), ("s16_9", "i16"), ("s16_10", "i16"),
                   ("p16", "i16")]),
    ("muldiv32.c", [("r32_0", "u32"), ("r32_1", "u32"), ("r32_2", "u32"), ("r32_3", "u32"), ("r32_4", "u32"), ("r32_5", "u32"),
                   ("q32", "u32")]),
    ("muldiv32s.c", [("s32_0", "i32"), ("s32_1", "i32"), ("s32_2", "i32"), ("s32_3", "i32"), ("s32_4", "i32"), ("s32_5", "i32"),
                    ("p32", "i32")]),
    ("banks.c", [("r1_w", "u16"), ("r1_x", "u16"), ("r1_l", "i32"), ("r1_c", "u8"), ("r0_w", "u16"),
                 ("r0_l", "i32"), ("r0_c", "u8")]),
    ("incdec.c", [("r_pre", "u16"), ("r_post", "u16"), ("r_cmp", "u16"), ("r_and", "u16"), ("r_lpost", "i32"),
                  ("r_lpre", "i32"), ("r_lcmp", "i32"), ("r_cpre", "u8"), ("r_cpost", "u8"), ("r_ccmp", "u8")]),
    # calls: arguments and results of every size, nested calls, locals, a chain six deep
    ("calls.c", [("r_pick", "u8"), ("r_mixed", "u8"), ("r_byte", "u8"), ("r_nested", "u8"), ("r_chain", "u8"),
                 ("r_chain2", "u8"), ("r_ignored", "u8"), ("r_seq", "u8"), ("r_notes", "u8"), ("r_b", "i16"),
                 ("r_w1", "i16"), ("r_w2", "i16"), ("r_later", "i16"), ("r_c", "i32"), ("r_e", "u32"), ("r_l1", "i32"),
                 ("r_l2", "i32")]),
]

# Compares and conditions: each of n edge values against each, and against constants.
def _pairs(kind, n):
    return [("r_%s_%d%d" % (kind, i, j), "u8") for i in range(n) for j in range(n)] + \
        [("r_%s_k%d" % (kind, i), "u8") for i in range(n)]


C_PROGRAMS += [
    ("compare8.c", _pairs("u8", 3) + _pairs("i8", 4) + [("r_wide", "u8")]),
    ("compare16.c", _pairs("u16", 4) + _pairs("i16", 4)),
    ("compare32.c", _pairs("u32", 3) + _pairs("i32", 3)),
    ("logic.c", [("r_jump", "u8"), ("r_calls", "u8"), ("r_and8", "u8"), ("r_or8", "u8"), ("r_not8", "u8"),
                 ("r_q8", "u8"), ("r_loops", "u8"), ("r_while", "u8"), ("r_goto", "u8"), ("r_and16", "i16"),
                 ("r_q16", "i16"), ("r_not16", "i16"), ("r_steps", "i16"), ("r_or32", "i32"), ("r_q32", "i32")]),
]

C_PROGRAMS += [
    # pointers and aggregates
    ("pointers.c", [("r_b", "u8", 6), ("r_w", "i16", 3), ("r_l", "i32", 2)]),
    ("arrays.c", [("r_g", "u8", 4), ("r_w", "i16", 4), ("r_s", "u8", 3), ("r_loc", "u8", 4)]),
    ("arrays32.c", [("r_l", "i32", 3)]),
    ("structs.c", [("r_x", "i16", 2), ("r_tag", "u8", 2), ("r_big", "i32"), ("r_name", "u8", 2), ("r_u", "u8", 4)]),
    ("romdata.c", [("r_b", "u8", 6), ("r_w", "i16", 3), ("r_l", "i32", 2), ("r_str", "u8", 6),
                   ("r_rec", "u8", 4), ("r_recb", "i16")]),
]

# structures passed and returned
C_PROGRAMS += [
    ("structcalls.c", [("r_mid", "i16", 2), ("r_tag", "u8"), ("r_one", "u8", 2), ("r_word", "u16")]),
    ("structret.c", [("r_three", "i16", 3), ("r_kept", "u8")]),
]

# Structure returns: 1-, 3- and 5-byte structures and unions returned, their members read
# from the call (f().m, f().arr[i]).
C_PROGRAMS += [
    ("struct_returns_odd.c", [("r_one", "u8", 5), ("r_three", "i16", 6), ("r_tag", "u8", 4)]),
    ("struct_members.c", [("r_arr", "u8", 10), ("r_w", "i16", 3), ("r_l", "u8", 2)]),
    # structures of 3 and 5 bytes and more copied through pointers, stored from calls through
    # pointers, and returned through function pointers
    ("struct_ptr_copies.c", [("q5", "u8", 15), ("q8", "u8", 12), ("q3", "u8", 6)]),
    ("struct_ret_stored.c", [("q3", "u8", 6), ("q6", "u8", 10), ("h", "u8", 4)]),
    ("struct_ret_small_stored.c", [("q4", "u8", 12)]),
    ("fnptr_structs.c", [("r3", "u8", 6), ("r6", "u8", 5), ("r_b", "u8", 5)]),
    ("struct_unions.c", [("r_five", "i16", 4), ("r_u", "u8", 5)]),
]

C_PROGRAMS += [
    # function pointers, bit variables and bit-fields, variadic functions, packed strings
    ("fnptr.c", [("r_b", "u8", 6), ("r_note", "u8")]),
    ("fnptr32.c", [("r_w", "i16", 2), ("r_l", "u32"), ("r_n", "i32")]),
    ("bits.c", [("r_b", "u8", 6), ("r_w", "u16")]),
    ("bitfields.c", [("r_b", "u8", 8), ("r_p", "u8", 4), ("r_sum", "u16")]),
    # default options favour space: on the 16F877A the strings are packed
    ("packed.c", [("r_len", "u8", 4), ("r_sum", "u16", 4), ("r_high", "u8", 3), ("r_bytes", "u16")]),
]

# Function pointers and bits (var): const tables of function pointers and element 0 of const
# tables, signed bit-fields, bit variables in word and long arithmetic.
C_PROGRAMS += [
    ("fnptr_rom.c", [("r_b", "u8", 6), ("r_first", "u8", 2), ("r_word", "i16")]),
    ("bitfields_signed.c", [("r_min", "i8", 8), ("r_max", "i8", 8), ("r_cut", "i8", 8), ("r_raw", "u8", 4),
                            ("r_ops", "i8", 4)]),
    ("bitword.c", [("r_w", "i16", 5), ("r_l", "i32", 4)]),
]

# Bit-fields and bits (var): compound assignments with field expressions, bit variables as
# bytes, const function pointers.
C_PROGRAMS += [
    ("bitfield_compound.c", [("r_u", "u8", 8), ("r_s", "i8", 4), ("r_keep", "u8", 3)]),
    ("bitfield_comma.c", [("r", "u8", 10)]),
    ("bit_expr.c", [("r_b", "u8", 8), ("r_f", "u8", 4), ("r_p", "u8", 3)]),
]

# Found by the torture and random differential runs.
C_PROGRAMS += [
    ("retcomputed.c", [("r_w", "u16", 3), ("r_s", "i16"), ("r_l0", "u32"), ("r_l1", "u32"), ("r_l2", "u32"),
                        ("r_m", "i32")]),
]

# Random programs (randprog.py): reductions of what they found.
C_PROGRAMS += [
    ("randbool.c", [("r_b", "u8", 4), ("r_w", "i16", 2)]),
    ("randindex.c", [("r_sum", "u32"), ("r_wide", "i32"), ("r_low", "u8", 3), ("r_w", "i16"), ("r_l", "i32")]),
    ("randfieldcall.c", [("r_b", "u8", 6), ("r_s", "i8")]),
    ("randptrarg.c", [("r_b", "u8", 4), ("r_w", "u16")]),
]

# Torture run family: wrong code its programs found, each reduced to a small program.
C_PROGRAMS += [
    ("choicearg.c", [("r_g", "u8", 4), ("r_l", "u8", 4)]),
    ("call_stored_indexed.c", [("r_w", "u16", 2), ("r_l", "u32", 2), ("r_s", "i16", 2), ("r_q", "u8", 4), ("r_b", "u8", 2)]),
    ("routine_stored_indexed.c", [("r_l", "i32", 2), ("r_u", "u32", 2), ("r_w", "i16", 2), ("r_v", "u16", 2),
                                  ("r_b", "u8", 4), ("r_c", "u8")]),
    ("choice_widened.c", [("r_ge", "u8"), ("r_lt", "u8"), ("r_abs_ge", "u8"), ("r_sum", "u32"), ("r_wide", "i32"),
                          ("r_word", "u16")]),
    ("shiftdiv.c", [("r_l", "i32", 3), ("r_w", "i16", 3)]),
    ("twocalls.c", [("r_b", "u8", 3), ("r_w", "u16", 3), ("r_l0", "i32"), ("r_l1", "i32"), ("r_l2", "i32")]),
    ("rotate16.c", [("r_w", "u16", 3), ("r_b", "u8", 2), ("r_l", "u32", 2)]),
    ("divmixed.c", [("r_x", "u8", 2), ("r_f", "u8", 2)]),
]

# Values in expressions: comparisons and logical operators as operands and arguments,
# word compares of array elements and through pointers, computed shift counts, signed
# indexes into const tables.
C_PROGRAMS += [
    ("values_cmp.c", [("r_lt", "u8"), ("r_arg", "u8"), ("r_q", "u8"), ("r_not", "u8"), ("r_sides", "u8"),
                      ("r_calls", "u8"), ("r_sbyte", "u8")]),
    ("values_cmpw.c", [("r_argw", "u8"), ("r_w", "i16"), ("r_qw", "i16"), ("r_notw", "i16"), ("r_subw", "i16")]),
    ("values_cmp32.c", [("r_l", "i32"), ("r_l2", "i32"), ("r_q", "i32"), ("r_b", "u8")]),
    ("shift_counts.c", [("r8", "u8", 3), ("q8", "i8"), ("r16", "u16", 3), ("q16", "i16"), ("r32", "u32", 3),
                        ("q32", "i32")]),
    ("signed_index.c", [("r_b", "u8", 6), ("r_w", "i16", 3)]),
    # pointers into program memory and tables past 256 bytes
    ("const_ptr_index.c", [("r", "u8", 8), ("w", "i16", 6)]),
    ("const_big_index.c", [("r", "u8", 6), ("w", "i16", 4)]),
    ("ram_const_ptr.c", [("r", "u8", 10), ("w", "i16", 2)]),
    ("const_tables.c", [("r", "u8", 9), ("w", "i16", 4)]),
    ("oldstyle_ptr.c", [("r_first", "u8"), ("r_n", "i16"), ("r_last", "u8")]),
    ("null_args.c", [("r_null", "u8"), ("r_after", "u8"), ("r_w", "i16"), ("r_cnull", "u8"), ("r_cafter", "u8"),
                     ("r_sum", "u8")]),
    ("const_zero.c", [("r_field", "i16"), ("r_copied", "i16"), ("r_word", "u16"), ("r_tab", "u8"), ("r_one", "u16"),
                      ("r_loops", "u8")]),
    ("word_compares.c", [("r_w", "u8"), ("r_u", "u8"), ("r_l", "u8"), ("r_p", "u8"), ("r_pl", "u8"), ("r_eq", "u8")]),
]

# Variadic functions: int, long, pointer and float arguments read with va_arg.
C_PROGRAMS += [
    ("variadic.c", [("r_sum", "u16", 4), ("r_mid", "u16", 2)]),
    ("variadic_ptr.c", [("r_long", "u32", 3), ("r_ptr", "u8", 3)]),
    ("variadic_fmt.c", [("r_buf", "u8", 12), ("r_len", "u8")]),
]

# Compound assignments through pointers used for their value, also va_arg through a pointer.
C_PROGRAMS += [
    ("compound_values.c", [("r_w", "u16", 3), ("r_b", "u8", 4), ("r_calls", "u8")]),
]

# Auto layout: autos of nested and sibling blocks, sharing bytes where blocks are not nested.
C_PROGRAMS += [
    ("autos_scopes.c", [("r_b", "u8", 8), ("r_w", "u16", 3), ("r_l", "u32")]),
]

# Two-dimensional arrays indexed by variables, and local arrays sized by their initialisers.
C_PROGRAMS += [
    ("arrays2d.c", [("r_w", "i16", 4), ("r_sum", "i16", 2), ("r_b", "u8", 6), ("r_init", "i16", 3), ("r_open", "u8", 4)]),
]

ASM_PROGRAMS = [
    # 1234 * 56 = 0x10DF0, 100000 / 7 = 14285, -7 % 3 = -1
    ("arith_rt.as", [("_product", 2, 0x0DF0), ("_quotient", 4, 14285), ("_remainder", 1, 0xFF)]),
    ("table_rt.as", [("_copied", 4, 0x01040103), ("_last", 1, 5)]),
]

# Every chip of the chip file that gpsim simulates (the 16F84A as the 16F84).
CHIPS = ["16C84", "16F84", "16F84A", "16F627", "16F627A", "12F629", "12F675", "16F684", "16F877", "16F877A",
         "16F690"]
OPTION_SETS = [["--opt=none"], []]
# Chips with less RAM than the programs are written for (the 16C84 has 36 bytes, of which the
# scratch bytes take 12): a program split with PART(n) runs there one group at a time, each of
# which must fit; one not split yet whose data does not fit is reported there, not failed.
SMALL_RAM = {"16C84"}

# Interrupt functions, EEPROM data and bank-qualified variables (the interrupt program itself
# runs in interrupts_test.py: it counts its own errors rather than leaving fixed results).
C_PROGRAMS += [
    ("eeprom.c", [("r_a", "u8"), ("r_b", "u8"), ("r_sum", "u8"), ("r_zero", "u8"), ("r_ff", "u8"),
                  ("r_mix", "u8"), ("r_back", "u8")]),
    ("eeinit.c", [("r_init", "u8"), ("r_ff", "u8"), ("r_zero", "u8"), ("r_one", "u8"), ("r_word", "i16"),
                  ("r_long", "u32"), ("r_arr", "u8")]),
]

# EEPROM (wide): words, longs and arrays in the data EEPROM, every chip having one.
C_PROGRAMS += [
    ("eeprom_wide.c", [("r_w", "u16", 2), ("r_s", "i16"), ("r_l", "u32"), ("r_n", "i32"), ("r_after", "u8")]),
    ("eeprom_array.c", [("r_b", "u8", 3), ("r_w", "i16", 3), ("r_l", "u32")]),
    ("routine_operands.c", [("r", "u8", 8)]),
    ("eeprom_compound.c", [("r_w", "u16"), ("r_l", "i32"), ("r_arr", "u8", 4), ("r_warr", "i16", 3), ("r_two", "u8", 4),
                           ("r_tag", "u8"), ("r_count", "u16"), ("r_after", "u8")]),
    ("eeprom_ptr.c", [("r_read", "u8", 4), ("r_tab", "u8", 8), ("r_sum", "u8"), ("r_cmp", "u8"), ("r_diff", "u8"),
                      ("r_one", "u8"), ("r_fill", "u8")]),
    ("eeprom_ptr_wide.c", [("r_w0", "i16"), ("r_w1", "i16"), ("r_l0", "u32"), ("r_l1", "u32")]),
]

C_PROGRAMS += [
    ("banks23.c", [("r_w", "u16"), ("r_w3", "u16"), ("r_c", "u8"), ("r_c1", "u8"), ("r_l", "i32")]),
]

# Programs that cannot run on some chips, with the reason: {program: ({chips}, reason)}; a key
# "program#n" names group n of a program split with PART(n).
NOT_ON = {
    "twocalls.c#5": ({"16C84"}, "its two long call results, long operands and the run-time library's scratch bytes "
                     "exceed the chip's 36 bytes of RAM at once"),
    "shiftdiv.c#1": ({"16C84"}, "its long results and argument, the long division and the run-time library's scratch "
                     "bytes need 39 bytes of RAM"),
    "fnptr32.c#2": ({"16C84"}, "the long call's arguments and result, its own result and the run-time library's "
                    "scratch bytes exceed the chip's 36 bytes of RAM"),
    "nested_routines.c#4": ({"16C84"}, "its two long operands, the long product and quotient and the run-time "
                            "library's scratch bytes need 41 bytes of RAM"),
    "eeinit.c": ({"16F684", "16F690"}, "gpsim does not load these chips' EEPROM from the hex file"),
    "banks23.c": ({"16C84", "16F84", "16F84A", "16F627", "16F627A", "12F629", "12F675", "16F684", "16F690"},
                  "the chip has no general-purpose RAM in banks 2 and 3"),
}

# Options a program needs on a chip, added to each option set: {program: {chip: [options]}}.
_BANKS23_RAM = ["--ram=default,110-16F,190-1EF"]
CHIP_OPTIONS = {"banks23.c": {"16F877": _BANKS23_RAM, "16F877A": _BANKS23_RAM}}
C_PROGRAMS += [
    ("bankinit.c", [("r_c", "u8"), ("r_z", "u8"), ("r_arr", "u8"), ("r_p1", "u8"), ("r_p0", "u8"),
                    ("r_back", "u8"), ("r_w", "u16"), ("r_l", "i32")]),
]

# Floating point: each program computes in `double`, 24-bit by default and 32-bit with
# --double=32, and runs both ways. The expected patterns come from the host emulation of the
# run-time library (floatemu.py), not from the host's own floats. Each entry: source, and a
# function of the double's size giving [(global, size in bytes, value)].
import floatemu as _fe  # noqa: E402


def _float_add(n):
    P = lambda x: _fe.from_float(x, n)  # noqa: E731
    a, b, tiny = P(1.5), P(-2.25), P(1e-3)
    neg = lambda p: p ^ 1 << (8 * n - 1)  # noqa: E731
    cancel = _fe.sub(a, a, n)
    lt = lambda x, y: _fe.compare(x, y, n) < 0  # noqa: E731
    cmp = (lt(a, b) | lt(b, a) << 1 | (not lt(a, a)) << 2 | (_fe.compare(cancel, neg(cancel), n) == 0) << 3 |
           (_fe.compare(a, b, n) != 0) << 4 | (not lt(b, a)) << 5 | lt(neg(a), tiny) << 6)
    return [("r_add", n, _fe.add(a, b, n)), ("r_sub", n, _fe.sub(a, tiny, n)), ("r_neg", n, neg(b)),
            ("r_cancel", n, cancel), ("r_cmp", 1, cmp)]


def _float_acc(n):
    P = lambda x: _fe.from_float(x, n)  # noqa: E731
    a, b, tiny, big, third = P(1.5), P(-2.25), P(1e-3), P(3e38), P(0.333333333)
    return [("r_big", n, _fe.add(big, big, n)), ("r_acc", n, _fe.sub(_fe.add(a, tiny, n), b, n)),
            ("r_round", n, _fe.add(third, a, n)), ("r_max", n, _fe._pattern(0, 254, (1 << _fe.frac_bits(n)) - 1, n)),
            ("r_eps", 1, 3)]


def _float_mul(n):
    P = lambda x: _fe.from_float(x, n)  # noqa: E731
    a, b, three, zero = P(1.5), P(-2.25), P(3.0), P(0.0)
    return [("r_mul", n, _fe.mul(a, b, n)), ("r_div", n, _fe.div(a, b, n)), ("r_third", n, _fe.div(a, three, n)),
            ("r_div0", n, _fe.div(b, zero, n))]


def _float_madd(n):
    P = lambda x: _fe.from_float(x, n)  # noqa: E731
    a, b, c, small, big = P(1.5), P(-2.25), P(0.1), P(1e-20), P(1e30)
    return [("r_under", n, _fe.mul(small, small, n)), ("r_over", n, _fe.mul(big, big, n)),
            ("r_madd", n, _fe.mul(_fe.add(_fe.mul(a, c, n), b, n), b, n))]


def _float_conv(n):
    return [("r_fl", n, _fe.from_int(-123456, n)), ("r_ful", n, _fe.from_int(4000000000, n)),
            ("r_fw", n, _fe.from_int(-300, n)), ("r_fb", n, _fe.from_int(200, n)), ("r_fsb", n, _fe.from_int(-5, n))]


def _float_trunc(n):
    P = lambda x: _fe.from_float(x, n)  # noqa: E731
    neg, pos, huge = P(-1234.56), P(200.7), P(3e9)
    return [("r_l", 4, _fe.to_int(neg, n, True)), ("r_lsat", 4, _fe.to_int(huge, n, True)),
            ("r_lu", 4, _fe.to_int(pos, n, False)), ("r_w", 2, _fe.to_int(neg, n, True, 16)),
            ("r_b", 1, _fe.to_int(pos, n, False, 8))]


def _float_array(n):
    P = lambda x: _fe.from_float(x, n)  # noqa: E731
    acc = P(0.0)
    for x, y in ((1.5, 2.0), (-0.25, 4.0), (3.1, -1.5)):
        acc = _fe.add(acc, _fe.mul(P(x), P(y), n), n)
    return [("acc", n, acc), ("r_last", n, P(-1.5))]


def _float_compound(n):
    P = lambda x: _fe.from_float(x, n)  # noqa: E731
    a, b = P(2.25), P(-0.5)
    g0 = _fe.mul(P(1.5), b, n)
    g1 = _fe.mul(_fe.add(P(-2.0), a, n), b, n)
    g2 = _fe.sub(_fe.mul(P(0.75), b, n), g0, n)
    return [("r0", n, _fe.div(g0, a, n)), ("r1", n, g1), ("r2", n, g2)]


def _float_calls(n):
    P = lambda x: _fe.from_float(x, n)  # noqa: E731
    a, b, one, two = P(1.5), P(-2.25), P(1.0), P(2.0)
    twice = lambda x: _fe.mul(x, two, n)  # noqa: E731
    nxt = lambda y: _fe.add(y, one, n)  # noqa: E731
    lt = lambda x, y: _fe.compare(x, y, n) < 0  # noqa: E731
    cmp = lt(a, twice(a)) | (_fe.compare(b, nxt(P(-3.25)), n) == 0) << 1 | (not lt(twice(b), b)) << 2
    return [("r_calls", n, _fe.add(twice(a), nxt(b), n)), ("r_ret", n, _fe.mul(P(-0.5), a, n)), ("r_cmp", 1, cmp)]


def _float_operands(n):
    P = lambda x: _fe.from_float(x, n)  # noqa: E731
    a, b, c = P(1.5), P(-2.25), P(0.1)
    acc = _fe.sub(a, _fe.mul(b, c, n), n)
    acc = _fe.div(acc, _fe.sub(_fe.add(c, c, n), _fe.mul(a, a, n), n), n)
    return [("r_madd", n, _fe.add(a, _fe.mul(b, c, n), n)), ("r_diff", n, _fe.sub(_fe.mul(a, b, n), _fe.div(c, b, n), n)),
            ("r_acc", n, acc)]


def _float_bits(n):
    P = lambda x: _fe.from_float(x, n)  # noqa: E731
    return [("r_on", n, P(1.0)), ("r_off", n, P(0.0)), ("r_sum", n, _fe.add(P(0.5), P(1.0), n)), ("r_bits", 1, 3)]


def _variadic_float(n):
    P = lambda x: _fe.from_float(x, n)  # noqa: E731
    return [("r_sum", n, _fe.add(_fe.add(_fe.add(P(0.0), P(1.5), n), P(-2.25), n), P(3.0), n))]


def _float_small(n):
    a = _fe.from_float(-2.25, n)
    madd = _fe.add(_fe.mul(a, a, n), _fe.from_int(-100, n), n)
    below = _fe.compare(madd, a, n) < 0
    return [("r_madd", n, madd), ("r_int", 1, (_fe.to_int(madd, n, True, 8) + 100 * below) & 0xFF)]


# Float operands made by conversions, choices and computed values (float_mixed.c .. float_exprs.c).
def _float_mixed(n):
    P = lambda x: _fe.from_float(x, n)  # noqa: E731
    a, i, c, l = P(1.5), _fe.from_int(-7, n), _fe.from_int(200, n), _fe.from_int(-100000, n)
    return [("r_cast", n, _fe.add(_fe.mul(a, P(2.0), n), i, n)), ("r_acc", n, _fe.add(a, i, n)),
            ("r_wide", n, _fe.sub(c, _fe.mul(a, l, n), n)), ("r_byte", n, _fe.div(c, _fe.add(a, i, n), n))]


def _float_cond(n):
    P = lambda x: _fe.from_float(x, n)  # noqa: E731
    a, b = P(1.5), P(-2.25)
    return [("r_t", n, a), ("r_f", n, b), ("r_op", n, _fe.add(_fe.mul(b, a, n), P(2.0), n)),
            ("r_acc", n, _fe.sub(b, b, n))]


def _float_toint(n):
    P = lambda x: _fe.from_float(x, n)  # noqa: E731
    a, b = P(1.5), P(-2.25)
    return [("r_w", 2, _fe.to_int(_fe.mul(_fe.mul(a, b, n), P(1000.0), n), n, True, 16)),
            ("r_b", 1, _fe.to_int(_fe.div(a, P(0.01), n), n, False, 8)),
            ("r_l", 4, _fe.to_int(_fe.sub(b, _fe.mul(a, P(100000.0), n), n), n, True)),
            ("r_prod", 2, 0xFFFE), ("r_quot", 2, 0x10000 - 50)]


def _float_order(n):
    P = lambda x: _fe.from_float(x, n)  # noqa: E731
    a, b, c, d = P(1.5), P(-2.25), P(0.1), P(0.7)
    lt = lambda x, y: _fe.compare(x, y, n) < 0  # noqa: E731
    cmp = lt(a, b) + lt(_fe.mul(a, b, n), b) * 2 + (_fe.compare(_fe.add(a, b, n), _fe.add(b, a, n), n) != 0) * 4
    return [("r_cmp", 2, cmp), ("r_mul3", n, _fe.mul(_fe.mul(c, d, n), P(7.1), n)),
            ("r_add3", n, _fe.add(_fe.add(c, d, n), P(7.1), n))]


def _float_right(n):
    P = lambda x: _fe.from_float(x, n)  # noqa: E731
    a = P(1.5)
    return [("r_sub", n, _fe.sub(a, _fe.mul(_fe.from_int(-7, n), a, n), n)),
            ("arr", n, _fe.sub(P(-4.0), _fe.div(a, _fe.from_int(1, n), n), n))]


def _float_exprs(n):
    P = lambda x: _fe.from_float(x, n)  # noqa: E731
    a, b, m, e1, e2 = P(1.5), P(-2.25), P(2.5), P(2.0), P(-3.0)
    mem = _fe.add(m, _fe.sub(e2, a, n), n)
    return [("r_call", n, _fe.add(_fe.mul(_fe.add(a, b, n), _fe.mul(e2, P(2.0), n), n), m, n)),
            ("r_elem", n, _fe.add(_fe.mul(m, e2, n), e1, n)), ("st", n, mem)]


def _float_suffix(n):
    return [("r_test", 1, 2), ("r_next", 1, 0xA5), ("r_pass", 3, _fe.from_float(-2.5, 3)),
            ("r_guard", 1, 0x5A), ("r_wide", n, _fe.from_float(0.75, n))]


def _float_negate(n):
    P = lambda x: _fe.from_float(x, n)  # noqa: E731
    neg = lambda p: p ^ (1 << (8 * n - 1))  # noqa: E731
    a, b = P(1.5), P(-2.25)
    return [("r_ret", n, neg(_fe.mul(a, a, n))), ("r_conv", n, _fe.add(b, neg(_fe.from_int(3, n)), n)),
            ("r_prod", n, _fe.mul(a, neg(_fe.mul(a, b, n)), n)),
            ("r_diff", n, _fe.sub(neg(_fe.add(a, b, n)), neg(_fe.mul(b, b, n)), n))]

def _float_steps(n):
    P = lambda x: _fe.from_float(x, n)  # noqa: E731
    f = _fe.sub(_fe.sub(P(1.5), P(1.0), n), P(1.0), n)
    g = _fe.add(_fe.add(P(0.25), P(1.0), n), P(1.0), n)
    arg = _fe.add(_fe.add(P(0.75), P(0.75), n), _fe.add(P(1.25), P(1.25), n), n)
    return [("r_old", n, _fe.add(P(0.25), P(1.0), n)), ("r_f", n, f), ("r_g", n, g), ("r_slot", n, P(3.5)),
            ("r_through", n, P(-2.75)), ("r_arg", n, arg), ("r_hits", 1, 1), ("r_ghit", 1, 4), ("r_fields", 1, 8),
            ("r_wrapped", 1, 7), ("r_high", 1, 17), ("r_low", 1, 18)]


def _float_intcmp(n):
    P = lambda x: _fe.from_float(x, n)  # noqa: E731
    da, db = P(-3.0), P(200.0)
    values = {"sc": -3, "uc": 200, "si": -300, "ui": 40000, "sl": -70000, "ug": 3000000000}
    order = ["sc", "uc", "si", "ui", "sl", "ug"]
    c = lambda x, y: _fe.compare(x, y, n)  # noqa: E731
    out = []
    for k, name in enumerate(order):
        v = _fe.from_int(values[name], n)
        w = _fe.from_int(values[order[(k + 1) % 6]], n)
        last = [c(da, v) == 0, c(db, v) != 0, c(db, v) < 0][k % 3]
        bits = (c(da, v) >= 0) | (c(db, v) <= 0) << 1 | (c(w, v) > 0) << 2 | last << 3
        out.append(("r_" + name, 1, bits))
    return out


def _float_arrays3d(n):
    P = lambda x: _fe.from_float(x, n)  # noqa: E731
    s = P(0.0)
    for i in range(2):
        for k in range(2):
            s = _fe.add(s, P(1000.0 if i == k else 0.5), n)
    return [("r_sum", n, s), ("r_read", n, P(1000.0)), ("r_same", 1, 2)]


def _float_choice_narrow(n):
    P = lambda x: _fe.from_float(x, n)  # noqa: E731
    a, b = P(300.0), P(2.0)
    first = _fe.mul(_fe.div(a, _fe.from_int(-1, n), n), P(-1.0), n)
    return [("r_first", 4, _fe.to_int(first, n, False, 8)), ("r_second", 4, _fe.to_int(_fe.add(a, b, n), n, False, 8)),
            ("r_signed", 4, (lambda v: v | 0xFFFFFF00 if v & 0x80 else v)(_fe.to_int(_fe.sub(a, P(100.0), n), n, True, 8)))]


# Bytes read at a computed index or through a pointer, and computed bytes, under a cast of
# their sign only.
C_PROGRAMS += [
    ("sign_cast_elements.c", [("r_s", "i8", 4), ("r_u", "u8", 4), ("r_copy", "i8", 4), ("r_w", "i16", 3),
                              ("r_flags", "u8", 3)]),
    ("sign_cast_bytes.c", [("r_s", "i8", 3), ("r_u", "u8", 3), ("r_w", "i16", 4), ("r_flags", "u8", 2)]),
]

FLOAT_PROGRAMS = [
    ("float_small.c", _float_small),
    ("float_suffix.c", _float_suffix),
    ("float_add.c", _float_add),
    ("float_acc.c", _float_acc),
    ("float_mul.c", _float_mul),
    ("float_madd.c", _float_madd),
    ("float_conv.c", _float_conv),
    ("float_trunc.c", _float_trunc),
    ("float_array.c", _float_array),
    ("float_compound.c", _float_compound),
    ("float_calls.c", _float_calls),
    ("float_operands.c", _float_operands),
    ("float_bits.c", _float_bits),
    ("variadic_float.c", _variadic_float),
    ("float_mixed.c", _float_mixed),
    ("float_cond.c", _float_cond),
    ("float_toint.c", _float_toint),
    ("float_order.c", _float_order),
    ("float_right.c", _float_right),
    ("float_exprs.c", _float_exprs),
    ("float_negate.c", _float_negate),
    ("float_steps.c", _float_steps),
    ("float_intcmp.c", _float_intcmp),
    ("float_choice_narrow.c", _float_choice_narrow),
    ("float_arrays3d.c", _float_arrays3d),
]
# The double sizes the float programs run with, and the option that selects each.
DOUBLE_SIZES = [(3, []), (4, ["--double=32"])]
# The 16C84's 36 bytes of RAM hold the float package's 15 scratch bytes and little more: a
# float program split with PART(n) runs there one group at a time; these are not split yet.
NOT_ON.update({source: ({"16C84"}, "its data and the float package's scratch bytes exceed the chip's 36 bytes of RAM")
               for source in ("float_array.c", "float_compound.c", "variadic_float.c", "float_arrays3d.c")})
# Groups that fit with the 24-bit double but not with the 32-bit one.
NOT_ON.update({group: ({"16C84"}, "with the 32-bit double its operands, temporaries and the float package's scratch "
                       "bytes exceed the chip's 36 bytes of RAM")
               for group in ("float_calls.c#1", "float_cond.c#2", "float_mixed.c#3", "float_mixed.c#4")})
NOT_ON.update({group: ({"16C84"}, "its doubles, the call's or the expression's temporaries and the float package's "
                       "scratch bytes exceed the chip's 36 bytes of RAM")
               for group in ("float_steps.c#6", "float_order.c#1", "float_operands.c#2", "float_operands.c#3",
                             "float_right.c#2", "float_negate.c#4", "float_exprs.c#1", "float_exprs.c#3")})
NOT_ON["float_add.c#3"] = ({"16C84"}, "four 32-bit doubles (its compares read a, b, tiny and r_cancel) and the float "
                           "package's scratch bytes exceed the chip's 36 bytes of RAM")
# Const automatics set at run time, and a case label outside a byte selector's range.
C_PROGRAMS += [
    ("const_auto_switch.c", [("r_sum", "i16"), ("r_low", "i16"), ("r_fixed", "u8"), ("r_minus", "u8"),
                             ("r_match", "u8"), ("r_tail", "u8")]),
]

C_PROGRAMS += [
    # byte and pointer assignments chained; volatile variables read for their effect alone
    ("chained_volatile.c", [("r_b", "u8", 4), ("r_idx", "u8", 2), ("r_w", "i16", 2), ("r_l", "u32")]),
]

C_PROGRAMS += [
    # values returned from arithmetic on run-time routine results
    ("returns_computed.c", [("r_w", "i16", 5), ("r_v", "i16", 5), ("r_u", "u16", 6), ("r_b", "u8", 2), ("r_l", "i32", 2)]),
]

C_PROGRAMS += [
    # integer operations nested inside operations done by run-time routines
    ("nested_routines.c", [("r_q", "i16", 3), ("r_p", "i16", 3), ("r_l0", "i32"), ("r_l1", "i32"), ("r_u", "u16")]),
]

C_PROGRAMS += [
    # an assignment from a call, returned
    ("returns_assigned.c", [("r_ring", "u16", 4), ("r_level", "i16", 3)]),
]

C_PROGRAMS += [
    # words updated through pointers with byte and computed operands
    ("pointer_updates.c", [("r_w", "i16", 2), ("r_x", "i16", 2), ("r_up", "u16"), ("r_u", "u16", 4)]),
]
# Chips besides those of SMALL_RAM where a split program runs one group at a time:
# {program: {chips}}. Whole, these programs' data and the 32-bit routines' scratch bytes
# exceed the 64 bytes of the 12F6xx.
SPLIT_ON = {source: {"12F629", "12F675"} for source in ("returns_computed.c", "pointer_updates.c")}
# values computed in the scratch bytes as the left operand of a routine or shift, or returned
C_PROGRAMS += [
    ("scratch_chains.c", [("r_w", "u16", 3), ("r_v", "u16", 3), ("r_s", "i16", 2), ("r_l", "u32")]),
]
# Conversions to the other signedness over values that compute by their own sign.
C_PROGRAMS += [
    ("sign_retype.c", [("r_neg", "i16"), ("r_negw", "i16"), ("r_ushift", "u16"), ("r_div", "i16"), ("r_mod", "i16"),
                       ("r_udiv", "u16"), ("r_lneg", "i32"), ("r_lshift", "u32"), ("r_ldiv", "i32"), ("r_bneg", "i8"),
                       ("r_bshift", "u8")]),
]

C_PROGRAMS += [
    # two calls in one statement: one computes an element's index, an operand or an argument
    ("call_order.c", [("r_arr", "u8", 4), ("r_warr", "u16", 4), ("r_sum", "u8"), ("r_w", "u16"), ("r_arg", "u8")]),
]
# values read and stepped through pointers inside larger expressions
C_PROGRAMS += [
    ("pointer_values.c", [("r_chain", "i16", 4), ("r_const", "i16", 5), ("r_byte", "u8", 2), ("r_step", "i16", 5),
                          ("r_copy", "u8", 4), ("r_logic", "i16", 3), ("r_void", "u8", 2), ("r_fn", "u8")]),
]
# Whole, its data and the run-time routines' scratch bytes exceed these chips' RAM.
SPLIT_ON["pointer_values.c"] = {"16F84", "16F84A", "12F629", "12F675", "16F684"}
NOT_ON.update({group: ({"16C84"}, "its results, locals and the run-time routines' scratch bytes exceed the chip's 36 bytes "
                       "of RAM") for group in ("pointer_values.c#2", "pointer_values.c#3", "pointer_values.c#5")})
# Const automatics set at run time whose const comes from a typedef.
C_PROGRAMS += [
    ("typedef_const_auto.c", [("r_once", "i16"), ("r_loop", "i16"), ("r_byte", "u8"), ("r_nested", "i16")]),
]
# Switches on a value that folds to a constant.
C_PROGRAMS += [
    ("switch_constant.c", [("r_sel", "u8", 8)]),
]
# A byte shifted by a constant compared with a call's result.
C_PROGRAMS += [
    ("shift_beside_call.c", [("r_cmp", "u8", 8)]),
]
# Whole, its conversions, compares and the float package exceed the program memory of the chips
# with 1K words (it fits 2K); each group converts two integer widths and fits.
SPLIT_ON["float_intcmp.c"] = {"16F84", "16F84A", "16F627", "16F627A", "12F629", "12F675", "16F684"}
NOT_ON["float_intcmp.c"] = ({"16C84"}, "each group's two doubles, its converted operands and the float package's "
                            "scratch bytes exceed the chip's 36 bytes of RAM with the 32-bit double (with the "
                            "24-bit one too where a group converts a long)")
# Calls through pointers whose arguments call (also the pointer's own functions' callees), and
# pointer calls as arguments.
C_PROGRAMS += [
    ("fnptr_arg_calls.c", [("r_w", "u16", 6), ("r_b", "u8", 2)]),
]
# Words and longs through pointers to pointers; const word and long parameters; a wide const
# structure copied through a pointer.
C_PROGRAMS += [
    ("double_deref_const_params.c", [("r_store", "i16", 3), ("r_long", "i32"), ("r_read", "i16"), ("r_step", "i16", 2),
                                     ("r_cparam", "i16", 4), ("r_clong", "i32"), ("r_copy", "i16", 2), ("r_climit", "i32")]),
]
SPLIT_ON["double_deref_const_params.c"] = {"16F84", "16F84A", "12F629", "12F675"}
NOT_ON.update({group: ({"16C84"}, "its pointers, results and the run-time routines' scratch bytes exceed the chip's 36 "
                       "bytes of RAM") for group in ("double_deref_const_params.c#2", "double_deref_const_params.c#3")})
# Whole, its results and the float package's scratch bytes exceed these chips' 68 bytes of RAM or less.
SPLIT_ON["float_steps.c"] = {"16F84", "16F84A", "12F629", "12F675"}
NOT_ON["struct_ptr_copies.c#1"] = ({"16C84"}, "its 15-byte array, the 5-byte auto, the calls' pointer arguments and the "
                                   "scratch bytes need 44 bytes of RAM")
# Bit-fields with constant operands: bits beyond the field, signed fields, signed one-bit fields.
C_PROGRAMS += [
    ("bitfield_constants.c", [("r_u", "u8", 10), ("r_w", "u16", 2), ("g_and", "i8"), ("r_s", "i8", 8), ("r_cmp", "u8", 6),
                              ("r_asg", "i8", 4)]),
]
NOT_ON.update({group: ({"16C84"}, "the 10-byte result array, the 6-byte structure returned and built and the run-time "
                       "routines' scratch bytes exceed the chip's 36 bytes of RAM")
               for group in ("struct_members.c#4", "struct_members.c#7")})
# Const structures of 1 to 8 bytes copied from a pointer and through one; int and long elements
# at an index that subtracts a variable; const structure parameters.
C_PROGRAMS += [
    ("const_struct_copies.c", [("r_small", "u8", 3), ("r_words", "i16", 3), ("r_wide", "i16", 2), ("r_longs", "i32", 2), ("r_moved", "u8", 2),
                               ("r_mw", "i16"), ("r_ml", "i32"), ("r_aw", "i16"), ("r_al", "i32"), ("r_kept", "u8", 9),
                               ("r_kw", "i16"), ("r_iw", "i16", 4), ("r_il", "i32", 4), ("r_param", "u8", 4),
                               ("r_pw", "i16")]),
]
# Its seven groups' tables, automatics and temporaries exceed bank 0 together on every chip.
SPLIT_ON["const_struct_copies.c"] = set(CHIPS)
NOT_ON.update({group: ({"16C84"}, "its structures, results and the run-time routines' scratch bytes exceed the chip's 36 "
                       "bytes of RAM") for group in ("const_struct_copies.c#%d" % n for n in (1, 3, 5, 6, 7))})
# Function pointers passed after other arguments, at offsets in the callee's argument area.
C_PROGRAMS += [
    ("fnptr_args_later.c", [("r_seen", "u8", 4), ("r_sum", "i16")]),
]


# Floats made integers and back, read through stepped pointers, compared into a stepped pointer.
def _float_intback(n):
    P = lambda x: _fe.from_float(x, n)  # noqa: E731
    two = _fe.from_int(2, n)
    return [("r_back", n, two), ("r_frac", n, _fe.sub(P(2.75), two, n)), ("r_lback", n, _fe.from_int(-7, n)),
            ("r_sum", n, _fe.add(P(0.5), P(-1.25), n)), ("r_eq", 6, 1 | 1 << 32)]


FLOAT_PROGRAMS.append(("float_intback.c", _float_intback))


def _float_const_toint(n):
    P = lambda x: _fe.from_float(x, n)  # noqa: E731
    to = lambda x, signed, bits: _fe.to_int(P(x), n, signed, bits)  # noqa: E731
    return [("c_u16", 2, to(-40000.0, False, 16)), ("c_u8", 1, to(-3.5, False, 8)), ("c_u32", 4, to(-3.5, False, 32)),
            ("c_big", 4, to(5e9, False, 32)), ("c_i8", 1, to(300.0, True, 8)), ("c_i32", 4, to(-3e10, True, 32)),
            ("i_u16", 2, to(-40000.0, False, 16)), ("i_u32", 4, to(-3.5, False, 32)),
            ("i_i32", 4, to(3e10, True, 32)), ("i_u8", 1, to(300.0, False, 8)),
            ("c_round", 4, to(-2500000.0, True, 32)), ("c_top", 2, to(65535.9, False, 16)),
            ("i_round", 4, to(-2500000.0, True, 32)),
            ("r_u16", 2, to(-40000.0, False, 16)), ("r_u32", 4, to(-3.5, False, 32))]


FLOAT_PROGRAMS.append(("float_const_toint.c", _float_const_toint))


def _float_zeros(n):
    zero = _fe.from_float(0.0, n)
    minus = _fe.mul(_fe.from_float(-7e-05, n), zero, n)
    negated = zero ^ 1 << (8 * n - 1)
    return [("r_sum", n, _fe.add(zero, minus, n)), ("r_rev", n, _fe.add(minus, zero, n)),
            ("r_neg", n, _fe.add(negated, minus, n))]


FLOAT_PROGRAMS.append(("float_zeros.c", _float_zeros))
# Whole, its results and the float package's scratch bytes exceed 68 bytes of RAM.
SPLIT_ON["float_const_toint.c"] = {"16F84", "16F84A", "12F629", "12F675"}
# Whole, its doubles, arrays and the float package's scratch bytes exceed 68 bytes of RAM.
SPLIT_ON["float_intback.c"] = {"16F84", "16F84A", "12F629", "12F675"}
NOT_ON["float_intback.c#4"] = ({"16C84"}, "its two arrays of 32-bit doubles, the results and the float package's "
                               "scratch bytes exceed the chip's 36 bytes of RAM")
SPLIT_ON["arrays2d.c"] = {"16F84", "16F84A", "12F629", "12F675"}
# Automatic arrays and structures with fewer initialisers than elements: the rest is zero.
C_PROGRAMS += [
    ("local_partial_init.c", [("r_arr", "i16", 4), ("r_str", "u8", 5), ("r_long", "i32", 2), ("r_pair", "i16", 3),
                              ("r_nest_a", "i16"), ("r_nest", "u8", 5), ("r_rows", "u8", 4), ("r_ptrs", "u8", 3)]),
]
SPLIT_ON["local_partial_init.c"] = {"16F84", "16F84A", "12F629", "12F675"}
NOT_ON["local_partial_init.c#1"] = ({"16C84"}, "its results, the locals and the bytes filled before them need 52 bytes of RAM")
NOT_ON["float_choice_narrow.c#1"] = ({"16C84"}, "the division, the conversions and their scratch bytes exceed the chip's 36 "
                                                "bytes of RAM")
# Byte values negated or complemented through casts meeting values only W holds; products and
# negations as the W argument of calls whose result is wider than a byte.
C_PROGRAMS += [
    ("negated_cast_args.c", [("r_neg", "u8", 5), ("r_wide", "u16", 3), ("r_long", "i32"), ("r_swide", "i16", 2),
                             ("r_byte", "u8", 2)]),
]
SPLIT_ON["negated_cast_args.c"] = {"16F84", "16F84A", "12F629", "12F675"}
NOT_ON.update({group: ({"16C84"}, "its results, the calls' arguments, results and temporaries and the run-time "
                                  "routines' scratch bytes exceed the chip's 36 bytes of RAM")
               for group in ("negated_cast_args.c#%d" % n for n in (2, 3, 4))})
# Automatic arrays of arrays with an initialiser.
C_PROGRAMS += [
    ("local_2d_init.c", [("r_bytes", "u8", 6), ("r_short", "u8", 6), ("r_flat", "u8", 6), ("r_counted", "u8", 5),
                         ("r_cube", "u8", 8), ("r_words", "i16", 6), ("r_longs", "i32", 4), ("r_text", "u8", 6),
                         ("r_names", "u8", 5), ("r_recs", "i16", 6)]),
]
# Its six groups' results and automatics exceed bank 0 together on every chip.
SPLIT_ON["local_2d_init.c"] = set(CHIPS)
NOT_ON.update({group: ({"16C84"}, "its results, the arrays and the bytes filled before them exceed the chip's 36 bytes "
                       "of RAM") for group in ("local_2d_init.c#%d" % n for n in (2, 4, 5, 6))})
# Parameters that are themselves const pointers, indexed and read in arithmetic.
C_PROGRAMS += [
    ("const_ptr_params.c", [("r_word", "i16", 4), ("r_index", "i16", 2), ("r_long", "i32", 3), ("r_byte", "u8", 2)]),
]
# Whole, its tables, results and the long routines' scratch bytes exceed these chips' RAM.
SPLIT_ON["const_ptr_params.c"] = {"16F84", "16F84A", "12F629", "12F675"}
NOT_ON["const_ptr_params.c#2"] = ({"16C84"}, "its long array, results and the long routines' scratch bytes exceed the "
                                  "chip's 36 bytes of RAM")
# Structures passed to old-style functions called without a prototype.
C_PROGRAMS += [
    ("oldstyle_struct_args.c", [("r_one", "u8", 2), ("r_two", "i16", 2), ("r_three", "i16", 2)]),
]
# Byte operations between an element read through FSR and a wider variable or its low byte.
C_PROGRAMS += [
    ("narrow_cast_elements.c", [("r_w", "u8", 4), ("r_l", "u8", 4), ("r_sw", "i8", 4), ("r_sl", "i8", 2),
                                ("r_slu", "u8", 2), ("r_wide", "u16", 2), ("r_long", "u32"), ("r_swide", "i16", 2),
                                ("r_slong", "i32"), ("r_misc", "u8", 4), ("w", "u16"), ("sl", "i32"), ("b7", "u8")]),
]
SPLIT_ON["narrow_cast_elements.c"] = {"16F84", "16F84A", "12F629", "12F675"}
# String literals given to plain pointers: read, walked, compared and written through their RAM
# copies. Every copy lives in bank 0, which the program's literals together overflow.
C_PROGRAMS += [
    ("ram_strings.c", [("r_walk", "u8", 2), ("r_sum", "u8"), ("r_cmp", "u8"), ("r_write", "u8", 4),
                       ("r_static", "u8", 3), ("r_table", "u8", 3), ("r_args", "u8", 3), ("r_chosen", "u8", 2),
                       ("r_offset", "u8", 2), ("r_list", "u8", 2), ("r_member", "u8", 2)]),
]
SPLIT_ON["ram_strings.c"] = set(CHIPS)
# Stores and steps used for their values at variable indexes, through pointers and members;
# addresses computed through pointers read from members, and arrays in program-memory
# structures indexed by their own members.
C_PROGRAMS += [
    ("compound_values2.c", [("r_b", "u8", 7), ("b8", "u8", 3), ("r_s", "i8", 3), ("s8", "i8", 2), ("r_sw", "i16", 3),
                            ("s16", "i16", 2), ("r_w", "u16", 3), ("w16", "u16", 2), ("r_wv", "u16", 3), ("wv", "u16", 2),
                            ("r_l", "u32"), ("l32", "u32", 2), ("r_sl", "i32"), ("t32", "i32", 2), ("r_m", "u16"),
                            ("r_mb", "u8", 2), ("r_ml", "u32"), ("r_cell", "u16"), ("cells", "u8", 8), ("r_p", "u16", 2),
                            ("r_loop", "u8"), ("ring", "u16", 2), ("r_sk", "u16"), ("args", "i16", 2),
                            ("r_args", "i16"), ("t", "i16", 2), ("d", "i16"), ("r_c", "u8", 8), ("r_cw", "i16"),
                            ("r_vb", "u8", 2), ("vb", "u8", 2), ("r_vw", "u16", 2), ("vw", "u16", 2)]),
]
# Its groups' data exceed bank 0 together.
SPLIT_ON["compound_values2.c"] = set(CHIPS)
NOT_ON.update({group: ({"16C84"}, "its data, the pointer and value temporaries of its statements and the run-time "
                       "routines' scratch bytes exceed the chip's 36 bytes of RAM")
               for group in ("compound_values2.c#%d" % n for n in (3, 5, 6, 7, 12, 13, 14, 15))})
# Stores, compound assignments and steps at variable indexes through pointers into the EEPROM.
C_PROGRAMS += [
    ("eeprom_indexed_stores.c", [("r_w", "i16", 3), ("r_edge", "u8", 2), ("r_v", "i16", 4), ("r_l", "i32", 3),
                                 ("r_lv", "i32", 2), ("r_x", "i16", 2), ("r_z", "u8", 3), ("r_y", "i32", 2)]),
]
# Whole, its code exceeds the chips with 1K words and its results the smallest RAM.
SPLIT_ON["eeprom_indexed_stores.c"] = set(CHIPS)
NOT_ON.update({group: ({"16C84"}, "its results, the pointer temporaries of its statements and the scratch bytes of the "
                       "EEPROM and long routines exceed the chip's 36 bytes of RAM")
               for group in ("eeprom_indexed_stores.c#%d" % n for n in (1, 2, 3, 4, 6))})
# Bit-field stores, compound assignments and steps used for their values.
C_PROGRAMS += [
    ("bitfield_values.c", [("r_u1", "u8", 4), ("r_f1", "u8", 3), ("r_u2", "u8", 4), ("r_f2", "u8", 2),
                           ("r_s3", "i16", 3), ("r_s4", "i16", 3), ("r_f4", "u8")]),
]
SPLIT_ON["bitfield_values.c"] = {"16F84", "16F84A", "16F627", "16F627A", "12F629", "12F675", "16F684"}
NOT_ON["bitfield_values.c"] = ({"16C84"}, "each group's fields, results, temporaries and the run-time routines' "
                               "scratch bytes exceed the chip's 36 bytes of RAM")
# Pointers initialised with the addresses of const tables, their elements and members.
C_PROGRAMS += [
    ("const_table_addrs.c", [("r_w", "i16", 4), ("r_b", "u8", 6)]),
]
# Compound assignments to volatile bit-fields used for their values; pointer members of
# structures in the data EEPROM.
C_PROGRAMS += [
    ("volatile_eeprom_values.c", [("r_u1", "u8", 6), ("r_s1", "i8", 3), ("r_raw1", "u8", 4), ("r_u2", "u8", 5),
                                  ("r_s2", "i8", 3), ("r_raw2", "u8", 4), ("r_p3", "u8", 4), ("r_q3", "i16", 2),
                                  ("r_tag3", "u8"), ("r_p4", "u8", 5), ("r_q4", "i16")]),
]
SPLIT_ON["volatile_eeprom_values.c"] = {"16F84", "16F84A", "16F627", "16F627A", "12F629", "12F675", "16F684"}
