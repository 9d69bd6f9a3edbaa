// Constant arithmetic in 64 bits, reduced to the target's widths afterwards,
// so that no input can make the folding itself overflow or trap.
#include "ccparse/fold.h"

#include "ccparse/expr.h"
#include "ccparse/lexer.h"
#include "ccparse/tokens.h"
#include "ccparse/types.h"

#include <cfloat>
#include <cmath>

namespace vy::cc {

bool is_real_code(std::uint8_t code) { return code >= T_SHORT_REAL && code <= T_LDOUBLE; }

bool is_arith_code(std::uint8_t code) { return is_integer_code(code) || is_real_code(code); }

int value_width(const TypeNode* type) {
    const TypeNode* t = type;
    if (t && t->code == T_ENUM && t->base) t = t->base;
    if (!t) return 0;
    if (t->code == T_POINTER) return static_cast<int>(pointer_size(t->attr));
    if (is_integer_code(t->code) || is_real_code(t->code)) return static_cast<int>(type_size_quiet(t));
    return 0;
}

std::int64_t reduce_to(std::int64_t x, const TypeNode* type) {
    std::uint8_t code = effective_code(type);
    if (code == T_POINTER) {
        switch (pointer_size(type->attr)) {
        case 1: return static_cast<std::uint8_t>(x);
        case 2: return static_cast<std::uint16_t>(x);
        default: return static_cast<std::uint32_t>(x);
        }
    }
    switch (code) {
    case T_CHAR: return static_cast<std::int8_t>(static_cast<std::uint8_t>(x));
    case T_UCHAR:
    case T_CHAR_FIELD:
    case T_INTERNAL1: return static_cast<std::uint8_t>(x);
    case T_SHORT:
    case T_INT: return static_cast<std::int16_t>(static_cast<std::uint16_t>(x));
    case T_USHORT:
    case T_UINT:
    case T_SHORT_FIELD:
    case T_INT_FIELD: return static_cast<std::uint16_t>(x);
    case T_LONG: return static_cast<std::int32_t>(static_cast<std::uint32_t>(x));
    default: return static_cast<std::uint32_t>(x);
    }
}

double round_real(double value, const TypeNode* type) {
    if (effective_code(type) != T_FLOAT || !std::isfinite(value)) return value;
    if (value > FLT_MAX) return INFINITY;
    if (value < -FLT_MAX) return -INFINITY;
    return static_cast<double>(static_cast<float>(value));
}

std::int64_t truncate_real(double value) {
    if (!std::isfinite(value) || value >= 9.2e18 || value <= -9.2e18) return 0;
    return static_cast<std::int64_t>(value);
}

bool is_zero(const Expr* c) {
    if (isconstreal(c)) return c->literal->real == 0;
    return c->value == 0;
}

Expr* convert_const(const Expr* c, TypeNode* type) {
    std::uint8_t to = effective_code(type);
    if (is_real_code(to)) return real_leaf(real_value(c), type);
    std::int64_t v = isconstreal(c) ? truncate_real(c->literal->real) : const_value(c);
    return makeconst(v, type);
}

Expr* fold_unary(int op, const Expr* c, TypeNode* type) {
    if (isconstreal(c)) return op == OP_NEG ? real_leaf(-c->literal->real, type) : nullptr;
    std::int64_t v = const_value(c);
    return makeconst(op == OP_NEG ? -v : ~v, type);
}

namespace {

template <typename T>
bool relation_holds(int op, T x, T y) {
    switch (op) {
    case K_LT: return x < y;
    case K_GE: return x >= y;
    case K_GT: return x > y;
    case K_LE: return x <= y;
    case K_EQ: return x == y;
    default: return x != y;
    }
}

Expr* fold_real(int op, double x, double y, TypeNode* type) {
    switch (op) {
    case K_PLUS: return real_leaf(x + y, type);
    case K_MINUS: return real_leaf(x - y, type);
    case K_STAR: return real_leaf(x * y, type);
    case K_SLASH: return y == 0 ? nullptr : real_leaf(x / y, type);
    default:
        if (is_relation(op)) return makeconst(relation_holds(op, x, y) ? 1 : 0);
        return nullptr;
    }
}

}  // namespace

Expr* fold_binary(int op, const Expr* l, const Expr* r, TypeNode* type) {
    if (isconstreal(l) || isconstreal(r) || is_real_code(effective_code(type)))
        return fold_real(op, real_value(l), real_value(r), type);
    std::int64_t x = const_value(l);
    std::int64_t y = const_value(r);
    switch (op) {
    case K_PLUS: return makeconst(x + y, type);
    case K_MINUS: return makeconst(x - y, type);
    case K_STAR:
        return makeconst(static_cast<std::int64_t>(static_cast<std::uint64_t>(x) * static_cast<std::uint64_t>(y)), type);
    case K_SLASH: return y == 0 ? nullptr : makeconst(x / y, type);
    case K_PERCENT: return y == 0 ? nullptr : makeconst(x % y, type);
    case K_AMP: return makeconst(x & y, type);
    case K_PIPE: return makeconst(x | y, type);
    case K_CARET: return makeconst(x ^ y, type);
    case K_SHL:
    case K_SHR: {
        // A count below 0, or of the width or more, shifts every bit out.
        std::int64_t width = 8 * value_width(type);
        if (y < 0 || y >= width) return makeconst(op == K_SHR && x < 0 ? -1 : 0, type);
        if (op == K_SHL) return makeconst(static_cast<std::int64_t>(static_cast<std::uint64_t>(x) << y), type);
        return makeconst(x >> y, type);
    }
    default:
        if (is_relation(op)) return makeconst(relation_holds(op, x, y) ? 1 : 0);
        return nullptr;
    }
}

int combine_relations(bool and_table, int left, int right) {
    // Rows: the left comparison, columns: the right one, both in the order
    // < >= > <= == != (the operator codes 75 to 80). -1 is the constant 0,
    // -2 the constant 1.
    constexpr int LT = K_LT, GE = K_GE, GT = K_GT, LE = K_LE, EQ = K_EQ, NE = K_NE, F = -1, T = -2;
    static const int and_rows[6][6] = {
        {LT, F, F, LT, F, LT},     // <
        {F, GE, GT, EQ, EQ, GT},   // >=
        {F, GT, GT, F, F, GT},     // >
        {LT, EQ, F, LE, EQ, LT},   // <=
        {F, EQ, F, EQ, EQ, F},     // ==
        {LT, GT, GT, LT, F, NE},   // !=
    };
    static const int or_rows[6][6] = {
        {LT, T, NE, LE, LE, NE},   // <
        {T, GE, GE, T, GE, T},     // >=
        {NE, GE, GT, T, GE, NE},   // >
        {LE, T, T, LE, LE, T},     // <=
        {LE, GE, GE, LE, EQ, T},   // ==
        {NE, T, NE, T, T, NE},     // !=
    };
    const int (*rows)[6] = and_table ? and_rows : or_rows;
    return rows[left - K_LT][right - K_LT];
}

}  // namespace vy::cc
