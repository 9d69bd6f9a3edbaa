// Arithmetic, logic, compare and bit rules: immediate operations that do
// nothing or merge, compares and tests whose flags are already set, memory
// operations done in the register about to be stored, shift sequences, and
// byte tests made with brclr and brset.
#include <cstring>

#include "ccopt/rules.h"
#include "ccparse/toolkit/toolkit.h"

namespace ccopt {

namespace {

bool named(const LineNode* l, std::initializer_list<const char*> names) {
    const char* n = row_of(l).name;
    for (const char* s : names)
        if (std::strcmp(n, s) == 0) return true;
    return false;
}

// The instruction that makes a byte-register row from a stem: "inc" and
// A give "inca".
int regrow(const char* stem, std::uint16_t reg) {
    return findmnem(std::string(stem) + (reg == R_A ? "a" : reg == R_B ? "b" : "d"));
}

// The next instruction in text order when no label stands before it.
LineNode* adjacent(LineNode* line) {
    for (LineNode* l = line->next; l; l = l->next) {
        if (l->is_label()) return nullptr;
        if (l->is_insn()) return l;
    }
    return nullptr;
}

LineNode* adjacent_before(LineNode* line) {
    for (LineNode* l = line->prev; l; l = l->prev) {
        if (l->is_label()) return nullptr;
        if (l->is_insn()) return l;
    }
    return nullptr;
}

// The flags live after a line, one by one.
std::uint16_t liveflags(Opt& o, LineNode* l) {
    std::uint16_t live = 0;
    for (std::uint16_t f : {F_C, F_N, F_Z, F_V})
        if (!isdead(o, l->next, f)) live |= f;
    return live;
}

// The flags that `p` leaves as a compare of R with 0 would set them
// (N and Z of R, V and C clear).
std::uint16_t provides(const LineNode* p, std::uint16_t r) {
    int row = p->row();
    bool zero = p->text == "#0";
    if ((r == R_A && (row == rows.tsta || (row == rows.cmpa && zero))) ||
        (r == R_B && (row == rows.tstb || (row == rows.cmpb && zero))) || (r == R_D && row == rows.cpd && zero))
        return F_ALL;
    // A call leaves the flags of whatever it did last; these others set
    // them apart from their result.
    if (iscall(p) || named(p, {"tap", "tpa", "mul", "idiv", "fdiv", "daa", "rti"})) return 0;
    std::uint16_t res = isstore(p) ? storereg(p) : static_cast<std::uint16_t>(row_of(p).effects & 0x001f);
    if (!res || (row_of(p).effects & E_RMW)) return 0;
    std::uint16_t m = 0;
    if ((r == R_B && res == R_B) || (r != R_B && (res & R_A) && !(res == R_B))) m |= F_N;
    if (res == r) m |= F_Z;
    if (named(p, {"ldaa", "ldab", "ldd", "staa", "stab", "std", "anda", "andb", "oraa", "orab", "eora", "eorb", "tab",
                  "tba", "clra", "clrb", "coma", "comb", "sex"}))
        m |= F_V;
    if (named(p, {"clra", "clrb"})) m |= F_C;
    return static_cast<std::uint16_t>(m & p->effects);
}

// Masks of bit instructions: "n" or "~n" (the complement), 8 bits.
bool maskvalue(std::string_view text, std::int32_t& value) {
    bool complement = !text.empty() && text[0] == '~';
    std::string t(text.substr(complement ? 1 : 0));
    if (t.empty()) return false;
    const char* end = vy::getnum(t.c_str(), &value, 1);
    if (*end) return false;
    if (complement) value = ~value;
    value &= 0xff;
    return true;
}

bool onebit(std::int32_t m) { return m > 0 && m < 256 && (m & (m - 1)) == 0; }

// An operand that brclr and brset can address.
bool bitaddressable(const Opt& o, std::string_view op) {
    MemRef m = memref(op);
    if (!m.memory) return false;
    if (m.index) {
        if (!m.known) return true;  // frame offsets: the load addressed it the same way
        return m.symbol.empty() ? m.offset >= 0 && m.offset <= 255 : true;
    }
    if (m.known && m.symbol.empty()) return m.offset >= 0 && m.offset <= 255;
    return isdirect(o, op);
}

// On every backward path from `from`, the word at `op` was loaded into the
// register `reg` or stored from it, and neither the register, the
// operand's address registers nor the word changed since.
bool word_in(Opt& o, LineNode* from, const std::string& op, std::uint16_t reg, std::uint16_t addr) {
    poplabel(o, 1);
    o.single_mark = true;
    for (LineNode* x = from;;) {
        x = previnsn(o, x, true);
        if (!x) return false;
        if ((isload(x) && loadreg(x) == reg && x->text == op) || (isstore(x) && storereg(x) == reg && x->text == op)) {
            x = poplabel(o, 0);
            if (!x) return true;
            continue;
        }
        if ((x->effects & (reg | addr)) || clobbers(x, op, 2)) return false;
    }
}

// Dead on both successors of a conditional branch.
bool deadbranch(Opt& o, LineNode* b, std::uint16_t mask) {
    return b->link && isdead(o, b->next, mask) && isdead(o, b->link, mask);
}

}  // namespace

bool rule_A0(Opt& o, LineNode*& line) {
    if (!rulestart(o, "A0")) return false;
    LineNode* self = line;
    const std::uint16_t reg = namereg(self);
    std::int32_t v;
    bool imm = immvalue(self->text, v);
    if (imm && (v & 0xff) == 0) {
        if (!deadafter(o, self, F_C)) return false;
        rewrite(o, self, regrow("clr", reg), "");
        return true;
    }
    // The first later reader of R or of a flag.
    LineNode* first = nullptr;
    for (LineNode* x = self; (x = nextinsn(o, x, 0x8000));) {
        if (x->is_label()) break;
        if (x->uses & (reg | F_ALL)) {
            first = x;
            break;
        }
        if (x->effects & reg) break;
    }
    if (imm && (v & 0xff) == 0xff) {
        if (deadafter(o, self, flagsof(self))) {
            line = destroy(o, self);
            return true;
        }
        if (!deadafter(o, self, F_C)) return false;
        rewrite(o, self, regrow("tst", reg), "");
        return true;
    }
    std::int32_t w;
    if (imm && first && first->row() == self->row() && touchable(first) && immvalue(first->text, w) &&
        adjacent(self) == first) {
        rewrite(o, first, self->row(), num_join("#", v & w & 0xff, ""));
        --o.modifications;
        line = destroy(o, self);
        return true;
    }
    if (deadafter(o, self, static_cast<std::uint16_t>(reg | flagsof(self)))) {
        line = destroy(o, self);
        return true;
    }
    if (deadafter(o, self, reg)) {
        rewrite(o, self, regrow("bit", reg), std::string(self->text));
        return true;
    }
    return false;
}

bool rule_A1(Opt& o, LineNode*& line) {
    if (!rulestart(o, "A1")) return false;
    LineNode* self = line;
    std::int32_t v;
    if (!immvalue(self->text, v) || v != 0) return false;
    for (LineNode* x = self; (x = previnsn(o, x, false));) {
        if (is(x, rows.clra)) {
            rewrite(o, self, findmnem("rola"), "");
            return true;
        }
        if (x->effects & R_A) return false;
    }
    return false;
}

bool rule_A2(Opt& o, LineNode*& line) {
    if (!rulestart(o, "A2")) return false;
    LineNode* self = line;
    std::int32_t m;
    if (!immvalue(self->text, m)) return false;
    m &= 0xff;
    LineNode* cmp = nullptr;
    LineNode* br = adjacent(self);
    if (br && is(br, rows.cmpb)) {
        std::int32_t c;
        if (!immvalue(br->text, c) || (c & 0xff) != m || !touchable(br)) return false;
        cmp = br;
        br = adjacent(br);
    }
    if (!br || !touchable(br) || !br->link) return false;
    int jb = br->row();
    bool beq = jb == rows.beq || jb == rows.jbeq, bne = jb == rows.bne || jb == rows.jbne;
    if (!beq && !bne) return false;
    if (bne && !onebit(m)) return false;
    LineNode* ld = adjacent_before(self);
    bool is_and = is(self, rows.andb);
    if (ld && is(ld, rows.ldab) && touchable(ld) && bitaddressable(o, ld->text)) {
        if (!deadbranch(o, br, R_B | F_ALL)) return false;
        bool set = beq == (cmp != nullptr);
        std::string operand = ld->text + ",#" + std::to_string(m) + "," + br->text;
        rewrite(o, ld, set ? rows.brset : rows.brclr, operand);
        if (cmp) destroy(o, cmp);
        destroy(o, br);
        line = destroy(o, self);
        return true;
    }
    if (!is_and || !cmp || !onebit(m)) return false;
    if (!deadbranch(o, br, F_ALL)) return false;
    destroy(o, cmp);
    setinsn(o, br, beq ? rows.jbne : rows.jbeq);
    return true;
}

// A3 and A4 (repeated address computations) stand as codes without effect:
// how far their backward comparison may reach is not settled.
bool rule_A3(Opt& o, LineNode*&) {
    rulestart(o, "A3");
    return false;
}

bool rule_A4(Opt& o, LineNode*&) {
    rulestart(o, "A4");
    return false;
}

bool rule_A5(Opt& o, LineNode*& line) {
    if (!rulestart(o, "A5")) return false;
    LineNode* self = line;
    std::int32_t a, b;
    if (!immvalue(self->text, a)) return false;
    LineNode* n = nextinsn(o, self, 1);
    if (!n || n->row() != self->row() || !touchable(n) || !immvalue(n->text, b)) return false;
    if (!deadafter(o, n, F_C | F_V)) return false;
    std::int32_t sum = static_cast<std::int32_t>(static_cast<std::uint32_t>(a) + static_cast<std::uint32_t>(b));
    sum &= namereg(self) == R_D ? 0xffff : 0xff;
    rewrite(o, self, self->row(), num_join("#", sum, ""));
    --o.modifications;
    destroy(o, n);
    return true;
}

bool rule_B0(Opt& o, LineNode*& line) {
    if (!rulestart(o, "B0")) return false;
    LineNode* self = line;
    const bool set = is(self, rows.bset);
    std::string_view addr = bitaddr(self->text);
    std::int32_t m;
    if (!maskvalue(bitmask(self->text), m)) return false;
    if (m == 0) {
        if (!deadafter(o, self, flagsof(self))) return false;
        line = destroy(o, self);
        return true;
    }
    if (!set && m == 0xff) {
        if (!deadafter(o, self, F_C)) return false;
        std::string target(addr);
        LineNode* ld = adjacent_before(self);
        MemRef mr = memref(addr);
        if (ld && mr.known && mr.symbol.empty() && mr.index && touchable(ld) &&
            is(ld, mr.index == 'x' ? rows.ldx : rows.ldy) && ld->text.size() > 1 && ld->text[0] == '#') {
            MemRef sym = memref(std::string_view(ld->text).substr(1));
            std::uint16_t ireg = mr.index == 'x' ? R_X : R_Y;
            if (sym.known && !sym.index && !sym.symbol.empty() && deadafter(o, self, ireg)) {
                std::int32_t off = sym.offset + mr.offset;
                target = off ? num_join(sym.symbol + (off > 0 ? "+" : ""), off, "") : sym.symbol;
                destroy(o, ld);
            }
        }
        rewrite(o, self, rows.clr, target);
        return true;
    }
    LineNode* n = adjacent(self);
    if (!n || !touchable(n) || !(is(n, rows.bset) || is(n, rows.bclr)) || bitaddr(n->text) != addr) return false;
    std::int32_t nm;
    if (!maskvalue(bitmask(n->text), nm)) return false;
    if (n->row() == self->row()) {
        rewrite(o, n, n->row(), std::string(addr) + ",#" + std::to_string(m | nm));
        --o.modifications;
        line = destroy(o, self);
        return true;
    }
    if ((nm & m) == m) {
        line = destroy(o, self);
        return true;
    }
    if (set && (nm & m) == 0) {
        lmove(o, n, self->prev);
        line = n;
        return true;
    }
    return false;
}

bool rule_B3(Opt& o, LineNode*& line) {
    if (!rulestart(o, "B3") || !is(line, rows.andb)) return false;
    LineNode* self = line;
    std::int32_t k;
    if (!immvalue(self->text, k)) return false;
    // The leading run: lsrb lines, with clra lines among them, or rolb
    // lines. n rolb rotate B with C through nine bits: they shift right by
    // 9 - n where the mask keeps only the bits that came round from the
    // top. A clra among them would change the C that they rotate in.
    std::vector<LineNode*> lead, trail;
    bool rol = false;
    for (LineNode* l = self->prev; l; l = l->prev) {
        if (l->is_label()) break;
        if (!l->is_insn()) continue;
        if (is(l, rows.lsrb) && touchable(l) && !rol) {
            lead.push_back(l);
        } else if (is(l, rows.rolb) && touchable(l) && (rol || lead.empty())) {
            rol = true;
            lead.push_back(l);
        } else if (!is(l, rows.clra) || rol) {
            break;
        }
    }
    // The trailing run is lslb lines only: m rorb would rotate C into the
    // result, and nothing here says what C is.
    for (LineNode* l = self->next; l; l = l->next) {
        if (l->is_label()) break;
        if (!l->is_insn()) continue;
        if (is(l, rows.lslb) && touchable(l)) trail.push_back(l);
        else break;
    }
    const int run = static_cast<int>(lead.size()), m = static_cast<int>(trail.size());
    if (!run || !m) return false;
    if (rol && (run < 2 || (k & 0xff) >= (1 << (run - 1)))) return false;
    const int n = rol ? 9 - run : run;  // right shifts
    const int saved = run + m - (m > n ? m - n : n - m);
    if (saved <= 0) return false;
    LineNode* last = trail.back();
    if (!deadafter(o, last, F_C | F_V)) return false;
    for (LineNode* l : lead) killline(o, l);
    for (LineNode* l : trail) killline(o, l);
    o.destructions += saved;
    LineNode* at = self->prev;
    int shift = m > n ? rows.lslb : rows.lsrb;
    for (int i = 0; i < (m > n ? m - n : n - m); ++i) at = insert_after(o, at, shift, "");
    rewrite(o, self, rows.andb, num_join("#", (k << m) & 0xff, ""));
    --o.modifications;
    return true;
}

bool rule_C1(Opt& o, LineNode*& line) {
    if (!rulestart(o, "C1")) return false;
    LineNode* self = line;
    const std::string op = self->text;
    const std::uint16_t watch = static_cast<std::uint16_t>((self->uses | self->effects) & 0x03df);
    poplabel(o, 1);
    o.single_mark = true;
    LineNode* x = self;
    for (;;) {
        x = previnsn(o, x, true);
        if (!x) return false;
        if (x->row() == self->row() && x->text == op && x->uses == self->uses) {
            x = poplabel(o, 0);
            if (!x) break;
            continue;
        }
        if (x->effects & watch) return false;
        if (!op.empty() && op[0] != '#' && clobbers(x, op, opsize(self))) return false;
    }
    line = destroy(o, self);
    return true;
}

bool rule_C2(Opt& o, LineNode*& line) {
    if (!rulestart(o, "C2")) return false;
    LineNode* self = line;
    const bool zero = self->text == "#0";
    if (o.phase < 0) {
        if (is(self, rows.cpd) && (zero || deadafter(o, self, R_D))) {
            rewrite(o, self, rows.subd, std::string(self->text));
            return true;
        }
        return false;
    }
    if (!zero) return false;
    const std::uint16_t r = static_cast<std::uint16_t>(self->uses & 0x001f);
    if (r != R_A && r != R_B && r != R_D) return false;
    const std::uint16_t live = liveflags(o, self);
    poplabel(o, 1);
    o.single_mark = true;
    LineNode* x = self;
    for (;;) {
        x = previnsn(o, x, true);
        if (!x) {
            late(o);
            return false;
        }
        if (x->effects & F_ALL) {
            if ((provides(x, r) & live) != live) {
                late(o);
                return false;
            }
            x = poplabel(o, 0);
            if (!x) break;
            continue;
        }
        if (x->effects & r) {
            late(o);
            return false;
        }
    }
    line = destroy(o, self);
    return true;
}

bool rule_C4(Opt& o, LineNode*& line) {
    if (!rulestart(o, "C4")) return false;
    LineNode* self = line;
    const std::uint16_t reg = namereg(self);
    const std::string op = self->text;
    if (op.empty() || op[0] == '#') return false;
    int load = reg == R_A ? rows.ldaa : reg == R_B ? rows.ldab : rows.ldd;
    int store = reg == R_A ? rows.staa : reg == R_B ? rows.stab : rows.std;
    bool add = named(self, {"adda", "addb", "addd"});
    if (add) {
        for (LineNode* x = self; (x = previnsn(o, x, false));) {
            if (is(x, load) && x->text == op && x->uses == (self->uses & ~row_of(self).uses)) {
                rewrite(o, self, reg == R_A ? rows.lsla : reg == R_B ? rows.lslb : rows.lsld, "");
                return true;
            }
            if ((x->effects & (self->uses | reg)) || clobbers(x, op, opsize(self))) break;
        }
    }
    LineNode* ld = adjacent_before(self);
    if (!ld || !is(ld, load) || !touchable(ld) || ld->text.empty()) return false;
    LineNode* st = adjacent_before(ld);
    if (!st || !is(st, store) || st->text != op) return false;
    rewrite(o, self, self->row(), std::string(ld->text));
    --o.modifications;
    destroy(o, ld);
    return true;
}

bool rule_C5(Opt& o, LineNode*& line) {
    if (!rulestart(o, "C5") || !(is(line, rows.cmpa) || is(line, rows.cmpb)) || !late(o)) return false;
    LineNode* self = line;
    std::int32_t v;
    if (!immvalue(self->text, v)) return false;
    v &= 0xff;
    if (v != 1 && v != 255) return false;
    const std::uint16_t reg = namereg(self);
    if (!deadafter(o, self, static_cast<std::uint16_t>(reg | F_C))) return false;
    rewrite(o, self, regrow(v == 1 ? "dec" : "inc", reg), "");
    return true;
}

// "#0" of or and eor: nothing changes but the flags.
static bool zero_op(Opt& o, LineNode*& line) {
    LineNode* self = line;
    if (deadafter(o, self, flagsof(self))) {
        line = destroy(o, self);
        return true;
    }
    if (!deadafter(o, self, F_C)) return false;
    rewrite(o, self, regrow("tst", namereg(self)), "");
    return true;
}

bool rule_E0(Opt& o, LineNode*& line) {
    if (!rulestart(o, "E0")) return false;
    LineNode* self = line;
    std::int32_t v;
    if (!immvalue(self->text, v)) return false;
    if ((v & 0xff) == 0xff) {
        if (!deadafter(o, self, F_C)) return false;
        rewrite(o, self, regrow("com", namereg(self)), "");
        return true;
    }
    if ((v & 0xff) == 0) return zero_op(o, line);
    return false;
}

bool rule_O0(Opt& o, LineNode*& line) {
    if (!rulestart(o, "O0")) return false;
    LineNode* self = line;
    std::int32_t v, w;
    if (!immvalue(self->text, v)) return false;
    if ((v & 0xff) == 0) return zero_op(o, line);
    LineNode* n = adjacent(self);
    if (!n || n->row() != self->row() || !touchable(n) || !immvalue(n->text, w)) return false;
    rewrite(o, n, n->row(), num_join("#", (v | w) & 0xff, ""));
    --o.modifications;
    line = destroy(o, self);
    return true;
}

bool rule_N0(Opt& o, LineNode*& line) {
    if (!rulestart(o, "N0")) return false;
    LineNode* self = line;
    LineNode* ld = adjacent_before(self);
    LineNode* nb = adjacent(self);
    LineNode* sb = nb ? adjacent(nb) : nullptr;
    std::int32_t v;
    if (!ld || !is(ld, rows.ldd) || !touchable(ld) || !nb || !is(nb, rows.negb) || !touchable(nb) || !sb ||
        !is(sb, rows.sbca) || !touchable(sb) || !immvalue(sb->text, v) || v != 0)
        return false;
    if (!deadafter(o, sb, F_ALL)) return false;
    std::string op = ld->text;
    setinsn(o, ld, rows.clra, "");
    setinsn(o, self, rows.clrb, "");
    setinsn(o, nb, rows.subd, op);
    killline(o, sb);
    return true;
}

bool rule_M0(Opt& o, LineNode*& line) {
    if (!rulestart(o, "M0")) return false;
    LineNode* self = line;
    const bool bit = is(self, rows.bset) || is(self, rows.bclr);
    std::string addr(bit ? bitaddr(self->text) : std::string_view(self->text));
    LineNode* p = previnsn(o, self, false);
    if (!p || !touchable(p) || adjacent_before(self) != p) return false;
    if (is(self, rows.clr) && is(p, rows.clr) && p->text == self->text) {
        destroy(o, p);
        return true;
    }
    if (!(is(p, rows.staa) || is(p, rows.stab)) || p->text != addr) return false;
    const std::uint16_t reg = storereg(p);
    if (!deadafter(o, self, reg)) return false;
    // These set V from the value, where the store clears it.
    if (named(self, {"inc", "dec", "asl", "asr", "lsl", "lsr", "rol", "ror", "neg"}) && !deadafter(o, self, F_V))
        return false;
    int row;
    std::string operand;
    if (bit) {
        std::int32_t m;
        if (!maskvalue(bitmask(self->text), m)) return false;
        row = regrow(is(self, rows.bset) ? "ora" : "and", reg);
        operand = num_join("#", is(self, rows.bset) ? m : (~m & 0xff), "");
    } else {
        row = regrow(row_of(self).name, reg);
    }
    if (row < 0) return false;
    rewrite(o, p, row, operand);
    setinsn(o, self, reg == R_A ? rows.staa : rows.stab, addr);
    return true;
}

bool rule_S0(Opt& o, LineNode*& line) {
    if (!rulestart(o, "S0")) return false;
    LineNode* self = line;
    if (isdead(o, self->next, static_cast<std::uint16_t>(R_A | F_N | F_Z | F_V))) {
        line = destroy(o, self);
        return true;
    }
    bool flags_between = false;
    for (LineNode* x = self; (x = adjacent_before(x));) {
        // A is clear from the clrb on, also where a branch between goes.
        if (iscond(x) && !isdead(o, x->link, R_A)) return false;
        if (x->effects & R_B) {
            if (!is(x, rows.clrb) || !touchable(x)) return false;
            if (flags_between && !deadafter(o, self, F_N | F_Z | F_V)) return false;
            insert_after(o, x, rows.clra, "");
            ++o.modifications;
            line = killline(o, self);
            return true;
        }
        if ((x->uses | x->effects) & R_A) return false;
        if (x->effects & F_ALL) flags_between = true;
    }
    return false;
}

bool rule_S1(Opt& o, LineNode*& line) {
    if (!rulestart(o, "S1")) return false;
    LineNode* self = line;
    LineNode* n = adjacent(self);
    if (!n || !is(n, rows.rorb) || !touchable(n)) return false;
    const bool arith = is(self, rows.asra);
    for (LineNode* x = self; (x = previnsn(o, x, false));) {
        if (!(x->effects & R_A)) continue;
        if (is(x, rows.clra)) {
            setinsn(o, n, rows.lsrb);
        } else if (arith && is(x, rows.sex)) {
            setinsn(o, n, findmnem("asrb"));
        } else {
            return false;
        }
        ++o.modifications;
        line = destroy(o, self);
        return true;
    }
    return false;
}

bool rule_S3(Opt& o, LineNode*& line) {
    if (!rulestart(o, "S3")) return false;
    LineNode* self = line;
    const std::uint16_t reg = namereg(self);
    LineNode* n = nullptr;
    // A branch ends the search too: brset and brclr read no flag, but the
    // shifted value goes with them.
    for (LineNode* x = self; (x = nextinsn(o, x, 1));) {
        if (((x->uses | x->effects) & (R_A | R_B | R_SP | F_ALL)) || iscond(x)) {
            n = x;
            break;
        }
    }
    if (!n || !touchable(n)) return false;
    bool left = reg == R_A ? (is(n, rows.asla) || is(n, rows.lsla)) : is(n, rows.lslb);
    if (left) {
        if (!deadafter(o, n, F_C | F_V)) return false;
        rewrite(o, self, regrow("and", reg), "#254");
        destroy(o, n);
        return true;
    }
    std::int32_t k;
    if (n->row() == regrow("and", reg) && immvalue(n->text, k)) {
        if (!late(o)) return false;
        k &= 0xff;
        if (is(self, rows.asra) && ((k >> 7) & 1) != ((k >> 6) & 1)) return false;
        if (!deadafter(o, n, F_C | F_V)) return false;
        std::int32_t doubled = (k << 1) & 0xff;
        LineNode* moved = insert_before(o, self, n->row(), num_join("#", doubled, ""));
        (void)moved;
        killline(o, n);
        ++o.modifications;
        return true;
    }
    return false;
}

bool rule_T0(Opt& o, LineNode*& line) {
    if (!rulestart(o, "T0") || !late(o)) return false;
    LineNode* self = line;
    if (!is(self, rows.tst)) return false;
    if (!deadafter(o, self, F_C)) return false;
    // A later ldd of the same operand: the test loads D at once and that
    // load goes. The word's Z is not the byte's, so Z must be dead.
    if (deadafter(o, self, F_Z)) {
        const std::string& op = self->text;
        const std::uint16_t addr = addrregs(self);
        bool flags_between = false;
        for (LineNode* x = self; (x = nextinsn(o, x, 1));) {
            if (is(x, rows.ldd) && x->text == op && x->uses == self->uses && touchable(x)) {
                if (flags_between && !deadafter(o, x, flagsof(x))) break;
                rewrite(o, self, rows.ldd, op);
                destroy(o, x);
                return true;
            }
            if (((x->uses | x->effects) & R_D) || (x->effects & addr) || iscall(x) || clobbers(x, op, 2)) break;
            // D now holds the word where the branch goes.
            if (iscond(x) && !isdead(o, x->link, R_D)) break;
            if (x->effects & F_ALL) flags_between = true;
        }
        clrmarks(o, 1);
    }
    int row;
    if (deadafter(o, self, R_A)) row = rows.ldaa;
    else if (deadafter(o, self, R_B)) row = rows.ldab;
    else return false;
    rewrite(o, self, row, std::string(self->text));
    return true;
}

bool rule_T2a(Opt& o, LineNode*& line) {
    if (!rulestart(o, "T2")) return false;
    LineNode* self = line;
    if (!is(self, rows.tsta) && !is(self, rows.tstb)) return false;
    const std::uint16_t r = is(self, rows.tsta) ? R_A : R_B;
    const std::uint16_t live = liveflags(o, self);
    for (LineNode* x = self; (x = previnsn(o, x, false));) {
        if ((x->effects & R_SP) && !(x->uses & R_SP)) return false;
        if (x->effects & (r | F_ALL)) {
            if ((provides(x, r) & live) != live) return false;
            line = destroy(o, self);
            return true;
        }
    }
    return false;
}

bool rule_T2b(Opt& o, LineNode*& line) {
    if (!rulestart(o, "T2")) return false;
    LineNode* self = line;
    if (!is(self, rows.tst)) return false;
    const std::string op = self->text;
    if (op.empty() || !memref(op).memory) return false;
    const std::uint16_t addr = addrregs(self);
    const std::uint16_t live = liveflags(o, self);
    // Each path ends where the value is in A or B, or where a
    // read-modify-write of the operand left its flags; all paths agree.
    enum { NONE, IN_A, IN_B, RMW };
    int agreed = NONE;
    poplabel(o, 1);
    o.single_mark = true;
    LineNode* x = self;
    std::uint16_t changed = 0;
    bool flags_set = false;
    for (;;) {
        x = previnsn(o, x, true);
        if (!x) return false;
        int found = NONE;
        if (x->text == op && (isload(x) || isstore(x))) {
            std::uint16_t reg = isload(x) ? loadreg(x) : storereg(x);
            found = (reg & R_A) ? IN_A : reg == R_B ? IN_B : NONE;
            if (found == NONE || (changed & (found == IN_A ? R_A : R_B))) return false;
        } else if (x->text == op && isrmw(x) && !is(x, rows.bset) && !is(x, rows.bclr)) {
            // It leaves N and Z of the value; V and C its own way.
            std::uint16_t own = named(x, {"clr"}) ? F_ALL : named(x, {"com"}) ? (F_N | F_Z | F_V) : (F_N | F_Z);
            if (flags_set || (own & live) != live) return false;
            found = RMW;
        }
        if (found != NONE) {
            if (agreed != NONE && agreed != found) return false;
            agreed = found;
            x = poplabel(o, 0);
            if (!x) break;
            changed = 0;
            flags_set = false;
            continue;
        }
        if (x->effects & addr) return false;
        if (clobbers(x, op, 1)) return false;
        changed |= x->effects & (R_A | R_B);
        if (x->effects & F_ALL) flags_set = true;
    }
    if (agreed == RMW) {
        line = destroy(o, self);
        return true;
    }
    rewrite(o, self, agreed == IN_A ? rows.tsta : rows.tstb, "");
    return true;
}

bool rule_I2(Opt& o, LineNode*& line) {
    if (!rulestart(o, "I2")) return false;
    LineNode* self = line;
    LineNode* br = adjacent(self);
    if (!br || !touchable(br) || !(is(br, rows.bne) || is(br, rows.jbne)) || !br->link) return false;
    LineNode* hi = adjacent(br);
    if (!hi || !is(hi, rows.inc) || !touchable(hi)) return false;
    if (bumpopnd(hi->text, 0) != self->text || self->text.empty()) return false;
    // The branch skips just the high byte's increment.
    LineNode* label = hi->next;
    while (label && label->is_text()) label = label->next;
    if (label != br->link) return false;
    const std::string op = hi->text;
    MemRef m = memref(op);
    if (!m.memory) return false;
    const std::uint16_t flags = F_N | F_Z | F_V;
    if (!isdead(o, label, flags)) return false;
    const bool d_free = isdead(o, label, static_cast<std::uint16_t>(R_D | F_C));
    const bool y_usable = m.index != 'y';
    const bool y_free = y_usable && isdead(o, label, R_Y);
    const std::uint16_t addr = addrregs(hi);
    // Without its load where the word is in the register already; Y then
    // goes back to the old word with "dey" where that is still needed.
    const bool d_holds = d_free && word_in(o, self, op, R_D, addr);
    const bool y_holds = !d_holds && y_usable && word_in(o, self, op, R_Y, addr);
    const bool use_d = d_holds || (!y_holds && d_free);
    if (!use_d && !y_holds && !y_free) return false;
    LineNode* at = hi;
    if (!d_holds && !y_holds) at = insert_after(o, at, use_d ? rows.ldd : rows.ldy, op);
    at = insert_after(o, at, use_d ? rows.addd : rows.iny, use_d ? "#1" : "");
    at = insert_after(o, at, use_d ? rows.std : rows.sty, op);
    if (y_holds && !y_free) insert_after(o, at, rows.dey, "");
    if (d_holds || y_holds) {
        o.modifications += 2;
        ++o.destructions;
    } else {
        o.modifications += 3;
    }
    killline(o, hi);
    killline(o, br);
    line = killline(o, self);
    return true;
}

}  // namespace ccopt
