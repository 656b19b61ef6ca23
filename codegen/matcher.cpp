// The code selection matcher: a first-fit walk of the generated candidate lists that keeps
// account of the registers each rule takes, decides the evaluation order of the operands and,
// when registers run short, frees register variables before giving up with 712.
#include "codegen/matcher.h"

#include <algorithm>
#include <cstring>
#include <vector>

#include "codegen/asmout.h"
#include "codegen/context.h"
#include "codegen/reader.h"
#include "codegen/records.h"
#include "codegen/predicates.h"
#include "codegen/registers.h"
#include "common/alert.h"

namespace cg {

namespace {

constexpr int max_match_depth = 1000;
constexpr int entry_words = 3;

struct depth_guard {
    selector_state& s;
    explicit depth_guard(selector_state& st) : s(st) {
        if (++s.depth == max_match_depth + 1) alert_message(701);
    }
    ~depth_guard() { --s.depth; }
};

uint32_t plain(uint32_t code) { return code & ~(RF_FLAGS); }

uint32_t mask_of(uint32_t code) { return reg_code_mask(static_cast<int32_t>(code)); }

uint32_t choose(const cg_context& ctx, uint32_t free, uint32_t code) {
    return static_cast<uint32_t>(reg_choose(ctx.regs, free, static_cast<int32_t>(code)));
}

// Register mask of a request or a register code.
uint32_t request_mask(uint32_t r) {
    if (r & REG_LITERAL) return r & ~REG_LITERAL;
    return mask_of(plain(r));
}

// Register a symbol lives in (register model code), 0 when in memory.
uint32_t symbol_register(const symbol* s) {
    if (!s || s->reg < 0) return 0;
    return s->reg == 0 ? 1u : static_cast<uint32_t>(s->reg);   // the W parameter is bound as 0
}

uint32_t own_register(const tree_node* n) {
    if (n->op == OP_REG) return static_cast<uint32_t>(n->value);
    if (n->op == OP_ID) return symbol_register(n->sym);
    return 0;
}

bool is_binary(const tree_node* n) { return op_arity(n->op) == DOPE_BINARY; }
bool is_unary(const tree_node* n) { return op_arity(n->op) == DOPE_UNARY; }

void push_entry(tree_node* n, const rule_entry& e) {
    if (!n->rule_stack) n->rule_stack = new std::vector<int32_t>;
    n->rule_stack->push_back(e.rule);
    n->rule_stack->push_back(static_cast<int32_t>(e.alloc));
    n->rule_stack->push_back(static_cast<int32_t>(e.result));
}

void pop_entry(tree_node* n) {
    if (n->rule_stack && n->rule_stack->size() >= entry_words) n->rule_stack->resize(n->rule_stack->size() - entry_words);
}

// Clears what an earlier attempt left on the subtree.
void clear_selection(tree_node* n) {
    if (!n) return;
    rule_stack_clear(n);
    n->goal = 0;
    n->sel_regs_used = 0;
    n->sel_value_regs = 0;
    if (is_unary(n) || is_binary(n)) clear_selection(n->left);
    if (is_binary(n)) clear_selection(n->right);
}

// Value registers and result register of a rule, by its kind.
struct rule_value {
    uint32_t result = 0;
    uint32_t value_regs = 0;
};

// Register the result descriptor names: the allocated register (X/Y), the operand's or the
// right child's result (G/F with L or R); L alone reads as GL.
uint32_t descriptor_register(const std::string& d, uint32_t alloc, uint32_t operand_result, uint32_t right_result) {
    size_t semi = d.rfind(';');
    std::string tail = semi == std::string::npos ? d : d.substr(semi + 1);
    size_t colon = tail.find(':');
    if (colon != std::string::npos) tail = tail.substr(colon + 1);
    if (tail == "L") return operand_result;
    for (size_t i = 0; i < tail.size(); ++i) {
        char c = tail[i];
        if (c != 'F' && c != 'G' && c != 'X' && c != 'Y') continue;
        size_t j = i + 1;
        while (j < tail.size() && std::isdigit(static_cast<unsigned char>(tail[j]))) ++j;
        if (j >= tail.size()) break;
        char which = tail[j];
        if (c == 'X' || c == 'Y') return which == 'N' ? alloc : 0;
        if (which == 'L') return operand_result;
        if (which == 'R') return right_result;
    }
    return 0;
}

rule_value value_of(cg_context& ctx, const rule_row& row, const tree_node* n, uint32_t alloc, uint32_t operand_result,
                    uint32_t operand_regs, uint32_t operand_alloc, const tree_node* right) {
    const rule_tables& t = active_rules(ctx);
    uint32_t right_result = right && right->rule_stack ? rule_at(right, rule_count(right) - 1).result : 0;
    uint32_t right_regs = right ? right->sel_value_regs : 0;
    rule_value v;
    switch (row.kind & 7) {
    case 1: v.result = operand_result; break;
    case 2: v.result = right_result; break;
    case 3: v.result = alloc; break;
    case 5:
        v.result = own_register(n);
        if (!v.result) alert_message(703);
        break;
    case 6: break;
    case 7: alert_message(704); break;
    default: v.result = descriptor_register(t.pool + row.result, alloc, operand_result, right_result); break;
    }
    if (row.kind & 0x100) v.value_regs |= mask_of(v.result);
    if (row.kind & 0x200) v.value_regs |= operand_regs;
    if (row.kind & 0x400) v.value_regs |= right_regs;
    if (row.kind & 0x800) v.value_regs |= mask_of(operand_alloc);
    if (row.kind & 0x1000) v.value_regs |= mask_of(right_result);
    if (row.kind & 0x2000) v.value_regs |= mask_of(alloc);
    if (row.kind & 0x4000) v.value_regs |= mask_of(own_register(n));
    return v;
}

// Whether a result register satisfies a request.
bool satisfies(uint32_t result, uint32_t want) {
    if (!want) return true;
    uint32_t have = mask_of(result);
    if (want & REG_LITERAL) return have && (have & ~request_mask(want)) == 0;
    uint32_t w = mask_of(plain(want));
    if (plain(want) >= static_cast<uint32_t>(CLASS_FIRST)) return have && ((have & ~w) == 0 || (w & ~have) == 0);
    return plain(result) == plain(want) || (have && have == w);
}

uint32_t callee_mask(const tree_node* n) {
    const tree_node* f = n->left;
    if (f && f->op == OP_ID && f->sym && (outer_level(f->levels) != LEVEL_POINTER) &&
        (f->sym->reg_mask || (f->sym->flags & SF_FUNCTION_DEF)))
        return f->sym->reg_mask;
    return mask_of(R_ALLREG);   // not compiled yet, or through a pointer: anything may change
}

// The request a rule's operand register makes of its operand: a class flagged as a mask
// takes any registers inside it rather than one member.
uint32_t operand_request(const rule_row& row) {
    uint32_t code = plain(row.operand_reg);
    if ((row.operand_reg & RF_MASK) && reg_is_class(static_cast<int32_t>(code))) return REG_LITERAL | mask_of(code);
    return code;
}

// The register of the variable under n's left operands, which a rule flagged so must not
// take for its operand (it would change the variable).
uint32_t left_symbol_regs(const tree_node* n) {
    for (int guard = 0; n && guard < 64; ++guard) {
        if (n->op == OP_ID) return mask_of(own_register(n));
        if (!is_unary(n) && !is_binary(n)) break;
        n = n->left;
    }
    return 0;
}

bool has_call(const tree_node* n) {
    for (int guard = 0; n && guard < 1000; ++guard) {
        if (n->op == OP_CALL || n->op == OP_CALLZAP) return true;
        if (is_binary(n) && has_call(n->right)) return true;
        if (!is_unary(n) && !is_binary(n)) return false;
        n = n->left;
    }
    return false;
}

// True for the goal of a float routine's result kept in a temporary of the auto area.
bool keeps_in_temporary(cg_context& ctx, uint32_t goal) {
    if (goal < static_cast<uint32_t>(first_goal)) return false;
    return std::strcmp(active_rules(ctx).goal_names[goal - first_goal], "ftmp") == 0;
}

// Matches the children of an operator rule; returns a status (0 success).
int match_children(cg_context& ctx, tree_node* n, const rule_row& row, uint32_t avail, uint32_t forbid) {
    tree_node* l = (is_unary(n) || is_binary(n)) ? n->left : nullptr;
    tree_node* r = is_binary(n) ? n->right : nullptr;
    bool kind_right = (row.kind & 7) == 2;
    uint32_t want_left = kind_right ? 0 : operand_request(row);
    uint32_t want_right = kind_right ? operand_request(row) : 0;
    if ((row.operand_reg & RF_NOT_SYM) && l) forbid |= left_symbol_regs(l);
    bool sequenced = (dope_table[n->op] & DOPE_SEQUENCED) != 0;
    auto match_one = [&](tree_node* c, uint32_t goal, uint32_t a, uint32_t want, uint32_t forb) {
        if (!c || !goal) return 0;
        return cg_match(ctx, c, goal, a, want, forb);
    };
    // The arguments of a call on the left are stored before the statement, in an area that a
    // call on the right may share (the callees never run at once): the left goes first then.
    bool left_first = l && r && has_call(l) && has_call(r);
    bool right_first = r && row.right && !(n->nflags & NF_ORDER80) && !sequenced && !left_first &&
                       r->height < (l ? l->height : 0);
    if (right_first) {
        int st = match_one(r, row.right, avail, want_right, 0);
        if (st & (MS_NO_RULE | MS_NO_REGS)) return st;
        if (st == 0 && match_one(l, row.left, avail & ~r->sel_value_regs, want_left, forbid) == 0) goto ordered;
        clear_selection(l);
        clear_selection(r);
    }
    {
        int st = match_one(l, row.left, avail, want_left, forbid);
        if (st) return st;
        uint32_t keep = l && row.left ? l->sel_value_regs : 0;
        st = match_one(r, row.right, avail & ~keep, want_right, 0);
        // A right operand kept in a temporary (a float routine's result) may need the very
        // registers the left one is loaded into: computed first, it leaves them free.
        if (st == MS_NO_REGS && !right_first && !sequenced && !left_first && keeps_in_temporary(ctx, row.right)) {
            clear_selection(l);
            clear_selection(r);
            st = match_one(r, row.right, avail, want_right, 0);
            if (st == 0) st = match_one(l, row.left, avail & ~r->sel_value_regs, want_left, forbid);
            if (st == 0) goto ordered;
        }
        if (st) return st;
        if (sequenced) {
            n->nflags = static_cast<uint16_t>((n->nflags | NF_ORDER1) & ~NF_ORDER2);
            return 0;
        }
    }
ordered:
    if (!l || !r || !row.left || !row.right || n->op == OP_COLON) return 0;
    // Evaluation order: whichever side's code leaves the other side's value alone goes first.
    if ((l->sel_regs_used & r->sel_value_regs) == 0 && !(n->nflags & NF_ORDER80) && !left_first) {
        n->nflags = static_cast<uint16_t>(n->nflags & ~(NF_ORDER1 | NF_ORDER2));
        return 0;
    }
    if ((r->sel_regs_used & l->sel_value_regs) == 0 && !(n->nflags & NF_ORDER100)) {
        n->nflags = static_cast<uint16_t>((n->nflags | NF_ORDER1) & ~NF_ORDER2);
        return 0;
    }
    ctx.sel.wanted_regs |= l->sel_value_regs & r->sel_value_regs;
    return MS_NO_REGS;
}

// An object in the data EEPROM is reached only through the EEPROM routines: of the rules for
// `*`, only those over an EEPROM address fit it, never one that would read RAM or program
// memory at that address (a pointer to EEPROM is a byte like a RAM pointer).
bool fits_eeprom_object(const rule_tables& t, const tree_node* n, const rule_row& row) {
    if (n->op != OP_DEREF || n->levels || !(n->pclass & PC_EEPROM)) return true;
    if (row.left < static_cast<uint32_t>(first_goal)) return false;
    const char* goal = t.goal_names[row.left - first_goal];
    return std::strcmp(goal, "eak") == 0 || std::strcmp(goal, "eat") == 0;
}

// Tries one candidate rule on n; returns its status (0: pushed on the rule stack).
int try_rule(cg_context& ctx, tree_node* n, int32_t number, uint32_t avail, uint32_t want, uint32_t forbid,
             bool& stop) {
    const rule_tables& t = active_rules(ctx);
    const rule_row& row = t.rows[number];
    selector_state& s = ctx.sel;
    if ((row.mflags & ctx.machine_flags) != row.mflags) return MS_NO_RULE;
    bool chain = row.op > static_cast<uint32_t>(OP_LITERAL);
    if (!chain) {
        if (row.left && (!n->left || !cg_transition(t, row.left, n->left->op))) return MS_NO_RULE;
        if (row.right && (!is_binary(n) || !n->right || !cg_transition(t, row.right, n->right->op))) return MS_NO_RULE;
        // A call rule without a right goal would leave the argument list's code out: it fits
        // only a call without one.
        if (!row.right && (n->op == OP_CALL || n->op == OP_CALLZAP) && n->right) return MS_NO_RULE;
        if (!fits_eeprom_object(t, n, row)) return MS_NO_RULE;
    }
    if (row.pred && !cg_predicate(ctx, n, static_cast<int>(row.pred))) return MS_NO_RULE;
    if (row.clobbers & ~avail) {
        if (!s.wanted_regs) s.wanted_regs = row.clobbers & ~avail;
        return MS_NO_REGS;
    }
    uint32_t callregs = 0;
    if (row.need & RF_CALL) {
        callregs = callee_mask(n);
        if (callregs & ~avail) {
            s.wanted_regs = callregs;
            s.call_busy = true;
            stop = true;
            return MS_NO_REGS;
        }
    }
    if (rule_count(n) >= static_cast<int>(rule_stack_size)) {
        alert_message(708, number);
        return MS_NO_RULE;
    }
    // The rule's own register, taken before the children so that they keep out of it.
    uint32_t need = plain(row.need);
    uint32_t alloc = 0;
    if (need) {
        uint32_t pool = avail;
        if (!(row.need & RF_REPLACE)) pool &= ~cg_operand_value_regs(n);
        alloc = choose(ctx, pool, need);
        if (!alloc && (row.need & RF_REPLACE)) alloc = choose(ctx, avail, need);
        if (!alloc) {
            s.wanted_regs |= mask_of(need);
            return MS_NO_REGS;
        }
    }
    uint32_t child_avail = avail & ~(row.need & RF_REPLACE ? 0 : mask_of(alloc));
    uint32_t operand_result = 0, operand_regs = 0, operand_alloc = 0;
    uint32_t children_used = 0;
    if (chain) {
        int st = cg_match(ctx, n, row.op, child_avail, operand_request(row), forbid);
        if (st) return st;
        rule_entry below = rule_at(n, rule_count(n) - 1);
        operand_result = below.result;
        operand_alloc = below.alloc;
        operand_regs = n->sel_value_regs;
    } else {
        int st = match_children(ctx, n, row, child_avail, forbid);
        if (st) return st;
        if (n->left && row.left && rule_count(n->left)) {
            rule_entry below = rule_at(n->left, rule_count(n->left) - 1);
            operand_result = below.result;
            operand_alloc = below.alloc;
            operand_regs = n->left->sel_value_regs;
        }
        if ((is_unary(n) || is_binary(n)) && n->left) children_used |= n->left->sel_regs_used;
        if (is_binary(n) && n->right) children_used |= n->right->sel_regs_used;
    }
    const tree_node* right = (!chain && is_binary(n) && row.right) ? n->right : nullptr;
    rule_value v = value_of(ctx, row, n, alloc, operand_result, operand_regs, operand_alloc, right);
    if (want && (row.kind & 7) != 6 && !satisfies(v.result, want)) {
        s.wanted_regs |= request_mask(want);
        return MS_NOT_THERE;
    }
    push_entry(n, rule_entry{number, alloc, v.result});
    n->sel_regs_used |= mask_of(alloc) | row.clobbers | children_used | callregs;
    n->sel_value_regs = v.value_regs;
    return 0;
}

}  // namespace

int rule_count(const tree_node* n) {
    return n->rule_stack ? static_cast<int>(n->rule_stack->size() / entry_words) : 0;
}

rule_entry rule_at(const tree_node* n, int index) {
    rule_entry e;
    if (!n->rule_stack || index < 0 || index >= rule_count(n)) return e;
    const int32_t* p = n->rule_stack->data() + index * entry_words;
    e.rule = p[0];
    e.alloc = static_cast<uint32_t>(p[1]);
    e.result = static_cast<uint32_t>(p[2]);
    return e;
}

void rule_set_registers(tree_node* n, int index, uint32_t alloc, uint32_t result) {
    if (!n->rule_stack || index < 0 || index >= rule_count(n)) return;
    int32_t* p = n->rule_stack->data() + index * entry_words;
    p[1] = static_cast<int32_t>(alloc);
    p[2] = static_cast<int32_t>(result);
}

void rule_stack_clear(tree_node* n) {
    delete n->rule_stack;
    n->rule_stack = nullptr;
}

const rule_tables& active_rules(const cg_context& ctx) { return ctx.sel.tables ? *ctx.sel.tables : pic14_rules; }

int32_t cg_transition(const rule_tables& t, uint32_t goal, uint32_t op) {
    uint32_t slot = (goal * op) % transition_slots;
    for (uint32_t probes = 0; probes < transition_slots; ++probes) {
        const int16_t* e = t.hash[slot];
        if (e[2] == 0) return 0;
        if (static_cast<uint32_t>(e[0]) == goal && static_cast<uint32_t>(e[1]) == op) return e[2];
        slot = slot + 1 == transition_slots ? 0 : slot + 1;
    }
    return 0;
}

void cg_label_tree(cg_context& ctx, tree_node* n) {
    if (!n) return;
    uint32_t arity = op_arity(n->op);
    n->sel_regs_held = 0;
    if (arity == DOPE_UNARY || arity == DOPE_BINARY) {
        cg_label_tree(ctx, n->left);
        uint16_t h = static_cast<uint16_t>(n->left->height + (n->op == OP_ADDR ? 0 : 1));
        n->sel_regs_held = n->left->sel_regs_held;
        if (arity == DOPE_BINARY && n->right) {
            cg_label_tree(ctx, n->right);
            n->sel_regs_held |= n->right->sel_regs_held;
            h = std::max<uint16_t>(h, static_cast<uint16_t>(n->right->height + 1));
        }
        n->height = h;
    } else {
        n->height = 1;
        n->sel_regs_held = mask_of(own_register(n));
    }
}

uint32_t cg_operand_value_regs(const tree_node* n) {
    uint32_t out = 0;
    auto visit = [&](auto& self, const tree_node* c) -> void {
        if (!c) return;
        if (c->rule_stack) { out |= c->sel_value_regs; return; }
        if (is_unary(c)) self(self, c->left);
        else if (is_binary(c)) { self(self, c->left); self(self, c->right); }
    };
    if (is_unary(n) || is_binary(n)) visit(visit, n->left);
    if (is_binary(n)) visit(visit, n->right);
    return out;
}

int cg_match(cg_context& ctx, tree_node* n, uint32_t goal, uint32_t avail, uint32_t want, uint32_t forbid) {
    selector_state& s = ctx.sel;
    depth_guard guard(s);
    if (s.depth > max_match_depth) return MS_NO_RULE;
    if (forbid && (n->op == OP_REG || n->op == OP_ID) && (mask_of(own_register(n)) & forbid)) return MS_NO_RULE;
    uint32_t missing = n->callregs & ~avail;
    if (missing & ~n->sel_regs_held) {
        s.wanted_regs |= missing;
        return MS_NO_REGS;
    }
    const rule_tables& t = active_rules(ctx);
    int32_t next = cg_transition(t, goal, n->op);
    if (next == 0) return MS_NO_RULE;
    if (want && !(want & REG_LITERAL) && !choose(ctx, avail | n->sel_regs_held, plain(want))) {
        if (!s.wanted_regs) s.wanted_regs = mask_of(plain(want));
        return MS_NOT_THERE;
    }
    int failures = 0;
    bool stop = false;
    for (int32_t i = next;; ++i) {
        int32_t number = next < 0 ? -next : t.candidates[i];
        bool last = next < 0 || number < 0;
        if (number < 0) number = -number;
        if (number <= 0 || static_cast<size_t>(number) >= t.row_count) break;
        int entry = rule_count(n);
        if (entry == 0) n->sel_regs_used = n->sel_value_regs = 0;
        int st = try_rule(ctx, n, number, avail, want, forbid, stop);
        if (st == 0) {
            n->goal = static_cast<int32_t>(goal);
            return 0;
        }
        // A failed rule leaves nothing behind: its entries and its children's choices go.
        while (rule_count(n) > entry) pop_entry(n);
        if (entry == 0) {
            if (is_unary(n) || is_binary(n)) clear_selection(n->left);
            if (is_binary(n)) clear_selection(n->right);
            n->sel_regs_used = n->sel_value_regs = 0;
        }
        failures |= st;
        if (stop || last || (s.call_busy && st != MS_NO_RULE && (n->sel_regs_held & ~avail))) break;
    }
    if (failures & ~MS_NO_RULE) failures &= ~MS_NO_RULE;
    if (!failures) failures = 7;
    if (!want) {
        failures &= ~MS_NOT_THERE;
        if (!failures) failures = MS_NO_REGS;
    }
    if (n->op == OP_ADDR && n->left && n->left->sel_regs_held) {
        if (n->left->op == OP_ID && own_register(n->left)) s.wanted_regs = n->left->sel_regs_held;
        else s.wanted_regs |= n->left->sel_regs_held;
    }
    return failures;
}

namespace {

// Frees the first register variable of the current function whose register meets mask;
// its value moves to the auto area. Returns whether one was released.
bool release_register_variable(cg_context& ctx, uint32_t mask) {
    if (ctx.functions.empty()) return false;
    for (symbol* v : ctx.functions.back().bound_locals) {
        uint32_t code = symbol_register(v);
        if (!code || !(mask_of(code) & mask)) continue;
        bool had_value = (v->flags & SF_IN_REG) != 0;
        v->flags &= ~SF_IN_REG;
        // From here on the symbol names its memory home; the value moves there when it has one.
        v->reg = -1;
        if (had_value) sym_store(ctx, v, code);
        else place_for_rest_of_function(ctx, v);
        ctx.regs.regs_free |= mask_of(code);
        return true;
    }
    return false;
}

// With -D: the source position before a statement's code, when it changed.
void write_position(cg_context& ctx) {
    selector_state& s = ctx.sel;
    if (ctx.file_name.compare(0, 79, s.line_file, 0, 79) != 0) {
        s.line_file = ctx.file_name.substr(0, 79);
        s.line_number = -1;
        emit(ctx, "\tfile\t\"%s\"\n", ctx.file_name.c_str());
    }
    if (ctx.line != s.line_number) {
        s.line_number = ctx.line;
        emit(ctx, "\tline\t%d\n", static_cast<int>(ctx.line));
    }
}

}  // namespace

bool cg_statement_fits(cg_context& ctx, tree_node* tree) {
    int saved_offset = ctx.regs.temp_offset;
    ctx.regs.temp_offset = 0;
    clear_selection(tree);
    cg_label_tree(ctx, tree);
    ctx.sel.wanted_regs = 0;
    ctx.sel.call_busy = false;
    bool fits = cg_match(ctx, tree, statement_goal, ctx.regs.regs_free, 0, 0) == 0;
    clear_selection(tree);
    ctx.regs.temp_offset = saved_offset;
    return fits;
}

bool cg_gen_statement(cg_context& ctx, tree_node* tree, int section) {
    selector_state& s = ctx.sel;
    // main's value goes nowhere (its exit restarts the program): only its effects remain.
    if (tree->op == OP_RETURN && ctx.main_exit && tree->left) {
        tree_node* value = tree->left;
        tree->left = nullptr;
        tree_free(ctx, tree);
        if (!tree_has_effect(value)) {
            tree_free(ctx, value);
            return true;
        }
        tree = value;
    }
    // Memory temporaries live for one statement: each statement starts the area afresh.
    ctx.regs.temp_offset = 0;
    for (;;) {
        clear_selection(tree);
        cg_label_tree(ctx, tree);
        s.wanted_regs = 0;
        s.call_busy = false;
        int st = cg_match(ctx, tree, statement_goal, ctx.regs.regs_free, 0, 0);
        if (st == 0) break;
        // With the global optimiser on, giving registers back is the trial matcher's part
        // (cg_select_retry): a statement that does not fit here is reported at once.
        if (ctx.opt.opt_level > 0 || !release_register_variable(ctx, s.wanted_regs)) {
            alert_message(712);
            ++s.match_errors;
            clear_selection(tree);
            tree_free(ctx, tree);
            return false;
        }
    }
    if (!ctx.buffer.dry_run && section) psect_request(ctx, section);
    // A function's own label statement writes its label; numbered labels come from the rules.
    if (tree->op == OP_LABEL && tree->left && tree->left->op == OP_ID && tree->left->sym) {
        emit(ctx, "%s\n", asm_name(tree->left->sym).c_str());
        if (ctx.opt.line_directives) write_position(ctx);
    }
    if (ctx.in_body && ctx.opt.line_directives && !ctx.buffer.dry_run) write_position(ctx);
    if (tree->op == OP_RETURN && tree->left && rule_count(tree->left) &&
        rule_at(tree->left, rule_count(tree->left) - 1).result == static_cast<uint32_t>(R_W))
        ctx.returns_in_w = true;
    cg_emit_node(ctx, tree);
    ctx.regs.regs_used |= tree->sel_regs_used;
    // The scratch bytes the rules touched were noted as they were emitted; a callee notes its own.
    clear_selection(tree);
    tree_free(ctx, tree);
    return true;
}

const std::vector<uint32_t>& reg_alloc_tiers() {
    // One tier: every register but the second file-select register.
    static const std::vector<uint32_t> tiers{reg_code_mask(R_ALLREG) & ~reg_code_mask(R_FSR1)};
    return tiers;
}

bool cg_select_retry(cg_context& ctx, tree_node* tree, uint32_t extra) {
    selector_state& s = ctx.sel;
    const std::vector<uint32_t>& tiers = reg_alloc_tiers();
    cg_label_tree(ctx, tree);
    size_t tier = 0;
    for (;;) {
        uint32_t free = ctx.regs.regs_free & ~extra & ~tree->sel_regs_held;
        clear_selection(tree);
        s.wanted_regs = 0;
        s.call_busy = false;
        if (cg_match(ctx, tree, statement_goal, free & tiers[tier], 0, 0) == 0) return true;
        uint32_t wanted = s.wanted_regs;
        uint32_t held = wanted & ~free & tiers[tier];
        bool last = tier + 1 == tiers.size();
        if ((last || !(tiers[tier + 1] & free & wanted)) && held && release_register_variable(ctx, held)) {
            cg_label_tree(ctx, tree);
            continue;
        }
        size_t next = tier + 1;
        while (next < tiers.size() && !(tiers[next] & wanted)) ++next;
        if (next >= tiers.size()) {
            alert_message(712);
            ++s.match_errors;
            clear_selection(tree);
            return false;
        }
        tier = next;
    }
}

}  // namespace cg
