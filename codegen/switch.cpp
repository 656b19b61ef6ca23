// Switch dispatch by comparison chain or jump table.
#include "codegen/switch.h"

#include <algorithm>
#include <cinttypes>

#include "codegen/asmout.h"
#include "codegen/context.h"
#include "codegen/registers.h"
#include "codegen/tree.h"
#include "common/alert.h"

namespace cg {

namespace {

constexpr size_t max_cases = 511;
constexpr int64_t table_page_words = 256;

uint32_t fresh_label(cg_context& ctx) { return static_cast<uint32_t>(ctx.next_label++); }

void goto_label(cg_context& ctx, uint32_t label) { emit(ctx, "\tgoto\tl%u\n", label); }

void sort_signed(std::vector<switch_case>& c) {
    std::stable_sort(c.begin(), c.end(), [](const switch_case& a, const switch_case& b) { return a.value < b.value; });
}
void sort_unsigned(std::vector<switch_case>& c) {
    std::stable_sort(c.begin(), c.end(), [](const switch_case& a, const switch_case& b) {
        return static_cast<uint32_t>(a.value) < static_cast<uint32_t>(b.value);
    });
}

void byte_chain(cg_context& ctx, const std::vector<switch_case>& cases, uint32_t deflt) {
    uint32_t previous = 0;
    for (const switch_case& c : cases) {
        emit(ctx, "\txorlw\t%ld ^ %u\n", static_cast<long>(c.value), previous);
        emit(ctx, "\tbtfsc\tstatus,2\n");
        goto_label(ctx, c.label);
        previous = static_cast<uint32_t>(c.value) & 0xff;
    }
    goto_label(ctx, deflt);
}

// The range checks keep both bounds: a value below the first case must never index the
// table, whatever the last case is.
void table_range_checks(cg_context& ctx, bool signed_table, int32_t first, int32_t last, uint32_t deflt) {
    if (signed_table) {
        bool lower = first != -128, upper = last != 127;
        if (lower) {
            emit(ctx, "\txorlw\t80h\n\taddlw\t-((%d)^80h)\n\tbtfss\tstatus,0\n", first);
            goto_label(ctx, deflt);
        }
        if (upper) {
            if (lower) emit(ctx, "\tmovf\tbtemp,w\n");
            emit(ctx, "\txorlw\t80h\n\taddlw\t-((%d)^80h)\n\tbtfsc\tstatus,0\n", last + 1);
            goto_label(ctx, deflt);
        }
        return;
    }
    bool upper = (last & 0xff) != 0xff, lower = (first & 0xff) != 0;
    if (upper) {
        emit(ctx, "\taddlw\t%ld\n", static_cast<long>(~last));
        emit(ctx, "\tbtfsc\tstatus,0\ngoto\tl%u\n", deflt);
    }
    if (lower) {
        // After the upper check W holds value + ~last; adding last - first + 1 carries
        // exactly when value >= first. Without it, adding -first does the same.
        int32_t add = upper ? last - first + 1 : -first;
        emit(ctx, "\taddlw\t%ld\n", static_cast<long>(add));
        emit(ctx, "\tbtfss\tstatus,0\ngoto\tl%u\n", deflt);
    }
}

void byte_table(cg_context& ctx, std::vector<switch_case> cases, bool signed_table, uint32_t deflt) {
    if (signed_table) sort_signed(cases);
    const int32_t first = cases.front().value, last = cases.back().value;
    ctx.btemp_used = std::max(ctx.btemp_used, 1);
    ctx.regs.regs_used |= reg_mask[R_BTEMP];
    emit(ctx, "\tmovwf\tbtemp\n");
    table_range_checks(ctx, signed_table, first, last, deflt);
    emit(ctx, "movlw\t%d\n", first);
    emit(ctx, "subwf\tbtemp\n");
    uint32_t s = fresh_label(ctx);
    const bool pic12 = flag(ctx, MF_PIC12);
    if (pic12) {
        emit(ctx, "\tmovf\tbtemp,w\n\tgoto\tS%u\n", s);
        psect_request(ctx, PS_CTEXT);
        emit(ctx, "S%u\n\taddwf\tpc,f\n", s);
    } else {
        emit(ctx, "\tmovlw\t(S%u)>>8\n\tmovwf\tpclath\n", s);
        emit(ctx, "\tmovlw\tS%u&0ffh\n\taddwf\tbtemp,w\n", s);
        emit(ctx, "\tbtfsc\tstatus,0\nincf\tpclath\n");
        emit(ctx, "\tmovwf pc\n");
        // The table has a section of its own that cannot straddle a 256-word page.
        psect_request(ctx, PS_SWTEXT);
        emit(ctx, "S%u\n", s);
    }
    int64_t from = signed_table ? first : (first & 0xff);
    int64_t to = signed_table ? last : (last & 0xff);
    size_t next = 0;
    for (int64_t v = from; v <= to; ++v) {
        uint32_t label = deflt;
        while (next < cases.size()) {
            int64_t at = signed_table ? cases[next].value : (cases[next].value & 0xff);
            if (at < v) {
                ++next;
                continue;
            }
            if (at == v) label = cases[next].label;
            break;
        }
        goto_label(ctx, label);
    }
    psect_request(ctx, PS_TEXT);
}

void byte_dispatch(cg_context& ctx, std::vector<switch_case> cases, uint32_t deflt, uint16_t kind) {
    if (cases.empty()) {
        goto_label(ctx, deflt);
        return;
    }
    sort_signed(cases);
    int64_t range = -1;
    if (cases.front().value < 0) range = static_cast<int64_t>(cases.back().value) - cases.front().value + 1;
    sort_unsigned(cases);
    const int32_t first = cases.front().value, last = cases.back().value;
    const int64_t spread = static_cast<int64_t>(last & 0xff) - (first & 0xff);
    int64_t cost;
    bool signed_table = false;
    if (range >= 0 && range + 4 < spread && range < 255) {
        signed_table = true;
        cost = range + 18;
    } else {
        cost = spread + (first < 1 ? 0 : 3) + (last > 254 ? 0 : 4) + 7;
    }
    const int64_t n = static_cast<int64_t>(cases.size());
    // A function's tables share one section that must not outgrow its 256-word page: a table
    // that no longer fits there becomes a chain.
    psect_state& ps = ctx.psects;
    if (ps.table_function != ps.function_number) ps.table_words = 0;
    ps.table_function = ps.function_number;
    const int64_t entries = signed_table ? range : spread + 1;
    const bool fits = ps.table_words + entries <= table_page_words;
    if (flag(ctx, MF_PIC12) || (kind != SWK_DIRECT && 2 * n < cost) || !fits) {
        byte_chain(ctx, cases, deflt);
        return;
    }
    ps.table_words += static_cast<uint32_t>(entries);
    byte_table(ctx, cases, signed_table, deflt);
}

// Runs of cases that share the bits above `shift`, with the key of each run.
struct run {
    int32_t key = 0;
    uint32_t label = 0;
    std::vector<switch_case> low;
};
std::vector<run> split_runs(cg_context& ctx, const std::vector<switch_case>& sorted, int shift, uint32_t low_mask) {
    std::vector<run> runs;
    for (const switch_case& c : sorted) {
        int32_t key = static_cast<int32_t>(static_cast<uint32_t>(c.value) >> shift);
        if (runs.empty() || runs.back().key != key) {
            runs.push_back(run{key, fresh_label(ctx), {}});
        }
        runs.back().low.push_back({static_cast<int32_t>(static_cast<uint32_t>(c.value) & low_mask), c.label});
    }
    return runs;
}

using dispatch_fn = void (*)(cg_context&, std::vector<switch_case>, uint32_t, uint16_t);

// A multi-byte value: runs of cases with equal upper part, each dispatched on its lower part
// after `load_low`; then the upper part, loaded by `load_high`, chooses the run.
void split_dispatch(cg_context& ctx, std::vector<switch_case> cases, uint32_t deflt, uint16_t kind, int shift,
                    const char* load_low, const char* load_high, dispatch_fn lower) {
    sort_unsigned(cases);
    const uint32_t low_mask = (1u << shift) - 1;
    uint32_t head = fresh_label(ctx);
    goto_label(ctx, head);
    std::vector<run> runs = split_runs(ctx, cases, shift, low_mask);
    std::vector<switch_case> highs;
    for (run& r : runs) {
        emit(ctx, "l%u\n", r.label);
        emit_text(ctx, load_low);
        lower(ctx, r.low, deflt, kind);
        highs.push_back({static_cast<int32_t>(static_cast<uint32_t>(r.key) & low_mask), r.label});
    }
    emit(ctx, "l%u\n", head);
    emit_text(ctx, load_high);
    lower(ctx, highs, deflt, kind);
}

void word_dispatch(cg_context& ctx, std::vector<switch_case> cases, uint32_t deflt, uint16_t kind) {
    split_dispatch(ctx, std::move(cases), deflt, kind, 8, "\tmovf\tbtemp+2,w\n", "\tmovf\tbtemp+3,w\n", byte_dispatch);
}

void long_dispatch(cg_context& ctx, std::vector<switch_case> cases, uint32_t deflt, uint16_t kind) {
    split_dispatch(ctx, std::move(cases), deflt, kind, 16,
                   "\tmovf\tbtemp+4,w\n\tmovwf\tbtemp+2\n\tmovf\tbtemp+5,w\n\tmovwf\tbtemp+3\n",
                   "\tmovf\tbtemp+6,w\n\tmovwf\tbtemp+2\n\tmovf\tbtemp+7,w\n\tmovwf\tbtemp+3\n", word_dispatch);
}

}  // namespace

bool switch_collect(cg_context& ctx, const tree_node* sw, switch_request& out) {
    if (!sw || sw->op != OP_SWITCH || !sw->left) return false;
    const tree_node* expr = sw->left;
    out.size = node_size(ctx, expr);
    out.is_signed = node_class(expr) == value_class::signed_;
    out.kind = flag(ctx, MF_SPEEDOPT) ? static_cast<uint16_t>(SWK_DIRECT) : sw->swkind;
    int64_t low = 0, high = -1;
    if (out.size == 1 || out.size == 2) {
        int bits = 8 * out.size;
        low = out.is_signed ? -(int64_t{1} << (bits - 1)) : 0;
        high = out.is_signed ? (int64_t{1} << (bits - 1)) - 1 : (int64_t{1} << bits) - 1;
    }
    const tree_node* list = sw->right;
    for (; list && list->op == OP_ARG; list = list->right) {
        const tree_node* pair = list->left;
        if (!pair || pair->op != OP_CJUMP || !pair->left || !pair->right) return false;
        // Case values arrive converted to the switched type: the range check below needs
        // the value as written, so the conversions are looked through, never applied.
        const tree_node* value = pair->left;
        while (value->op == OP_CONV && value->left) value = value->left;
        if (value->op != OP_CONST) {
            alert_message(697);
            continue;
        }
        int32_t v = value->value;
        if (high >= low && (v < low || v > high)) {
            // A byte selector is promoted to int, so such a value never matches: valid C, the
            // case is dropped with a warning. An int-wide selector is not promoted, and the
            // value converts to its type as C converts it.
            if (out.size == 1) {
                alert_message(696, static_cast<long>(v));
                continue;
            }
            v = out.is_signed ? static_cast<int16_t>(v) : static_cast<uint16_t>(v);
        }
        if (out.cases.size() >= max_cases) {
            alert_message(308);
            return false;
        }
        out.cases.push_back({v, static_cast<uint32_t>(pair->right->value)});
    }
    if (!list || list->op != OP_CONST) return false;
    out.default_label = static_cast<uint32_t>(list->value);
    return true;
}

bool switch_constant_label(cg_context& ctx, const tree_node* sw, uint32_t& label) {
    if (!sw || sw->op != OP_SWITCH || !sw->left || sw->left->op != OP_CONST) return false;
    switch_request req;
    if (!switch_collect(ctx, sw, req)) return false;
    int32_t v = sw->left->value;
    if (req.size == 1) v = req.is_signed ? static_cast<int8_t>(v) : static_cast<uint8_t>(v);
    if (req.size == 2) v = req.is_signed ? static_cast<int16_t>(v) : static_cast<uint16_t>(v);
    label = req.default_label;
    bool found = false;
    for (const switch_case& c : req.cases) {
        if (c.value != v) continue;
        // Duplicate values are the dispatch's error to report.
        if (found) return false;
        label = c.label;
        found = true;
    }
    return true;
}

void switch_dispatch(cg_context& ctx, switch_request req) {
    if (req.cases.empty()) {
        alert_message(699);
        goto_label(ctx, req.default_label);
        return;
    }
    sort_signed(req.cases);
    for (size_t i = 1; i < req.cases.size(); ++i)
        if (req.cases[i].value == req.cases[i - 1].value) {
            alert_message(695, static_cast<long>(req.cases[i].value));
            return;
        }
    switch (req.size) {
    case 1: byte_dispatch(ctx, req.cases, req.default_label, req.kind); break;
    case 2: word_dispatch(ctx, req.cases, req.default_label, req.kind); break;
    case 4: long_dispatch(ctx, req.cases, req.default_label, req.kind); break;
    default: alert_message(686, req.size); break;
    }
}

}  // namespace cg
