"""The programs of the execution tests. Each leaves its results in globals and ends with STOP()
(assembly: writes 1 to orm_done and loops).

C programs list their results as (global, type) or (global, type, element count); the expected
values come from the same program built for the host with gcc through target.h. Assembly
programs list (symbol, size in bytes, value) with values worked out by hand.

To add a program: put it in programs/ and add a line here."""

C_PROGRAMS = [
    ("arith.c", [("r_u8", "u8", 6), ("r_i8", "i8", 4), ("r_u16", "u16", 8), ("r_i16", "i16", 6),
                 ("r_u32", "u32", 6), ("r_i32", "i32", 6)]),
    ("control.c", [("r_sum", "u16"), ("r_sorted", "u8", 8), ("r_dot", "i32"), ("r_cases", "u8", 4),
                   ("r_mid", "i16", 2), ("r_tag", "u8")]),
    # values: moves, constants, + - & | ^ ~ negation, compound assignments, conversions
    ("values16.c", [("r_add", "u16"), ("r_add2", "u16"), ("r_sub", "u16"), ("r_sub2", "u16"),
                    ("r_logic", "u16"), ("r_compl", "u16"), ("r_inc", "u16"), ("r_dec", "u16"),
                    ("r_ops", "u16"), ("r_const", "u16"), ("r_neg", "i16"), ("r_neg2", "i16"),
                    ("r_sinc", "i16"), ("r_sdec", "i16"), ("r_chain", "u16"), ("r_csub", "u16")]),
    ("values32.c", [("r_add", "u32"), ("r_sub", "u32"), ("r_logic", "u32"), ("r_ops", "u32"),
                    ("r_neg", "i32")]),
    ("convert.c", [("r_ub_w", "u16"), ("r_sum_w", "u16"), ("r_sb_w", "i16"), ("r_pos_w", "i16"),
                   ("r_ub_l", "u32"), ("r_uw_l", "u32"), ("r_sb_l", "i32"), ("r_sw_l", "i32"),
                   ("r_uw_sl", "i32"), ("r_lb", "u8"), ("r_wb", "u8"), ("r_lw", "u16"),
                   ("r_nb", "u8"), ("r_ng", "i8")]),
]

ASM_PROGRAMS = [
    # 1234 * 56 = 0x10DF0, 100000 / 7 = 14285, -7 % 3 = -1
    ("arith_rt.as", [("_product", 2, 0x0DF0), ("_quotient", 4, 14285), ("_remainder", 1, 0xFF)]),
    ("table_rt.as", [("_copied", 4, 0x01040103), ("_last", 1, 5)]),
]

CHIPS = ["16F877A", "16F84A", "12F675"]
OPTION_SETS = [["--opt=none"], []]
