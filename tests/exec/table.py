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
    # pointers and aggregates
    ("pointers.c", [("r_b", "u8", 6), ("r_w", "i16", 3), ("r_l", "i32", 2)]),
    ("arrays.c", [("r_g", "u8", 4), ("r_w", "i16", 4), ("r_l", "i32", 3), ("r_s", "u8", 3), ("r_loc", "u8", 4)]),
    ("structs.c", [("r_x", "i16", 2), ("r_tag", "u8", 2), ("r_big", "i32", 2), ("r_name", "u8", 2),
                   ("r_u", "u8", 4), ("r_uw", "i16", 2)]),
    ("romdata.c", [("r_b", "u8", 6), ("r_w", "i16", 3), ("r_l", "i32", 2), ("r_str", "u8", 6),
                   ("r_rec", "u8", 4), ("r_recb", "i16")]),
]

ASM_PROGRAMS = [
    # 1234 * 56 = 0x10DF0, 100000 / 7 = 14285, -7 % 3 = -1
    ("arith_rt.as", [("_product", 2, 0x0DF0), ("_quotient", 4, 14285), ("_remainder", 1, 0xFF)]),
    ("table_rt.as", [("_copied", 4, 0x01040103), ("_last", 1, 5)]),
]

CHIPS = ["16F877A", "16F84A", "12F675"]
OPTION_SETS = [["--opt=none"], []]
