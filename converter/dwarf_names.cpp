// Names of the DWARF 2 constants, by class.
#include "converter/dwarf_names.h"

#include <cstdio>

namespace conv {

namespace {

const dwarf_name tags[] = {
    {0x00, "padding"}, {0x01, "array_type"}, {0x02, "class_type"}, {0x03, "entry_point"},
    {0x04, "enumeration_type"}, {0x05, "formal_parameter"}, {0x08, "imported_declaration"}, {0x0a, "label"},
    {0x0b, "lexical_block"}, {0x0d, "member"}, {0x0f, "pointer_type"}, {0x10, "reference_type"},
    {0x11, "compile_unit"}, {0x12, "string_type"}, {0x13, "structure_type"}, {0x15, "subroutine_type"},
    {0x16, "typedef"}, {0x17, "union_type"}, {0x18, "unspecified_parameters"}, {0x19, "variant"},
    {0x1a, "common_block"}, {0x1b, "common_inclusion"}, {0x1c, "inheritance"}, {0x1d, "inlined_subroutine"},
    {0x1e, "module"}, {0x1f, "ptr_to_member_type"}, {0x20, "set_type"}, {0x21, "subrange_type"},
    {0x22, "with_stmt"}, {0x23, "access_declaration"}, {0x24, "base_type"}, {0x25, "catch_block"},
    {0x26, "const_type"}, {0x27, "constant"}, {0x28, "enumerator"}, {0x29, "file_type"}, {0x2a, "friend"},
    {0x2b, "namelist"}, {0x2c, "namelist_item"}, {0x2d, "packed_type"}, {0x2e, "subprogram"},
    {0x2f, "template_type_param"}, {0x30, "template_value_param"}, {0x31, "thrown_type"}, {0x32, "try_block"},
    {0x33, "variant_part"}, {0x34, "variable"}, {0x35, "volatile_type"}};
const dwarf_name attributes[] = {
    {0x01, "sibling"}, {0x02, "location"}, {0x03, "name"}, {0x09, "ordering"}, {0x0b, "byte_size"},
    {0x0c, "bit_offset"}, {0x0d, "bit_size"}, {0x10, "stmt_list"}, {0x11, "low_pc"}, {0x12, "high_pc"},
    {0x13, "language"}, {0x15, "discr"}, {0x16, "discr_value"}, {0x17, "visibility"}, {0x18, "import"},
    {0x19, "string_length"}, {0x1a, "common_reference"}, {0x1b, "comp_dir"}, {0x1c, "const_value"},
    {0x1d, "containing_type"}, {0x1e, "default_value"}, {0x20, "inline"}, {0x21, "is_optional"},
    {0x22, "lower_bound"}, {0x25, "producer"}, {0x27, "prototyped"}, {0x2a, "return_addr"},
    {0x2c, "start_scope"}, {0x2e, "stride_size"}, {0x2f, "upper_bound"}, {0x31, "abstract_origin"},
    {0x32, "accessibility"}, {0x33, "address_class"}, {0x34, "artificial"}, {0x35, "base_types"},
    {0x36, "calling_convention"}, {0x37, "count"}, {0x38, "data_member_location"}, {0x39, "decl_column"},
    {0x3a, "decl_file"}, {0x3b, "decl_line"}, {0x3c, "declaration"}, {0x3d, "discr_list"}, {0x3e, "encoding"},
    {0x3f, "external"}, {0x40, "frame_base"}, {0x41, "friend"}, {0x42, "identifier_case"},
    {0x43, "macro_info"}, {0x44, "namelist_item"}, {0x45, "priority"}, {0x46, "segment"},
    {0x47, "specification"}, {0x48, "static_link"}, {0x49, "type"}, {0x4a, "use_location"},
    {0x4b, "variable_parameter"}, {0x4c, "virtuality"}, {0x4d, "vtable_elem_location"}};
const dwarf_name forms[] = {
    {0x01, "addr"}, {0x03, "block2"}, {0x04, "block4"}, {0x05, "data2"}, {0x06, "data4"}, {0x07, "data8"},
    {0x08, "string"}, {0x09, "block"}, {0x0a, "block1"}, {0x0b, "data1"}, {0x0c, "flag"}, {0x0d, "sdata"},
    {0x0e, "strp"}, {0x0f, "udata"}, {0x10, "ref_addr"}, {0x11, "ref1"}, {0x12, "ref2"}, {0x13, "ref4"},
    {0x14, "ref8"}, {0x15, "ref_udata"}, {0x16, "indirect"}};
const dwarf_name fixed_ops[] = {
    {0x03, "addr"}, {0x06, "deref"}, {0x08, "const1u"}, {0x09, "const1s"}, {0x0a, "const2u"},
    {0x0b, "const2s"}, {0x0c, "const4u"}, {0x0d, "const4s"}, {0x0e, "const8u"}, {0x0f, "const8s"},
    {0x10, "constu"}, {0x11, "consts"}, {0x12, "dup"}, {0x13, "drop"}, {0x14, "over"}, {0x15, "pick"},
    {0x16, "swap"}, {0x17, "rot"}, {0x18, "xderef"}, {0x19, "abs"}, {0x1a, "and"}, {0x1b, "div"},
    {0x1c, "minus"}, {0x1d, "mod"}, {0x1e, "mul"}, {0x1f, "neg"}, {0x20, "not"}, {0x21, "or"}, {0x22, "plus"},
    {0x23, "plus_uconst"}, {0x24, "shl"}, {0x25, "shr"}, {0x26, "shra"}, {0x27, "xor"}, {0x28, "bra"},
    {0x29, "eq"}, {0x2a, "ge"}, {0x2b, "gt"}, {0x2c, "le"}, {0x2d, "lt"}, {0x2e, "ne"}, {0x2f, "skip"},
    {0x90, "regx"}, {0x91, "fbreg"}, {0x92, "bregx"}, {0x93, "piece"}, {0x94, "deref_size"},
    {0x95, "xderef_size"}, {0x96, "nop"}};
const dwarf_name lns[] = {{1, "copy"}, {2, "advance_pc"}, {3, "advance_line"}, {4, "set_file"},
                          {5, "set_column"}, {6, "negate_stmt"}, {7, "set_basic_block"}, {8, "const_add_pc"},
                          {9, "fixed_advance_pc"}};
const dwarf_name lne[] = {{1, "end_sequence"}, {2, "set_address"}, {3, "define_file"}};
const dwarf_name cfa[] = {{0x00, "nop"}, {0x01, "set_loc"}, {0x02, "advance_loc1"}, {0x03, "advance_loc2"},
                          {0x04, "advance_loc4"}, {0x05, "offset_extended"}, {0x06, "restore_extended"},
                          {0x07, "undefined"}, {0x08, "same_value"}, {0x09, "register"},
                          {0x0a, "remember_state"}, {0x0b, "restore_state"}, {0x0c, "def_cfa"},
                          {0x0d, "def_cfa_register"}, {0x0e, "def_cfa_offset"}, {0x40, "advance_loc"},
                          {0x80, "offset"}, {0xc0, "restore"}};
const dwarf_name macinfo[] = {{1, "define"}, {2, "undef"}, {3, "start_file"}, {4, "end_file"}, {255, "vendor_ext"}};
const dwarf_name langs[] = {{1, "C89"}, {2, "C"}, {3, "Ada83"}, {4, "C_plus_plus"}, {5, "Cobol74"},
                            {6, "Cobol85"}, {7, "Fortran77"}, {8, "Fortran90"}, {9, "Pascal83"}, {10, "Modula2"}};
const dwarf_name ates[] = {{1, "address"}, {2, "boolean"}, {3, "complex_float"}, {4, "float"}, {5, "signed"},
                           {6, "signed_char"}, {7, "unsigned"}, {8, "unsigned_char"}};
const dwarf_name access[] = {{1, "public"}, {2, "protected"}, {3, "private"}};
const dwarf_name vis[] = {{1, "local"}, {2, "exported"}, {3, "qualified"}};
const dwarf_name virtuality[] = {{0, "none"}, {1, "virtual"}, {2, "pure_virtual"}};
const dwarf_name ids[] = {{0, "case_sensitive"}, {1, "up_case"}, {2, "down_case"}, {3, "case_insensitive"}};
const dwarf_name ccs[] = {{1, "normal"}, {2, "program"}, {3, "nocall"}};
const dwarf_name inls[] = {{0, "not_inlined"}, {1, "inlined"}, {2, "declared_not_inlined"}, {3, "declared_inlined"}};
const dwarf_name ords[] = {{0, "row_major"}, {1, "col_major"}};
const dwarf_name dscs[] = {{0, "label"}, {1, "range"}};

template <size_t N> constexpr dwarf_class make(const char* prefix, const dwarf_name (&rows)[N], uint32_t lo, uint32_t hi) {
    return {prefix, rows, N, lo, hi};
}

}  // namespace

const dwarf_class DW_TAG = make("TAG", tags, 0x4080, 0xFFFF);
const dwarf_class DW_AT = make("AT", attributes, 0x2000, 0x3FFF);
const dwarf_class DW_FORM = make("FORM", forms, 1, 0);
const dwarf_class DW_OP = make("OP", fixed_ops, 0xE0, 0xFF);
const dwarf_class DW_LNS = make("LNS", lns, 1, 0);
const dwarf_class DW_LNE = make("LNE", lne, 1, 0);
const dwarf_class DW_CFA = make("CFA", cfa, 0x1C, 0x3F);
const dwarf_class DW_MACINFO = make("MACINFO", macinfo, 1, 0);
const dwarf_class DW_LANG = make("LANG", langs, 0x8000, 0xFFFF);
const dwarf_class DW_ATE = make("ATE", ates, 0x80, 0xFF);
const dwarf_class DW_ACCESS = make("ACCESS", access, 1, 0);
const dwarf_class DW_VIS = make("VIS", vis, 1, 0);
const dwarf_class DW_VIRTUALITY = make("VIRTUALITY", virtuality, 1, 0);
const dwarf_class DW_ID = make("ID", ids, 1, 0);
const dwarf_class DW_CC = make("CC", ccs, 0x40, 0xFF);
const dwarf_class DW_INL = make("INL", inls, 1, 0);
const dwarf_class DW_ORD = make("ORD", ords, 1, 0);
const dwarf_class DW_DSC = make("DSC", dscs, 1, 0);

const char* dwarf_class::find(uint32_t value) const {
    for (size_t i = 0; i < count; ++i)
        if (rows[i].value == value) return rows[i].name;
    return nullptr;
}

std::string dwarf_class::full(uint32_t value) const {
    char text[96];
    if (const char* n = find(value)) {
        std::snprintf(text, sizeof text, "DW_%s_%s", prefix, n);
        return text;
    }
    std::snprintf(text, sizeof text, "?? 0x%08lX%s", static_cast<unsigned long>(value),
                  value >= user_low && value <= user_high ? " (user-defined)" : "");
    return text;
}

std::string dwarf_class::bare(uint32_t value) const {
    const char* n = find(value);
    if (!n) return full(value);
    std::string s = n;
    for (char& c : s)
        if (c == '_') c = ' ';
    return s;
}

std::string dwarf_op_name(uint32_t op) {
    char text[32];
    if (op >= 0x30 && op <= 0x4F) std::snprintf(text, sizeof text, "DW_OP_lit%u", op - 0x30);
    else if (op >= 0x50 && op <= 0x6F) std::snprintf(text, sizeof text, "DW_OP_reg%u", op - 0x50);
    else if (op >= 0x70 && op <= 0x8F) std::snprintf(text, sizeof text, "DW_OP_breg%u", op - 0x70);
    else return DW_OP.full(op);
    return text;
}

}  // namespace conv
