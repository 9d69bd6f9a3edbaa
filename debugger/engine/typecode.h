// The TypeCode as the evaluator uses it: the base type in the low byte and
// up to eleven two-bit derivation fields from the top (01 pointer, 10
// function, 11 array), with the words of a TypeDesc that complete it.
#pragma once
#include <cstdint>

#include "debugger/engine/names.h"

namespace vy {

enum : uint8_t { DERIV_NONE = 0, DERIV_POINTER = 1, DERIV_FUNCTION = 2, DERIV_ARRAY = 3 };

// Base types.
enum : uint8_t {
    T_BIT = 1, T_SCHAR = 8, T_CHAR = 9, T_UCHAR = 10, T_CHARFIELD = 11,
    T_SHORT = 16, T_USHORT = 17, T_SHORTFIELD = 18, T_INT = 24, T_INTFIELD = 25, T_UINT = 26,
    T_LONG = 32, T_ULONG = 33, T_LONGFIELD = 34, T_FLOAT = 40, T_DOUBLE = 41, T_LDOUBLE = 42,
    T_POINTER = 64, T_STRUCT = 72, T_UNION = 73, T_ENUM = 74, T_ENUMLAST = 78, T_VOID = 80,
};

inline uint8_t basetype(uint32_t type) { return static_cast<uint8_t>(type); }
// The outermost derivation.
inline uint8_t topderiv(uint32_t type) { return static_cast<uint8_t>(type >> 30); }
inline uint8_t derivat(uint32_t type, int k) { return static_cast<uint8_t>(type >> (30 - 2 * k) & 3); }
int nderivs(uint32_t type);
// The type with its outermost derivation removed, or with one added outside.
inline uint32_t dropderiv(uint32_t type) { return (type & 0xFF) | ((type << 2) & 0xFFFFFC00); }
inline uint32_t addderiv(uint32_t type, uint8_t d) {
    return (type & 0xFF) | (static_cast<uint32_t>(d) << 30) | ((type >> 2) & 0x3FFFFC00);
}

inline bool isbitfield(uint8_t base) { return base == 1 || base == 11 || base == 18 || base == 25 || base == 34; }
inline bool isenum(uint8_t base) { return base >= T_ENUM && base <= T_ENUMLAST; }
inline bool isfloating(uint32_t type) { return topderiv(type) == DERIV_NONE && basetype(type) >= 40 && basetype(type) <= 42; }
// An integer type (below 34), not derived.
inline bool isintegral(uint32_t type) { return topderiv(type) == DERIV_NONE && basetype(type) < 34; }
inline bool isaggregate(uint32_t type) {
    return topderiv(type) == DERIV_ARRAY ||
           (topderiv(type) == DERIV_NONE && (basetype(type) == T_STRUCT || basetype(type) == T_UNION));
}
bool isunsignedtype(uint32_t type);
// A pointer, or an array (which counts as a pointer to its first element).
inline bool ispointerlike(uint32_t type) { return topderiv(type) == DERIV_POINTER || topderiv(type) == DERIV_ARRAY; }

// The word of the k-th derivation in a detail, or 0 when there is none.
uint32_t derivword(uint32_t type, const TypeDesc* detail, int k);
// The width bits (0x3000) of a pointer type's outermost pointer, and the
// largest value such a pointer holds.
uint32_t pointerwidth(uint32_t type, const TypeDesc* detail);
uint32_t pointermax(uint32_t type, const TypeDesc* detail);

// A detail for the type without its outermost derivation, or with a pointer
// added outside; null when the result needs no detail.
TypeDesc* dropdetail(uint32_t type, const TypeDesc* detail);
TypeDesc* pointerdetail(uint32_t type, const TypeDesc* detail, uint32_t pointerword);

// Size in target bytes: the base type's size (a pointer's by its width),
// a structure's or union's from its members, arrays times their counts.
uint32_t typesize(uint32_t type, const TypeDesc* detail);

}  // namespace vy
