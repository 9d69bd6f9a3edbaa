// The constructors of expression nodes: every check, promotion and
// conversion of the operators, pointer arithmetic, calls, tests, and the
// folds made while a tree is built.
#include "ccparse/decl.h"
#include "ccparse/expr.h"
#include "ccparse/fold.h"
#include "ccparse/init.h"
#include "ccparse/lexer.h"
#include "ccparse/options.h"
#include "ccparse/types.h"

namespace vy::cc {

namespace {

std::uint8_t code_of(const Expr* e) { return effective_code(e->type); }
bool is_struct_code(std::uint8_t c) { return c == T_STRUCT || c == T_UNION; }
bool is_pointer(const Expr* e) { return e->type && e->type->code == T_POINTER; }

// A copy of a node with more node flags, so that a node that may be
// referenced elsewhere keeps its own.
Expr* with_flags(Expr* e, std::uint8_t flags) {
    if ((e->node_flags & flags) == flags) return e;
    Expr* copy = new_expr(e->op, e->type);
    *copy = *e;
    copy->node_flags |= flags;
    return copy;
}

Expr* finish(Expr* e) {
    e->node_flags |= NODE_NOT_LVALUE;
    set_depth(e);
    return bound_depth(e);
}

TypeNode* pointer_to(TypeNode* target, std::uint16_t attr) {
    TypeNode* p = newtype(T_POINTER, target);
    p->attr = attr;
    return p;
}

// The larger of two promoted types by internal code: unsigned over signed
// of one size, long over int, floating over integer, double over float.
TypeNode* larger(TypeNode* a, TypeNode* b) { return effective_code(a) >= effective_code(b) ? a : b; }

// Whether *(&x) may fold back to the leaf x: the pointer word has bit 0x800,
// or none of 0xC0FF and not the far pair.
bool deref_folds(std::uint16_t word) {
    return (word & 0x0800) || (!(word & 0xC0FF) && (word & SPACE_CLASS) != SPACE_FAR);
}

// The values an integer type holds.
bool type_range(const TypeNode* type, std::int64_t* low, std::int64_t* high) {
    std::uint8_t code = effective_code(type);
    if (is_bitfield_code(code)) {
        *low = 0;
        *high = (std::int64_t{1} << type->bit_width) - 1;
        return true;
    }
    switch (code) {
    case T_CHAR: *low = -128; *high = 127; return true;
    case T_UCHAR:
    case T_INTERNAL1: *low = 0; *high = 255; return true;
    case T_SHORT:
    case T_INT: *low = -32768; *high = 32767; return true;
    case T_USHORT:
    case T_UINT: *low = 0; *high = 65535; return true;
    case T_LONG: *low = -2147483648LL; *high = 2147483647LL; return true;
    case T_ULONG: *low = 0; *high = 4294967295LL; return true;
    default: return false;
    }
}

// Whether every value of `from` is a value of `to`.
bool preserves(const TypeNode* from, const TypeNode* to) {
    std::int64_t fl, fh, tl, th;
    return type_range(from, &fl, &fh) && type_range(to, &tl, &th) && tl <= fl && fh <= th;
}

// The operand under the conversions that keep its values.
const Expr* natural(const Expr* e) {
    while (e->op == OP_CAST && preserves(e->left->type, e->type)) e = e->left;
    return e;
}

// The shift count: promoted, and a long count made an int. A constant
// count beyond int keeps shifting every bit out.
Expr* shift_count(Expr* count) {
    count = castto(count, promote(count->type, false));
    std::uint8_t code = code_of(count);
    if (code != T_LONG && code != T_ULONG) return count;
    if (isconstint(count)) {
        std::int64_t v = const_value(count);
        return makeconst(v >= -32768 && v <= 32767 ? v : 32767, type_int());
    }
    return castto(count, type_int());
}

// An integer scaled by the size of a pointer's target.
Expr* scale(Expr* index, std::uint32_t size, bool far_pointer) {
    TypeNode* type = promote(index->type, false);
    if (far_pointer && value_width(type) < 4)
        type = is_unsigned_code(effective_code(type)) ? type_ulong() : type_long();
    index = castto(index, type);
    if (size == 1) return index;
    if (isconstint(index)) return makeconst(const_value(index) * static_cast<std::int64_t>(size), type);
    return binary(K_STAR, index, makeconst(static_cast<std::int64_t>(size), type));
}

// The assignment operator of a binary operator (x = x op y to x op= y).
int compound_of(int op) {
    switch (op) {
    case K_PLUS: return K_ADD_ASSIGN;
    case K_MINUS: return K_SUB_ASSIGN;
    case K_STAR: return K_MUL_ASSIGN;
    case K_SLASH: return K_DIV_ASSIGN;
    case K_PERCENT: return K_MOD_ASSIGN;
    case K_SHL: return K_SHL_ASSIGN;
    case K_SHR: return K_SHR_ASSIGN;
    case K_AMP: return K_AND_ASSIGN;
    case K_CARET: return K_XOR_ASSIGN;
    case K_PIPE: return K_OR_ASSIGN;
    default: return 0;
    }
}

// The binary operator of an assignment operator.
int base_operator(int op) {
    switch (op) {
    case K_ADD_ASSIGN:
    case OP_POST_INC: return K_PLUS;
    case K_SUB_ASSIGN:
    case OP_POST_DEC: return K_MINUS;
    case K_MUL_ASSIGN: return K_STAR;
    case K_DIV_ASSIGN: return K_SLASH;
    case K_MOD_ASSIGN: return K_PERCENT;
    case K_SHL_ASSIGN: return K_SHL;
    case K_SHR_ASSIGN: return K_SHR;
    case K_AND_ASSIGN: return K_AMP;
    case K_XOR_ASSIGN: return K_CARET;
    case K_OR_ASSIGN: return K_PIPE;
    default: return 0;
    }
}

Expr* strip_implicit(Expr* e) {
    while (e->op == OP_CAST && (e->node_flags & NODE_IMPLICIT)) e = e->left;
    return e;
}

// x = x op y (and x = y op x for +, * and &) as x op= y.
Expr* as_compound(Expr* dest, Expr* value) {
    if (side_effects(dest)) return nullptr;
    int op = compound_of(value->op);
    if (!op) return nullptr;
    Expr* other = nullptr;
    if (sametree(strip_implicit(value->left), dest))
        other = value->right;
    else if ((value->op == K_PLUS || value->op == K_STAR || value->op == K_AMP) &&
             sametree(strip_implicit(value->right), dest))
        other = value->left;
    if (!other) return nullptr;
    return finish(new_expr(op, dest->type, dest, other));
}

// -------------------------------------------------------- comparisons

Expr* compare_out_of_range(int op, Expr* x, Expr* k) {
    if (!isconstint(k)) return nullptr;
    const Expr* n = natural(x);
    std::int64_t low, high;
    if (n == x || !type_range(n->type, &low, &high)) {
        // An uncast operand compares in its own type: every constant of
        // that type is in range, except for bit-fields.
        if (!is_bitfield_code(code_of(x)) || !type_range(x->type, &low, &high)) return nullptr;
    }
    std::int64_t value = const_value(k);
    bool above = value > high;
    bool below = value < low;
    if (!above && !below) return nullptr;
    bool result;
    switch (op) {
    case K_LT:
    case K_LE: result = above; break;
    case K_GT:
    case K_GE: result = below; break;
    case K_EQ: result = false; break;
    default: result = true; break;
    }
    if (opt.ck) experr("compare out of range");
    Expr* constant = makeconst(result ? 1 : 0);
    if (side_effects(x)) return finish(new_expr(OP_COMMA, type_int(), x, constant));
    return constant;
}

Expr* make_compare(int op, Expr* l, Expr* r) {
    std::uint8_t lc = code_of(l), rc = code_of(r);
    bool lp = lc == T_POINTER, rp = rc == T_POINTER;
    if (lp || rp) {
        if (lp && isconstint(r) && const_value(r) == 0) {
            r = castto(r, l->type);
        } else if (rp && isconstint(l) && const_value(l) == 0) {
            l = castto(l, r->type);
        } else if (!(lp && rp && (assigncompat(l->type, r) || assigncompat(r->type, l)))) {
            experr("incompatible compare types");
        }
    } else if (!is_arith_code(lc) || !is_arith_code(rc)) {
        experr("incompatible compare types");
        return makeconst(0);
    } else {
        TypeNode* type = larger(promote(l->type, false), promote(r->type, false));
        bool real = is_real_code(effective_code(type));
        // A floating 0.0 compared with a floating operand is the integer 0.
        if (real && isconstreal(r) && r->literal->real == 0 && !isconst(l) && is_real_code(lc))
            r = makeconst(0);
        else if (real && isconstreal(l) && l->literal->real == 0 && !isconst(r) && is_real_code(rc))
            l = makeconst(0);
        else {
            l = castto(l, type);
            r = castto(r, type);
        }
    }
    if (isconst(l) && !isconst(r)) {
        std::swap(l, r);
        op = mirror_relation(op);
    }
    if (isconst(l) && isconst(r)) {
        if (Expr* folded = fold_binary(op, l, r, l->type)) return folded;
    }
    if (Expr* known = compare_out_of_range(op, l, r)) return known;
    return finish(new_expr(op, type_int(), l, r));
}

// ------------------------------------------------ pointer arithmetic

Expr* pointer_arithmetic(int op, Expr* l, Expr* r) {
    bool lp = is_pointer(l), rp = is_pointer(r);
    if (op == K_PLUS && rp && !lp) {
        std::swap(l, r);
        std::swap(lp, rp);
    }
    if (!lp || (op != K_PLUS && op != K_MINUS)) {
        experr("invalid pointer operation");
        return makeconst(0);
    }
    TypeNode* target = l->type->base;
    if (rp) {
        if (op != K_MINUS) {
            experr("invalid pointer operation");
            return makeconst(0);
        }
        if (!assigncompat(l->type, r) && !assigncompat(r->type, l)) experr("invalid pointer types");
        if (target && target->code == T_VOID) {
            experr("invalid void pointer");
            return makeconst(0);
        }
        std::uint32_t size = ctypesize(target);
        if (size == 0) size = 1;
        if (isaddress(l) && isaddress(r) && l->sym == r->sym && l->literal == r->literal) {
            std::int64_t diff = static_cast<std::int64_t>(l->value) - r->value;
            return makeconst(diff / static_cast<std::int64_t>(size), type_int());
        }
        Expr* diff = finish(new_expr(K_MINUS, type_int(), l, r));
        if (size > 1) return binary(K_SLASH, diff, makeconst(static_cast<std::int64_t>(size), type_int()));
        return diff;
    }
    if (!is_integer_code(code_of(r))) {
        experr("invalid pointer operand");
        return makeconst(0);
    }
    if (!target || target->code == T_VOID) {
        experr("invalid void pointer");
        return l;
    }
    std::uint32_t size = ctypesize(target);
    Expr* offset = scale(r, size, pointer_size(l->type->attr) == 4);
    if (isconstint(offset) && (isaddress(l) || isconst(l))) {
        std::int64_t delta = const_value(offset);
        Expr* moved = new_expr(OP_LEAF, l->type);
        *moved = *l;
        moved->node_flags |= NODE_NOT_LVALUE;
        std::int64_t v = static_cast<std::int64_t>(l->value) + (op == K_PLUS ? delta : -delta);
        moved->value = static_cast<std::int32_t>(static_cast<std::uint32_t>(isconst(l) ? reduce_to(v, l->type) : v));
        return moved;
    }
    return finish(new_expr(op, l->type, l, offset));
}

// ----------------------------------------------------- && and ||

bool truth(const Expr* c) { return !is_zero(c); }

Expr* make_logical(int op, Expr* left, Expr* right) {
    Expr* l = make_test(left);
    Expr* r = make_test(right);
    if (!l || !r) {
        experr("invalid conditional operand");
        if (!l) l = makeconst(0);
        if (!r) r = makeconst(0);
    }
    bool is_and = op == K_ANDAND;
    int decided = is_and ? 0 : 1;  // the value an operand of this truth decides
    if (isconst(l) && isconst(r)) return makeconst(is_and ? (truth(l) && truth(r)) : (truth(l) || truth(r)));
    if (isconst(l)) return truth(l) != is_and ? makeconst(decided) : r;
    if (isconst(r)) {
        if (truth(r) == is_and) return l;
        if (!side_effects(l)) return makeconst(decided);
    } else if (!side_effects(l) && !side_effects(r)) {
        if (sametree(l, r)) return l;
        if (is_relation(l->op) && is_relation(r->op) && sametree(l->left, r->left) && sametree(l->right, r->right)) {
            int combined = combine_relations(is_and, l->op, r->op);
            if (combined == -1) return makeconst(0);
            if (combined == -2) return makeconst(1);
            return finish(new_expr(combined, type_int(), l->left, l->right));
        }
    }
    return finish(new_expr(op, type_int(), l, r));
}

// --------------------------------------------------------- arguments

// Converts one argument for the parameter type `param` (null: none known).
Expr* convert_argument(Expr* a, const Symbol* param) {
    a = rvalue(a);
    if (!param) return opt.nw ? a : castto(a, promote(a->type, true));
    TypeNode* ptype = param->type;
    if (ptype->code == T_POINTER && isconstint(a) && const_value(a) == 0) return castto(a, ptype);
    if (!assigncompat(ptype, a) || code_of(a) == T_VOID) {
        experr("incompatible argument type");
        return a;
    }
    if (opt.nw || code_of(a) > T_UINT || effective_code(ptype) > T_UINT) {
        if (opt.ck) rangecheck(ptype, a);
        return castto(a, ptype);
    }
    return a;
}

bool is_end_mark(const Symbol* p) { return p && p->type && p->type->code == T_VOID && !p->name; }

}  // namespace

// ---------------------------------------------------------- promotions

TypeNode* promote(TypeNode* type, bool argument) {
    if (!type) return type_int();
    TypeNode* t = type;
    if (t->code == T_ENUM) t = t->base ? t->base : type_int();
    switch (t->code) {
    case T_CHAR:
    case T_UCHAR:
    case T_SHORT:
    case T_CHAR_FIELD:
    case T_INTERNAL1: return type_int();
    case T_SHORT_FIELD:
        // A field of all 16 bits holds values no int holds.
        return t->bit_width < 16 ? type_int() : type_uint();
    case T_USHORT:
    case T_INT_FIELD: return type_uint();
    case T_LONG_FIELD: return type_ulong();
    case T_FLOAT: return argument && !opt.f ? type_double() : t;
    case T_POINTER: return argument && (t->attr & SPACE_CLASS) == SPACE_TINY ? type_uint() : t;
    default: return t;
    }
}

Expr* castto(Expr* node, TypeNode* type) {
    if (!type || !node->type || node->type == type) return node;
    std::uint8_t to = effective_code(type);
    std::uint8_t from = code_of(node);
    if (from == to && sametype(node->type, type) && !is_bitfield_code(from)) return node;
    bool scalar_target = is_arith_code(to) || to == T_POINTER;
    if (scalar_target && isconst(node) && (to != T_POINTER || !isconstreal(node))) return convert_const(node, type);
    if (to == T_POINTER && isaddress(node)) {
        Expr* moved = new_expr(OP_LEAF, type);
        *moved = *node;
        moved->type = type;
        moved->node_flags |= NODE_NOT_LVALUE;
        return moved;
    }
    Expr* e = new_expr(OP_CAST, type, node);
    e->node_flags |= NODE_NOT_LVALUE | NODE_IMPLICIT;
    return bound_depth(e);
}

// ------------------------------------------------------------ values

Expr* address_of(Expr* node) {
    if (node->op == OP_DEREF) return node->left;
    if (node->is_leaf() && (node->leaf_flags & LEAF_MEMORY) && (node->sym || node->literal) && !node->storage &&
        !isconstreal(node)) {
        Expr* e = new_expr(OP_LEAF, nullptr);
        *e = *node;
        e->leaf_flags &= static_cast<std::uint8_t>(~LEAF_MEMORY);
        e->node_flags |= NODE_NOT_LVALUE;
        e->attr = 0;
        e->type = pointer_to(node->type, defspace(node->attr, 3, node->type));
        return e;
    }
    if (node->op == OP_CALL && is_struct_code(code_of(node))) {
        Expr* e = new_expr(OP_ADDR, pointer_to(node->type, defspace(0, 3, node->type)), node);
        return finish(e);
    }
    return nullptr;
}

Expr* add_offset(Expr* address, std::int64_t offset, TypeNode* type, std::uint16_t attr) {
    TypeNode* p = pointer_to(type, attr);
    if (isaddress(address) || isconst(address)) {
        Expr* e = new_expr(OP_LEAF, p);
        *e = *address;
        e->type = p;
        std::int64_t v = static_cast<std::int64_t>(address->value) + offset;
        e->value = static_cast<std::int32_t>(static_cast<std::uint32_t>(isconst(address) ? reduce_to(v, p) : v));
        return e;
    }
    if (offset == 0) return castto(address, p);
    return finish(new_expr(K_PLUS, p, address, makeconst(offset, type_int())));
}

Expr* make_address(Expr* node) {
    TypeNode* type = node->type;
    if (!type) return node;
    if (type->code == T_FUNCTION) {
        if (node->op == OP_DEREF) return node->left;
        if (Expr* a = address_of(node)) return a;
        return node;
    }
    if (type->code != T_ARRAY) return node;
    TypeNode* element = type->base;
    if (Expr* a = address_of(node)) {
        TypeNode* p = pointer_to(element, a->type->attr);
        if (isaddress(a)) {
            a->type = p;
            return a;
        }
        return castto(a, p);
    }
    return node;
}

Expr* rvalue(Expr* node) {
    if (!node || !node->type) return node;
    if (node->type->code == T_ARRAY || node->type->code == T_FUNCTION) return make_address(node);
    if (Expr* known = const_read(node)) return known;
    return node;
}

// ------------------------------------------------------------- unary

Expr* unary_plus(Expr* operand) {
    Expr* x = rvalue(operand);
    if (!is_arith_code(code_of(x))) {
        experr("invalid arithmetic operand");
        return makeconst(0);
    }
    return with_flags(castto(x, promote(x->type, false)), NODE_NOT_LVALUE);
}

Expr* make_unary(Expr* node) {
    Expr* x = node->left;
    switch (node->op) {
    case OP_NEG:
    case OP_COMPL: {
        bool neg = node->op == OP_NEG;
        x = rvalue(x);
        std::uint8_t c = code_of(x);
        if (neg ? !is_arith_code(c) : !is_integer_code(c)) {
            experr("invalid operand type");
            return makeconst(0);
        }
        // A double negation or complement is the operand itself.
        if (x->op == node->op) return with_flags(x->left, NODE_NOT_LVALUE);
        // -(a - b) is b - a.
        if (neg && x->op == K_MINUS && is_arith_code(c))
            return finish(new_expr(K_MINUS, x->type, x->right, x->left));
        TypeNode* type = promote(x->type, false);
        x = castto(x, type);
        if (isconst(x)) return fold_unary(node->op, x, type);
        node->left = x;
        node->type = type;
        return finish(node);
    }
    case OP_NOT: {
        x = rvalue(x);
        if (isconst(x)) return makeconst(is_zero(x) ? 1 : 0);
        Expr* test = make_test(x);
        if (!test) {
            experr("invalid operand type");
            return makeconst(0);
        }
        return negatecond(test);
    }
    case OP_DEREF: {
        x = rvalue(x);
        const TypeNode* pt = x->type;
        if (!pt || pt->code != T_POINTER || !pt->base || pt->base->code == T_VOID) {
            experr("invalid indirection operand");
            return makeconst(0);
        }
        TypeNode* type = pt->base;
        if (type->code == T_ENUM && type->base) type = type->base;
        if (isaddress(x) && deref_folds(pt->attr)) {
            Expr* leaf = new_expr(OP_LEAF, type);
            *leaf = *x;
            leaf->type = type;
            leaf->leaf_flags |= LEAF_MEMORY;
            leaf->node_flags &= static_cast<std::uint8_t>(~NODE_NOT_LVALUE);
            leaf->attr = pt->attr;
            return leaf;
        }
        node->left = x;
        node->type = type;
        node->attr = pt->attr;
        set_depth(node);
        return bound_depth(node);
    }
    case OP_ADDR: {
        if (x->op == OP_DEREF) return with_flags(x->left, NODE_NOT_LVALUE);
        if (is_bitfield_code(code_of(x))) {
            experr("invalid address type");
            return makeconst(0);
        }
        if (!x->is_leaf()) {
            if (x->op == OP_CALL && is_struct_code(code_of(x))) return address_of(x);
            experr("invalid address expression");
            return makeconst(0);
        }
        if (x->node_flags & NODE_NOT_LVALUE) {
            experr("invalid lvalue");
            return makeconst(0);
        }
        if (!(x->leaf_flags & LEAF_MEMORY) || x->storage ||
            (x->sym && (x->sym->kind == KIND_REGISTER || x->sym->kind == KIND_REG_PARAM))) {
            experr("invalid address operand");
            return makeconst(0);
        }
        Expr* a = address_of(x);
        if (!a) {
            experr("invalid address operand");
            return makeconst(0);
        }
        if (x->sym) x->sym->flags |= SYM_ADDRESS_TAKEN;
        return a;
    }
    default: return node;
    }
}

// -------------------------------------------------------------- casts

Expr* make_cast(Expr* node) {
    TypeNode* type = node->type;
    Expr* x = rvalue(node->left);
    std::uint8_t to = effective_code(type);
    std::uint8_t from = code_of(x);
    if (is_struct_code(to) || type->code == T_ARRAY || type->code == T_FUNCTION) {
        experr("invalid cast type");
        return x;
    }
    if (is_struct_code(from)) {
        experr("invalid cast operand");
        return makeconst(0);
    }
    if (to == T_VOID) {
        node->left = x;
        return finish(node);
    }
    if (from == T_VOID) {
        experr("invalid cast operand");
        return makeconst(0);
    }
    if (to == T_POINTER) {
        if (from != T_POINTER && !is_integer_code(from)) {
            experr("invalid pointer cast operand");
            return makeconst(0, type);
        }
        if (from == T_POINTER && class_rank(type->attr) < class_rank(x->type->attr) && !opt.np)
            experr("invalid narrow pointer cast");
    } else if (from == T_POINTER && is_integer_code(to) && value_width(type) < value_width(x->type) && !opt.np) {
        experr("invalid narrow pointer cast");
    }
    if (isconstreal(x) && is_integer_code(to) && opt.ck) {
        double d = x->literal->real;
        if (!(d < 4294967296.0 && d >= -2147483648.0)) experr("float value too large for integer cast");
    }
    if (isconst(x) || (to == T_POINTER && isaddress(x))) {
        Expr* converted = castto(x, type);
        if (converted != x) return with_flags(converted, NODE_NOT_LVALUE);
    }
    if (sametype(x->type, type) && !is_bitfield_code(from)) return with_flags(x, NODE_NOT_LVALUE);
    node->left = x;
    return finish(node);
}

// -------------------------------------------------------- assignments

Expr* make_assign(Expr* node, bool initialiser) {
    int op = node->op;
    Expr* dest = node->left;
    Expr* value = node->right ? rvalue(node->right) : makeconst(1);
    TypeNode* dtype = dest->type;
    if (!dtype) return value;
    if (dtype->code == T_ARRAY || dtype->code == T_FUNCTION) {
        experr("invalid assignment type");
        return value;
    }
    if (!is_lvalue(dest))
        experr("invalid lvalue");
    else if ((dest->attr & ATTR_CONST) && !initialiser)
        experr("const assignment");
    int base = base_operator(op);
    std::uint8_t dc = effective_code(dtype);
    std::uint8_t vc = code_of(value);
    if (is_struct_code(dc)) {
        if (op != K_ASSIGN)
            experr("invalid struct/union operation");
        else if (!dtype->complete)
            experr("incomplete type for assignment");
        else if (!sametype(dtype, value->type))
            experr("incompatible types in struct/union assignment");
    } else if (dc == T_POINTER) {
        if (base == K_PLUS || base == K_MINUS) {
            if (!is_integer_code(vc)) {
                experr("incompatible pointer operand");
            } else {
                TypeNode* target = dtype->base;
                std::uint32_t size = target && target->code != T_VOID ? ctypesize(target) : 1;
                value = scale(value, size, pointer_size(dtype->attr) == 4);
            }
        } else if (op == K_ASSIGN) {
            if (isconstint(value) && const_value(value) == 0)
                value = castto(value, dtype);
            else if (vc == T_POINTER && assigncompat(dtype, value))
                value = castto(value, dtype);
            else
                experr("incompatible pointer types");
        } else {
            experr("incompatible pointer operation");
        }
    } else if ((base == K_SHL || base == K_SHR) && (vc == T_POINTER || is_real_code(vc))) {
        experr("invalid shift count type");
    } else if (vc == T_POINTER) {
        experr("incompatible pointer assignment");
    } else if (is_struct_code(vc)) {
        experr("incompatible struct/union assignment");
    } else if (vc == T_VOID || dc == T_VOID) {
        experr("illegal void usage");
    } else {
        bool real = is_real_code(dc) || is_real_code(vc);
        if (base == K_SHL || base == K_SHR) {
            if (is_real_code(dc))
                experr("invalid floating point operation");
            else
                value = shift_count(value);
        } else if (real && op != K_ASSIGN && base != K_PLUS && base != K_MINUS && base != K_STAR && base != K_SLASH) {
            experr("invalid floating point operation");
        }
        if (op == K_ASSIGN) {
            if (Expr* compound = as_compound(dest, value)) return compound;
            if (opt.ck) rangecheck(dtype, value);
            value = castto(value, dtype);
        } else if (op == OP_POST_INC || op == OP_POST_DEC || !node->right) {
            value = castto(value, dtype);
        }
    }
    if (op == K_ASSIGN && dc == T_POINTER && code_of(value) == T_POINTER) {
        if (Expr* compound = as_compound(dest, value)) return compound;
    }
    node->right = value;
    node->type = dtype;
    // A step of a bit-field works in the unsigned type of its unit.
    if ((op == OP_POST_INC || op == OP_POST_DEC) && is_bitfield_code(dc)) {
        switch (dc) {
        case T_CHAR_FIELD: node->type = type_uchar(); break;
        case T_SHORT_FIELD: node->type = type_ushort(); break;
        case T_INT_FIELD: node->type = type_uint(); break;
        default: node->type = type_ulong(); break;
        }
    }
    return finish(node);
}

// ------------------------------------------------------------ binary

Expr* make_binary(Expr* node) {
    int op = node->op;
    if (op == K_ANDAND || op == K_OROR) return make_logical(op, node->left, node->right);
    Expr* l = rvalue(node->left);
    Expr* r = rvalue(node->right);
    std::uint8_t lc = code_of(l), rc = code_of(r);
    if (lc == T_VOID || rc == T_VOID) {
        experr("illegal void operation");
        return makeconst(0);
    }
    if (is_struct_code(lc) || is_struct_code(rc)) {
        experr("incompatible struct/union operation");
        return makeconst(0);
    }
    if (is_relation(op)) return make_compare(op, l, r);
    if (lc == T_POINTER || rc == T_POINTER) return pointer_arithmetic(op, l, r);
    if (!is_arith_code(lc) || !is_arith_code(rc)) {
        experr("invalid operand type");
        return makeconst(0);
    }
    TypeNode* lt = promote(l->type, false);
    TypeNode* rt = promote(r->type, false);
    bool shift = op == K_SHL || op == K_SHR;
    bool real = is_real_code(effective_code(lt)) || is_real_code(effective_code(rt));
    if (real && (op == K_PERCENT || op == K_AMP || op == K_PIPE || op == K_CARET || shift)) {
        experr("invalid floating point operation");
        return makeconst(0);
    }
    TypeNode* type = shift ? lt : larger(lt, rt);
    l = castto(l, type);
    r = shift ? shift_count(r) : castto(r, type);
    bool divide = op == K_SLASH || op == K_PERCENT;
    if (divide && isconst(r) && is_zero(r)) {
        // Reported by the narrowing pass, which sees the whole statement.
        r = with_flags(r, op == K_SLASH ? NODE_ZERO_DIVIDE : NODE_ZERO_MODULUS);
    } else if (isconst(l) && isconst(r)) {
        if (Expr* folded = fold_binary(op, l, r, type)) return folded;
    }
    if ((op == K_AMP || op == K_PIPE) && !side_effects(l)) {
        // x & ~x is 0 and x | ~x is -1.
        if ((r->op == OP_COMPL && sametree(r->left, l)) || (l->op == OP_COMPL && sametree(l->left, r)))
            return makeconst(op == K_AMP ? 0 : -1, type);
    }
    if ((op == K_AMP || op == K_PIPE || op == K_CARET) && l->op == r->op && (l->op == K_SHL || l->op == K_SHR) &&
        sametype(l->type, r->type) && sametree(l->right, r->right) && !side_effects(l->right)) {
        // (a << n) op (b << n) is (a op b) << n; the same for >>.
        return binary(l->op, binary(op, l->left, r->left), l->right);
    }
    node->left = l;
    node->right = r;
    node->type = type;
    return finish(node);
}

// -------------------------------------------------------------- tests

Expr* make_test(Expr* test) {
    Expr* x = rvalue(test);
    if (x->op == OP_COMMA) {
        Expr* right = make_test(x->right);
        if (!right) return nullptr;
        return finish(new_expr(OP_COMMA, type_int(), x->left, right));
    }
    std::uint8_t c = code_of(x);
    if (c != T_POINTER && !is_arith_code(c)) return nullptr;
    if (isconst(x)) {
        if (isconstreal(x) || c == T_POINTER) return makeconst(is_zero(x) ? 0 : 1);
        return x;
    }
    if (is_relation(x->op) || x->op == K_ANDAND || x->op == K_OROR) return x;
    if (opt.ck && x->op == K_ASSIGN && isconst(x->right)) experr("constant assignment in a test");
    if (is_real_code(c)) return finish(new_expr(K_NE, type_int(), x, makeconst(0)));
    if (c == T_POINTER) return finish(new_expr(K_NE, type_int(), x, makeconst(0, x->type)));
    return make_compare(K_NE, x, makeconst(0));
}

// -------------------------------------------------------------- ? :

Expr* make_conditional(Expr* test, Expr* yes, Expr* no) {
    Expr* t = make_test(test);
    if (!t) {
        experr("invalid ? test expression");
        t = makeconst(0);
    }
    yes = rvalue(yes);
    no = rvalue(no);
    TypeNode* yt = promote(yes->type, false);
    TypeNode* nt = promote(no->type, false);
    std::uint8_t yc = effective_code(yt), nc = effective_code(nt);
    TypeNode* type = yt;
    if (is_arith_code(yc) && is_arith_code(nc)) {
        type = larger(yt, nt);
    } else if (yc == T_POINTER && nc == T_POINTER) {
        if (!assigncompat(yt, no) && !assigncompat(nt, yes)) experr("incompatible operand types");
        if ((yt->attr ^ nt->attr) & 0xC000) {
            type = pointer_to(yt->base, static_cast<std::uint16_t>(yt->attr | (nt->attr & 0xC000)));
            yes = castto(yes, type);
            no = castto(no, type);
        }
    } else if (yc == T_POINTER && isconstint(no) && const_value(no) == 0) {
        no = castto(no, yt);
    } else if (nc == T_POINTER && isconstint(yes) && const_value(yes) == 0) {
        type = nt;
        yes = castto(yes, nt);
    } else if (!(is_struct_code(yc) && sametype(yt, nt)) && !(yc == T_VOID && nc == T_VOID)) {
        experr("incompatible operand types");
    }
    bool arith = is_arith_code(effective_code(type));
    if (isconst(t)) {
        Expr* chosen = truth(t) ? yes : no;
        return with_flags(arith ? castto(chosen, type) : chosen, NODE_NOT_LVALUE);
    }
    if (arith) {
        yes = castto(yes, type);
        no = castto(no, type);
    }
    Expr* e = new_expr(OP_QUEST, type, t, yes);
    e->third = no;
    return finish(e);
}

// ------------------------------------------------------------- comma

Expr* make_comma(Expr* left, Expr* right) {
    right = rvalue(right);
    if (isconst(left) || !side_effects(left)) return with_flags(right, NODE_NOT_LVALUE);
    return finish(new_expr(OP_COMMA, right->type, left, right));
}

// -------------------------------------------------------------- calls

Expr* make_call(Expr* callee, Expr* args) {
    Expr* f = rvalue(callee);
    const TypeNode* pt = f->type;
    if (!pt || pt->code != T_POINTER || !pt->base || pt->base->code != T_FUNCTION) {
        experr("invalid function type");
        return makeconst(0);
    }
    TypeNode* ft = pt->base;
    TypeNode* result = ft->base ? ft->base : type_int();
    if (is_struct_code(result->code) && !result->complete) experr("incomplete struct/union type");
    Expr* target = unary(OP_DEREF, f);
    bool is_asm = target->is_leaf() && target->sym && target->sym->name && target->sym->name->str() == "_asm";
    if (opt.p && !ft->prototype && !is_asm) experr("missing prototype");
    // The arguments, converted in place along the chain.
    const Symbol* param = ft->prototype ? ft->params : nullptr;
    bool open_end = ft->prototype;  // a prototype ending in ... takes more arguments
    for (const Symbol* p = param; p; p = p->link)
        if (is_end_mark(p)) open_end = false;
    bool too_many = false;
    Expr** slot = &args;
    while (*slot) {
        Expr** arg = (*slot)->op == OP_ARG ? &(*slot)->left : slot;
        const Symbol* this_param = param && !is_end_mark(param) ? param : nullptr;
        if (ft->prototype && !this_param && !open_end && !too_many) {
            experr("too many arguments");
            too_many = true;
        }
        *arg = convert_argument(*arg, this_param);
        if (param && !is_end_mark(param)) param = param->link;
        if ((*slot)->op != OP_ARG) break;
        slot = &(*slot)->right;
    }
    if (ft->prototype && param && !is_end_mark(param)) experr("missing argument");
    fix_chain_depth(args);
    if (args && args->op != OP_ARG) set_depth(args);
    Expr* call = new_expr(OP_CALL, result, target, args ? bound_depth(args) : nullptr);
    return finish(call);
}

}  // namespace vy::cc
