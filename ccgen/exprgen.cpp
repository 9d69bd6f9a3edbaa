// Expression code: a tree is walked and each node's value obtained through
// a template row; operands are brought into the addressing modes that the
// row asks for, moves are assignments to a register, and a failed attempt
// restores the saved generation state so that the next order or row can be
// tried. Conversions and double arithmetic are in convert.cpp, calls in
// calls.cpp, truth values and the conditional operator in branches.cpp.
#include "ccgen/ccgen.h"

namespace ccgen {

namespace {

constexpr long ATTEMPT_LIMIT = 1000000;

// The operator a compound assignment or an in-place form applies.
int base_operator(int code) {
    switch (code) {
    case 145: return 226;
    case 135: return 133;
    case 140: return 153;
    case 142: return 222;
    case 139: return 216;
    case 137: return 151;
    case 138: return 160;
    case 134: return 193;
    case 146: return 163;
    case 141: return 156;
    case 114: return 108;
    case 115: return 67;
    default: return 0;
    }
}

bool is_relation(int code) {
    switch (code) {
    case 149: case 144: case 143: case 150: case 148: case 155: return true;
    default: return false;
    }
}

bool is_shift(int code) { return code == 151 || code == 160 || code == 137 || code == 138; }

bool is_empty(const Gen& g, const ExprNode* n) { return !n || n == &g.empty_node; }

// A value read from a bit-field is the unsigned type of its unit.
std::uint16_t read_type(std::uint16_t type) {
    switch (type_class(type)) {
    case 4:
    case 13: return 5;
    case 7: return 8;
    default: return type;
    }
}

// Pushes of an operand saved by an evaluation order: the operand's place
// becomes the stack; `bytes` is what was pushed.
struct Saved {
    ExprNode* node = nullptr;
    int bytes = 0;
};

bool push_place(Gen& g, ExprNode* n, Saved& s, std::uint16_t regs) {
    Operand& p = n->place;
    s.node = n;
    s.bytes = 0;
    if (p.ind != 0 && p.reg == REG_Y) {
        // memory reached through Y: copied into a temporary of the frame
        Operand t;
        alloc_value_temp(g, class_bytes(type_class(p.type)), t, p.type);
        return move_to(g, n, t, regs);
    }
    if (p.ind != 0 || (p.reg != REG_D && p.reg != REG_Y)) return p.reg != REG_D;
    std::uint8_t c = type_class(p.type);
    std::string text;
    int size = 0, bytes = 0;
    if (p.reg == REG_Y) {
        if (class_bytes(c) != 2) return false;
        text = " pshy;";
        size = 2;
        bytes = 2;
    } else if (class_bytes(c) == 1) {
        text = " pshb;";
        size = 1;
        bytes = 1;
    } else if (class_bytes(c) == 2) {
        text = " pshd;";
        size = 2;
        bytes = 2;
    } else if (class_bytes(c) == 4) {
        text = " pshd; ldd 2,x; pshd;";
        size = 6;
        bytes = 4;
        g.frame_flags |= FRAME_LREG;
    } else {
        return false;
    }
    emit_code(g, text, size);
    Operand s_place;
    init_operand(s_place, p.type, p.space, REG_S, 0);
    p = s_place;
    s.node = n;
    s.bytes = bytes;
    return true;
}

// Takes a saved operand back: into a register the row allows, or, for a row
// that wants memory, addressed on the stack through Y until the row is done.
bool pop_place(Gen& g, Saved& s, std::uint16_t modes, std::uint16_t free, int& release) {
    if (s.bytes == 0) return true;  // nothing on the stack
    ExprNode* n = s.node;
    Operand& p = n->place;
    std::uint8_t c = type_class(p.type);
    if (s.bytes == 2 && (modes & 0x10) && (free & RM_Y)) {
        emit_code(g, " puly;", 2);
        init_operand(p, p.type, p.space, REG_Y, 0);
        take_free_reg(g, RM_Y);
        return true;
    }
    if ((modes & 0x80) && (free & RM_D)) {
        if (s.bytes == 1)
            emit_code(g, " pulb;", 1);
        else if (s.bytes == 2)
            emit_code(g, " puld;", 2);
        else
            emit_code(g, " puld; std 2,x; puld;", 6);
        init_operand(p, p.type, p.space, REG_D, 0);
        return true;
    }
    if ((modes & 0x0A) && (free & RM_Y) && c != 10) {
        emit_code(g, " tsy;", 2);
        take_free_reg(g, RM_Y);
        init_operand(p, p.type, p.space, REG_Y, 1);
        release += s.bytes;
        return true;
    }
    return false;
}

// An operand of a node converted to `type` when its size differs.
ExprNode* converted(Gen& g, ExprNode* x, std::uint16_t type) {
    if (is_empty(g, x)) return x;
    std::uint8_t from = type_class(x->code == 0 ? x->leaf.type : x->type), to = type_class(type);
    if (from == to) return x;
    if (x->code == 0 && is_const(x->leaf) && to <= 8 && from <= 8) {
        ExprNode* c = new_expr(g);
        *c = *x;
        c->type = c->leaf.type = c->place.type = type;
        return c;
    }
    return cast_node(g, x, type);
}

// The operands of an arithmetic node in its own class (shift counts as
// unsigned ints), so that a row never takes a narrower value for a wider.
void normalize_operands(Gen& g, ExprNode* n) {
    std::uint16_t t = read_type(n->type);
    if (type_class(t) == 14 || type_class(t) == 0) return;
    if (n->code != 114 && n->code != 115 && !is_assignment(n->code)) n->left = converted(g, n->left, t);
    if (is_empty(g, n->right)) return;
    if (is_shift(n->code))
        n->right = converted(g, n->right, 5);
    else
        n->right = converted(g, n->right, t);
}

}  // namespace

// The value brought into one of the modes asked.
bool settle(Gen& g, ExprNode* n, std::uint16_t modes, std::uint16_t regs) {
    if (modes & MODE_DEST) {
        // a destination that needs its address formed first (contents of
        // contents, a far index) is brought within reach of Y
        if (n->place.ind >= 1 && (mode_of_operand(g, n->place) & 0x01)) return force_reg(g, n, 0x0A, regs);
        return true;
    }
    if (modes & MODE_VOID) return true;
    if (mode_of_operand(g, n->place) & modes) return true;
    return force_reg(g, n, modes, regs);
}

bool is_assignment(int code) {
    switch (code) {
    case 136: case 145: case 135: case 140: case 142: case 139: case 137: case 138: case 134: case 146: case 141:
    case 114: case 115:
        return true;
    default: return false;
    }
}

int class_bytes(std::uint8_t c) {
    static constexpr int bytes[16] = {0, 1, 1, 2, 2, 2, 4, 4, 4, 4, 8, 2, 2, 1, 0, 0};
    return bytes[c & 15];
}

bool bit_field_class(std::uint8_t c) { return c == 4 || c == 7 || c == 13; }

// The registers an operand holds: its value, or the base of its address.
std::uint16_t held_mask(const Operand& o) {
    if (o.reg == REG_D) return RM_D;
    if (o.reg == REG_Y) return RM_Y;
    return 0;
}

void emit_code(Gen& g, const std::string& text, int size) {
    code_text(g, text);
    g.code_offset = static_cast<std::uint16_t>(g.code_offset + size);
}

// A name an operand points at, kept as long as the run: the node's own
// text may not change under a leaf that names it.
const char* kept_name(Gen& g, const std::string& text) { return g.names.insert(text).first->c_str(); }

// A conversion of `x` to `type`.
ExprNode* cast_node(Gen& g, ExprNode* x, std::uint16_t type) {
    ExprNode* cast = new_expr(g);
    cast->code = 102;
    cast->type = type;
    cast->space = x->space;
    cast->left = x;
    cast->right = &g.empty_node;
    return cast;
}

ExprNode* place_leaf(Gen& g, const Operand& o) {
    ExprNode* n = new_expr(g);
    n->type = o.type;
    n->space = o.space;
    n->leaf = n->place = o;
    return n;
}

// Expands `text` with `left` and `right` as the operands' places.
bool expand_places(Gen& g, const Operand& left, const Operand& right, const std::string& text, std::uint16_t regs) {
    ExprNode* n = new_expr(g);
    n->left = place_leaf(g, left);
    n->right = place_leaf(g, right);
    return expand_template(g, n, nullptr, text.c_str(), regs);
}

// A move of `n`'s value into `dest`, as an assignment.
bool move_to(Gen& g, ExprNode* n, const Operand& dest, std::uint16_t regs) {
    if (g.move_count <= 1) {
        if ((regs & RM_TOP) == RM_TOP) genpanic(g, "MOVCNT");
        return false;
    }
    ExprNode* mv = new_expr(g);
    mv->code = 136;
    mv->type = dest.type;
    mv->space = dest.space;
    mv->left = place_leaf(g, dest);
    mv->right = place_leaf(g, n->place);
    --g.move_count;
    bool ok = find_template(g, mv, &dest, regs);
    ++g.move_count;
    if (ok) n->place = dest;
    return ok;
}

std::int16_t alloc_value_temp(Gen& g, int bytes, Operand& t, std::uint16_t type) {
    init_operand(t, type, 0, g.stackless ? REG_NONE : REG_FRAME, 1);
    t.offset = alloc_temp(g, bytes);
    if (g.stackless) t.name = g.frame_name.c_str();
    return static_cast<std::int16_t>(t.offset);
}

bool force_reg(Gen& g, ExprNode* n, std::uint16_t modes, std::uint16_t regs) {
    Operand& p = n->place;
    if (mode_of_operand(g, p) & modes) return true;
    std::uint8_t cls = type_class(p.type);
    if ((modes & 0x0A) && p.reg == REG_NONE && p.name[0] == '\0' && p.ind == 0 && cls >= 6 && cls <= 9) {
        // a long constant needed in memory
        p.name = kept_name(g, long_const_label(g, static_cast<std::uint32_t>(p.offset)));
        p.offset = 0;
        p.ind = 1;
        p.flags = 0;
        return true;
    }
    if (p.ind == 0 && p.reg != REG_NONE && p.reg != REG_D && p.reg != REG_S &&
        !(p.reg == REG_Y && p.offset == 0 && p.name[0] == '\0')) {
        // an address that the operand stands for, formed in a register
        std::uint8_t target = (modes & 0x80) && (regs & RM_D) ? REG_D
                              : (modes & 0x10) && (regs & RM_Y) ? REG_Y
                                                                : REG_NONE;
        if (target != REG_NONE) {
            AddrText t;
            if (!form_address(g, p, target, t)) return false;
            emit_code(g, t.text, t.size);
            if (target == REG_Y) take_free_reg(g, RM_Y);
            Operand r;
            init_operand(r, 5, p.space, target, 0);
            p = r;
            return force_reg(g, n, modes, regs);
        }
    }
    if (p.ind == 1 && p.reg != REG_NONE && p.reg != REG_D && p.reg != REG_S && (mode_of_operand(g, p) & 0x01) &&
        (regs & RM_Y)) {
        // Y := the base register plus the offset, D kept
        Operand base = p;
        base.ind = 0;
        AddrText t;
        if (!form_address(g, base, REG_Y, t)) return false;
        emit_code(g, t.text, t.size);
        take_free_reg(g, RM_Y);
        Operand through = p;
        through.reg = REG_Y;
        through.offset = 0;
        through.name = "";
        p = through;
        // Y holds the address; it may take the word there itself (ldy 0,y)
        // when the value is wanted in Y rather than in D
        bool into_y = (modes & 0x10) && !((modes & 0x80) && (regs & RM_D)) && class_bytes(cls) == 2;
        return force_reg(g, n, modes, into_y ? regs : static_cast<std::uint16_t>(regs & ~RM_Y));
    }
    if (p.ind >= 2 && (regs & RM_Y)) {
        // contents of contents: the pointer into Y, then through Y one
        // level at a time, each a move of its own
        Operand pointer = p;
        pointer.ind = 1;
        pointer.type = 5;
        pointer.flags &= SP_DIR;
        Operand y;
        init_operand(y, 5, 0, REG_Y, 0);
        if (!move_to(g, place_leaf(g, pointer), y, regs)) return false;
        Operand through;
        init_operand(through, 5, 0, REG_Y, 1);
        for (int level = 2; level < p.ind; ++level)
            if (!move_to(g, place_leaf(g, through), y, regs)) return false;
        take_free_reg(g, RM_Y);
        through.type = p.type;
        through.space = p.space;
        through.flags = p.flags;
        p = through;
        return force_reg(g, n, modes, static_cast<std::uint16_t>(regs & ~RM_Y));
    }
    if (cls == 10 || cls == 14) return false;  // doubles and structures stay in memory
    std::uint8_t reg = REG_NONE;
    if ((modes & 0x80) && (regs & RM_D))
        reg = REG_D;
    else if ((modes & 0x10) && (regs & RM_Y) && class_bytes(cls) == 2)
        reg = REG_Y;
    if (reg != REG_NONE) {
        Operand d;
        init_operand(d, read_type(p.type), p.space, reg, 0);
        if (!move_to(g, n, d, regs)) return false;
        if (reg == REG_Y) take_free_reg(g, RM_Y);
        return true;
    }
    if ((modes & 0x0A) && p.ind == 0 && (p.reg == REG_D || p.reg == REG_Y)) {
        // a register value needed in memory: a temporary of the frame
        Operand t;
        alloc_value_temp(g, class_bytes(cls) ? class_bytes(cls) : 2, t, p.type);
        return move_to(g, n, t, regs);
    }
    return false;
}

bool apply_row(Gen& g, ExprNode* n, const TemplateRow* row, std::uint16_t regs) {
    ExprNode* l = n->left;
    ExprNode* r = is_empty(g, n->right) ? nullptr : n->right;
    if (is_assignment(n->code) && l && r && same_place(l->place, r->place)) {
        n->place = l->place;
        return true;
    }
    if (l) {
        n->place = l->place;
        n->place.type = read_type(n->type);
        if (is_assignment(n->code) && n->code != 114 && n->code != 115) n->place.type = l->place.type;
    }
    std::uint8_t c = promote_class(type_class(n->type));
    n->cls = type_class(n->type) == 13 ? 2 : c;
    if ((l && l->place.reg == REG_Y) || (r && r->place.reg == REG_Y)) take_free_reg(g, RM_Y);
    if ((row->flags & 0x04) && n->code != 174) n->flags |= NF_ROW4;
    // the registers that hold the operands are not free for the text
    std::uint16_t free = regs;
    if (l) free = static_cast<std::uint16_t>(free & ~reg_to_mask(l->place.reg));
    if (r) free = static_cast<std::uint16_t>(free & ~reg_to_mask(r->place.reg));
    std::string text = row->text ? row->text : "";
    if (row->flags & 0x80) {
        std::size_t handler = row->first & 0x3F;
        if (handler >= 11 || !special_handlers[handler](g, n, free, *row, text)) return false;
    }
    return expand_template(g, n, row, text.c_str(), free);
}

// Whether a leaf could reach the modes asked, directly or by a move; an
// operator node is not known before it is evaluated. Rows that a leaf
// operand cannot take are passed over before anything is evaluated, so
// that a failed row does not cost the evaluation of the other operand.
bool reachable(const Gen& g, const ExprNode* n, std::uint16_t modes, std::uint16_t regs) {
    if (!n || n->code != 0) return true;
    Operand p = n->leaf;
    if (p.reg == REG_TEMP) p.reg = REG_FRAME;
    std::uint16_t mode = mode_of_operand(g, p);
    if ((mode & modes) || (modes & (MODE_VOID | MODE_DEST))) return true;
    std::uint8_t cls = type_class(p.type);
    if (cls == 10 || cls == 14) return false;
    if (((modes & 0x80) && (regs & RM_D)) || ((modes & 0x10) && (regs & RM_Y))) return true;
    if (mode & 0x01) return regs & RM_Y;
    if ((modes & 0x0A) && p.reg == REG_NONE && p.name[0] == '\0' && p.ind == 0 && cls >= 6 && cls <= 9) return true;
    if ((modes & 0x0A) && p.ind == 0 && p.reg != REG_NONE) return true;
    return false;
}

// The registers that places already reached inside a tree hold (leaves
// made by the generator for a value in D or Y, or for memory through Y):
// evaluating the other operand first must leave them alone.
std::uint16_t tree_regs(const Gen& g, const ExprNode* n, int depth = 0) {
    if (!n || n == &g.empty_node || depth > 64) return 0;
    if (n->code == 0) return held_mask(n->leaf);
    return static_cast<std::uint16_t>(tree_regs(g, n->left, depth + 1) | tree_regs(g, n->right, depth + 1) |
                                      tree_regs(g, n->third, depth + 1));
}

// Tries the rows that fit, each in up to five evaluation orders, until
// one applies: (0) the left first (the right first for an assignment),
// (1) the other way round, (2) the right into a register and saved on the
// stack, then the left (when the right may be memory), (3) the left saved,
// then the right, (4) the right saved, then the left. Without a given left
// (the destination of an assignment or a move) an operator without any row
// is the fatal "MISSING ENTRY".
bool find_template(Gen& g, ExprNode* n, const Operand* left_given, std::uint16_t regs) {
    GenState saved;
    save_gen_state(g, saved);
    std::vector<const TemplateRow*> rows = select_rows(g, n, left_given, regs);
    if (rows.empty() && !left_given) genpanic(g, "MISSING ENTRY");
    bool assign = is_assignment(n->code);
    ExprNode* l = n->left;
    ExprNode* r = is_empty(g, n->right) ? nullptr : n->right;
    // a register that is the destination holds nothing yet
    std::uint16_t lheld = left_given ? (left_given->ind ? held_mask(*left_given) : 0) : tree_regs(g, l);
    std::uint16_t rheld = tree_regs(g, r);
    for (const TemplateRow* row : rows) {
        if ((row->flags & 0x40) && !assign) continue;  // in place only for an assignment
        std::uint16_t lmodes = descriptor_modes(row->left);
        if (n->code != 174 && n->code != 164 && !(row->flags & 0x40)) lmodes &= 0x90;
        if (assign) lmodes |= MODE_DEST;
        std::uint16_t rmodes = descriptor_modes(row->right);
        if (!reachable(g, l, lmodes, regs) || !reachable(g, r, rmodes, regs)) continue;
        for (int order = 0; order < 5; ++order) {
            restore_gen_state(g, saved);
            if (order >= 2 && (!l || !r || assign)) break;
            if (order == 2 && !(rmodes & 0x0A)) continue;
            bool ok = true;
            Saved pushed;
            int release = 0;
            if (order < 2) {
                bool left_first = (order == 0) != assign;
                ExprNode* first = left_first ? l : r;
                ExprNode* second = left_first ? r : l;
                std::uint16_t m1 = left_first ? lmodes : rmodes, m2 = left_first ? rmodes : lmodes;
                std::uint16_t other = left_first ? rheld : lheld;
                if (first && !gen_node(g, first, m1, static_cast<std::uint16_t>(regs & ~other))) continue;
                std::uint16_t rest = first ? static_cast<std::uint16_t>(regs & ~held_mask(first->place)) : regs;
                if (second && !gen_node(g, second, m2, rest)) continue;
            } else {
                ExprNode* first = order == 3 ? l : r;
                ExprNode* second = order == 3 ? r : l;
                std::uint16_t m2 = order == 3 ? rmodes : lmodes;
                bool wide = class_bytes(type_class(first->type)) > 4 || type_class(first->type) == 14;
                std::uint16_t other = order == 3 ? rheld : lheld;
                if (!gen_node(g, first, wide ? 0x0A : 0x90, static_cast<std::uint16_t>(regs & ~other))) {
                    if (order == 3 && !wide && (regs & RM_TOP) == RM_TOP && l->code != 0) genpanic(g, "LTR bop");
                    continue;
                }
                if (!push_place(g, first, pushed, regs)) continue;
                if (!gen_node(g, second, m2, regs)) continue;
                std::uint16_t free = static_cast<std::uint16_t>(regs & ~held_mask(second->place));
                ok = pop_place(g, pushed, order == 3 ? lmodes : rmodes, free, release);
            }
            if (ok && apply_row(g, n, row, regs)) {
                if (release) emit_code(g, stack_adjust_text(g, release) + ";", 0);
                return true;
            }
        }
    }
    restore_gen_state(g, saved);
    return false;
}

namespace {

// Postfix ++ and --: the old value kept in a register (Y for an int when
// Y is free) or a temporary, the variable changed in place.
bool gen_postfix(Gen& g, ExprNode* n, std::uint16_t modes, std::uint16_t regs) {
    ExprNode* op = new_expr(g);
    *op = *n;
    op->code = n->code == 170 ? 142 : 139;
    if (n->unused) return gen_node(g, op, MODE_VOID, regs);
    GenState saved;
    save_gen_state(g, saved);
    if (!gen_node(g, n->left, MODE_DEST, regs)) return false;
    Operand var = n->left->place;
    std::uint8_t cls = type_class(var.type);
    ExprNode* old = place_leaf(g, var);
    std::uint16_t held;
    bool y = class_bytes(cls) == 2 && (regs & RM_Y) && var.reg != REG_Y;
    Operand holder;
    if (y) {
        init_operand(holder, read_type(var.type), 0, REG_Y, 0);
        held = RM_Y;
    } else {
        init_operand(holder, read_type(var.type), 0, REG_D, 0);
        held = RM_D;
    }
    if (!move_to(g, old, holder, regs)) {
        restore_gen_state(g, saved);
        return false;
    }
    if (y) take_free_reg(g, RM_Y);
    op->left = place_leaf(g, var);
    op->unused = true;
    std::uint16_t rest = static_cast<std::uint16_t>(regs & ~held);
    GenState before;
    save_gen_state(g, before);
    if (!gen_node(g, op, MODE_VOID, rest)) {
        // the old value into a temporary, and the change with D free
        restore_gen_state(g, before);
        Operand t;
        alloc_value_temp(g, class_bytes(cls), t, holder.type);
        if (!move_to(g, old, t, regs)) {
            restore_gen_state(g, saved);
            return false;
        }
        if (!gen_node(g, op, MODE_VOID, regs)) {
            restore_gen_state(g, saved);
            return false;
        }
    }
    n->place = old->place;
    return settle(g, n, modes, regs);
}

// EEPROM stores: the value in D (the long register; a double pushed) and
// the routine of its type with the cell's address in Y.
bool eeprom_store(Gen& g, ExprNode* n, const Operand& dest, ExprNode* value, std::uint16_t regs) {
    std::uint8_t cls = type_class(dest.type);
    if (!(regs & RM_Y) && dest.reg != REG_Y) return false;
    if (cls == 10) {
        if (!gen_node(g, value, 0x0A, regs)) return false;
        return expand_places(g, dest, value->place, "&RKdtos;&LKeewrd;Kmsps; dc.b 8", regs);
    }
    if (!gen_node(g, value, 0x80, static_cast<std::uint16_t>(regs & ~reg_to_mask(dest.reg)))) return false;
    const char* text = class_bytes(cls) == 1 ? "&LKeewrc" : class_bytes(cls) == 2 ? "&LKeewrw" : "!&LKeewrl";
    return expand_places(g, dest, value->place, text, regs);
}

std::uint16_t node_type(const ExprNode* x) { return x->code == 0 ? x->leaf.type : x->type; }

bool arithmetic_class(std::uint8_t c) { return c >= 1 && c <= 10; }

// The type in which a compound assignment `dest op= right` computes: the
// destination's type, or the right operand's when it is wider or floating;
// a division or remainder in the usual arithmetic conversions of both (chars
// promoted to int, unsigned winning at equal width), since there the
// signedness decides the value. A char divided by a constant of its own
// range stays a char division: that is exact.
std::uint16_t operation_type(const Gen& g, const ExprNode* n) {
    std::uint16_t dt = read_type(n->left->type);
    int op = base_operator(n->code);
    if (n->code == 114 || n->code == 115 || is_shift(op) || is_empty(g, n->right)) return dt;
    std::uint16_t rt = read_type(node_type(n->right));
    std::uint8_t dc = type_class(dt), rc = type_class(rt);
    if (!arithmetic_class(dc) || !arithmetic_class(rc)) return class_bytes(rc) > class_bytes(dc) ? rt : dt;
    if (dc == 10 || rc == 10) return dc == 10 ? dt : rt;
    if (dc == 9 || rc == 9) return dc == 9 ? dt : rt;
    if (op != 133 && op != 153) return class_bytes(rc) > class_bytes(dc) ? rt : dt;
    const ExprNode* r = n->right;
    if ((dc == 1 || dc == 2) && r->code == 0 && is_const(r->leaf)) {
        std::int32_t v = r->leaf.offset;
        if (dc == 1 ? v >= -128 && v <= 127 : v >= 0 && v <= 255) return dt;
    }
    // a field of a char unit is promoted to int, as the front end reads it
    std::uint8_t pd = type_class(n->left->type) == 13 ? 3 : promote_class(dc), pr = promote_class(rc);
    if (pd == 8 || pr == 8) return 8;
    if (pd == 6 || pr == 6) return 6;
    if (pd == 5 || pr == 5) return 5;
    return 3;
}

bool gen_assign(Gen& g, ExprNode* n, std::uint16_t modes, std::uint16_t regs) {
    bool in_place = n->code == 114 || n->code == 115;
    std::uint16_t dtype = n->left->type;
    if (n->code == 136) n->right = converted(g, n->right, read_type(dtype));
    std::uint16_t optype = n->code == 136 ? read_type(dtype) : operation_type(g, n);
    if (n->code != 136 && !in_place && !is_shift(base_operator(n->code)) && n->right->code == 0 &&
        is_const(n->right->leaf) && type_class(optype) <= 8 &&
        class_bytes(type_class(optype)) == class_bytes(type_class(read_type(dtype))))
        // a constant that the front end narrowed takes the operation's
        // type, so that a row working in place sees it at its full width
        n->right = converted(g, n->right, optype);
    GenState saved;
    save_gen_state(g, saved);
    // the destination placed on trial, to choose the row
    if (!gen_node(g, n->left, MODE_DEST, regs)) return false;
    Operand dest = n->left->place;
    restore_gen_state(g, saved);
    if (n->code == 136 && n->right->code == 0 && same_place(dest, n->right->leaf)) {
        // x = x: nothing to do
        n->place = dest;
        return settle(g, n, modes, regs);
    }
    bool eeprom = (dest.flags & SP_EEPROM) && !bit_field_class(type_class(dest.type));
    if (!eeprom && find_template(g, n, &dest, regs)) return settle(g, n, modes, regs);
    restore_gen_state(g, saved);
    if (!gen_node(g, n->left, MODE_DEST, regs)) return false;
    dest = n->left->place;
    // the value computed, then moved into the destination
    ExprNode* value = n->right;
    if (n->code != 136) {
        std::uint16_t t = optype;  // then narrowed to the destination's type
        ExprNode* op = new_expr(g);
        op->code = static_cast<std::uint16_t>(base_operator(n->code));
        op->type = t;
        op->space = n->space;
        op->left = converted(g, place_leaf(g, dest), t);
        op->right = in_place ? &g.empty_node : n->right;
        normalize_operands(g, op);
        value = converted(g, op, read_type(dtype));
    }
    std::uint16_t rest = static_cast<std::uint16_t>(regs & ~held_mask(dest));
    std::uint16_t vmodes = type_class(dtype) == 10 ? 0x0A : 0x90;
    GenState placed;
    save_gen_state(g, placed);
    bool ok;
    if (eeprom)
        ok = eeprom_store(g, n, dest, value, rest);
    else
        ok = gen_node(g, value, vmodes, rest) && (same_place(dest, value->place) || move_to(g, value, dest, regs));
    if (!ok && dest.reg == REG_Y && dest.ind >= 1 && (regs & RM_Y) && !eeprom) {
        // the destination's address saved on the stack while the value
        // takes Y; the value leaves Y before the address comes back
        restore_gen_state(g, placed);
        emit_code(g, " pshy;", 2);
        ok = gen_node(g, value, vmodes, regs);
        if (ok && (held_mask(value->place) & RM_Y)) {
            if (type_class(dtype) == 10) {
                Operand t;
                alloc_value_temp(g, 8, t, dtype);
                ok = move_to(g, value, t, static_cast<std::uint16_t>(regs & ~RM_Y));
            } else {
                ok = force_reg(g, value, 0x80, static_cast<std::uint16_t>(regs & ~RM_Y));
            }
        }
        if (ok) {
            emit_code(g, " puly;", 2);
            ok = same_place(dest, value->place) || move_to(g, value, dest, static_cast<std::uint16_t>(regs & ~RM_Y));
        }
    }
    if (!ok) {
        restore_gen_state(g, saved);
        return false;
    }
    n->place = dest;
    return settle(g, n, modes, regs);
}

// The object a far pointer addresses: its second word is the address (the
// first is the page, which the program's one map of memory ignores).
bool far_object(Gen& g, ExprNode* n, ExprNode* p, std::uint16_t regs) {
    if (!gen_node(g, p, 0x0A | 0x80 | 0x04, regs)) return false;
    Operand o = p->place;
    if (o.ind >= 1 && o.reg != REG_D) {
        o.offset = wrap_add(o.offset, 2);
        o.ind = static_cast<std::uint8_t>(o.ind + 1);
    } else if (o.ind == 0 && o.reg == REG_NONE && o.name[0] == '\0') {
        o.offset = static_cast<std::uint16_t>(o.offset);
        o.type = 5;
        o.ind = 1;
    } else if (o.ind == 0 && o.reg == REG_D && (regs & RM_Y)) {
        emit_code(g, " xgdy;", 2);
        take_free_reg(g, RM_Y);
        init_operand(o, 5, 0, REG_Y, 1);
    } else {
        return false;
    }
    n->place = o;
    return true;
}

// The object a tiny pointer (one byte, in the zero page) addresses: the
// pointer widened into Y.
bool tiny_object(Gen& g, ExprNode* n, ExprNode* p, std::uint16_t regs) {
    if (!(regs & RM_Y) || !(regs & RM_D) || !gen_node(g, p, 0x80, regs)) return false;
    emit_code(g, " clra; xgdy;", 3);
    take_free_reg(g, RM_Y);
    init_operand(n->place, 5, 0, REG_Y, 1);
    return true;
}

bool gen_indirection(Gen& g, ExprNode* n, std::uint16_t modes, std::uint16_t regs) {
    ExprNode* p = n->left;
    std::uint8_t pc = type_class(p->code == 0 ? p->leaf.type : p->type);
    if (pc == 8 || pc == 2) {
        if (!(pc == 8 ? far_object(g, n, p, regs) : tiny_object(g, n, p, regs))) return false;
        n->place.type = n->type;
        n->place.space = n->space;
        n->place.flags = static_cast<std::uint16_t>(mode_class(p->space) | 1);
        return settle(g, n, modes, regs);
    }
    if (!gen_node(g, p, 0x114, regs)) return false;
    n->place = p->place;
    n->place.ind = static_cast<std::uint8_t>(n->place.ind + 1);
    n->place.type = n->type;
    n->place.space = n->space;
    n->place.flags = static_cast<std::uint16_t>(mode_class(p->space) | (n->place.ind ? 1 : 0));
    return settle(g, n, modes, regs);
}

// An operator with no effect of its own: only its operands are evaluated
// for their effects.
bool has_no_effect(int code) {
    switch (code) {
    case 0: case 102: case 107: case 222: case 216: case 226: case 133: case 153: case 151: case 160: case 193:
    case 163: case 156: case 108: case 67: case 90: case 130: case 157: case 168:
        return true;
    default: return is_relation(code);
    }
}

// A char divided, or its remainder, is computed in int (the byte routine
// serves only a divisor from 1 to 127) and its low byte taken.
bool promoted_char_division(Gen& g, ExprNode* n) {
    std::uint8_t cls = type_class(n->type);
    if ((cls != 1 && cls != 2) || (n->code != 133 && n->code != 153)) return false;
    ExprNode* r = n->right;
    if (r->code == 0 && is_const(r->leaf) && r->leaf.offset >= 1 && r->leaf.offset <= 127) return false;
    return true;
}

// The operand of a widening cast from `from` (a class), or null.
ExprNode* widened_from(const Gen& g, ExprNode* x, std::uint8_t from) {
    if (!x || x == &g.empty_node || x->code != 102) return nullptr;
    ExprNode* inner = x->left;
    return type_class(inner->code == 0 ? inner->leaf.type : inner->type) == from ? inner : nullptr;
}

bool byte_constant(const ExprNode* x, std::int32_t lo, std::int32_t hi) {
    return x && x->code == 0 && is_const(x->leaf) && x->leaf.offset >= lo && x->leaf.offset <= hi;
}

// Forms of + and * that the rows reach only through the operands'
// narrower types: an int product of two unsigned chars (or of one and a
// constant from 3 to 255 other than 4 and 8) by the hardware multiply, an
// int plus an unsigned char in memory with the carry into A, and a long
// product of two ints cast to long by the 16 x 16 routines under -alu.
bool gen_special_form(Gen& g, ExprNode* n, std::uint16_t modes, std::uint16_t regs, bool& done) {
    done = false;
    std::uint8_t cls = type_class(n->type);
    if (n->code == 226 && (cls == 3 || cls == 5) && (regs & RM_D)) {
        ExprNode* a = widened_from(g, n->left, 2);
        ExprNode* b = widened_from(g, n->right, 2);
        bool constant = byte_constant(n->right, 3, 255) && n->right->leaf.offset != 4 && n->right->leaf.offset != 8;
        if (a && (b || constant)) {
            Operand right = b ? Operand{} : n->right->leaf;
            if (b) {
                if (!gen_node(g, b, 0x0E, regs)) return false;
                right = b->place;
            }
            if (!gen_node(g, a, 0x80, static_cast<std::uint16_t>(regs & ~held_mask(right)))) return false;
            right.type = 2;
            if (!expand_places(g, a->place, right, "Maa BR; mul", regs)) return false;
            init_operand(n->place, n->type, 0, REG_D, 0);
            done = true;
            return settle(g, n, modes, regs);
        }
    }
    if (n->code == 222 && (cls == 3 || cls == 5)) {
        ExprNode* b = widened_from(g, n->right, 2);
        if (b && b->code == 0 && b->leaf.ind == 1) {
            ExprNode* copy = new_expr(g);
            *copy = *n;
            copy->left = converted(g, n->left, 5);
            copy->right = b;
            copy->type = 5;
            if (!find_template(g, copy, nullptr, regs)) return false;
            n->place = copy->place;
            n->place.type = n->type;
            done = true;
            return settle(g, n, modes, regs);
        }
    }
    if (n->code == 226 && (cls == 6 || cls == 8) && g.opt.alu && (regs & (RM_D | RM_Y)) == (RM_D | RM_Y)) {
        bool sgn = true;
        ExprNode* a = widened_from(g, n->left, 3);
        ExprNode* b = widened_from(g, n->right, 3);
        if (!a || !b) {
            a = widened_from(g, n->left, 5);
            b = widened_from(g, n->right, 5);
            sgn = false;
        }
        if (a && b) {
            ExprNode* product = new_expr(g);
            product->code = 226;
            product->type = 5;
            product->left = a;
            product->right = b;
            // the operands in D and Y, the product in the long register
            if (!gen_node(g, b, 0x10, regs)) return false;
            if (!gen_node(g, a, 0x80, static_cast<std::uint16_t>(regs & ~RM_Y))) return false;
            if (!expand_places(g, a->place, b->place, sgn ? "!Kslmla" : "!Kulmla", regs)) return false;
            init_operand(n->place, n->type, 0, REG_D, 0);
            done = true;
            return settle(g, n, modes, regs);
        }
    }
    return false;
}

bool gen_binary(Gen& g, ExprNode* n, std::uint16_t modes, std::uint16_t regs) {
    std::uint8_t cls = type_class(n->type);
    {
        GenState saved;
        save_gen_state(g, saved);
        bool done;
        bool ok = gen_special_form(g, n, modes, regs, done);
        if (done) return ok;
        restore_gen_state(g, saved);
    }
    if (cls == 10 && (n->code == 222 || n->code == 216 || n->code == 226 || n->code == 133 || n->code == 108))
        return gen_double_operation(g, n, modes, regs);
    if (promoted_char_division(g, n)) {
        ExprNode* wide = new_expr(g);
        *wide = *n;
        wide->type = cls == 1 ? 3 : 5;
        wide->left = converted(g, n->left, wide->type);
        wide->right = converted(g, n->right, wide->type);
        if (!gen_node(g, wide, 0x80, regs)) return false;
        n->place = wide->place;
        n->place.type = n->type;
        return settle(g, n, modes, regs);
    }
    normalize_operands(g, n);
    if (!operator_rows(n->code)) genpanic(g, "FIXOP");
    if (!find_template(g, n, nullptr, regs)) return false;
    return settle(g, n, modes, regs);
}

}  // namespace


namespace {

bool evaluate(Gen& g, ExprNode* n, std::uint16_t modes, std::uint16_t regs);

// The bytes stored from `from` up to the write position.
std::string stored_text(const Gen& g, std::int32_t from) {
    std::string text;
    for (std::int32_t p = from; p < g.store.write_pos; ++p) {
        std::int32_t offset = p % CodeStore::CHUNK;
        if (offset == CodeStore::CHUNK - 1) continue;
        text += (*g.store.chunks[static_cast<std::size_t>(p / CodeStore::CHUNK)])[static_cast<std::size_t>(offset)];
    }
    return text;
}

}  // namespace

bool gen_node(Gen& g, ExprNode* n, std::uint16_t modes, std::uint16_t regs) {
    if (n->code == 0) return evaluate(g, n, modes, regs);
    EvalKey key{n, modes, regs, g.label_counter, g.frame_low, g.frame_cur, g.move_count};
    auto it = g.evaluations.find(key);
    bool seen = it != g.evaluations.end();
    if (seen && !it->second.ok) return false;
    if (seen && it->second.kept) {
        const EvalResult& r = it->second;
        code_text(g, r.text);
        g.code_offset = static_cast<std::uint16_t>(g.code_offset + r.code_bytes);
        g.label_counter = r.label_counter;
        g.func_free = r.func_free;
        g.frame_low = r.frame_low;
        g.frame_cur = r.frame_cur;
        g.frame_flags = r.frame_flags;
        n->place = r.place;
        n->cls = r.cls;
        n->flags = r.flags;
        return true;
    }
    std::int32_t start = g.store.write_pos;
    std::uint16_t offset = g.code_offset;
    bool ok = evaluate(g, n, modes, regs);
    EvalResult r;
    r.ok = ok;
    if (ok && seen) {
        r.kept = true;
        r.text = stored_text(g, start);
        r.code_bytes = static_cast<std::uint16_t>(g.code_offset - offset);
        r.label_counter = g.label_counter;
        r.func_free = g.func_free;
        r.frame_low = g.frame_low;
        r.frame_cur = g.frame_cur;
        r.frame_flags = g.frame_flags;
        r.place = n->place;
        r.cls = n->cls;
        r.flags = n->flags;
    }
    g.evaluations[key] = std::move(r);
    return ok;
}

namespace {

bool evaluate(Gen& g, ExprNode* n, std::uint16_t modes, std::uint16_t regs) {
    // the attempts of one statement are bounded, whatever its trees
    if (++g.attempts > ATTEMPT_LIMIT) genfatal(g, "expression too complex");
    switch (n->code) {
    case 0:
        n->place = n->leaf;
        if (n->place.reg == REG_TEMP) n->place.reg = REG_FRAME;
        if (modes & MODE_VOID) {
            std::uint8_t c = type_class(n->place.type);
            if (is_const(n->place) || n->place.ind == 0 || c == 10 || c == 14 || c == 0) return true;
            return force_reg(g, n, 0x90, regs);
        }
        return settle(g, n, modes, regs);
    case 102: return gen_cast(g, n, modes, regs);
    case 107: return gen_indirection(g, n, modes, regs);
    case 168:
        if (!gen_void(g, n->left, regs)) return false;
        if (!gen_node(g, n->right, modes, regs)) return false;
        n->place = n->right->place;
        return true;
    case 159: return emit_conditional(g, n, modes, regs);
    case 105:
    case 169:
    case 113:
    case 180: return emit_call(g, n, modes, regs);
    case 90:
    case 130:
    case 157: return gen_truth_value(g, n, modes, regs);
    case 170:
    case 167: return gen_postfix(g, n, modes, regs);
    case 164:
        if (!find_template(g, n, nullptr, regs)) return false;
        return settle(g, n, modes, regs);
    default: break;
    }
    if (is_relation(n->code)) return gen_truth_value(g, n, modes, regs);
    if (is_assignment(n->code)) return gen_assign(g, n, modes, regs);
    if (n->code > 226) genpanic(g, "FIXOP");
    return gen_binary(g, n, modes, regs);
}

}  // namespace

bool gen_void(Gen& g, ExprNode* tree, std::uint16_t regs) {
    tree->unused = true;
    if (tree->code == 168) return gen_void(g, tree->left, regs) && gen_void(g, tree->right, regs);
    if (tree->code != 0 && has_no_effect(tree->code)) {
        // an operator whose value is discarded: its operands for their effects
        if (tree->left && !is_empty(g, tree->left) && !gen_void(g, tree->left, regs)) return false;
        if (tree->right && !is_empty(g, tree->right) && !gen_void(g, tree->right, regs)) return false;
        return true;
    }
    if (!gen_node(g, tree, MODE_VOID, regs)) return false;
    if (tree->place.reg == REG_S) {
        // a value left on the stack, not wanted
        int bytes = class_bytes(type_class(tree->place.type));
        emit_code(g, stack_adjust_text(g, bytes ? bytes : 2) + ";", 0);
    }
    return true;
}

}  // namespace ccgen
