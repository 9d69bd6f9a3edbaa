// Load, store and stack rules: loads whose value is already in the
// register, stores whose value is already in memory or is overwritten,
// pushes and pulls that cancel, shorter forms of immediate loads, and the
// half of D that is needed.
#include <cstring>

#include "ccopt/rules.h"

namespace ccopt {

namespace {

// Does the instruction read memory that may overlap the operand?
bool mayread(const LineNode* x, std::string_view op, int size) {
    if (!x->is_insn()) return false;
    if (iscall(x)) return true;
    const MnemonicRow& r = row_of(x);
    if ((r.effects & R_SP) && (r.uses & R_SP) && !(r.uses & 0x000f)) {
        MemRef m = memref(op);  // a pull reads the stack
        return m.memory && (!m.known || m.index || m.symbol.empty());
    }
    if (x->row() == rows.brclr || x->row() == rows.brset || x->row() == rows.bset || x->row() == rows.bclr)
        return mayalias(bitaddr(x->text), 1, op, size);
    if ((x->effects & E_BRANCH) || (r.effects & E_STORE)) return false;
    if (x->text.empty() || x->text[0] == '#') return false;
    return mayalias(x->text, opsize(x), op, size);
}

bool touches_sp(const LineNode* x) { return (x->effects & R_SP) || (x->uses & R_SP); }

// The next instruction in text order when no label stands before it.
LineNode* next_adjacent(LineNode* line) {
    for (LineNode* l = line->next; l; l = l->next) {
        if (l->is_label()) return nullptr;
        if (l->is_insn()) return l;
    }
    return nullptr;
}

// The previous instruction in text order when no label stands between.
LineNode* prev_adjacent(LineNode* line) {
    for (LineNode* l = line->prev; l; l = l->prev) {
        if (l->is_label()) return nullptr;
        if (l->is_insn()) return l;
    }
    return nullptr;
}

// The value of a byte register (A or B) at `line`, found by walking back
// over increments and decrements to a clear or an immediate load.
struct Known {
    bool found = false;
    bool byte_load = false;  // found at an immediate 8-bit load
    std::int32_t value = 0;
};

Known known_byte(Opt& o, LineNode* line, std::uint16_t reg) {
    Known k;
    std::int32_t delta = 0;
    for (LineNode* x = line; (x = previnsn(o, x, false));) {
        if (!(x->effects & reg)) continue;
        int r = x->row();
        std::int32_t v;
        if ((reg == R_A && r == rows.inca) || (reg == R_B && r == rows.incb)) {
            ++delta;
        } else if ((reg == R_A && r == rows.deca) || (reg == R_B && r == rows.decb)) {
            --delta;
        } else if ((reg == R_A && r == rows.clra) || (reg == R_B && r == rows.clrb)) {
            k.found = true;
            k.value = delta;
            break;
        } else if (((reg == R_A && r == rows.ldaa) || (reg == R_B && r == rows.ldab)) && immvalue(x->text, v)) {
            k.found = true;
            k.byte_load = true;
            k.value = v + delta;
            break;
        } else if (r == rows.ldd && immvalue(x->text, v)) {
            k.found = true;
            k.value = (reg == R_A ? (v >> 8) : v) + delta;
            break;
        } else {
            break;
        }
    }
    k.value &= 0xff;
    return k;
}

}  // namespace

// ------------------------------------------------------------------ loads

bool rule_L0(Opt& o, LineNode*& line) {
    if (!rulestart(o, "L0")) return false;
    LineNode* self = line;
    int row = self->row();
    std::int32_t v;
    bool imm = immvalue(self->text, v);
    if (imm && v == 0) {
        // A clear also clears C, which a load leaves alone.
        if (!deadafter(o, self, F_C)) return false;
        if (row == rows.ldd) {
            rewrite(o, self, rows.clra, "");
            insert_after(o, self, rows.clrb, "");
        } else {
            rewrite(o, self, row == rows.ldaa ? rows.clra : rows.clrb, "");
        }
        return true;
    }
    if (!imm && row != rows.ldd) {
        LineNode* p = previnsn(o, self, false);
        if (p && is(p, rows.clr) && p->text == self->text && touchable(p) && nextinsn_text(p) == self &&
            !self->text.empty() && self->text[0] != '#') {
            bool a = row == rows.ldaa;
            rewrite(o, p, a ? rows.clra : rows.clrb, "");
            rewrite(o, self, a ? rows.staa : rows.stab, std::string(self->text));
            --o.modifications;
            return true;
        }
        return false;
    }
    if (!imm) return false;
    if (row == rows.ldd) {
        Known hi = known_byte(o, self, R_A), lo = known_byte(o, self, R_B);
        bool hi_ok = hi.found && hi.value == ((v >> 8) & 0xff), lo_ok = lo.found && lo.value == (v & 0xff);
        if (!hi_ok && !lo_ok) return false;
        if ((hi_ok && hi.byte_load) || (!hi_ok && lo.byte_load)) {
            if (!late(o)) return false;
        }
        // The byte load sets N and Z from its byte only.
        if (!deadafter(o, self, F_N | F_Z)) return false;
        if (hi_ok) rewrite(o, self, rows.ldab, num_join("#", v & 0xff, ""));
        else rewrite(o, self, rows.ldaa, num_join("#", (v >> 8) & 0xff, ""));
        return true;
    }
    std::uint16_t reg = row == rows.ldaa ? R_A : R_B;
    Known k = known_byte(o, self, reg);
    if (!k.found) return false;
    std::int32_t diff = (v - k.value) & 0xff;
    if (diff != 1 && diff != 0xff) return false;
    if (k.byte_load && !late(o)) return false;
    // An increment to 0x80 and a decrement to 0x7f set V; a load clears it.
    std::int32_t target = v & 0xff;
    if (((diff == 1 && target == 0x80) || (diff == 0xff && target == 0x7f)) && !deadafter(o, self, F_V)) return false;
    int nrow = diff == 1 ? (reg == R_A ? rows.inca : rows.incb) : (reg == R_A ? rows.deca : rows.decb);
    rewrite(o, self, nrow, "");
    return true;
}

bool rule_L1(Opt& o, LineNode*& line) {
    if (!rulestart(o, "L1")) return false;
    LineNode* self = line;
    const std::uint16_t reg = loadreg(self);
    const std::uint16_t flags = flagsof(self);
    const std::uint16_t addr = addrregs(self);
    const std::string op = self->text;
    const int size = opsize(self);
    int row = self->row();
    if (o.phase >= 0) {
        LineNode* p = self->prev;
        while (p && p->is_text()) p = p->prev;
        if (p && p->is_label()) {
            late(o);
            return false;
        }
        if (reg == R_B) {
            for (LineNode* x = self; (x = nextinsn(o, x, 0));) {
                if (x->uses & R_B) {
                    if (x->effects & (R_X | R_Y)) {
                        late(o);
                        return false;
                    }
                    break;
                }
                if (x->effects & R_B) break;
            }
        }
    }
    if (self->uses & reg) return false;  // ldx 0,x
    bool flags_live = !deadafter(o, self, flags);
    bool need_test = false;
    if (flags_live) {
        // The flags are already set when the last instruction that could
        // change them, R or the address is the store or the same load.
        bool source = false;
        for (LineNode* x = self; (x = previnsn(o, x, false));) {
            bool same_load = x->row() == row && x->text == op;
            bool store_r = isstore(x) && storereg(x) == reg && x->text == op;
            if (same_load || store_r) {
                source = true;
                break;
            }
            if (x->effects & (flags | reg | addr)) break;
        }
        if (!source) {
            if (row != rows.ldaa && row != rows.ldab) return false;
            // The test clears C, which the load leaves alone.
            if (!deadafter(o, self, F_C)) return false;
            need_test = true;
        }
    }
    if (op.empty() || (op[0] != '#' && !memref(op).memory)) return false;
    // Every backward path must end at the same load or a store of R.
    poplabel(o, 1);
    o.single_mark = true;
    bool ok = true;
    bool single = true;  // one path, no fork met
    bool y_or_cond = false;
    LineNode* x = self;
    for (;;) {
        x = previnsn(o, x, true);
        if (!x) {
            ok = false;
            break;
        }
        if (o.pending_used) single = false;
        bool same_load = x->row() == row && x->text == op && x->uses == self->uses;
        bool store_r = isstore(x) && x->text == op && op[0] != '#' &&
                       (storereg(x) == reg || (reg == R_A && storereg(x) == R_D));
        if (same_load || store_r) {
            x = poplabel(o, 0);
            if (!x) break;
            single = false;
            continue;
        }
        // In the late phase a load of Y after a store of D takes D by xgdy.
        if (reg == R_Y && o.phase < 0 && is(x, rows.std) && x->text == op && single && !o.pending_used &&
            !y_or_cond && touchable(x) && deadafter(o, x, R_D)) {
            insert_after(o, x, rows.xgdy, "");
            ++o.modifications;
            line = killline(o, self);
            return true;
        }
        if (x->uses & (R_Y | F_COND)) y_or_cond = true;
        if (x->effects & addr) {
            ok = false;
            break;
        }
        if (op[0] != '#' && clobbers(x, op, size)) {
            ok = false;
            break;
        }
        if (x->effects & reg) {
            // A definition of R that nothing reads before this load is dead.
            if ((x->effects & 0x001f) == reg && touchable(x) && !(x->effects & (R_SP | E_END | E_STORE | E_RMW)) &&
                !iscall(x) && !(x->uses & reg) &&
                isdead(o, x->next, static_cast<std::uint16_t>(reg | flagsof(x)))) {
                destroy(o, x);
                return true;
            }
            ok = false;
            break;
        }
        if (x->effects & R_Y && reg == R_Y) y_or_cond = true;
    }
    if (ok) {
        if (need_test) {
            rewrite(o, self, row == rows.ldaa ? rows.tsta : rows.tstb, "");
            return true;
        }
        line = destroy(o, self);
        return true;
    }
    if (isdead(o, self->next, static_cast<std::uint16_t>(reg | flags))) {
        line = destroy(o, self);
        return true;
    }
    return false;
}

bool rule_L2(Opt& o, LineNode*& line) {
    if (!rulestart(o, "L2")) return false;
    LineNode* self = line;
    const std::string op = self->text;
    if (op.empty() || op[0] == '#') return false;
    if (is(self, rows.ldab)) {
        std::string before = bumpopnd(op, 2);
        if (before.empty()) return false;
        std::uint16_t addr = addrregs(self);
        for (LineNode* x = self; (x = previnsn(o, x, false));) {
            if ((is(x, rows.ldd) || is(x, rows.std)) && x->text == before) {
                if (deadafter(o, self, flagsof(self))) {
                    line = destroy(o, self);
                } else if (deadafter(o, self, F_C)) {
                    rewrite(o, self, rows.tstb, "");
                } else {
                    return false;
                }
                return true;
            }
            if ((x->effects & (R_D | addr)) || clobbers(x, op, 1)) return false;
        }
        return false;
    }
    if (!is(self, rows.ldd)) return false;
    std::string high = op, low = bumpopnd(op, 0);
    if (low.empty()) return false;
    std::uint16_t addr = addrregs(self);
    bool a_holds = true, b_holds = true;
    for (LineNode* x = self; (x = nextinsn(o, x, 1));) {
        if (x->effects & addr) return false;
        if ((x->effects & R_SP) && !(x->uses & R_SP)) return false;
        if (iscall(x)) return false;
        if (touchable(x) && (is(x, rows.ldaa) || is(x, rows.ldab))) {
            bool is_a = is(x, rows.ldaa);
            if (x->text == low && b_holds) {
                if (is_a) {
                    rewrite(o, x, rows.tba, "");
                    return true;
                }
                if (!deadafter(o, x, flagsof(x))) return false;
                destroy(o, x);
                return true;
            }
            if (x->text == high && a_holds) {
                if (!is_a) {
                    rewrite(o, x, rows.tab, "");
                    return true;
                }
                if (!deadafter(o, x, flagsof(x))) return false;
                destroy(o, x);
                return true;
            }
        }
        if (clobbers(x, high, 1)) a_holds = false;
        if (clobbers(x, low, 1)) b_holds = false;
        if (x->effects & R_A) a_holds = false;
        if (x->effects & R_B) b_holds = false;
        if (!a_holds && !b_holds) return false;
    }
    return false;
}

// L3 routes a word through Y where that lets a load go: the ldd, or a
// later ldy of the same word.
bool rule_L3(Opt& o, LineNode*& line) {
    if (!rulestart(o, "L3") || !is(line, rows.ldd)) return false;
    LineNode* self = line;
    const std::string op = self->text;
    if (op.empty() || (self->uses & R_Y)) return false;
    bool imm = op[0] == '#';
    if (!imm && !memref(op).memory) return false;
    std::uint16_t addr = addrregs(self);
    // Earlier: Y already holds the word.
    bool y_holds = false, flags_between = false;
    for (LineNode* x = self; (x = previnsn(o, x, false));) {
        if ((is(x, rows.ldy) || is(x, rows.sty)) && x->text == op) {
            y_holds = true;
            break;
        }
        if ((x->effects & (R_Y | addr)) || iscond(x) || (!imm && clobbers(x, op, 2))) break;
        if (x->effects & F_ALL) flags_between = true;
    }
    // Without the ldd its flags are those of the line before it: the same
    // as its own only when that load or store of Y set them last.
    if (y_holds && flags_between && !deadafter(o, self, flagsof(self))) y_holds = false;
    // Forward: D's only readers are one store and one compare before D is
    // overwritten; Y stays unchanged over them.
    LineNode* store = nullptr;
    LineNode* compare = nullptr;
    LineNode* later = nullptr;
    bool d_gone = false;
    bool y_read = false;
    bool word_changed = false;  // the store may write over the word itself
    bool flags_set = false;     // a line other than the store set flags
    for (LineNode* x = self; (x = nextinsn(o, x, 1));) {
        if (iscond(x)) {
            LineNode* t = x->link;
            if (!t || !isdead(o, t, static_cast<std::uint16_t>(d_gone ? (y_holds ? 0 : R_Y) : R_D | R_Y)) ||
                (!d_gone && !isdead(o, t, R_D)))
                return false;
        }
        if (!d_gone) {
            if (is(x, rows.std) && !store && touchable(x) && !(x->uses & R_Y)) {
                store = x;
                if (!imm && x->text != op && clobbers(x, op, 2)) word_changed = true;
                continue;
            }
            if (x->effects & F_ALL) flags_set = true;
            if (is(x, rows.cpd) && !compare && touchable(x) && !(x->uses & R_Y)) {
                compare = x;
                continue;
            }
            if (x->uses & R_D) return false;
            if (x->uses & R_Y) return false;
            if (x->effects & R_Y) return false;
            if ((x->effects & R_D) == R_D) {
                d_gone = true;
                if (y_holds) break;
                if (!store && !compare) return false;
            } else if (x->effects & R_D) {
                return false;
            }
            if (!imm && clobbers(x, op, 2)) return false;
            if (x->effects & addr) return false;
            continue;
        }
        // After D is gone: look for a later ldy of the word. Without it
        // its flags are those of the line before it.
        if (is(x, rows.ldy) && x->text == op && touchable(x) && !y_read && !word_changed &&
            (!flags_set || deadafter(o, x, flagsof(x)))) {
            later = x;
            break;
        }
        if (x->uses & R_Y) y_read = true;
        if (x->effects & F_ALL) flags_set = true;
        if ((x->effects & (R_Y | addr)) || (!imm && clobbers(x, op, 2)) || y_read) break;
    }
    if (!d_gone) return false;
    if (!y_holds && !later) return false;
    if (store) setinsn(o, store, rows.sty);
    if (compare) setinsn(o, compare, rows.cpy);
    if (y_holds) {
        line = destroy(o, self);
        return true;
    }
    setinsn(o, self, rows.ldy);
    destroy(o, later);
    return true;
}

// L4 and L5 (a repeated load of "0,x" in straight-line code) stand as codes
// without effect: their matching ignores changes of X and stores between
// the loads.
bool rule_L4(Opt& o, LineNode*&) {
    rulestart(o, "L4");
    return false;
}

bool rule_L5(Opt& o, LineNode*&) {
    rulestart(o, "L5");
    return false;
}

bool rule_L6(Opt& o, LineNode*& line) {
    if (!rulestart(o, "L6")) return false;
    LineNode* self = line;
    LineNode* st = previnsn(o, self, false);
    if (!st || !is(st, rows.std) || !touchable(st) || (st->uses & R_Y) || nextinsn_text(st) != self) return false;
    LineNode* ld = previnsn(o, st, false);
    if (!ld || !is(ld, rows.ldd) || !touchable(ld) || nextinsn_text(ld) != st) return false;
    if (!deadafter(o, self, R_D)) return false;
    setinsn(o, ld, rows.ldy);
    setinsn(o, st, rows.sty);
    line = destroy(o, self);
    return true;
}

bool rule_L7(Opt& o, LineNode*& line) {
    if (!rulestart(o, "L7") || !is(line, rows.ldd) || !late(o)) return false;
    LineNode* self = line;
    const std::string op = self->text;
    std::int32_t v = 0;
    bool imm = immvalue(op, v);
    if (op.empty() || (op[0] == '#' && !imm)) return false;
    if (deadafter(o, self, R_B | F_Z)) {
        if (deadafter(o, self, R_D | F_N | F_Z | F_V)) {
            line = destroy(o, self);
            return true;
        }
        rewrite(o, self, rows.ldaa, imm ? num_join("#", (v >> 8) & 0xff, "") : op);
        return true;
    }
    if (deadafter(o, self, R_A | F_N | F_Z)) {
        std::string low = imm ? num_join("#", v & 0xff, "") : bumpopnd(op, 0);
        if (low.empty()) return false;
        rewrite(o, self, rows.ldab, low);
        return true;
    }
    return false;
}

// ----------------------------------------------------------------- stores

bool rule_S2(Opt& o, LineNode*& line) {
    if (!rulestart(o, "S2")) return false;
    LineNode* self = line;
    const std::string op = self->text;
    if (op.empty() || !memref(op).memory) return false;
    const std::uint16_t reg = storereg(self);
    const bool word = reg != R_A && reg != R_B;
    const int size = word ? 2 : 1;
    const std::string nb = bumpopnd(op, word ? 0 : 1);
    const std::uint16_t addr = addrregs(self);
    bool label_passed = false, cond_passed = false;
    bool is_std = is(self, rows.std);
    bool a_holds = reg == R_A || is_std, b_holds = reg == R_B || is_std;
    for (LineNode* x = self; (x = nextinsn(o, x, 0x8000));) {
        if (x->is_label()) {
            label_passed = true;
            continue;
        }
        if (x->effects & addr) return false;
        if ((x->effects & R_SP) && !(x->uses & R_SP)) return false;
        if (iscall(x)) return false;
        if (iscond(x)) cond_passed = true;
        bool on_nb = !nb.empty() && x->text == nb;
        bool on_op = x->text == op;
        if (on_nb && !(isload(x) || isstore(x))) return false;
        if (on_op && !(isload(x) || isstore(x))) return false;
        if (on_nb) {
            if (is_std && !label_passed && touchable(x)) {
                if (is(x, rows.ldaa) && b_holds) {
                    rewrite(o, x, rows.tba, "");
                    return true;
                }
                if (is(x, rows.ldab) && b_holds && deadafter(o, x, flagsof(x))) {
                    destroy(o, x);
                    return true;
                }
            }
            if (isstore(x) && !cond_passed && !word && (storereg(x) & 0x001f) != R_A && (storereg(x) & 0x001f) != R_B &&
                touchable(self) && deadafter(o, self, flagsof(self))) {
                line = destroy(o, self);
                return true;
            }
            return false;
        }
        if (on_op) {
            if (is_std && !label_passed && touchable(x)) {
                if (is(x, rows.ldaa) && a_holds && deadafter(o, x, flagsof(x))) {
                    destroy(o, x);
                    return true;
                }
                if (is(x, rows.ldab) && a_holds) {
                    rewrite(o, x, rows.tab, "");
                    return true;
                }
            }
            if (isstore(x) && !cond_passed && !(word && opsize(x) == 1) && deadafter(o, self, flagsof(self))) {
                line = destroy(o, self);
                return true;
            }
            return false;
        }
        if (mayread(x, op, size) || clobbers(x, op, size)) return false;
        if (!nb.empty() && clobbers(x, nb, 1)) return false;
        if (x->effects & R_A) a_holds = false;
        if (x->effects & R_B) b_holds = false;
    }
    return false;
}

bool rule_S4(Opt& o, LineNode*& line) {
    if (!rulestart(o, "S4")) return false;
    LineNode* self = line;
    LineNode* n = nextinsn(o, self, 1);
    if (!n || !is(n, rows.clr) || !touchable(n)) return false;
    std::string low;
    if (n->text == bumpopnd(self->text, 0) && !n->text.empty()) low = self->text;
    else if (self->text == bumpopnd(n->text, 0) && !self->text.empty()) low = n->text;
    else return false;
    if ((n->uses & (R_A | R_B)) || !deadafter(o, n, R_D)) return false;
    rewrite(o, self, rows.clra, "");
    insert_after(o, self, rows.clrb, "");
    rewrite(o, n, rows.std, low);
    return true;
}

bool rule_S5(Opt& o, LineNode*& line) {
    if (!rulestart(o, "S5")) return false;
    LineNode* self = line;
    const std::string op = self->text;
    if (op.empty() || !memref(op).memory) return false;
    const std::uint16_t reg = storereg(self), addr = addrregs(self);
    const int size = opsize(self);
    if (!deadafter(o, self, flagsof(self))) return false;
    poplabel(o, 1);
    o.single_mark = true;
    LineNode* x = self;
    for (;;) {
        x = previnsn(o, x, true);
        if (!x) return false;
        if (x->effects & R_SP) return false;
        if (x->effects & reg) {
            if (!isload(x) || loadreg(x) != reg || x->text != op) return false;
            x = poplabel(o, 0);
            if (!x) break;
            continue;
        }
        if ((x->effects & addr) || clobbers(x, op, size)) return false;
    }
    line = destroy(o, self);
    return true;
}

// ------------------------------------------------------- clears, transfers

bool rule_C0(Opt& o, LineNode*& line) {
    if (!rulestart(o, "C0")) return false;
    LineNode* self = line;
    const bool a = is(self, rows.clra);
    const std::uint16_t reg = a ? R_A : R_B;
    // Back: the register is already clear, or a clr of memory nearby can
    // clear it instead.
    bool flags_between = false, read_between = false;
    for (LineNode* x = self; (x = previnsn(o, x, false));) {
        if (x->effects & reg) {
            std::int32_t n;
            bool same = x->row() == self->row();
            bool ldd_zero = is(x, rows.ldd) && immvalue(x->text, n) && ((a ? (n >> 8) : n) & 0xff) == 0;
            if (same || ldd_zero) {
                if (!(same && !flags_between) && !deadafter(o, self, F_ALL)) return false;
                line = destroy(o, self);
                return true;
            }
            break;
        }
        if (is(x, rows.clr) && touchable(x) && !read_between) {
            // Straight text only: what follows the clr reaches this clear
            // alone. (The walk may have come to the clr through a jump from
            // further down.)
            bool straight = true;
            LineNode* l = x->next;
            for (; l && l != self && straight; l = l->next)
                if (l->is_label() || (l->is_insn() && (l->effects & (E_BRANCH | E_END)))) straight = false;
            if (l != self) straight = false;
            if (straight && (!flags_between || deadafter(o, self, F_ALL))) {
                std::string target = x->text;
                rewrite(o, x, self->row(), "");
                LineNode* st = insert_after(o, x, a ? rows.staa : rows.stab, target);
                st->kind = static_cast<std::uint16_t>(st->kind | (x->kind & K_KEEP));
                line = killline(o, self);
                return true;
            }
        }
        if (x->uses & reg) read_between = true;
        if (x->effects & F_ALL) flags_between = true;
    }
    // Forward.
    // leaves: a branch (brset, brclr) that reads no flag carries the clear
    // elsewhere.
    bool label_passed = false, c_set = false, leaves = false;
    for (LineNode* x = self; (x = nextinsn(o, x, 0x8000));) {
        if (x->is_label()) {
            label_passed = true;
            continue;
        }
        if (iscond(x) && !isdead(o, x->link, static_cast<std::uint16_t>(reg | F_ALL))) leaves = true;
        if (is(x, rows.clr) && !label_passed && touchable(x) && (!c_set || deadafter(o, x, F_C)) &&
            !(x->uses & reg)) {
            rewrite(o, x, a ? rows.staa : rows.stab, std::string(x->text));
            return true;
        }
        if (x->uses & (reg | F_ALL)) {
            if (label_passed) break;
            if (is(x, a ? rows.oraa : rows.orab) && touchable(x) && x->text != "" && !leaves &&
                deadafter(o, x, F_C)) {
                rewrite(o, x, a ? rows.ldaa : rows.ldab, std::string(x->text));
                line = destroy(o, self);
                return true;
            }
            break;
        }
        if (x->effects & reg) break;
        if (x->effects & F_C) c_set = true;
    }
    if (isdead(o, self->next, static_cast<std::uint16_t>(reg | F_ALL))) {
        line = destroy(o, self);
        return true;
    }
    return false;
}

bool rule_T1(Opt& o, LineNode*& line) {
    if (!rulestart(o, "T1")) return false;
    LineNode* self = line;
    const bool tab = is(self, rows.tab);
    const std::uint16_t src = tab ? R_A : R_B;
    if (!deadafter(o, self, src)) return false;
    bool flags_between = false;
    LineNode* ld = nullptr;
    for (LineNode* x = self; (x = prev_adjacent(x));) {
        if (is(x, rows.ldaa) || is(x, rows.ldab) || is(x, rows.ldd)) {
            ld = x;
            break;
        }
        if ((x->uses | x->effects) & R_D) return false;
        // The new load leaves other values in A and B where a branch
        // between goes.
        if (iscond(x) && !isdead(o, x->link, R_D)) return false;
        if (x->effects & F_ALL) flags_between = true;
    }
    if (!ld || !touchable(ld)) return false;
    if (flags_between && !deadafter(o, self, flagsof(self))) return false;
    const std::string op = ld->text;
    if (is(ld, rows.ldd)) {
        if (!deadafter(o, ld, flagsof(ld))) return false;
        std::int32_t v;
        std::string operand;
        if (immvalue(op, v)) {
            operand = num_join("#", tab ? (v >> 8) & 0xff : v & 0xff, "");
        } else if (op[0] == '#') {
            return false;
        } else {
            operand = tab ? op : bumpopnd(op, 0);
            if (operand.empty()) return false;
        }
        LineNode* nl = insert_after(o, ld, tab ? rows.ldab : rows.ldaa, operand);
        (void)nl;
        ++o.modifications;
        killline(o, ld);
    } else {
        bool byte_a = is(ld, rows.ldaa);
        if (byte_a != tab) return false;  // the load must fill the source
        setinsn(o, ld, tab ? rows.ldab : rows.ldaa);
        ++o.modifications;
    }
    line = destroy(o, self);
    return true;
}

bool rule_X0(Opt& o, LineNode*& line) {
    if (!rulestart(o, "X0")) return false;
    LineNode* self = line;
    LineNode* n = nextinsn(o, self, 1);
    if (n && is(n, rows.xgdy) && touchable(n) && nextinsn_text(self) == n) {
        destroy(o, n);
        line = destroy(o, self);
        return true;
    }
    if (n && is(n, rows.pshy) && touchable(n) && nextinsn_text(self) == n) {
        if (!late(o)) return false;
        if (isdead(o, n->next, R_D | R_Y)) {
            setinsn(o, n, rows.pshd);
            ++o.modifications;
            line = destroy(o, self);
            return true;
        }
    }
    // A second xgdy: between, Y untouched, A and B written before read,
    // straight code.
    LineNode* second = nullptr;
    std::uint16_t set = 0;
    bool clean = true;
    for (LineNode* x = self; (x = nextinsn(o, x, 1));) {
        if (is(x, rows.xgdy)) {
            second = x;
            break;
        }
        if (iscond(x) || ((x->uses | x->effects) & R_Y) || iscall(x)) {
            clean = false;
            break;
        }
        if (x->uses & R_D & ~set) {
            clean = false;
            break;
        }
        set |= x->effects & R_D;
    }
    if (second && clean && set == R_D && touchable(second)) {
        // Y after the second is what D was there, in both forms.
        if (deadafter(o, second, R_D)) {
            line = destroy(o, self);
            return true;
        }
        LineNode* before = previnsn(o, self, false);
        if (before && is(before, rows.ldd) && touchable(before) && !(before->uses & R_Y) &&
            nextinsn_text(before) == self && deadafter(o, self, flagsof(before)) &&
            deadafter(o, second, flagsof(before))) {
            bool memory_ok = !before->text.empty();
            clrmarks(o, 1);
            for (LineNode* x = self; (x = nextinsn(o, x, 1)) && x != second;)
                if ((before->text[0] != '#' && clobbers(x, before->text, 2)) || (x->effects & addrregs(before)))
                    memory_ok = false;
            if (memory_ok) {
                std::string op = before->text;
                insert_after(o, second, rows.ldd, op);
                killline(o, before);
                line = destroy(o, self);
                return true;
            }
        }
    }
    if ((self->uses & R_Y) && deadafter(o, self, R_D)) {
        self->uses = static_cast<std::uint16_t>(self->uses & ~R_Y);
        return true;
    }
    return false;
}

bool rule_P0(Opt& o, LineNode*& line) {
    if (!rulestart(o, "P0")) return false;
    LineNode* self = line;
    int pull = is(self, rows.pshd) ? rows.puld : is(self, rows.pshx) ? rows.pulx : rows.puly;
    const std::uint16_t reg = static_cast<std::uint16_t>(self->uses & 0x000f);
    for (LineNode* x = self; (x = nextinsn(o, x, 1));) {
        if (is(x, pull) && touchable(x)) {
            destroy(o, x);
            line = destroy(o, self);
            return true;
        }
        if (is(x, rows.ins) && touchable(x)) {
            LineNode* y = nextinsn(o, x, 1);
            if (y && is(y, rows.ins) && touchable(y)) {
                destroy(o, y);
                destroy(o, x);
                line = destroy(o, self);
                return true;
            }
            return false;
        }
        if ((x->effects & reg) || touches_sp(x) || iscond(x) || iscall(x)) break;
    }
    clrmarks(o, 1);
    LineNode* p = previnsn(o, self, false);
    if (p && is(p, pull) && touchable(p) && nextinsn_text(p) == self && deadafter(o, self, reg)) {
        destroy(o, p);
        line = destroy(o, self);
        return true;
    }
    return false;
}

bool rule_I0(Opt& o, LineNode*& line) {
    if (!rulestart(o, "I0")) return false;
    LineNode* self = line;
    std::vector<LineNode*> run{self};
    LineNode* after = self->next;
    for (LineNode* x = self->next; x; x = x->next) {
        if (x->is_label()) break;
        if (!x->is_insn()) continue;
        if (is(x, rows.ins) && touchable(x)) {
            run.push_back(x);
            after = x->next;
            continue;
        }
        break;
    }
    if (!isdead(o, after, R_SP)) return false;
    for (std::size_t i = 1; i < run.size(); ++i) destroy(o, run[i]);
    line = destroy(o, self);
    return true;
}

bool rule_I1(Opt& o, LineNode*& line) {
    if (!rulestart(o, "I1")) return false;
    LineNode* self = line;
    LineNode* n = next_adjacent(self);
    if (!n || !is(n, rows.ins) || !touchable(n)) return false;
    if (!deadafter(o, n, R_X)) return false;
    destroy(o, n);
    setinsn(o, self, rows.pulx);
    return true;
}

bool rule_D0(Opt& o, LineNode*& line) {
    if (!rulestart(o, "D0")) return false;
    LineNode* self = line;
    LineNode* st = previnsn(o, self, false);
    if (!st || !is(st, rows.sty) || !touchable(st) || nextinsn_text(st) != self || (st->uses & R_Y & addrregs(st)))
        return false;
    LineNode* inc = previnsn(o, st, false);
    if (!inc || !is(inc, rows.iny) || !touchable(inc) || nextinsn_text(inc) != st) return false;
    // Nothing after reads the restored Y or the Z of the decrement.
    if (isdead(o, self->next, R_Y | F_Z)) {
        line = destroy(o, self);
        return true;
    }
    // Move the increment and the store after the last reader of Y.
    const std::string op = st->text;
    LineNode* u = nullptr;
    for (LineNode* x = self; (x = next_adjacent(x));) {
        if ((x->effects & (E_BRANCH | E_END)) || iscall(x)) return false;
        if (mayread(x, op, 2) || clobbers(x, op, 2)) return false;
        if ((x->uses & R_Y) && (x->effects & R_Y)) return false;
        const bool reads_y = x->uses & R_Y;
        if (!reads_y && (x->effects & R_Y)) break;
        if (!reads_y && u && !(x->uses & F_ALL)) {
            if (!isdead(o, x, R_Y | F_N | F_Z | F_V)) return false;
            if (!isdead(o, self->next, F_N | F_Z | F_V)) return false;
            insert_before(o, x, rows.iny, "");
            insert_before(o, x, rows.sty, op);
            killline(o, inc);
            killline(o, st);
            line = destroy(o, self);
            return true;
        }
        // The store cannot move past a change of its address register.
        if (x->effects & addrregs(st)) return false;
        if (reads_y) u = x;
    }
    return false;
}

}  // namespace ccopt
