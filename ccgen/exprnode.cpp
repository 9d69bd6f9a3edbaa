// Expression nodes and operand places: allocation, addresses, result
// areas, the addressing-mode classification, type classes, register masks
// and the saved generation state.
#include <cstring>

#include "ccgen/ccgen.h"

namespace ccgen {

ExprNode* new_expr(Gen& g) {
    g.nodes.emplace_back();
    return &g.nodes.back();
}

void free_exprs(Gen& g) {
    g.nodes.clear();
    g.evaluations.clear();
}

void init_operand(Operand& o, std::uint16_t type, std::uint16_t space, std::uint8_t reg, std::uint8_t ind) {
    o = Operand{};
    o.type = type;
    o.space = space;
    o.reg = reg;
    o.ind = ind;
    o.flags = ind ? 1 : 0;
}

// The address of a node: a leaf that stands for contents loses one level
// of indirection; an indirection gives its operand.
ExprNode* addrof(Gen& g, ExprNode* n) {
    if (n->code == 0) {
        if (n->leaf.ind == 0) genpanic(g, "ADDROF1");
        n->leaf.ind -= 1;
        n->leaf.type = n->type = 5;
        n->leaf.space = n->space = n->leaf.flags;
        n->place = n->leaf;
        return n;
    }
    if (n->code == 107) return n->left;
    genpanic(g, "ADDROF2");
}

std::int16_t alloc_temp(Gen& g, int size) {
    g.frame_cur = static_cast<std::int16_t>(g.frame_cur - size);
    if (g.frame_cur < g.frame_low) g.frame_low = g.frame_cur;
    if (g.frame_low < g.frame_reached) g.frame_reached = g.frame_low;
    if (!g.stackless) g.frame_flags |= FRAME_LOCALS;
    return g.frame_cur;
}

void make_temp_operand(Gen& g, ExprNode* n, std::uint32_t size) {
    g.last_area.frame_low = g.frame_low;
    g.last_area.frame_cur = g.frame_cur;
    g.last_area.frame_flags = g.frame_flags;
    std::int16_t offset = alloc_temp(g, static_cast<int>(size > 0x7FFF ? 0x7FFF : size));
    g.last_area.offset = g.stackless ? std::int16_t{1} : offset;
    ExprNode* t = new_expr(g);
    t->type = 5;
    init_operand(t->leaf, 5, 0, g.stackless ? REG_NONE : REG_TEMP, 0);
    t->leaf.offset = offset;
    if (g.stackless) t->leaf.name = g.frame_name.c_str();
    t->place = t->leaf;
    n->third = t;
}

// A call's result area that its destination replaces: when it is the
// latest one and nothing was allocated below it, the frame gives it back
// (a large structure's area would otherwise grow the frame for nothing,
// and push the offsets of code already written out of the indexed range).
void drop_result_area(Gen& g, const ExprNode* area) {
    if (!area || area->code != 0 || area->leaf.reg != REG_TEMP) return;
    auto offset = static_cast<std::int16_t>(area->leaf.offset);
    if (offset != g.last_area.offset || offset != g.frame_cur) return;
    g.frame_low = g.last_area.frame_low;
    g.frame_cur = g.last_area.frame_cur;
    g.frame_flags = g.last_area.frame_flags;
    g.last_area.offset = 1;
}

ExprNode* call_into_target(Gen& g, ExprNode* a) {
    ExprNode* v = a->right;
    if (!v || !(v->code == 105 || v->code == 169) || (v->type & 15) != (a->type & 15)) return a;
    ExprNode* t = a->left;
    if (t->code == 0 && t->leaf.ind > 0) {
        drop_result_area(g, v->third);
        v->third = addrof(g, t);
        return v;
    }
    if (t->code == 107 && (t->left->type & 15) == 5) {
        drop_result_area(g, v->third);
        v->third = t->left;
        return v;
    }
    return a;
}

// ------------------------------------------------------------ operand tests

bool is_leaf(const ExprNode* n) { return n->code == 0; }

bool is_const(const Operand& o) {
    return o.reg == REG_NONE && o.name[0] == '\0' && o.ind == 0 && (o.type & 15) <= 8;
}

bool is_const_or_direct(const Operand& o) {
    return o.reg == REG_NONE && o.ind == 0 && (o.type & 15) <= 8 && (o.name[0] == '\0' || (o.flags & SP_DIR));
}

bool is_symbol_const(const Operand& o) {
    return o.reg == REG_NONE && o.ind == 0 && (o.type & 15) <= 8 && o.name[0] != '\0';
}

std::uint16_t reg_of(const Operand& o) {
    if (o.name[0] != '\0' || o.offset != 0 || o.ind != 0) return 0;
    return reg_to_mask(o.reg);
}

bool is_unary_op(int code) { return code == 107 || (code >= 134 && code <= 142) || code == 145 || code == 146; }

std::uint16_t operand_flags(const ExprNode* n) {
    if (n->code == 0) return n->place.flags;
    if (n->code == 107 && n->left && n->left->code == 0) return n->left->place.flags;
    return 0;
}

std::uint16_t result_mask(const Operand& o) { return o.ind == 0 ? reg_to_mask(o.reg) : 0; }

std::uint16_t mode_class(std::uint16_t value) { return value & 0x30 ? value & 0xB0 : value; }

std::uint32_t field_mask(std::uint16_t type) {
    unsigned width = (type >> 10) & 63u, offset = (type >> 4) & 31u;
    std::uint32_t ones = width >= 32 ? 0xFFFFFFFFu : (1u << width) - 1;
    return offset >= 32 ? 0 : ones << offset;
}

// The addressing-mode bit of a place:
//   0x001 an address to form first  0x002 memory, direct or small index
//   0x004 immediate                 0x008 memory, extended or far index
//   0x010 register Y                0x020 register S
//   0x040 an address to be formed   0x080 register D
//   0x100 register + small offset   0x800, 0x4000 special operands
std::uint16_t mode_of_operand(const Gen& g, const Operand& o) {
    std::int64_t offset = o.offset;
    bool frame = o.reg == REG_FRAME;
    // the index of a frame place counts from below the whole frame, so it
    // depends on the final frame: a small index taken now must fit that too
    if (frame) offset -= (g.frame_low < g.frame_floor ? g.frame_low : g.frame_floor) - 2;
    auto small_index = [&](std::uint16_t mode) {
        if (frame && o.offset - 238 > g.frame_need) g.frame_need = o.offset - 238;
        return mode;
    };
    if (o.reg == REG_S) return 0x20;
    if (o.ind >= 2) return 0x01;
    bool symbol = o.name[0] != '\0';
    if (o.ind == 1) {
        if (o.flags & 0x20) return 0x800;
        if (o.flags & 0x10) return o.reg ? 0x02 : 0x4000;
        if (symbol) return o.flags & SP_DIR ? 0x02 : 0x08;
        if (o.reg == REG_NONE) return offset >= 0 && offset <= 255 ? 0x02 : 0x08;
        // an index too far for the indexed mode: its address is formed first
        return offset < 0 || offset > 240 ? 0x01 : small_index(0x02);
    }
    if (o.reg == REG_NONE) return 0x04;
    if (symbol) return o.flags & SP_DIR ? 0x100 : 0x40;
    if (offset == 0) {
        if (o.reg == REG_D) return 0x80;
        if (o.reg == REG_Y) return 0x10;
        return 0x40;
    }
    if (o.reg != REG_D && offset >= 0 && offset <= 240) return small_index(0x100);
    return 0x40;
}

std::uint16_t mode_of_tree(const Gen& g, const ExprNode* n) {
    if (n->code == 0) return mode_of_operand(g, n->place);
    if (n->code == 107) return 0x02;
    if (is_unary_op(n->code) && n->left) return mode_of_tree(g, n->left);
    return 0;
}

// ------------------------------------------------------------ type classes

std::uint8_t type_class(std::uint16_t type) { return static_cast<std::uint8_t>(type & 15); }

std::uint8_t promote_class(std::uint8_t c) {
    static constexpr std::uint8_t t[16] = {0, 3, 3, 3, 5, 5, 6, 8, 8, 9, 10, 5, 5, 5, 14, 15};
    return t[c & 15];
}

std::uint8_t unsigned_class(std::uint8_t c) {
    static constexpr std::uint8_t t[16] = {0, 2, 2, 5, 4, 5, 8, 7, 8, 9, 10, 5, 5, 13, 14, 15};
    return t[c & 15];
}

int class_order(std::uint8_t c) { return c == 13 ? 3 : 2 * c; }

// ------------------------------------------------------------ registers

std::uint16_t reg_to_mask(std::uint8_t reg) {
    switch (reg) {
    case REG_D: return RM_D;
    case REG_X: return RM_X;
    case REG_Y: return RM_Y;
    case REG_S:
    case REG_FRAME: return RM_S;
    default: return 0;
    }
}

std::uint8_t mask_to_reg(std::uint16_t mask) {
    switch (mask) {
    case RM_D: return REG_D;
    case RM_X: return REG_X;
    case RM_Y: return REG_Y;
    case RM_S: return REG_S;
    default: return 0;
    }
}

std::uint16_t take_free_reg(Gen& g, std::uint16_t mask) {
    std::uint16_t lowest = static_cast<std::uint16_t>(mask & -mask);
    g.func_free = static_cast<std::uint16_t>(g.func_free & ~mask);
    return lowest;
}

bool same_place(const Operand& a, const Operand& b) {
    return a.reg == b.reg && a.ind == b.ind && a.offset == b.offset && std::strcmp(a.name, b.name) == 0 &&
           !(a.flags & SP_VOL) && !(b.flags & SP_VOL) &&
           promote_class(a.type & 15) == promote_class(b.type & 15) &&
           class_order(a.type & 15) == class_order(b.type & 15);
}

// ------------------------------------------------------------ generation state

void save_gen_state(const Gen& g, GenState& s, std::uint16_t value) {
    s.label_counter = g.label_counter;
    s.item_text = g.item_text;
    s.func_free = g.func_free;
    s.store_pos = g.store.write_pos;
    s.code_offset = g.code_offset;
    s.frame_low = g.frame_low;
    s.frame_cur = g.frame_cur;
    s.frame_flags = g.frame_flags;
    s.value = value;
}

std::uint16_t restore_gen_state(Gen& g, const GenState& s) {
    g.label_counter = s.label_counter > g.pool_label_high ? s.label_counter : g.pool_label_high;
    g.item_text = s.item_text;
    g.func_free = s.func_free;
    g.store.write_pos = s.store_pos;
    g.code_offset = s.code_offset;
    g.frame_low = s.frame_low;
    g.frame_cur = s.frame_cur;
    g.frame_flags = s.frame_flags;
    return s.value;
}

}  // namespace ccgen
