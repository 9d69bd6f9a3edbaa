// The narrowing pass: after a whole statement or initialiser is parsed,
// every computation is done in the smallest width its consumer needs. The
// 68HC11 is big-endian, so the low-order part of a wider object in memory
// is a read of its last bytes. The pass also reports division by a
// constant zero.
#pragma once

#include <cstdint>

namespace vy::cc {

struct Expr;

// Narrows `tree` for a consumer that uses only the low bits of the width
// `demand` (an internal type code: 16/17 8 bits, 32/33 and 48/49 16 bits,
// 64/65 32 bits; 0 the whole value). Returns whether the tree now delivers
// its value in exactly that width. The tree may be replaced.
bool narrow(Expr*& tree, std::uint8_t demand);

}  // namespace vy::cc
