// The writer of expression trees into the intermediate file: prefix order,
// each node its code and type, with the rewrites of the file format (values
// not used, casts to void, in-place negation and complement, _asm calls).
#pragma once

#include <cstdint>

namespace vy::cc {

struct Constant;
struct Expr;

// Writes a tree whose value is used (a statement's own expression is
// written this way too).
void write_ir_tree(const Expr* tree);
// Writes a tree whose value nobody uses (the left operand of a comma).
void write_ir_discarded(const Expr* tree);

// The label number of a string or floating literal, given on first use; a
// floating literal takes four: L, L+2, L+4, L+6.
std::uint16_t literal_label(Constant* literal);

// The width index of a floating type (0 for the type of the s suffix, 1
// float, 2 double, 3 long double): its literal uses label L + 2 * index.
int real_width_index(std::uint8_t code);

}  // namespace vy::cc
