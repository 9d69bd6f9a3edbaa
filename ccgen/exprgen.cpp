// Expression code: a tree is walked and each node's value obtained through
// a template row; operands are brought into the addressing modes that the
// row asks for, moves are assignments to a register, and a failed attempt
// restores the saved generation state so that the next order can be tried.
//
// Done here: leaves, = and the compound assignments, + and -, the test of
// a branch, casts between char and int, indirection and the comma; calls,
// the conditional operator, truth values and the other operators come with
// their rows.
#include "ccgen/ccgen.h"

namespace ccgen {

namespace {

constexpr std::uint16_t MODE_VOID = 0x200;
constexpr long ATTEMPT_LIMIT = 1000000;
constexpr std::uint16_t MODE_DEST = 0x400;

bool is_assignment(int code) {
    switch (code) {
    case 136: case 145: case 135: case 140: case 142: case 139: case 137: case 138: case 134: case 146: case 141:
        return true;
    default: return false;
    }
}

// The operator a compound assignment applies.
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
    default: return 0;
    }
}

// A leaf that stands for a place already reached.
ExprNode* place_leaf(Gen& g, const Operand& o) {
    ExprNode* n = new_expr(g);
    n->type = o.type;
    n->leaf = n->place = o;
    return n;
}

bool accept(Gen& g, ExprNode* n, std::uint16_t modes, std::uint16_t regs) {
    if (modes & (MODE_VOID | MODE_DEST)) return true;
    if (mode_of_operand(g, n->place) & modes) return true;
    return force_reg(g, n, modes, regs);
}

bool is_empty(const Gen& g, const ExprNode* n) { return !n || n == &g.empty_node; }

// A move of `n`'s value into `dest`, as an assignment.
bool move_to(Gen& g, ExprNode* n, const Operand& dest, std::uint16_t regs) {
    if (g.move_count <= 1) {
        if ((regs & RM_TOP) == RM_TOP) genpanic(g, "MOVCNT");
        return false;
    }
    ExprNode* mv = new_expr(g);
    mv->code = 136;
    mv->type = dest.type;
    mv->left = place_leaf(g, dest);
    mv->right = place_leaf(g, n->place);
    --g.move_count;
    bool ok = find_template(g, mv, &dest, regs);
    ++g.move_count;
    if (ok) n->place = dest;
    return ok;
}

bool gen_cast(Gen& g, ExprNode* n, std::uint16_t modes, std::uint16_t regs) {
    ExprNode* l = n->left;
    std::uint8_t from = type_class(l->type), to = type_class(n->type);
    if (g.size_class[from] == g.size_class[to]) {
        if (!gen_node(g, l, modes, regs)) return false;
        n->place = l->place;
        n->place.type = n->type;
        return accept(g, n, modes, regs);
    }
    bool from_int = g.size_class[from] == 5 || from == 4;
    bool to_char = to == 1 || to == 2 || to == 13;
    if (from_int && to_char) {
        // the low byte: B, or the second byte in memory
        if (!gen_node(g, l, 0x80 | 0x0A | 0x04, regs)) return false;
        n->place = l->place;
        if (n->place.ind >= 1) n->place.offset = wrap_add(n->place.offset, 1);
        n->place.type = n->type;
        return accept(g, n, modes, regs);
    }
    bool from_char = from == 1 || from == 2;
    bool to_int = g.size_class[to] == 5 || to == 3;
    if (from_char && to_int && (regs & RM_D)) {
        if (!gen_node(g, l, 0x80, regs)) return false;
        if (!expand_template(g, n, nullptr, from == 1 ? "E" : "Qa", regs)) return false;
        n->place = l->place;
        n->place.type = n->type;
        return accept(g, n, modes, regs);
    }
    genpanic(g, "FIXOP");  // conversions of long and floating values come with their rows
}

bool gen_indirection(Gen& g, ExprNode* n, std::uint16_t modes, std::uint16_t regs) {
    ExprNode* p = n->left;
    if (!gen_node(g, p, 0x114, regs)) return false;
    n->place = p->place;
    n->place.ind = static_cast<std::uint8_t>(n->place.ind + 1);
    n->place.type = n->type;
    n->place.space = n->space;
    n->place.flags = static_cast<std::uint16_t>(mode_class(p->space) | (n->place.ind ? 1 : 0));
    return accept(g, n, modes, regs);
}

bool gen_assign(Gen& g, ExprNode* n, std::uint16_t modes, std::uint16_t regs) {
    GenState saved;
    save_gen_state(g, saved);
    // the destination placed on trial, to choose the row
    if (!gen_node(g, n->left, MODE_DEST, regs)) return false;
    Operand dest = n->left->place;
    restore_gen_state(g, saved);
    if (find_template(g, n, &dest, regs)) return accept(g, n, modes, regs);
    restore_gen_state(g, saved);
    if (!gen_node(g, n->left, MODE_DEST, regs)) return false;
    dest = n->left->place;
    // the value computed, then moved into the destination
    ExprNode* value = n->right;
    if (n->code != 136) {
        ExprNode* op = new_expr(g);
        op->code = static_cast<std::uint16_t>(base_operator(n->code));
        op->type = n->type;
        op->space = n->space;
        op->left = place_leaf(g, dest);
        op->right = n->right;
        value = op;
    }
    if (!gen_node(g, value, 0x90, static_cast<std::uint16_t>(regs & ~reg_to_mask(dest.reg)))) {
        restore_gen_state(g, saved);
        return false;
    }
    if (!same_place(dest, value->place) && !move_to(g, value, dest, regs)) {
        restore_gen_state(g, saved);
        return false;
    }
    n->place = dest;
    return accept(g, n, modes, regs);
}

}  // namespace

bool force_reg(Gen& g, ExprNode* n, std::uint16_t modes, std::uint16_t regs) {
    Operand& p = n->place;
    if (mode_of_operand(g, p) & modes) return true;
    std::uint8_t cls = type_class(p.type);
    if ((modes & 0x0A) && p.reg == REG_NONE && p.name[0] == '\0' && p.ind == 0 && cls >= 6 && cls <= 9) {
        // a long constant needed in memory
        std::string label = long_const_label(g, static_cast<std::uint32_t>(p.offset));
        n->text = label;
        p.name = n->text.c_str();
        p.ind = 1;
        return true;
    }
    if (p.ind == 1 && p.reg != REG_NONE && p.reg != REG_D && (mode_of_operand(g, p) & 0x01) && (regs & RM_Y)) {
        // Y := the base register plus the offset, D kept
        std::string text = p.reg == REG_Y ? "" : " pshx; puly;";
        std::string offset = p.reg == REG_FRAME || p.reg == REG_TEMP ? "OFST" : "";
        std::int32_t v = p.offset;
        if (!offset.empty() && v >= 0) offset += '+';
        offset += std::to_string(v);
        text += " xgdy; addd #" + offset + "; xgdy;";
        code_text(g, text);
        g.code_offset = static_cast<std::uint16_t>(g.code_offset + (p.reg == REG_Y ? 7 : 10));
        take_free_reg(g, RM_Y);
        Operand through = p;
        through.reg = REG_Y;
        through.offset = 0;
        p = through;
        return force_reg(g, n, modes, static_cast<std::uint16_t>(regs & ~RM_Y));
    }
    if (p.ind >= 2 && (regs & RM_Y)) {
        // contents of contents: the pointer into Y, then through Y one
        // level at a time, each a move of its own
        Operand pointer = p;
        pointer.ind = 1;
        pointer.type = 5;
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
    std::uint8_t reg = REG_NONE;
    if ((modes & 0x80) && (regs & RM_D))
        reg = REG_D;
    else if ((modes & 0x10) && (regs & RM_Y))
        reg = REG_Y;
    if (reg != REG_NONE) {
        Operand d;
        init_operand(d, p.type, p.space, reg, 0);
        if (!move_to(g, n, d, regs)) return false;
        if (reg == REG_Y) take_free_reg(g, RM_Y);
        return true;
    }
    if ((modes & 0x0A) && p.ind == 0 && p.reg != REG_NONE) {
        // a register value needed in memory: a temporary of the frame
        Operand t;
        init_operand(t, p.type, 0, g.stackless ? REG_NONE : REG_FRAME, 1);
        t.offset = alloc_temp(g, g.eval_size[cls] == 255 ? 2 : g.eval_size[cls]);
        if (g.stackless) t.name = g.frame_name.c_str();
        return move_to(g, n, t, regs);
    }
    return false;
}

bool apply_row(Gen& g, ExprNode* n, const TemplateRow* row, std::uint16_t regs) {
    ExprNode* l = n->left;
    ExprNode* r = n->right;
    if (is_assignment(n->code) && l && r && same_place(l->place, r->place)) {
        n->place = l->place;
        return true;
    }
    if (l) {
        n->place = l->place;
        n->place.type = n->type;
    }
    std::uint8_t c = promote_class(type_class(n->type));
    n->cls = type_class(n->type) == 13 ? 2 : c;
    if ((l && l->place.reg == REG_Y) || (r && r->place.reg == REG_Y)) take_free_reg(g, RM_Y);
    if ((row->flags & 0x04) && n->code != 174) n->flags |= NF_ROW4;
    std::string text = row->text ? row->text : "";
    if (row->flags & 0x80) {
        std::size_t handler = row->first & 0x3F;
        if (handler >= 11 || !special_handlers[handler](g, n, regs, *row, text)) return false;
    }
    return expand_template(g, n, row, text.c_str(), regs);
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
    if (((modes & 0x80) && (regs & RM_D)) || ((modes & 0x10) && (regs & RM_Y))) return true;
    if (mode & 0x01) return regs & RM_Y;
    std::uint8_t cls = type_class(p.type);
    if ((modes & 0x0A) && is_const(p) && cls >= 6 && cls <= 9) return true;
    if ((modes & 0x0A) && p.ind == 0 && p.reg != REG_NONE) return true;
    return false;
}

// Tries the rows that fit, each in up to two evaluation orders, until one
// applies. Without a given left (the destination of an assignment or a
// move) an operator without any row is the fatal "MISSING ENTRY".
bool find_template(Gen& g, ExprNode* n, const Operand* left_given, std::uint16_t regs) {
    GenState saved;
    save_gen_state(g, saved);
    std::vector<const TemplateRow*> rows = select_rows(g, n, left_given, regs);
    if (rows.empty() && !left_given) genpanic(g, "MISSING ENTRY");
    bool assign = is_assignment(n->code);
    ExprNode* l = n->left;
    ExprNode* r = is_empty(g, n->right) ? nullptr : n->right;
    for (const TemplateRow* row : rows) {
        std::uint16_t lmodes = descriptor_modes(row->left);
        if (n->code != 174 && n->code != 164 && !(row->flags & 0x40)) lmodes &= 0x90;
        if (assign) lmodes |= MODE_DEST;
        std::uint16_t rmodes = descriptor_modes(row->right);
        if (!reachable(g, l, lmodes, regs) || !reachable(g, r, rmodes, regs)) continue;
        for (int order = 0; order < 2; ++order) {
            restore_gen_state(g, saved);
            bool left_first = (order == 0) != assign;
            ExprNode* first = left_first ? l : r;
            ExprNode* second = left_first ? r : l;
            std::uint16_t m1 = left_first ? lmodes : rmodes, m2 = left_first ? rmodes : lmodes;
            if (first && !gen_node(g, first, m1, regs)) continue;
            std::uint16_t rest = first ? static_cast<std::uint16_t>(regs & ~result_mask(first->place)) : regs;
            if (second && !gen_node(g, second, m2, rest)) continue;
            if (apply_row(g, n, row, regs)) return true;
        }
    }
    restore_gen_state(g, saved);
    return false;
}

bool gen_node(Gen& g, ExprNode* n, std::uint16_t modes, std::uint16_t regs) {
    // the attempts of one statement are bounded, whatever its trees
    if (++g.attempts > ATTEMPT_LIMIT) genfatal(g, "expression too complex");
    switch (n->code) {
    case 0:
        n->place = n->leaf;
        if (n->place.reg == REG_TEMP) n->place.reg = REG_FRAME;
        if (modes & MODE_VOID) {
            if (is_const(n->place)) return true;
            return force_reg(g, n, 0x90, regs);
        }
        return accept(g, n, modes, regs);
    case 102: return gen_cast(g, n, modes, regs);
    case 107: return gen_indirection(g, n, modes, regs);
    case 168:
        if (!gen_void(g, n->left, regs)) return false;
        if (!gen_node(g, n->right, modes, regs)) return false;
        n->place = n->right->place;
        return true;
    default: break;
    }
    if (is_assignment(n->code)) return gen_assign(g, n, modes, regs);
    if (!operator_rows(n->code)) genpanic(g, "FIXOP");
    if (!find_template(g, n, nullptr, regs)) return false;
    return accept(g, n, modes, regs);
}

bool gen_void(Gen& g, ExprNode* tree, std::uint16_t regs) {
    tree->unused = true;
    if (tree->code == 168) return gen_void(g, tree->left, regs) && gen_void(g, tree->right, regs);
    return gen_node(g, tree, MODE_VOID, regs);
}

}  // namespace ccgen
