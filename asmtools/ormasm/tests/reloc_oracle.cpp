#include "asmtools/ormasm/tests/reloc_oracle.h"

#include <gtest/gtest.h>

#include "objfmt/dump/dump.h"
#include "objfmt/record_io.h"
#include "objfmt/records.h"

namespace asmtest {

bool eval_expression(const std::vector<uint8_t>& code, const placement& where, uint32_t& value) {
    std::vector<uint32_t> stack;
    obj::body_cursor c(code.data(), code.size(), obj::byte_order());
    while (!c.at_end()) {
        uint8_t op = c.u8();
        if (op == obj::EX_END) {
            if (stack.size() != 1) return false;
            value = stack.back();
            return true;
        }
        if (op == obj::EX_CONST) {
            stack.push_back(c.u32());
            continue;
        }
        if (op == obj::EX_PSECT || op == obj::EX_SYM) {
            std::string n = c.name();
            const auto& table = op == obj::EX_PSECT ? where.psect_base : where.symbol_value;
            auto it = table.find(n);
            if (it == table.end() && !where.others_zero) return false;
            stack.push_back(it == table.end() ? 0 : it->second);
            continue;
        }
        if (stack.empty()) return false;
        uint32_t t = stack.back();
        switch (op) {
        case obj::EX_LOW: stack.back() = t & 0xFF; continue;
        case obj::EX_HIGH: stack.back() = (t >> 8) & 0xFF; continue;
        case obj::EX_NOT: stack.back() = ~t; continue;
        case obj::EX_NEG: stack.back() = 0u - t; continue;
        default: break;
        }
        if (stack.size() < 2) return false;
        stack.pop_back();
        uint32_t n = stack.back();
        uint32_t r;
        switch (op) {
        case obj::EX_ADD: r = t + n; break;
        case obj::EX_SUB: r = t - n; break;
        case obj::EX_MUL: r = t * n; break;
        case obj::EX_DIV: r = n ? t / n : 0; break;
        case obj::EX_MOD: r = n ? t % n : 0; break;
        case obj::EX_SHL: r = t << (n & 31); break;
        case obj::EX_SHR: r = t >> (n & 31); break;
        case obj::EX_AND: r = t & n; break;
        case obj::EX_OR: r = t | n; break;
        case obj::EX_XOR: r = t ^ n; break;
        default: return false;
        }
        stack.back() = r;
    }
    return false;
}

std::vector<uint8_t> relocated(const std::vector<uint8_t>& object, const std::string& psect,
                               const placement& where) {
    std::vector<obj::record> recs;
    std::vector<uint8_t> out;
    EXPECT_TRUE(obj::read_module(object.data(), object.size(), recs));
    obj::text_rec last;
    bool in_psect = false;
    for (const obj::record& r : recs) {
        obj::body_cursor c(r.body.data(), r.body.size(), obj::byte_order());
        if (r.type == obj::TEXT) {
            EXPECT_TRUE(obj::decode_text(c, last));
            in_psect = last.psect == psect;
            if (in_psect && out.size() < last.offset + last.data.size())
                out.resize(last.offset + last.data.size());
            if (in_psect) std::copy(last.data.begin(), last.data.end(), out.begin() + last.offset);
        } else if (r.type == obj::RELOC && in_psect) {
            while (!c.at_end()) {
                obj::reloc_entry e;
                EXPECT_TRUE(obj::decode_reloc_entry(c, e));
                EXPECT_TRUE(obj::reloc_is_complex(e.type));
                uint32_t v = 0;
                EXPECT_TRUE(eval_expression(e.expr, where, v))
                    << psect << " relocation at " << e.offset << ": "
                    << obj::expr_text(e.expr.data(), e.expr.size(), obj::byte_order());
                uint32_t at = last.offset + e.offset;
                uint32_t size = e.type & 0x0F;
                uint32_t field = out[at] | (size > 1 ? out[at + 1] << 8 : 0);
                field += v;
                out[at] = uint8_t(field);
                if (size > 1) out[at + 1] = uint8_t(field >> 8);
            }
        }
    }
    return out;
}

}  // namespace asmtest
