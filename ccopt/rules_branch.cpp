// Label and branch rules: branches that lead nowhere new, threading and
// inversion, unreachable code, hoisting the first instruction of both
// successors, cross-jumping, and loop-invariant loads.
#include <algorithm>
#include <cstring>

#include "ccopt/rules.h"

namespace ccopt {

namespace {

// The jb form of a branch row ("bne" gives "jbne", "bra" gives "jbr").
int jbform(int row) {
    if (row == rows.bra) return rows.jbr;
    const char* name = mnemonics[row].name;
    if (name[0] == 'j') return row;
    int r = findmnem(std::string("j") + name);
    return r < 0 ? row : r;
}

// Condition index with bhs counted as bcc and blo as bcs.
int samecond(std::uint16_t kind) {
    int c = condindex(kind);
    if (c == 6) return 0;  // jbhs
    if (c == 8) return 1;  // jblo
    return c;
}

// The inverse condition's jb row.
int inverse(int row) {
    static const char* const pairs[][2] = {
        {"jbcc", "jbcs"}, {"jbeq", "jbne"}, {"jbge", "jblt"}, {"jbgt", "jble"},
        {"jbhi", "jbls"}, {"jbhs", "jblo"}, {"jbmi", "jbpl"}, {"jbvc", "jbvs"},
    };
    const char* name = mnemonics[jbform(row)].name;
    for (const auto& p : pairs) {
        if (std::strcmp(name, p[0]) == 0) return findmnem(p[1]);
        if (std::strcmp(name, p[1]) == 0) return findmnem(p[0]);
    }
    return jbform(row);
}

bool opposite(const LineNode* a, const LineNode* b) { return jbform(inverse(a->row())) == jbform(b->row()); }

// A data line between two lines (exclusive).
bool data_between(const LineNode* from, const LineNode* to) {
    for (const LineNode* l = from->next; l && l != to; l = l->next)
        if (isdata(l)) return true;
    return false;
}

bool label_between(const LineNode* from, const LineNode* to) {
    for (const LineNode* l = from->next; l && l != to; l = l->next)
        if (l->is_label()) return true;
    return false;
}

// A copy of a line: same row, operand and words; linked when it branches.
LineNode* copyline(Opt& o, LineNode* after, const LineNode* from) {
    LineNode* c = newinsn(o, from->row(), from->text);
    c->uses = from->uses;
    c->effects = from->effects;
    c->kind = static_cast<std::uint16_t>(c->kind | (from->kind & K_KEEP));
    linsert(o, after, c);
    if (from->link) findlabel(o, c);
    return c;
}

}  // namespace

// ------------------------------------------------------------ label rules

bool rule_B4(Opt& o, LineNode* label) {
    if (!rulestart(o, "B4")) return false;
    LineNode* p = previnsn_text(label);
    if (!p || !isbranch(p) || p->link != label || !touchable(p) || data_between(p, label)) return false;
    destroy(o, p);
    return true;
}

bool rule_M1(Opt& o, LineNode* label) {
    if (!rulestart(o, "M1") || !late(o)) return false;
    if (label->refs.size() != 1) return false;
    LineNode* r = label->refs[0];
    if (!iscond(r)) return false;
    if (!nofallin(label)) return false;
    LineNode* a = nextinsn(o, label, 1);
    LineNode* b = nextinsn(o, r, 1);
    if (!a || !b || a == b || !touchable(a) || !touchable(b)) return false;
    if (a->row() != b->row() || a->text != b->text || a->uses != b->uses) return false;
    if ((a->effects & r->uses) || (a->effects & 0xd830) || iscall(a)) return false;
    if (data_between(a, nextinsn_text(a) ? nextinsn_text(a) : a)) return false;
    lmove(o, a, r->prev);
    killline(o, b);
    return true;
}

// Does every backward path from `start` bring N's value into its register
// (and the flags of V) unchanged?
static bool m2paths(Opt& o, LineNode* start, LineNode* n, std::uint16_t v) {
    poplabel(o, 1);
    o.single_mark = true;
    const std::string& op = n->text;
    std::uint16_t reg = loadreg(n), addr = addrregs(n);
    LineNode* x = start;
    for (;;) {
        x = previnsn(o, x, true);
        if (!x) return false;
        if (x == n && o.opts.qvnolo) return false;
        bool satisfied = false;
        if (x->text == op && isload(x) && x->effects == n->effects && x->uses == n->uses) satisfied = true;
        else if (x->text == op && isstore(x) && storereg(x) == reg) satisfied = true;
        if (!satisfied) {
            if (clobbers(x, op, opsize(n))) return false;
            if (x->effects & (addr | v)) return false;
            continue;
        }
        // This path is done: the next one starts at a pending referrer.
        x = poplabel(o, 0);
        if (!x) return true;
    }
}

bool rule_M2(Opt& o, LineNode* label) {
    if (!rulestart(o, "M2") || !late(o)) return false;
    LineNode* p = previnsn_text(label);
    if (p && !fallsthrough(p)) return false;
    if (p && label_between(p, label)) return false;
    for (LineNode* r : label->refs)
        if (!isbranch(r)) return false;
    // F: registers not yet read or changed after L; E: what changed; U: what was read.
    std::uint16_t f = R_A | R_B | R_Y, e = 0, u = 0;
    std::size_t steps = 0;
    for (LineNode* x = label; (x = nextinsn(o, x, 1));) {
        if (++steps > o.lines) return false;
        if (x->effects & 0xc020) return false;
        if (iscall(x) || (x->effects & R_SP)) return false;
        LineNode* n2 = nextinsn_text(x);
        std::uint16_t reg = loadreg(x);
        bool candidate = isload(x) && touchable(x) && n2 && reg && (reg & ~f) == 0 &&
                         !(x->uses & e & 0x001f) && !(u & flagsof(x));
        if (candidate) {
            // The flags of N that a later line reads (N2 or one after it)
            // must come in with the value.
            std::uint16_t v = reg;
            std::uint16_t live = 0;
            for (std::uint16_t flag : {F_C, F_N, F_Z, F_V})
                if ((flagsof(x) & flag) && !isdead(o, x->next, flag)) live |= flag;
            if (live & e) candidate = false;
            v |= live;
            if (candidate) {
                // Every jump into the head must bring the value; one jump
                // may fail when the fall-through entry brings it.
                LineNode* failed = nullptr;
                bool ok = true;
                std::vector<LineNode*> refs = label->refs;
                for (LineNode* r : refs) {
                    if (m2paths(o, r, x, v)) continue;
                    if (iscond(r) || failed) {
                        ok = false;
                        break;
                    }
                    failed = r;
                }
                if (ok && !failed) {
                    copyline(o, label->prev, x);
                    killline(o, x);
                    return true;
                }
                if (ok && p && m2paths(o, label, x, v)) {
                    copyline(o, failed->prev, x);
                    killline(o, x);
                    return true;
                }
            }
        }
        e |= x->effects;
        u |= x->uses;
        f = static_cast<std::uint16_t>(f & ~(x->uses | x->effects));
        if (!f) return false;
    }
    return false;
}

bool rule_F0(Opt& o, LineNode* label) {
    if (!rulestart(o, "F0") || !late(o)) return false;
    LineNode* p = previnsn_text(label);
    LineNode* t = nullptr;
    if (p && fallsthrough(p)) {
        if (label_between(p, label) || data_between(p, label) || !p->is_insn()) return false;
        t = p;
    }
    std::vector<LineNode*> same;
    // The function's entry, or a label before it, falls into L without T.
    bool other = !t && !nofallin(label);
    LineNode* own = nullptr;  // the jump that T itself precedes
    for (std::size_t i = label->refs.size(); i-- > 0;) {
        LineNode* r = label->refs[i];
        if (!r->is_insn() || iscond(r)) {
            other = true;
            continue;
        }
        LineNode* q = r->prev;
        while (q && !q->is_insn() && !q->is_label()) q = q->prev;
        if (!q || q->is_label()) return false;
        if (data_between(q, r)) {
            other = true;
            continue;
        }
        if (!t) {
            if (!fallsthrough(q) || isjump(q)) {
                other = true;
            } else {
                t = q;
                own = r;
            }
        } else if (q->kind == t->kind && q->text == t->text && q->uses == t->uses && q->effects == t->effects) {
            same.push_back(r);
        } else {
            other = true;
        }
    }
    if (same.empty() || !t) return false;
    if (t->effects & F_HINT) {
        const std::string& n = t->text;
        if ((n.size() > 2 && n[2] == 'm') || (n.size() > 6 && n[2] == 'i' && n[6] == 'b') ||
            (n.size() > 5 && n[2] == 'e' && n[5] == 'b'))
            return false;
    }
    if (t->kept()) return false;
    if (!other) {
        copyline(o, label, t);
        for (LineNode* r : same) {
            LineNode* q = r->prev;
            while (!q->is_insn()) q = q->prev;
            destroy(o, q);
        }
        destroy(o, t);
        return true;
    }
    LineNode* nl = newlabel(o, t, static_cast<int>(same.size()));
    for (LineNode* r : same) {
        if (r == own) continue;
        LineNode* q = r->prev;
        while (!q->is_insn()) q = q->prev;
        droplink(o, r);
        setinsn(o, r, rows.jbr, nl->name());
        r->link = nl;
        nl->refs.push_back(r);
        destroy(o, q);
    }
    return true;
}

// ----------------------------------------------------------- branch rules

// Follows a chain of unconditional jumps from a label; true when it comes
// back to `stop` or goes round in a circle.
static bool jumps_back(Opt& o, LineNode* from, LineNode* stop) {
    for (int steps = 0; from && steps < 64; ++steps) {
        if (from == stop) return true;
        LineNode* n = nextinsn(o, from, 0x4000);
        if (!n || !isjump(n) || !n->link) return false;
        from = n->link;
    }
    return true;
}

bool rule_B1(Opt& o, LineNode*& line) {
    if (!rulestart(o, "B1")) return false;
    LineNode* self = line;
    if (LineNode* t = self->link) {
        LineNode* n = nextinsn(o, t, 0x4000);
        if (n && n != self && n->is_insn()) {
            bool uncond_to_other = isjump(n) && n->link && n->link != t;
            bool same_cond = iscond(n) && iscond(self) && n->link && samecond(n->kind) == samecond(self->kind) &&
                             n->row() != rows.brclr && n->row() != rows.brset;
            if ((uncond_to_other || same_cond) && !jumps_back(o, n->link, t)) {
                LineNode* nb = insert_branch_after(o, self, jbform(self->row()), n->text);
                ++o.modifications;
                killline(o, self);
                line = nb;
                return true;
            }
            if (iscond(n) && iscond(self) && (n->uses & F_ALL) == (self->uses & F_ALL) && opposite(self, n) &&
                n->row() != rows.brclr && n->row() != rows.brset) {
                LineNode* nl = newlabel(o, n->next, 1);
                droplink(o, self);
                self->text = std::string(nl->name());
                self->link = nl;
                nl->refs.push_back(self);
                ++o.modifications;
                return true;
            }
            if ((n->effects & (E_END | F_COND)) == (E_END | F_COND) && isjump(self) && self->row() != rows.brclr) {
                if (!late(o)) return false;
                if (n->text.rfind("c_", 0) == 0) return false;
                // A jump out of the function is copied with its operand; the
                // copy is longer than the branch it replaces, so it is made
                // only where the original then goes (no other way reaches it).
                if (!n->text.empty() && !(t->refs.size() == 1 && nofallin(t))) return false;
                for (LineNode* l = n->next; l && !l->is_insn() && !l->is_label(); l = l->next)
                    if (isdata(l)) return false;
                std::vector<LineNode*> quits;
                for (LineNode* l = n->prev; l && l->is_text() && l->text.rfind("\t.dquit", 0) == 0; l = l->prev)
                    quits.insert(quits.begin(), l);
                LineNode* at = self;
                for (LineNode* q : quits) {
                    LineNode* c = new LineNode;
                    c->kind = K_TEXT;
                    c->text = q->text;
                    at = linsert(o, at, c);
                }
                LineNode* c = newinsn(o, n->row(), n->text);
                c->uses = n->uses;
                c->effects = n->effects;
                linsert(o, at, c);
                ++o.modifications;
                killline(o, self);
                line = c;
                return true;
            }
        }
    }
    if (!iscond(self) || self->row() == rows.brclr || self->row() == rows.brset) return false;
    LineNode* n2 = nextinsn(o, self, 1);
    if (!n2 || !isbranch(n2) || !n2->link || !touchable(n2) || n2->row() == rows.brclr || n2->row() == rows.brset)
        return false;
    if (isjump(n2)) {
        LineNode* after = nextinsn(o, n2, 0x4000 | 0x8000);
        if (after && after == self->link && n2 == nextinsn_text(self)) {
            LineNode* nb = insert_branch_after(o, n2, inverse(self->row()), n2->text);
            ++o.destructions;
            killline(o, n2);
            killline(o, self);
            line = nb;
            return true;
        }
        return false;
    }
    if ((n2->uses & F_ALL) == (self->uses & F_ALL)) {
        if (samecond(n2->kind) == samecond(self->kind)) {
            destroy(o, n2);
            return true;
        }
        if (opposite(self, n2)) {
            bool same_target = self->link == n2->link;
            setinsn(o, n2, rows.jbr);
            if (same_target) {
                line = destroy(o, self);
            }
            return true;
        }
    }
    // A branch after one whose failing leaves its condition impossible.
    const char* sn = mnemonics[jbform(self->row())].name;
    const char* nn = mnemonics[jbform(n2->row())].name;
    bool eq = std::strcmp(nn, "jbeq") == 0, ne = std::strcmp(nn, "jbne") == 0;
    auto in = [&](std::initializer_list<const char*> names) {
        for (const char* s : names)
            if (std::strcmp(sn, s) == 0) return true;
        return false;
    };
    int kind = 0;  // which setters are sound
    if (eq && in({"jble", "jbls"})) kind = 1;
    else if (eq && in({"jbge"})) kind = 2;
    else if (eq && in({"jbhs"})) kind = 3;
    else if (eq && in({"jbpl"})) kind = 4;
    else if (ne && in({"jbhi"})) kind = 5;
    if (!kind) return false;
    std::uint16_t flags = static_cast<std::uint16_t>((self->uses | n2->uses) & F_ALL);
    LineNode* p = previnsn(o, self, false);
    while (p && !(p->effects & flags)) p = previnsn(o, p, false);
    if (!p || (p->effects & flags) != flags) return false;
    const char* pn = row_of(p).name;
    auto setter = [&](std::initializer_list<const char*> names) {
        for (const char* s : names)
            if (std::strcmp(pn, s) == 0) return true;
        return false;
    };
    bool sound = false;
    switch (kind) {
    case 1:
        sound = true;
        break;
    case 2:  // Z set means N xor V clear: not after an add or a shift
        sound = setter({"cmpa", "cmpb", "cpd", "cpx", "cpy", "suba", "subb", "subd", "sba", "cba", "tst", "tsta",
                        "tstb", "ldaa", "ldab", "ldd", "ldx", "ldy", "lds", "anda", "andb", "oraa", "orab", "eora",
                        "eorb", "bita", "bitb", "clr", "clra", "clrb", "com", "coma", "comb", "neg", "nega", "negb",
                        "inc", "inca", "incb", "dec", "deca", "decb", "staa", "stab", "std", "stx", "sty", "sts",
                        "tab", "tba", "sex", "inx", "dex", "iny", "dey"}) &&
                (flags & F_V) && (p->effects & F_V);
        break;
    case 3:  // Z set means C clear
        sound = setter({"cmpa", "cmpb", "cpd", "cpx", "cpy", "suba", "subb", "subd", "sba", "cba", "tst", "tsta",
                        "tstb", "clr", "clra", "clrb", "neg", "nega", "negb"});
        break;
    case 4:  // N and Z of one result
        sound = !setter({"tap"});
        break;
    case 5:  // C is clear
        sound = setter({"tst", "tsta", "tstb", "clr", "clra", "clrb"});
        break;
    }
    if (!sound) return false;
    destroy(o, n2);
    return true;
}

bool rule_B2(Opt& o, LineNode*& line) {
    if (!rulestart(o, "B2")) return false;
    LineNode* self = line;
    bool label_seen = false;
    LineNode* n = self->next;
    for (; n && !n->is_insn(); n = n->next)
        if (n->is_label()) label_seen = true;
    if (!n) return false;
    if (!label_seen) {
        if (!touchable(n)) return false;
        destroy(o, n);
        return true;
    }
    if (!(n->effects & F_COND) || (n->uses & F_COND) || data_between(self, n)) return false;
    if (self->link) {
        if (!isjump(n) || n->text != self->text) return false;
    } else {
        if (n->row() != self->row() || n->text != self->text) return false;
    }
    line = destroy(o, self);
    return true;
}

bool rule_C6(Opt& o, LineNode*& line) {
    if (!rulestart(o, "C6")) return false;
    LineNode* self = line;
    int jb = jbform(self->row());
    bool beq = jb == rows.jbeq;
    if (!beq && jb != rows.jbne) return false;
    LineNode* p = previnsn(o, self, false);
    while (p && !(p->effects & F_ALL)) p = previnsn(o, p, false);
    if (!p || !(p->effects & F_Z)) return false;
    const char* pn = row_of(p).name;
    for (const char* bad : {"tap", "idiv", "fdiv", "mul", "cba", "daa"})
        if (std::strcmp(pn, bad) == 0) return false;
    std::uint16_t r;
    if (isstore(p)) {
        r = storereg(p);
    } else if (p->effects & 0x001f & ~R_SP) {
        r = static_cast<std::uint16_t>(row_of(p).effects & 0x001f);
    } else {
        int pr = p->row();
        bool zero = p->text == "#0" || p->text == "#00";
        if (pr == rows.tsta || (pr == rows.cmpa && zero)) r = R_A;
        else if (pr == rows.tstb || (pr == rows.cmpb && zero)) r = R_B;
        else if (pr == rows.cpd && zero) r = R_D;
        else return false;
    }
    r &= R_D;
    if (!r || (isstore(p) && storereg(p) != r) || (!isstore(p) && (row_of(p).effects & 0x001f & ~R_D))) return false;
    LineNode* x;
    if (beq) {
        LineNode* t = self->link;
        if (!t || t->refs.size() != 1 || !nofallin(t)) return false;
        x = t;
    } else {
        x = self;
    }
    while ((x = nextinsn(o, x, 1))) {
        if (isjump(x)) return false;
        if ((is(x, rows.clra) && (r & R_A)) || (is(x, rows.clrb) && (r & R_B))) {
            if (!touchable(x) || !deadafter(o, x, F_ALL)) return false;
            destroy(o, x);
            return true;
        }
        if (x->effects & r) return false;
    }
    return false;
}

bool rule_C3(Opt& o, LineNode*& line) {
    if (!rulestart(o, "C3")) return false;
    LineNode* n = nextinsn(o, line, 1);
    if (!n || !is(n, rows.kvol) || !touchable(n)) return false;
    destroy(o, n);
    return true;
}

}  // namespace ccopt
