// Expression trees in the intermediate file.
#include "ccparse/treewrite.h"

#include "ccparse/decl.h"
#include "ccparse/diag.h"
#include "ccparse/expr.h"
#include "ccparse/fold.h"
#include "ccparse/irwrite.h"
#include "ccparse/lexer.h"
#include "ccparse/types.h"

namespace vy::cc {

namespace {

constexpr std::uint8_t NODE_COMMA = 168;
constexpr std::uint8_t NODE_NEGATE_IN_PLACE = 114;
constexpr std::uint8_t NODE_COMPLEMENT_IN_PLACE = 115;
constexpr std::uint8_t NODE_CALL_WITHOUT_ARGUMENTS = 105;
constexpr std::uint8_t NODE_ASM = 113;
constexpr std::uint8_t NODE_ASM_WITH_ARGUMENTS = 180;

enum Storage : std::uint8_t { STORAGE_NAMED = 0, STORAGE_LOCAL = 32, STORAGE_PARAM = 160 };

void write(const Expr* e, bool discarded);

void node(std::uint8_t code, const TypeNode* type, std::uint16_t attr) { ir_node(code, type, attr, attr != 0); }

std::uint8_t register_storage(std::uint8_t reg) {
    if (reg & 0x38) return static_cast<std::uint8_t>((reg >> 1) | 0x80);
    return static_cast<std::uint8_t>((reg & 0x07) << 2);
}

void write_leaf(const Expr* e) {
    std::uint8_t memory = (e->leaf_flags & LEAF_MEMORY) ? 1 : 0;
    if (e->literal && e->literal->is_real) {
        int k = real_width_index(effective_code(e->type));
        std::uint16_t label = static_cast<std::uint16_t>(literal_label(e->literal) + 2 * k);
        e->literal->widths = static_cast<std::uint8_t>(e->literal->widths | (1 << k));
        node(0, e->type, defspace(ATTR_CONST, 0, e->type));
        ir_leaf_operands(nullptr, label, 0, 0, 1);
        return;
    }
    node(0, e->type, e->attr);
    if (e->literal) {
        ir_leaf_operands(nullptr, literal_label(e->literal), static_cast<std::uint32_t>(e->value), 0, memory);
        return;
    }
    const Symbol* sym = e->sym;
    std::uint32_t value = static_cast<std::uint32_t>(e->value);
    if (!sym) {
        ir_leaf_operands(nullptr, 0, e->storage ? 0 : value, e->storage, e->storage ? 0 : memory);
        return;
    }
    std::uint32_t frame = static_cast<std::uint32_t>(sym->value) + value;
    switch (sym->kind) {
    case KIND_AUTO: ir_leaf_operands(nullptr, 0, frame, STORAGE_LOCAL, memory); break;
    case KIND_PARAM:
    case KIND_REG_PARAM: ir_leaf_operands(nullptr, 0, frame, STORAGE_PARAM, memory); break;
    case KIND_REGISTER: ir_leaf_operands(nullptr, 0, value, register_storage(sym->reg), 0); break;
    default: ir_leaf_operands(sym, 0, value, STORAGE_NAMED, memory); break;
    }
}

bool is_assignment(int op) { return op == K_ASSIGN || (op >= K_ADD_ASSIGN && op <= K_OR_ASSIGN); }

// The value under integer conversions that keep at least the destination's
// width: the in-place forms compute in the destination's width, which is
// exact for negation and complement.
const Expr* under_wide_casts(const Expr* e, int width) {
    while (e->op == OP_CAST && is_integer_code(effective_code(e->type)) &&
           is_integer_code(effective_code(e->left->type)) && value_width(e->type) >= width)
        e = e->left;
    return e;
}

// x = -x and x = ~x written as the in-place forms (114, 115); so is a
// one-bit field b = (b == 0).
bool write_in_place(const Expr* e) {
    const Expr* dest = e->left;
    if (e->op != K_ASSIGN || side_effects(dest) || !is_integer_code(effective_code(dest->type))) return false;
    int width = value_width(dest->type);
    const Expr* v = under_wide_casts(e->right, width);
    std::uint8_t code = 0;
    if ((v->op == OP_NEG || v->op == OP_COMPL) && sametree(under_wide_casts(v->left, width), dest))
        code = v->op == OP_NEG ? NODE_NEGATE_IN_PLACE : NODE_COMPLEMENT_IN_PLACE;
    else if (is_bitfield_code(effective_code(dest->type)) && dest->type->bit_width == 1 && v->op == K_EQ &&
             isconstint(v->right) && v->right->value == 0 && sametree(under_wide_casts(v->left, 1), dest))
        code = NODE_COMPLEMENT_IN_PLACE;
    if (!code) return false;
    node(code, dest->type, dest->attr);
    write(dest, false);
    return true;
}

// A call of _asm with a string literal as its first argument: the text
// goes into the node.
bool write_asm_call(const Expr* e) {
    const Expr* callee = e->left;
    if (!callee->is_leaf() || !callee->sym || !callee->sym->name || callee->sym->name->str() != "_asm") return false;
    const Expr* args = e->right;
    if (!args) {
        puterr("missing _asm() argument");
        return false;
    }
    const Expr* first = args->op == OP_ARG ? args->left : args;
    const Expr* rest = args->op == OP_ARG ? args->right : nullptr;
    if (!isaddress(first) || !first->literal) {
        puterr("bad _asm() argument type");
        return false;
    }
    node(rest ? NODE_ASM_WITH_ARGUMENTS : NODE_ASM, e->type, e->attr);
    write(callee, false);
    ir_asm_call_text(first->literal->bytes);
    if (rest) write(rest, false);
    return true;
}

void write(const Expr* e, bool discarded) {
    int op = e->op;
    if (op == OP_LEAF) {
        write_leaf(e);
        return;
    }
    if (op == OP_CAST && effective_code(e->type) == T_VOID) {
        write(e->left, discarded);
        return;
    }
    if (discarded && (is_relation(op) || ((op == K_ANDAND || op == K_OROR) && !side_effects(e->right)))) {
        // A value nobody uses needs no comparison.
        node(NODE_COMMA, e->right->type, 0);
        write(e->left, true);
        write(e->right, true);
        return;
    }
    if (is_assignment(op) && write_in_place(e)) return;
    if (op == OP_CALL && write_asm_call(e)) return;
    std::uint8_t code = op == OP_CALL && !e->right ? NODE_CALL_WITHOUT_ARGUMENTS : ir_tree_code(op);
    if (!code) {
        puterr("PANIC! unknown op %o", op);
        return;
    }
    node(code, e->type, e->attr);
    switch (op) {
    case OP_COMMA:
        write(e->left, true);
        write(e->right, discarded);
        break;
    case OP_QUEST:
        write(e->left, false);
        write(e->right, discarded);
        write(e->third, discarded);
        break;
    case K_ANDAND:
    case K_OROR:
    case OP_DEREF:
    case OP_ADDR:
    case OP_CALL:
    case OP_ARG:
    case OP_POST_INC:
    case OP_POST_DEC:
        write(e->left, false);
        if (e->right) write(e->right, false);
        break;
    default:
        if (is_assignment(op)) {
            write(e->left, false);
            write(e->right, false);
        } else {
            write(e->left, discarded);
            if (e->right) write(e->right, discarded);
        }
        break;
    }
}

}  // namespace

int real_width_index(std::uint8_t code) {
    switch (code) {
    case T_SHORT_REAL: return 0;
    case T_FLOAT: return 1;
    case T_DOUBLE: return 2;
    default: return 3;
    }
}

std::uint16_t literal_label(Constant* c) {
    if (!c->number) {
        c->number = nextlabel();
        // A floating literal owns four labels, one per width.
        if (c->is_real)
            for (int k = 0; k < 3; ++k) nextlabel();
    }
    return c->number;
}

void write_ir_tree(const Expr* tree) { write(tree, false); }
void write_ir_discarded(const Expr* tree) { write(tree, true); }

}  // namespace vy::cc
