// The TypeCode as the evaluator uses it: the base type in the low byte and
// up to eleven two-bit derivation fields from the top (typed_values.h of the
// target model), with the words of a TypeDetail that complete it.
#pragma once
#include <cstdint>

#include "debugger/target/debug_tables.h"
#include "debugger/target/typed_values.h"

namespace vy {

// Base types.
enum : uint8_t {
    T_BIT = 1, T_SCHAR = 8, T_CHAR = 9, T_UCHAR = 10, T_CHARFIELD = 11,
    T_SHORT = 16, T_USHORT = 17, T_SHORTFIELD = 18, T_INT = 24, T_INTFIELD = 25, T_UINT = 26,
    T_LONG = 32, T_ULONG = 33, T_LONGFIELD = 34, T_FLOAT = 40, T_DOUBLE = 41, T_LDOUBLE = 42,
    T_POINTER = 64, T_STRUCT = 72, T_UNION = 73, T_ENUM = 74, T_ENUMLAST = 78, T_VOID = 80,
};

inline uint8_t basetype(uint32_t type) { return static_cast<uint8_t>(type); }
// The outermost derivation.
inline uint8_t topderiv(uint32_t type) { return derivation(type, 0); }
// The type with its outermost derivation removed, or with one added outside.
inline uint32_t dropderiv(uint32_t type) { return (type & 0xFF) | ((type << 2) & 0xFFFFFC00); }
inline uint32_t addderiv(uint32_t type, uint8_t d) {
    return (type & 0xFF) | (static_cast<uint32_t>(d) << 30) | ((type >> 2) & 0x3FFFFC00);
}

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
uint32_t derivword(uint32_t type, const TypeDetail* detail, int k);
// The width bits (0x3000) of a pointer type's outermost pointer, and the
// largest value such a pointer holds.
uint32_t pointerwidth(uint32_t type, const TypeDetail* detail);
uint32_t pointermax(uint32_t type, const TypeDetail* detail);

// A new detail for the type without its outermost derivation, or with a
// pointer added outside (null in, an empty detail out).
TypeDetail* dropdetail(uint32_t type, const TypeDetail* detail);
TypeDetail* pointerdetail(uint32_t type, const TypeDetail* detail, uint32_t pointerword);

// The member of that name of a structure or union, or null.
const LocalRec* findmember(const TypeDetail* detail, const char* name);

// Size in target bytes, as the target model sizes a variable of that type.
uint32_t sizeoftype(uint32_t type, const TypeDetail* detail);

}  // namespace vy
