// The narrowing pass. The rule that keeps it exact: a demand of n bits is
// passed to an operand only where the low n bits of the result depend on
// nothing but the low n bits of that operand (+, -, *, &, ^, pipe, ~, unary
// -, the left of <<, a narrowing cast, the value of a store), so a narrowed
// operand changes no bit its consumer uses. Comparisons, divisions and
// right shifts see their operands whole.
#include "ccparse/narrow.h"

#include "ccparse/diag.h"
#include "ccparse/expr.h"
#include "ccparse/fold.h"
#include "ccparse/options.h"
#include "ccparse/types.h"

namespace vy::cc {

namespace {

int demand_width(std::uint8_t demand) {
    switch (demand & 0xF0) {
    case 0x10: return 1;
    case 0x20:
    case 0x30: return 2;
    case 0x40: return 4;
    default: return 0;
    }
}

std::uint8_t code_of(const Expr* e) { return effective_code(e->type); }

bool is_signed_type(const TypeNode* t) {
    std::uint8_t code = effective_code(t);
    return is_integer_code(code) && !is_unsigned_code(code);
}

// The type of a demand with the signedness of `like`.
TypeNode* demand_type(std::uint8_t demand, const TypeNode* like) {
    std::uint8_t code = static_cast<std::uint8_t>((demand & 0xF0) | (is_signed_type(like) ? 0 : 1));
    return basic_type(code);
}

// The integer type of a width with the signedness of `like`.
TypeNode* width_type(int width, const TypeNode* like) {
    bool is_signed = is_signed_type(like);
    switch (width) {
    case 1: return is_signed ? type_signed_char() : type_uchar();
    case 2: return is_signed ? type_int() : type_uint();
    default: return is_signed ? type_long() : type_ulong();
    }
}

bool is_plain_integer(const TypeNode* t) {
    std::uint8_t code = effective_code(t);
    return is_integer_code(code) && !is_bitfield_code(code);
}

Expr* copy_of(const Expr* e) {
    Expr* c = new_expr(e->op, e->type);
    *c = *e;
    return c;
}

bool reads_volatile(const Expr* e) {
    if (!e) return false;
    if ((e->is_leaf() && (e->leaf_flags & LEAF_MEMORY)) || e->op == OP_DEREF)
        if (e->attr & ATTR_VOLATILE) return true;
    return reads_volatile(e->left) || reads_volatile(e->right) || reads_volatile(e->third);
}

// A read of memory whose bytes may be picked apart: a leaf or an
// indirection, not volatile.
bool is_memory_read(const Expr* e) {
    if (e->attr & ATTR_VOLATILE) return false;
    if (e->is_leaf()) return (e->leaf_flags & LEAF_MEMORY) && (e->sym || e->literal) && !isconstreal(e);
    return e->op == OP_DEREF;
}

// The address operand of an indirection moved by `bytes` and retyped to
// point to `target`.
Expr* move_pointer(Expr* p, std::int64_t bytes, TypeNode* target) {
    TypeNode* pointer = newtype(T_POINTER, target);
    pointer->attr = p->type->attr;
    if (bytes == 0) {
        if (isaddress(p)) {
            Expr* c = copy_of(p);
            c->type = pointer;
            return c;
        }
        return castto(p, pointer);
    }
    return add_offset(p, bytes, target, pointer->attr);
}

// A read of `width` bytes at `bytes` past the start of the read `e`.
Expr* read_part(const Expr* e, std::int64_t bytes, TypeNode* type) {
    Expr* c = copy_of(e);
    c->type = type;
    if (c->is_leaf())
        c->value = static_cast<std::int32_t>(static_cast<std::uint32_t>(c->value + bytes));
    else
        c->left = move_pointer(c->left, bytes, type);
    set_depth(c);
    return c;
}

// A bit-field read from the smallest unit that holds the field.
void shrink_field(Expr*& e) {
    if (!is_memory_read(e)) return;
    const TypeNode* t = e->type;
    int unit = static_cast<int>(type_size_quiet(t));
    int low = t->bit_offset, high = t->bit_offset + t->bit_width - 1;
    if (unit < 2 || t->bit_width == 0) return;
    // Byte j from the bottom of a unit of n bytes lies at offset n - 1 - j.
    std::uint8_t code;
    int bytes, bit;
    if (low / 8 == high / 8) {
        code = T_CHAR_FIELD;
        bytes = unit - 1 - low / 8;
        bit = low - 8 * (low / 8);
    } else if (unit == 4 && low / 16 == high / 16) {
        code = T_INT_FIELD;
        bytes = 2 - 2 * (low / 16);
        bit = low - 16 * (low / 16);
    } else {
        return;
    }
    TypeNode* field = newtype(code, nullptr);
    field->bit_offset = static_cast<std::uint8_t>(bit);
    field->bit_width = t->bit_width;
    e = read_part(e, bytes, field);
}

// A leaf or indirection read for a demand of `want` bytes.
bool narrow_read(Expr*& e, std::uint8_t demand) {
    int want = demand_width(demand);
    if (is_bitfield_code(code_of(e))) {
        shrink_field(e);
        return false;
    }
    int width = value_width(e->type);
    bool integer = is_plain_integer(e->type) || code_of(e) == T_POINTER;
    if (!want || !integer) return !want;
    if (width > want && is_memory_read(e)) e = read_part(e, width - want, demand_type(demand, e->type));
    return value_width(e->type) == want;
}

bool narrow_leaf(Expr*& e, std::uint8_t demand) {
    if (e->node_flags & NODE_ZERO_DIVIDE) puterr("zero divide");
    if (e->node_flags & NODE_ZERO_MODULUS) puterr("zero modulus");
    int want = demand_width(demand);
    if (isconstint(e)) {
        if (want && is_plain_integer(e->type) && value_width(e->type) > want)
            e = makeconst(const_value(e), demand_type(demand, e->type));
        return !want || value_width(e->type) == want;
    }
    if (e->leaf_flags & LEAF_MEMORY) return narrow_read(e, demand);
    return !want;
}

// After the operands were narrowed for `demand`: the node takes the
// demand's width when every operand delivers it; otherwise the operands
// that changed width are converted back to the type they had.
bool settle(Expr* e, std::uint8_t demand, Expr** operands, TypeNode** before, int count, bool all) {
    int want = demand_width(demand);
    if (!want) return true;
    if (all && is_plain_integer(e->type) && value_width(e->type) >= want) {
        if (value_width(e->type) > want) e->type = demand_type(demand, e->type);
        return true;
    }
    for (int i = 0; i < count; ++i)
        if (value_width(operands[i]->type) != value_width(before[i])) operands[i] = castto(operands[i], before[i]);
    set_depth(e);
    return is_plain_integer(e->type) && value_width(e->type) == want;
}

bool narrow_operands(Expr* e, std::uint8_t demand, std::initializer_list<Expr**> operands) {
    Expr** slots[3];
    TypeNode* before[3];
    int n = 0;
    bool all = true;
    for (Expr** slot : operands) {
        slots[n] = slot;
        before[n] = (*slot)->type;
        if (!narrow(*slot, demand)) all = false;
        ++n;
    }
    Expr* values[3];
    for (int i = 0; i < n; ++i) values[i] = *slots[i];
    bool ok = settle(e, demand, values, before, n, all);
    for (int i = 0; i < n; ++i) *slots[i] = values[i];
    set_depth(e);
    return ok;
}

// The result of a truth value: unsigned char for an 8-bit demand.
bool truth_result(Expr* e, std::uint8_t demand) {
    int want = demand_width(demand);
    if (want == 1) e->type = type_uchar();
    return !want || value_width(e->type) == want;
}

// The demand of a shift count.
std::uint8_t count_demand(const Expr* count, const Expr* shifted) {
    if (isconstint(count)) {
        std::int64_t v = const_value(count);
        return v >= 0 && v <= 255 ? T_UCHAR : 0;
    }
    return value_width(shifted->type) == 1 ? T_UCHAR : T_USHORT;
}

Expr* finish_shift(Expr* value, std::int64_t count, int op) {
    Expr* e = new_expr(op, value->type, value, makeconst(count, type_int()));
    e->node_flags |= NODE_NOT_LVALUE;
    return e;
}

// A shift by a constant of a value in memory, demanded at 16 bits or less,
// as a read of the bytes that hold the bits wanted.
Expr* extract_bytes(Expr* e, std::uint8_t demand) {
    int want = demand_width(demand);
    Expr* x = e->left;
    if (!want || want > 2 || !isconstint(e->right) || !is_memory_read(x) || !is_plain_integer(x->type)) return nullptr;
    std::int64_t k = const_value(e->right);
    int width = value_width(x->type);
    TypeNode* like = x->type;
    Expr* result = nullptr;
    if (e->op == K_SHR && width == 4) {
        if (k == 8) result = read_part(x, want == 1 ? 2 : 1, width_type(want, like));
        else if (k == 16) result = read_part(x, want == 1 ? 1 : 0, width_type(want, like));
        else if (k == 24) result = read_part(x, 0, width_type(1, like));
        else if (k > 16 && k < 32)
            result = finish_shift(read_part(x, 0, width_type(2, like)), k - 16, K_SHR);
    } else if (e->op == K_SHR && width == 2 && k == 8 && want == 1) {
        result = read_part(x, 0, width_type(1, like));
    } else if (e->op == K_SHL && width == 4 && k == 8 && want == 2) {
        result = finish_shift(read_part(x, 2, width_type(2, like)), 8, K_SHL);
    }
    if (!result) return nullptr;
    if (value_width(result->type) < want) result = castto(result, demand_type(demand, result->type));
    return result;
}

// The demand of the value stored into a destination of type `t`.
std::uint8_t store_demand(const TypeNode* t) {
    std::uint8_t code = effective_code(t);
    switch (code) {
    case T_CHAR:
    case T_UCHAR:
    case T_SHORT:
    case T_USHORT:
    case T_INT:
    case T_UINT: return code;
    case T_CHAR_FIELD: return T_UCHAR;
    case T_SHORT_FIELD:
    case T_INT_FIELD: return t->bit_width <= 8 ? T_UCHAR : T_USHORT;
    case T_LONG_FIELD: return t->bit_width <= 8 ? T_UCHAR : t->bit_width <= 16 ? T_USHORT : T_ULONG;
    default: return 0;
    }
}

bool narrow_assign(Expr* e) {
    narrow(e->left, 0);
    int op = e->op;
    std::uint8_t demand = store_demand(e->left->type);
    bool one_byte = value_width(e->left->type) == 1;
    switch (op) {
    case K_ADD_ASSIGN:
    case K_SUB_ASSIGN:
    case OP_POST_INC:
    case OP_POST_DEC:
        if (one_byte) demand = T_UCHAR;
        else if (op == OP_POST_INC || op == OP_POST_DEC) demand = 0;
        break;
    case K_DIV_ASSIGN:
    case K_MOD_ASSIGN:
    case K_SHR_ASSIGN: demand = 0; break;
    case K_SHL_ASSIGN: demand = count_demand(e->right, e->left); break;
    default: break;
    }
    narrow(e->right, demand);
    set_depth(e);
    return false;
}

bool narrow_call(Expr* e) {
    narrow(e->left, 0);
    Expr** slot = &e->right;
    while (*slot) {
        Expr** arg = (*slot)->op == OP_ARG ? &(*slot)->left : slot;
        std::uint8_t code = code_of(*arg);
        narrow(*arg, opt.nw && (code == T_CHAR || code == T_UCHAR) ? code : 0);
        if ((*slot)->op != OP_ARG) break;
        slot = &(*slot)->right;
    }
    fix_chain_depth(e->right);
    set_depth(e);
    return false;
}

// Whether a node's value has the same bits in either signedness of its
// class, so that a cast between the two may be folded into it: a read of a
// leaf, another conversion, the operators that work on bits alike, and
// truth values. Not an
// indirection, a division or a right shift (their signedness matters), nor
// an assignment, a step or a call (their type is their destination's or
// their function's).
bool takes_signedness(const Expr* x) {
    switch (x->op) {
    case OP_CAST: return is_integer_code(code_of(x->left));  // not of a floating value or a pointer
    case OP_LEAF:
    case K_PLUS:
    case K_MINUS:
    case K_STAR:
    case K_AMP:
    case K_PIPE:
    case K_CARET:
    case K_SHL:
    case OP_NEG:
    case OP_COMPL:
    case OP_NOT:
    case K_ANDAND:
    case K_OROR: return true;
    default: return is_relation(x->op);
    }
}

bool narrow_cast(Expr*& e, std::uint8_t demand) {
    int want = demand_width(demand);
    std::uint8_t from = code_of(e->left);
    if (!is_plain_integer(e->type) || is_real_code(from) || is_bitfield_code(from) || from == T_POINTER) {
        narrow(e->left, 0);
        set_depth(e);
        return !want || (is_plain_integer(e->type) && value_width(e->type) == want);
    }
    if (want && value_width(e->type) > want) e->type = demand_type(demand, e->type);
    std::uint8_t inner = effective_code(e->type);
    narrow(e->left, inner <= T_ULONG ? inner : 0);
    Expr* x = e->left;
    bool same_class = (code_of(x) >> 4) == (inner >> 4) && is_plain_integer(x->type);
    if (same_class && !isconst(x) && takes_signedness(x)) {
        Expr* folded = copy_of(x);
        folded->type = e->type;
        e = folded;
    } else {
        set_depth(e);
    }
    return !want || value_width(e->type) == want;
}

// x & mask with a mask of 0 to 255: an 8-bit result.
bool narrow_mask(Expr*& e, std::uint8_t demand) {
    int want = demand_width(demand);
    Expr** mask = isconstint(e->right) ? &e->right : isconstint(e->left) ? &e->left : nullptr;
    if (!want || !mask || !is_plain_integer(e->type)) return false;
    std::int64_t m = const_value(*mask);
    Expr** other = mask == &e->right ? &e->left : &e->right;
    if (m < 0 || m > 255) return false;
    const Expr* o = *other;
    while (o->op == OP_CAST) o = o->left;
    if (is_bitfield_code(code_of(o)) || reads_volatile(*other)) return false;
    if (!narrow(*other, T_UCHAR)) *other = castto(*other, type_uchar());
    *mask = makeconst(m, type_uchar());
    e->type = type_uchar();
    set_depth(e);
    if (want > 1) e = castto(e, demand_type(demand, type_uchar()));
    return true;
}

bool narrow_additive(Expr*& e, std::uint8_t demand) {
    bool lp = code_of(e->left) == T_POINTER, rp = code_of(e->right) == T_POINTER;
    if (lp && rp) {
        narrow(e->left, 0);
        narrow(e->right, 0);
        set_depth(e);
        return !demand_width(demand);
    }
    if (lp || code_of(e) == T_POINTER) {
        // The integer added to a pointer wraps with the pointer's own size.
        narrow(e->left, 0);
        Expr* n = e->right;
        while (n->op == OP_CAST && (n->node_flags & NODE_IMPLICIT)) n = n->left;
        switch (pointer_size(e->left->type->attr)) {
        case 1: narrow(e->right, T_UCHAR); break;
        case 2:
            if (code_of(n) == T_UCHAR) {
                // An unsigned char is added as it is: zero-extended.
                e->right = n;
                narrow(e->right, 0);
            } else {
                narrow(e->right, value_width(e->right->type) == 4 ? T_UINT : 0);
            }
            break;
        default: narrow(e->right, 0); break;
        }
        set_depth(e);
        return !demand_width(demand);
    }
    return narrow_operands(e, demand, {&e->left, &e->right});
}

}  // namespace

bool narrow(Expr*& e, std::uint8_t demand) {
    int want = demand_width(demand);
    switch (e->op) {
    case OP_LEAF: return narrow_leaf(e, demand);
    case OP_DEREF:
        narrow(e->left, 0);
        set_depth(e);
        return narrow_read(e, demand);
    case OP_CAST: return narrow_cast(e, demand);
    case OP_COMMA: {
        narrow(e->left, 0);
        bool ok = narrow(e->right, demand);
        e->type = e->right->type;
        set_depth(e);
        return ok;
    }
    case OP_QUEST: {
        narrow(e->left, 0);
        Expr** arms[2] = {&e->right, &e->third};
        TypeNode* before[2] = {e->right->type, e->third->type};
        bool all = narrow(*arms[0], demand);
        all = narrow(*arms[1], demand) && all;
        Expr* values[2] = {e->right, e->third};
        bool ok = settle(e, demand, values, before, 2, all);
        e->right = values[0];
        e->third = values[1];
        set_depth(e);
        return ok;
    }
    case OP_NEG:
    case OP_COMPL: return narrow_operands(e, demand, {&e->left});
    case OP_NOT:
        narrow(e->left, 0);
        set_depth(e);
        return truth_result(e, demand);
    case OP_CALL: narrow_call(e); return !want;
    case OP_ADDR:
        narrow(e->left, 0);
        set_depth(e);
        return !want;
    case K_ANDAND:
    case K_OROR:
        narrow(e->left, 0);
        narrow(e->right, 0);
        set_depth(e);
        return truth_result(e, demand);
    case K_PLUS:
    case K_MINUS: return narrow_additive(e, demand);
    case K_STAR:
    case K_PIPE:
    case K_CARET: return narrow_operands(e, demand, {&e->left, &e->right});
    case K_AMP:
        if (narrow_mask(e, demand)) return true;
        return narrow_operands(e, demand, {&e->left, &e->right});
    case K_SHL:
    case K_SHR: {
        if (Expr* bytes = extract_bytes(e, demand)) {
            e = bytes;
            return true;
        }
        narrow(e->right, count_demand(e->right, e->left));
        if (e->op == K_SHL) return narrow_operands(e, demand, {&e->left});
        narrow(e->left, 0);
        set_depth(e);
        return !want;
    }
    case K_SLASH:
    case K_PERCENT:
        narrow(e->left, 0);
        narrow(e->right, 0);
        set_depth(e);
        return !want;
    default:
        if (is_relation(e->op)) {
            narrow(e->left, 0);
            narrow(e->right, 0);
            set_depth(e);
            return truth_result(e, demand);
        }
        if (e->op == K_ASSIGN || (e->op >= K_ADD_ASSIGN && e->op <= K_OR_ASSIGN) || e->op == OP_POST_INC ||
            e->op == OP_POST_DEC) {
            narrow_assign(e);
            return !want;
        }
        if (e->left) narrow(e->left, 0);
        if (e->right) narrow(e->right, 0);
        if (e->third) narrow(e->third, 0);
        set_depth(e);
        return !want;
    }
}

}  // namespace vy::cc
