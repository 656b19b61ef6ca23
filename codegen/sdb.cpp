// Source-level debug records.
#include "codegen/sdb.h"

#include <cerrno>
#include <cstring>

#include "codegen/context.h"
#include "common/alert.h"

namespace cg {

namespace {

void put(cg_context& ctx, const std::string& text) { std::fputs(text.c_str(), ctx.sdb.file); }

void append_level_marks(std::string& out, uint16_t levels, uint16_t classes) {
    for (uint16_t l = levels; l; l = static_cast<uint16_t>(l >> 2)) {
        if ((l & 3) == LEVEL_FUNCTION) out += '(';
        else if ((l & 3) == LEVEL_POINTER) out += '*';
    }
    for (int bit = 0; bit < 16; ++bit)
        if (classes & (1u << bit)) out += ptr_class_letters[bit];
}

// Storage letter by storage class: t typedef, p parameter, a auto, r register, e external, s static.
char storage_letter(const symbol* s) {
    if (s->flags & SF_PARAM_COPY) return 'p';
    return "tpares"[static_cast<int>(s->sclass) <= 5 ? static_cast<int>(s->sclass) : 0];
}

std::string count_field(const symbol* s) {
    bool array = (s->flags & SF_ARRAY) != 0;
    return " " + std::to_string(array ? s->count : 1) + (array ? "a" : "") + " ";
}

// A symbol the parser made without a C name ("F" and its number).
bool is_internal(const symbol* s) {
    return s->name.size() > 1 && s->name[0] == 'F' && s->name[1] >= '0' && s->name[1] <= '9';
}

// Placeholder types and the parser's unnamed typedefs stand for their own levels.
bool is_unnamed_type(const symbol* s) {
    return (s->flags & SF_PLACEHOLDER) || (s->kind == sym_kind::type_name && is_internal(s) && s->base);
}

}  // namespace

std::string sdb_type_string(const symbol* s) {
    std::string out = "`";
    append_level_marks(out, s->levels, s->classes);
    const symbol* base = s->base;
    for (int guard = 0; base && is_unnamed_type(base) && guard < 64; ++guard) {
        append_level_marks(out, base->levels, base->classes);
        base = base->base;
    }
    out += base ? base->name : std::string("v");
    out += ' ';
    return out;
}

bool sdb_open(cg_context& ctx, const std::string& name) {
    ctx.sdb.file = std::fopen(name.c_str(), "w");
    if (!ctx.sdb.file) {
        alert_message(461, "debug (SDB)", name.c_str());
        return false;
    }
    return true;
}

void sdb_close(cg_context& ctx) {
    if (ctx.sdb.file) std::fclose(ctx.sdb.file);
    ctx.sdb.file = nullptr;
}

bool sdb_active(const cg_context& ctx) { return ctx.sdb.file != nullptr; }

void sdb_header(cg_context& ctx) {
    if (!ctx.sdb.file) return;
    std::string line = "[p ";
    for (int bit = 0; bit < 16; ++bit)
        if (ctx.machine_flags & (1u << bit)) line += std::string(machine_flag_names[bit]) + " ";
    put(ctx, line + "]\n");
}

namespace {

// The position record, when the file or the line changed since the last one.
void write_position(cg_context& ctx) {
    sdb_state& st = ctx.sdb;
    std::string file = ctx.file_name.substr(0, 255);
    if (file != st.last_file) {
        put(ctx, "\"" + std::to_string(ctx.line) + " " + file + "\n");
        st.last_file = file;
        st.last_line = ctx.line;
    } else if (ctx.line != st.last_line) {
        put(ctx, "\"" + std::to_string(ctx.line) + "\n");
        st.last_line = ctx.line;
    }
}

}  // namespace

void sdb_sync(cg_context& ctx) {
    if (!ctx.sdb.file) return;
    sdb_state& st = ctx.sdb;
    write_position(ctx);
    for (block_entry& b : ctx.blocks)
        if (!b.sdb_open) {
            put(ctx, "{\n");
            b.sdb_open = true;
            ++st.open_written;
        }
}

void sdb_open_block_now(cg_context& ctx) { sdb_sync(ctx); }

void sdb_close_block(cg_context& ctx, bool function_end, int32_t auto_size) {
    if (!ctx.sdb.file || ctx.blocks.empty() || !ctx.blocks.back().sdb_open) return;
    // The position only: no further blocks open, this one is being left.
    write_position(ctx);
    put(ctx, function_end ? "} " + std::to_string(auto_size) + "\n" : std::string("}\n"));
    ctx.blocks.back().sdb_open = false;
    --ctx.sdb.open_written;
}

void sdb_variable(cg_context& ctx, symbol* s) {
    // Internal symbols appear only under the C name they carry.
    if (!ctx.sdb.file || (s->flags & SF_PLACEHOLDER) || (is_internal(s) && s->source_name.empty())) return;
    sdb_sync(ctx);
    std::string name = s->source_name.empty() ? s->name : s->source_name;
    std::string line = "[v " + name + " " + sdb_type_string(s) + count_field(s);
    line += storage_letter(s);
    line += " " + std::to_string(symbol_size(ctx, s)) + " ";
    switch (s->sclass) {
    case storage::param:
    case storage::automatic:
        if (s->reg >= 0) line += "wreg ]";
        else line += std::to_string(s->offset) + " ]";
        break;
    case storage::reg: line += "wreg ]"; break;
    case storage::external:
        line += (s->flags & SF_ABSOLUTE) ? "@" + std::to_string(s->address) + " ]" : std::string("0 ]");
        break;
    case storage::static_:
        if (s->flags & SF_ABSOLUTE) line += "@" + std::to_string(s->address) + " ]";
        else line += (s->source_name.empty() ? std::string("0") : s->name) + " ]";
        break;
    default: line += "]"; break;
    }
    put(ctx, line + "\n");
}

void sdb_typedef(cg_context& ctx, symbol* s) {
    if (!ctx.sdb.file || is_internal(s)) return;
    sdb_sync(ctx);
    put(ctx, "[v " + s->name + " " + sdb_type_string(s) + count_field(s) + "t " +
                 std::to_string(symbol_size(ctx, s)) + " ]\n");
}

void sdb_enumeration(cg_context& ctx, symbol* e, const std::string& tag, const std::vector<std::string>& names) {
    if (!ctx.sdb.file) return;
    sdb_sync(ctx);
    std::string out = "[e " + e->name + " " + tag + "\n";
    for (size_t i = 0; i < names.size(); ++i) {
        int32_t v = i < e->enum_values.size() ? e->enum_values[i] : 0;
        out += names[i] + " " + std::to_string(v) + "\n";
    }
    put(ctx, out + "]\n");
}

void sdb_structure(cg_context& ctx, symbol* st, const std::string& tag, const std::vector<std::string>& names) {
    if (!ctx.sdb.file) return;
    sdb_sync(ctx);
    std::string out = std::string("[") + (st->is_union ? "u" : "s") + " " + st->name + " " + tag + " " +
                      std::to_string(st->size) + " ";
    for (size_t i = 0; i < st->members.size(); ++i) {
        symbol* m = st->members[i];
        std::string name = i < names.size() ? names[i] : ".";
        // A bit-field lives in one byte of the structure.
        uint16_t size = m->is_bitfield ? 1 : symbol_size(ctx, m);
        out += sdb_type_string(m) + count_field(m) + name + " " + std::to_string(size) + " " +
               std::to_string(m->offset) + " ";
        if (m->is_bitfield) out += ":" + std::to_string(m->bit_width) + ":" + std::to_string(m->bit_offset) + " ";
        out += "\n";
    }
    put(ctx, out + "]\n");
}

}  // namespace cg
