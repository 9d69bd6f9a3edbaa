// Typed values of the target: the sizes of C types as the debug tables
// describe them.
#pragma once
#include <cstdint>

namespace vy {

struct LocalRec;

// The two-bit derivation fields of a type word, from the outermost.
enum : uint8_t { DERIV_NONE = 0, DERIV_POINTER = 1, DERIV_FUNCTION = 2, DERIV_ARRAY = 3 };
inline uint8_t derivation(uint32_t type, int k) { return static_cast<uint8_t>(type >> (30 - 2 * k) & 3); }
// The number of derivations (at most eleven; the first empty field ends them).
int nderivations(uint32_t type);
// Whether a base type carries a bit-field word in its detail.
bool hasbitfield(uint8_t base);
// Whether a base type is a structure, union or enumeration.
inline bool hasmembers(uint8_t base) { return base >= 72 && base <= 78; }

// Size in target bytes of a variable: the base type's size (2 for a
// pointer), a structure's or union's size from its member list, arrays
// times their counts.
uint32_t typesize(const LocalRec* rec);

}  // namespace vy
