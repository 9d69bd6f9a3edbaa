// Reading one expression tree of the intermediate file into `ExprNode`s,
// with the rewrites that the generator relies on: leaves placed in the
// frame or in registers, casts dropped, operands ordered, constants folded,
// and structure and double values given their addresses and result areas.
#include "ccgen/ccgen.h"

namespace ccgen {

namespace {

// Expression trees nest no deeper than this; a deeper one is refused.
constexpr int TREE_DEPTH_LIMIT = 2000;

struct DepthGuard {
    Gen& g;
    explicit DepthGuard(Gen& gen) : g(gen) {
        if (++g.tree_depth > TREE_DEPTH_LIMIT) genfatal(g, "nesting too deep");
    }
    ~DepthGuard() { --g.tree_depth; }
};

bool is_plain_constant(const ExprNode* n) { return n->code == 0 && is_const(n->leaf); }

// An address constant: a named object's address, or a zero-page address.
bool is_address_constant(const ExprNode* n) {
    return n->code == 0 && n->leaf.ind == 0 && n->leaf.reg == 0 && n->leaf.name[0] != '\0';
}

void set_place(ExprNode* n) { n->place = n->leaf; }

std::uint8_t register_of_storage(std::uint8_t storage) {
    switch (storage) {
    case 1: return REG_D;
    case 2: return REG_X;
    case 4: return REG_Y;
    case 32: return REG_S;
    default: return REG_NONE;
    }
}

// `own_space` is the space of the object itself; a pointer node's space is
// already that of the object it points to.
void read_leaf(Gen& g, ExprNode* n, bool pointer, std::uint16_t pointer_space, std::uint16_t own_space) {
    read_ir_name(g, &n->text);
    std::uint32_t value = read_ir_long(g);
    std::uint8_t storage = read_ir_byte(g);
    std::uint8_t memory = read_ir_byte(g);
    Operand& o = n->leaf;
    o.type = n->type;
    o.space = n->space;
    o.offset = static_cast<std::int32_t>(value);
    o.name = n->text.c_str();
    o.ind = memory;
    o.reg = REG_NONE;
    bool returns_through_memory = g.func_kind == 'r' || g.func_kind == 'w';

    if (pointer && memory == 0 && storage == 0 && (pointer_space & SP_FUNC) && n->text != "<@_asm" &&
        !n->text.empty())
        emit_asm(g, " .dcall \":%p\";", n->text);

    switch (storage) {
    case 160:
        if (!g.stackless) {
            g.frame_flags |= FRAME_ARGS;
            o.reg = REG_FRAME;
            bool in_register = o.offset >= 0 && o.offset < g.regarg_size;
            if (!(g.func_attrs & SP_INTERRUPT) && !in_register) o.offset = wrap_add(o.offset, 4);
        } else {
            o.name = g.frame_name.c_str();
        }
        if (returns_through_memory) o.offset = wrap_add(o.offset, 2);
        break;
    case 32:
        if (!g.stackless) {
            g.frame_flags |= FRAME_LOCALS;
            o.reg = REG_FRAME;
        } else {
            o.name = g.frame_name.c_str();
        }
        break;
    case 1:
    case 2:
        if (storage == 1 && returns_through_memory) {
            // the result area's address, in the word at offset 4 of the
            // frame (the lowest stack word), or in the first word of a
            // static frame, where the caller stores it
            ExprNode* word = new_expr(g);
            word->type = 5;
            init_operand(word->leaf, 5, 0, REG_NONE, 1);
            word->leaf.offset = g.stackless ? 0 : 4;
            if (!g.stackless) {
                g.frame_flags |= FRAME_ARGS;
                word->leaf.reg = REG_FRAME;
            } else {
                word->leaf.name = g.frame_name.c_str();
                if (g.opt.static_model & 0x01) {
                    word->leaf.space |= SP_DIR;
                    word->leaf.flags |= SP_DIR;
                }
            }
            set_place(word);
            n->code = 107;
            n->left = word;
            n->right = &g.empty_node;
            return;
        }
        o.reg = REG_D;
        if (storage == 1) g.result_type = n->type;
        break;
    default: o.reg = register_of_storage(storage); break;
    }

    if (pointer && (pointer_space & SP_FAR) && memory == 0 && o.offset == 0 && o.reg == REG_NONE &&
        !n->text.empty()) {
        // a far object's address is read from its descriptor
        n->text = far_descriptor(g, n->text);
        o.name = n->text.c_str();
        o.ind = 1;
        o.type = n->type = 8;
    }

    if ((n->type & 15) == 14)
        o.flags = own_space;
    else if (o.ind == 0)
        o.flags = 0;
    else
        o.flags = mode_class(own_space);
    set_place(n);
}

// (x + c1) + c2 folds; (x + c) + y becomes (x + y) + c, so that the
// constant meets the next one.
ExprNode* rewrite_plus(Gen& g, ExprNode* n) {
    if (is_plain_constant(n->left) && !is_plain_constant(n->right)) std::swap(n->left, n->right);
    ExprNode* l = n->left;
    ExprNode* r = n->right;
    if (!is_plain_constant(r)) {
        if (l->code == 222 && is_plain_constant(l->right) &&
            g.size_class[l->type & 15] == g.size_class[n->type & 15]) {
            ExprNode* c = l->right;
            l->right = r;
            n->right = c;
        }
        return n;
    }
    auto add = [](std::int32_t a, std::int32_t b) {
        return static_cast<std::int32_t>(static_cast<std::uint32_t>(a) + static_cast<std::uint32_t>(b));
    };
    if (is_plain_constant(l) || is_address_constant(l)) {
        l->leaf.offset = add(l->leaf.offset, r->leaf.offset);
        if (is_plain_constant(l)) l->leaf.type = l->type = n->type;
        set_place(l);
        return l;
    }
    if (l->code == 222 && is_plain_constant(l->right) && g.size_class[l->type & 15] == g.size_class[n->type & 15]) {
        l->right->leaf.offset = add(l->right->leaf.offset, r->leaf.offset);
        set_place(l->right);
        return l;
    }
    return n;
}

// A constant's value in the width of the type it takes.
std::int32_t narrowed(std::int32_t v, std::uint16_t type) {
    switch (type & 15) {
    case 1: return static_cast<std::int8_t>(v);
    case 2: case 13: return static_cast<std::uint8_t>(v);
    case 3: return static_cast<std::int16_t>(v);
    case 4: case 5: case 11: case 12: return static_cast<std::uint16_t>(v);
    default: return v;
    }
}

ExprNode* rewrite(Gen& g, ExprNode* n) {
    switch (n->code) {
    case 102: {
        ExprNode* o = n->left;
        if (g.size_class[o->type & 15] == g.size_class[n->type & 15] && o->space == n->space) return o;
        // an integer constant takes an integer or pointer type; a floating
        // type is a conversion of its value, done by the generator
        if (is_plain_constant(o) && (o->type & 15) < 6 && (n->type & 15) < 9) {
            o->type = o->leaf.type = n->type;
            o->leaf.offset = narrowed(o->leaf.offset, n->type);
            set_place(o);
            return o;
        }
        return n;
    }
    case 156:
    case 163:
    case 193: {
        auto plain = [](const ExprNode* x) { return x->code == 0 || x->code == 107; };
        if (plain(n->left) && !plain(n->right)) std::swap(n->left, n->right);
        return n;
    }
    case 222: n = rewrite_plus(g, n); break;
    default: break;
    }
    if ((n->code == 226 || n->code == 133 || n->code == 222 || n->code == 216) && (n->type & 15) == 10 &&
        n->left && n->right && (n->left->type & 15) == 9 && (n->right->type & 15) == 9)
        n->type = 9;
    return n;
}

bool is_call(const ExprNode* n) { return n->code == 105 || n->code == 169; }

// A copy of an address computed without side effects (leaves, reads,
// address arithmetic and casts), or null.
ExprNode* pure_copy(Gen& g, const ExprNode* n, int depth = 0) {
    if (n == &g.empty_node) return &g.empty_node;
    if (!n || depth > 64) return nullptr;
    switch (n->code) {
    case 0: case 102: case 107: case 222: case 216: case 226: break;
    default: return nullptr;
    }
    if (n->code == 107 && (n->space & SP_VOL)) return nullptr;
    ExprNode* c = new_expr(g);
    std::string text = n->text;
    *c = *n;
    c->text = text;
    if (n->code == 0) {
        if (n->leaf.name == n->text.c_str()) c->leaf.name = c->text.c_str();
        if (n->place.name == n->text.c_str()) c->place.name = c->text.c_str();
        return c;
    }
    c->left = pure_copy(g, n->left, depth + 1);
    c->right = pure_copy(g, n->right, depth + 1);
    if (!c->left || !c->right) return nullptr;
    return c;
}

// (left, right): left for its effects, right for the value.
ExprNode* comma_node(Gen& g, ExprNode* left, ExprNode* right, std::uint16_t type, std::uint16_t space) {
    ExprNode* comma = new_expr(g);
    comma->code = 168;
    comma->type = type;
    comma->space = space;
    comma->left = left;
    comma->right = right;
    return comma;
}

// The destination of a structure assignment whose value is used, its
// address taken again; the assignment writes into it first.
ExprNode* destination_again(Gen& g, const ExprNode* destination) {
    ExprNode* again = pure_copy(g, destination);
    if (!again) genfatal(g, "structure assignment as a value, its destination an address with side effects");
    return again;
}

// A structure assignment whose value is used (an operand, an argument):
// the copy, then the destination's address again, as the value of a
// comma, the form a structure's value takes.
ExprNode* structure_value(Gen& g, ExprNode* copy) {
    ExprNode* again = destination_again(g, copy->left);
    ExprNode* comma = comma_node(g, copy, again, again->type, copy->space);
    comma->struct_size = copy->struct_size;
    return comma;
}

ExprNode* finish_structure(Gen& g, ExprNode* n) {
    std::uint32_t size = n->struct_size;
    switch (n->code) {
    case 0:
    case 107: n = addrof(g, n); break;
    case 105:
    case 169: make_temp_operand(g, n, size); break;
    case 136: {
        ExprNode* v = n->right;
        if (v->code == 168) {
            // (a, b) assigned: a, then the assignment of b, so that a call
            // there writes its result into the destination like any other;
            // b a copy itself (a = (b, c = d)) gives its destination
            n->right = v->right->code == 164 ? structure_value(g, v->right) : v->right;
            v->right = finish_structure(g, n);
            v->type = v->right->type;
            n = v;
            break;
        }
        if (is_call(v) && v->third && v->third->leaf.reg != REG_TEMP) {
            // a = (b = f()): b = f(), then a = b, b's address taken again
            n->right = destination_again(g, v->third);
            n->code = 164;
            n->struct_size = size;
            n = comma_node(g, v, n, n->type, n->space);
            break;
        }
        if (is_call(v) && (v->type & 15) == (n->type & 15) && v->third && v->third->leaf.reg == REG_TEMP) {
            drop_result_area(g, v->third);
            v->third = n->left;
            n = v;
        } else {
            n->code = 164;
        }
        break;
    }
    case 159:
        n->type = 5;
        n->space = n->third->space & n->right->space;
        break;
    case 168: n->type = n->right->type; break;
    default: genpanic(g, "STROP");
    }
    n->struct_size = size;
    return n;
}

}  // namespace

ExprNode* read_ir_tree(Gen& g) {
    DepthGuard depth(g);
    std::uint16_t code = read_ir_byte(g);
    std::uint16_t space, pointer_space;
    std::uint32_t size;
    std::uint16_t type = read_ir_node_type(g, space, pointer_space, size);
    bool pointer = (type & 0x7F) == 11;
    if (code == 100) return read_ir_tree(g);

    ExprNode* n = new_expr(g);
    n->code = code;
    n->type = type;
    n->space = space;
    n->struct_size = size;
    if (pointer) {
        n->type = space_access_kind(pointer_space);
        n->space = pointer_space;
    }
    if (code == 0) {
        read_leaf(g, n, pointer, pointer_space, space);
    } else {
        n->left = read_ir_tree(g);
        if (code == 159) n->third = read_ir_tree(g);
        if (code == 113 || code == 180) {
            std::uint8_t m = read_ir_byte(g);
            std::string text;
            for (int i = 0; i < m; ++i) text += static_cast<char>(read_ir_byte(g));
            text.resize(std::min(text.size(), text.find('\0')));
            ExprNode* callee = n->left;
            if (callee->code == 0) {
                callee->text = text;
                callee->leaf.name = callee->place.name = callee->text.c_str();
            } else {
                n->text = text;
            }
        }
        n->right = code >= 128 ? read_ir_tree(g) : &g.empty_node;
        if (n->left->code == 164 && code != 168) n->left = structure_value(g, n->left);
        if (n->right->code == 164) n->right = structure_value(g, n->right);
        if (n->third && n->third->code == 164) n->third = structure_value(g, n->third);
        n = rewrite(g, n);
    }

    if ((n->type & 15) == 14) {
        n = finish_structure(g, n);
    } else if ((n->type & 15) == 10) {
        if (is_call(n))
            make_temp_operand(g, n, 8);
        else if (n->code == 136 && is_call(n->right))
            n = call_into_target(g, n);
    }
    return n;
}

}  // namespace ccgen
