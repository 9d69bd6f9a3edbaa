// Constant folding: arithmetic on integer and floating constants in the
// target's widths, conversions of constants, and the tables that combine
// two comparisons of the same operands. Folding never traps: a division by
// zero is left to be reported, a shift by the width or more gives 0 (or the
// sign), and INT_MIN / -1 is INT_MIN.
#pragma once

#include <cstdint>

namespace vy::cc {

struct Expr;
struct TypeNode;

bool is_real_code(std::uint8_t code);
// Integer or floating (internal types below 93).
bool is_arith_code(std::uint8_t code);
// The width in bytes of an integer, pointer or floating type (0: other).
int value_width(const TypeNode* type);

// A value reduced to the width and signedness of `type`: char keeps the low
// 8 bits sign-extended, unsigned char the low 8 bits, short and int 16
// bits, long 32; pointers their own size.
std::int64_t reduce_to(std::int64_t value, const TypeNode* type);
// A floating value as `type` holds it (float: rounded to single precision).
double round_real(double value, const TypeNode* type);
// A double cut toward zero to an integer, without trapping on values no
// integer holds (they give 0).
std::int64_t truncate_real(double value);

// Truth of a constant leaf.
bool is_zero(const Expr* constant);

// A constant converted to `type` (integer, pointer or floating).
Expr* convert_const(const Expr* constant, TypeNode* type);

// -x and ~x of a constant already of the result type.
Expr* fold_unary(int op, const Expr* constant, TypeNode* type);
// A binary operator on two constants already converted to the operation
// type `type` (for shifts, the right operand keeps its own type). Null when
// it cannot fold: a division by zero, or an operator floating values lack.
Expr* fold_binary(int op, const Expr* left, const Expr* right, TypeNode* type);

// The result of combining two comparisons of the same two operands with &&
// (`and_table`) or logical or: a relation operator, or -1 for the constant
// 0 and -2 for the constant 1.
int combine_relations(bool and_table, int left, int right);

}  // namespace vy::cc
