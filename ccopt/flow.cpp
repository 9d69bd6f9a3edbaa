// Labels and their referrers, the flow walks (forward, backward with the
// pending set of open paths, the dead-register walk), the register hints,
// the Y-to-X renaming, and the rule driver of one chunk.
#include <algorithm>
#include <cstring>
#include <unordered_map>

#include "ccopt/opt.h"
#include "ccopt/rules.h"

namespace ccopt {

// The walks of one rule call, and one dead-register walk, look at no more
// than so many lines, so that a pass stays linear in the size of the
// function; past that the answer is the cautious one.
const long WALK_STEPS = 4000;
const int ISDEAD_STEPS = 2000;

// --------------------------------------------------------------- helpers

void setnoopt(Opt& o, std::string_view text) {
    for (std::size_t i = 0; i < text.size(); ++i) {
        char c = text[i];
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
        if (c >= 'a' && c <= 'z' && i + 1 < text.size() && text[i + 1] >= '0' && text[i + 1] <= '7') {
            o.noopt[c - 'a'] = static_cast<std::uint8_t>(o.noopt[c - 'a'] | (1 << (text[i + 1] - '0')));
            ++i;
        }
    }
}

bool rulestart(Opt& o, const char* code) {
    o.rule = code;
    return !(o.noopt[code[0] - 'A'] & (1 << (code[1] - '0')));
}

bool late(Opt& o) {
    if (o.phase < 0) return true;
    o.phase = 1;
    return false;
}

bool fallsthrough(const LineNode* line) {
    return !(line->effects & (E_END | E_BRANCH)) || (line->uses & F_COND);
}

bool nofallin(const LineNode* label) {
    for (const LineNode* l = label->prev; l; l = l->prev) {
        if (l->is_insn()) return !fallsthrough(l);
        if (l->is_label()) return false;
    }
    return false;
}

LineNode* previnsn_text(LineNode* line) {
    for (LineNode* l = line->prev; l; l = l->prev)
        if (l->is_insn()) return l;
    return nullptr;
}

LineNode* nextinsn_text(LineNode* line) {
    for (LineNode* l = line->next; l; l = l->next)
        if (l->is_insn()) return l;
    return nullptr;
}

bool isdata(const LineNode* line) {
    if (!line->is_text()) return false;
    std::string_view t = line->text;
    std::size_t i = 0;
    while (i < t.size() && (t[i] == ' ' || t[i] == '\t')) ++i;
    if (i == 0) return false;  // a label or a comment in column 0
    std::string_view w = t.substr(i);
    for (const char* d : {"dc", "ds", "fcb", "fdb", "fcc", "rmb", "dcb"})
        if (w.substr(0, std::strlen(d)) == d) return true;
    return false;
}

// Visit marks are remembered so that clearing them costs only what was set.
static void mark(Opt& o, LineNode* label, std::uint16_t bit) {
    label->kind |= bit;
    if (bit == K_MARKFLOW) {
        o.pending_marks |= 1;
        o.marked_flow.push_back(label);
    } else {
        o.pending_marks |= 2;
        o.marked_dead.push_back(label);
    }
}

void clrmarks(Opt& o, int mask) {
    if (mask & 1) {
        for (LineNode* l : o.marked_flow) l->kind &= static_cast<std::uint16_t>(~K_MARKFLOW);
        o.marked_flow.clear();
    }
    if (mask & 2) {
        for (LineNode* l : o.marked_dead) {
            l->kind &= static_cast<std::uint16_t>(~K_MARKDEAD);
            l->uses = 0;
        }
        o.marked_dead.clear();
    }
    o.pending_marks &= ~mask;
}

void forgetmarks(Opt& o, LineNode* label) {
    if (label->kind & K_MARKFLOW) std::erase(o.marked_flow, label);
    if (label->kind & K_MARKDEAD) std::erase(o.marked_dead, label);
    label->kind &= static_cast<std::uint16_t>(~(K_MARKFLOW | K_MARKDEAD));
}

// ----------------------------------------------------------- the labels

void linkrefs(Opt& o) {
    std::unordered_map<std::string_view, LineNode*> byname;
    for (LineNode* l = o.chain; l; l = l->chain_next) byname.emplace(l->name(), l);
    // Where each label stands in the list, for the direction bits.
    std::size_t index = 0;
    for (LineNode* l = o.head; l; l = l->next, ++index)
        if (l->table) l->lineno = static_cast<int>(index);
    index = 0;
    for (LineNode* l = o.head; l; l = l->next, ++index) {
        if (l->is_insn() && (l->effects & E_BRANCH)) {
            std::string_view t = l->text;
            std::size_t comma = t.rfind(',');
            std::string_view name = comma == std::string_view::npos ? t : t.substr(comma + 1);
            auto it = byname.find(name);
            if (it == byname.end()) continue;
            LineNode* label = it->second;
            l->link = label;
            l->kind |= index < static_cast<std::size_t>(label->lineno) ? K_FWD : K_BACK;
            label->refs.push_back(l);
        } else if (l->is_text() && (l->text.rfind("\tdc.w\tL", 0) == 0 || l->text.rfind("\tdc.l\tL", 0) == 0)) {
            auto it = byname.find(std::string_view(l->text).substr(6));
            if (it != byname.end()) it->second->refs.push_back(l);
        }
    }
    for (LineNode* l = o.chain; l;) {
        LineNode* next = l->chain_next;
        l->lineno = 0;
        if (l->refs.empty()) {
            if (l->kept()) {
                // Written as it stands; it leaves the chain.
                unlabel(o, l);
            } else {
                killline(o, l);
            }
        }
        l = next;
    }
    for (LineNode* l = o.head; l; l = l->next) {
        if (!l->is_insn() || !(l->effects & E_BRANCH) || l->link) continue;
        if (!(l->uses & F_COND)) {
            l->effects = E_END | F_COND;
        } else if (!l->kept()) {
            optfatal("bad branch to label ", l->text);
        }
    }
}

bool mergelabels(Opt& o) {
    bool changed = false;
    for (LineNode* l = o.chain; l; l = l->chain_next) {
        if (l->kept()) continue;
        for (;;) {
            LineNode* n = l->next;
            while (n && n->is_text()) n = n->next;
            if (!n || !n->is_label() || n->kept() || !n->table) break;
            for (LineNode* r : n->refs) {
                if (r->is_insn()) {
                    r->link = l;
                    r->text.resize(r->text.size() - n->name().size());
                    r->text += l->name();
                } else {
                    r->text = r->text.substr(0, 6) + std::string(l->name());
                }
                l->refs.push_back(r);
            }
            n->refs.clear();
            killline(o, n);
            changed = true;
        }
    }
    return changed;
}

LineNode* newlabel(Opt& o, LineNode* before, int count) {
    char name[32];
    std::snprintf(name, sizeof name, "LC%03i:", ++o.label_counter);
    LineNode* label = new LineNode;
    label->kind = K_LABEL;
    label->text = name;
    label->table = true;
    label->refs.reserve(static_cast<std::size_t>(count));
    linsert(o, before ? before->prev : o.tail, label);
    LineNode* earlier = nullptr;
    for (LineNode* l = label->prev; l; l = l->prev)
        if (l->is_label() && l->table) {
            earlier = l;
            break;
        }
    label->chain_prev = earlier;
    label->chain_next = earlier ? earlier->chain_next : o.chain;
    if (label->chain_next) label->chain_next->chain_prev = label;
    if (earlier) earlier->chain_next = label;
    else o.chain = label;
    return label;
}

void findlabel(Opt& o, LineNode* line) {
    std::string_view t = line->text;
    std::size_t comma = t.rfind(',');
    std::string_view name = comma == std::string_view::npos ? t : t.substr(comma + 1);
    for (LineNode* l = o.chain; l; l = l->chain_next) {
        if (l->name() == name) {
            line->link = l;
            l->refs.push_back(line);
            return;
        }
    }
}

// ------------------------------------------------------------ the walks

// A label that only its one jump reaches: nothing falls into it.
static bool sole_entry(LineNode* label, LineNode* jump) {
    return label->refs.size() == 1 && label->refs[0] == jump && nofallin(label);
}

LineNode* nextinsn(Opt& o, LineNode* line, int mode) {
    LineNode* x = line;
    for (;;) {
        if (--o.walk_budget < 0) return nullptr;  // the walks of one rule call are bounded
        if (!(mode & 0x4000) && x->is_insn()) {
            if (x->effects & E_END) return nullptr;
            if ((x->effects & E_BRANCH) && !(x->uses & F_COND)) {
                LineNode* target = x->link;
                if (!target || (target->kind & K_MARKFLOW)) return nullptr;
                // Straight-line walks (mode 1) do not enter code that other
                // paths share, so that what they find belongs to this path.
                if ((mode & 1) && !(mode & 0x0100) && !sole_entry(target, x)) return nullptr;
                mark(o, target, K_MARKFLOW);
                if (mode & 0x8000) return target;
                x = target;
            }
        }
        x = x->next;
        if (!x) return nullptr;
        if (x->is_label()) {
            if (mode & 0x8000) return x;
            if (mode & 1) return nullptr;
            continue;
        }
        if (x->is_insn()) return x;
    }
}

bool pushlabel(Opt& o, LineNode* line) {
    if (line->is_label()) {
        if (line->kind & K_MARKFLOW) return true;
        mark(o, line, K_MARKFLOW);
        for (std::size_t i = line->refs.size(); i-- > 0;) {
            LineNode* r = line->refs[i];
            if (!r->is_insn()) return false;  // a table entry: the path is not known
            int slot = 0;
            while (slot < 16 && (o.pending_used & (1u << slot))) ++slot;
            if (slot == 16) return false;
            o.pending[slot] = r;
            o.pending_used = static_cast<std::uint16_t>(o.pending_used | (1u << slot));
        }
        return true;
    }
    for (int slot = 0; slot < 16; ++slot) {
        if ((o.pending_used & (1u << slot)) && o.pending[slot] == line) {
            o.pending_used = static_cast<std::uint16_t>(o.pending_used & ~(1u << slot));
            return true;
        }
    }
    return false;
}

LineNode* poplabel(Opt& o, int reset) {
    if (reset) {
        o.pending_used = 0;
        if (o.pending_marks & 1) clrmarks(o, 1);
        return nullptr;
    }
    for (int slot = 0; slot < 16; ++slot) {
        if (o.pending_used & (1u << slot)) {
            o.pending_used = static_cast<std::uint16_t>(o.pending_used & ~(1u << slot));
            return o.pending[slot];
        }
    }
    return nullptr;
}

LineNode* previnsn(Opt& o, LineNode* line, bool follow) {
    LineNode* x = line;
    for (;;) {
        if (--o.walk_budget < 0) return nullptr;  // bounded; also a walk round a loop that never ends
        x = x->prev;
        if (!x) return nullptr;
        if (x->is_insn()) {
            if (follow && (x->effects & E_BRANCH)) pushlabel(o, x);
            return x;
        }
        if (!x->is_label()) continue;
        LineNode* p = x;
        if (!p->table) return nullptr;
        for (LineNode* r : p->refs)
            if (!r->is_insn()) return nullptr;  // reached through a jump table
        LineNode* q = p->prev;
        while (q && !q->is_insn() && !q->is_label()) q = q->prev;
        if (!q || q->is_label()) return nullptr;  // the function's entry or another label's paths
        if (fallsthrough(q)) {
            if (!follow || !pushlabel(o, p)) return nullptr;
            x = q;
            if (x->effects & E_BRANCH) pushlabel(o, x);
            return x;
        }
        if (p->refs.size() == 1) {
            if (o.single_mark) {
                if (p->kind & K_MARKFLOW) return nullptr;
                mark(o, p, K_MARKFLOW);
            }
            x = p->refs[0];
            if (follow) pushlabel(o, x);
            return x;
        }
        if (!follow || !pushlabel(o, p)) return nullptr;
        return poplabel(o, 0);
    }
}

bool isdead(Opt& o, LineNode* line, std::uint16_t mask) {
    // The walk forks at each conditional branch: the target side first, the
    // fall-through side when that path is done.
    struct Fork {
        LineNode* branch;
        std::uint16_t set;
    };
    std::vector<Fork> forks;
    LineNode* x = nullptr;
    std::uint16_t s = mask;
    // Goes to the first instruction at or after `from`; true when a label on
    // the way was passed by a walk whose set covers this one.
    auto advance = [&](LineNode* from) {
        for (x = from; x && !x->is_insn(); x = x->next)
            if (x->is_label() && (x->kind & K_MARKDEAD) && (x->uses & s) == s) return true;
        return false;
    };
    auto record = [&](LineNode* label) {
        if (!(label->kind & K_MARKDEAD)) mark(o, label, K_MARKDEAD);
        label->uses |= s;
    };
    bool dead = true;
    bool done = advance(line);
    bool target_walked = false;
    // A walk this long answers "live": the rules then leave the code alone.
    for (int steps = 0;; ++steps) {
        if (steps > ISDEAD_STEPS) {
            dead = false;
            break;
        }
        if (!done && s == 0) done = true;
        if (done) {
            if (forks.empty()) break;
            x = forks.back().branch;
            s = forks.back().set;
            forks.pop_back();
            target_walked = true;
            done = false;
            continue;
        }
        if (!x) {
            dead = false;  // the end of the function reads what is left
            break;
        }
        if ((x->effects & E_BRANCH) && !target_walked) {
            LineNode* t = x->link;
            if (!t) {
                dead = false;
                break;
            }
            bool covered = (t->kind & K_MARKDEAD) && (t->uses & s) == s;
            if (!(x->uses & F_COND)) {
                if (!covered) {
                    record(t);
                    done = advance(t->next);
                } else {
                    done = true;
                }
                continue;
            }
            if (!covered) {
                record(t);
                forks.push_back({x, s});
                done = advance(t->next);
                continue;
            }
        }
        target_walked = false;
        if (x->uses & s) {
            dead = false;
            break;
        }
        std::uint16_t effects = x->effects;
        if ((s & R_SP) && (effects & R_SP) && (effects & (R_Y | F_HINT))) {
            // A call moves SP and comes back: SP is not overwritten.
            if (!(effects & F_HINT)) {
                dead = false;
                break;
            }
            effects = static_cast<std::uint16_t>(effects & ~R_SP);
        }
        s = static_cast<std::uint16_t>(s & ~(effects & 0x03df));
        if (x->effects & E_END) {
            if (s) {
                dead = false;
                break;
            }
            done = true;
            continue;
        }
        done = advance(x->next);
    }
    clrmarks(o, 2);
    return dead;
}

// --------------------------------------------------- hints and renaming

void usehints(Opt& o) {
    for (LineNode* l = o.head; l;) {
        if (!l->is_insn() || !(l->uses & F_HINT)) {
            l = l->next;
            continue;
        }
        std::uint16_t m = l->effects;
        o.walk_budget = WALK_STEPS;
        for (LineNode* x = l; (x = nextinsn(o, x, 1 | 0x0100));) {
            if ((x->effects & R_SP) && (x->uses & R_D)) {
                if ((m & R_D) && (x->effects & E_END)) {
                    m |= R_Y;
                    x->effects |= F_ALL;
                }
                x->uses &= static_cast<std::uint16_t>(~m);
                break;
            }
            if (x->effects == (F_COND | R_SP)) {
                x->uses |= m;
                break;
            }
        }
        clrmarks(o, 1);
        l->kind = static_cast<std::uint16_t>(l->kind & ~K_INSN);
        l = killline(o, l);
    }
}

// The X form of each instruction that names Y.
static int xform(int row) {
    static const int pairs[][2] = {
        {rows.aby, rows.abx}, {rows.cpy, rows.cpx}, {rows.dey, rows.dex}, {rows.iny, rows.inx},
        {rows.ldy, rows.ldx}, {rows.pshy, rows.pshx}, {rows.puly, rows.pulx}, {rows.sty, rows.stx},
        {rows.xgdy, rows.xgdx}, {rows.tsy, rows.tsx}, {rows.tys, rows.txs},
    };
    for (const auto& p : pairs)
        if (p[0] == row) return p[1];
    return -1;
}

static std::string yoperand(std::string_view text) {
    std::string t(text);
    for (std::size_t i = 0; i + 1 < t.size(); ++i) {
        if (t[i] == ',' && t[i + 1] == 'y' && (i + 2 == t.size() || t[i + 2] == ',')) {
            t[i + 1] = 'x';
            break;
        }
    }
    return t;
}

void ytox(Opt& o) {
    // The renaming holds only where X is free in the whole function and
    // every reader of Y is renamed with it.
    for (LineNode* l = o.head; l; l = l->next) {
        if (!l->is_insn()) continue;
        bool renamed = xform(l->row()) >= 0 || yoperand(l->text) != l->text;
        if ((l->uses & R_X) || (l->effects & R_X)) return;
        if ((l->uses & R_Y) && !renamed) return;
    }
    for (LineNode* l = o.head; l; l = l->next) {
        if (!l->is_insn()) continue;
        int row = xform(l->row());
        std::string text = (l->uses & R_Y) ? yoperand(l->text) : l->text;
        if (row < 0 && text == l->text) continue;
        std::uint16_t uses = l->uses, effects = l->effects;
        l->kind = static_cast<std::uint16_t>((l->kind & ~K_ROW) | (row < 0 ? l->row() : row));
        l->text = text;
        // Y's bits become X's.
        auto swap = [](std::uint16_t w) {
            return static_cast<std::uint16_t>(w & R_Y ? (w & ~R_Y) | R_X : w);
        };
        l->uses = swap(uses);
        l->effects = swap(effects);
    }
}

// ------------------------------------------------------------ the driver

using LabelRule = bool (*)(Opt& o, LineNode* label);
static const LabelRule label_rules[] = {rule_B4, rule_M1, rule_M2, rule_F0};

void newcall(Opt& o) {
    if (o.pending_marks & 1) clrmarks(o, 1);
    o.pending_used = 0;
    o.single_mark = false;
    o.walk_budget = WALK_STEPS;
}

void optchunk(Opt& o) {
    set_equates(&o.equates);
    linkrefs(o);
    usehints(o);
    o.phase = 0;
    // Each change shortens or rewrites the code; a chunk that goes on
    // changing far beyond its size is left as it stands then.
    long budget = 64 * static_cast<long>(o.lines) + 256;
    for (;;) {
        bool again = true;
        while (again && budget > 0) {
            again = false;
            mergelabels(o);
            // A change may remove the label itself: the pass starts again.
            for (LineNode* l = o.chain; l && !again;) {
                for (LabelRule rule : label_rules) {
                    newcall(o);
                    if (rule(o, l)) {
                        again = true;
                        --budget;
                        break;
                    }
                }
                if (!again) l = l->chain_next;
            }
        }
        bool changed = false;
        for (LineNode* l = o.head; l && budget > 0;) {
            if (!l->is_insn() || l->kept()) {
                l = l->next;
                continue;
            }
            const Rule* rules = mnemrow(l->kind).rules;
            bool hit = false;
            LineNode* current = l;
            for (int i = 0; rules && rules[i]; ++i) {
                newcall(o);
                current = l;
                if (rules[i](o, current)) {
                    hit = true;
                    break;
                }
            }
            if (!hit) {
                l = l->next;
                continue;
            }
            changed = true;
            --budget;
            // The rule may have changed the current line: look at it again.
            l = current ? current : o.head;
        }
        clrmarks(o, 3);
        if (budget <= 0) break;
        if (changed) continue;
        if (o.phase == 1) {
            o.phase = -1;
            continue;
        }
        break;
    }
    if (o.ytox && !o.ytox_off) ytox(o);
    o.rule = "";
    set_equates(nullptr);
}

}  // namespace ccopt
