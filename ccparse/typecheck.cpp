// Assignment compatibility and range checks of values given to typed
// targets (assignments, arguments, returns, initialisers).
#include "ccparse/decl.h"
#include "ccparse/expr.h"
#include "ccparse/fold.h"
#include "ccparse/options.h"
#include "ccparse/types.h"

namespace vy::cc {

namespace {

// Pointed-to types agree level by level; void on either side matches anything.
bool pointees_agree(const TypeNode* a, const TypeNode* b) {
    for (;;) {
        if (!a || !b) return a == b;
        if (a->code == T_VOID || b->code == T_VOID) return true;
        if (a->code == T_POINTER && b->code == T_POINTER) {
            a = a->base;
            b = b->base;
            continue;
        }
        return sametype(a, b);
    }
}

// The size a value takes, floating sizes counted double.
std::uint32_t weighted_size(const TypeNode* type) {
    std::uint32_t size = type_size_quiet(type);
    return is_real_code(effective_code(type)) ? 2 * size : size;
}

}  // namespace

bool assigncompat(const TypeNode* target, const Expr* source) {
    std::uint8_t tc = effective_code(target);
    const TypeNode* s = source->type;
    std::uint8_t sc = effective_code(s);
    if (tc == T_STRUCT || tc == T_UNION) return sametype(target, s);
    if (tc == T_POINTER) {
        if (sc != T_POINTER) return false;
        if (class_rank(target->attr) < class_rank(s->attr)) return false;
        if (opt.sa && (s->attr & 0xC000 & ~target->attr)) return false;
        return pointees_agree(target->base, s->base);
    }
    return sc != T_POINTER && sc != T_STRUCT && sc != T_UNION;
}

void rangecheck(const TypeNode* target, const Expr* source) {
    std::uint8_t tc = effective_code(target);
    if (!is_integer_code(tc)) return;
    if (isconstint(source)) {
        int bits = is_bitfield_code(tc) ? target->bit_width : 8 * value_width(target);
        if (!is_unsigned_code(tc)) --bits;
        std::int64_t v = const_value(source);
        if (v < 0) v = ~v;  // a negative value of a signed source, complemented
        if (bits < 63 && v >= (std::int64_t{1} << bits)) experr("value out of range");
        return;
    }
    if (isconst(source)) return;
    if (weighted_size(source->type) > weighted_size(target)) experr("truncating assignment");
}

}  // namespace vy::cc
