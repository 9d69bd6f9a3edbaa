// Constant expressions of declarations (array sizes, bit-field widths,
// enumeration values, @ addresses, case labels) and of #if: parsed and
// folded by the expression layer, the value an integer constant.
#pragma once

#include "ccparse/pptoken.h"

#include <cstdint>

namespace vy::cc {

// Parses and folds a constant expression from the lexer. "missing
// expression" when there is none and one is required, "invalid constant
// expression" when it is not an integer constant, "zero divide" or "zero
// modulus" when a division by zero kept it from being one. False on failure.
bool constant_expression(std::int32_t* value, bool required);

// The same without reports (declarations that give their own message);
// a division by zero is still reported.
bool quiet_constant_expression(std::int32_t* value);

// Evaluates a #if line (ending with ';') without reports; `last_stop_kind`
// then tells the kind of the token at which the expression ended.
bool if_expression(TokenList& tokens, std::int32_t* value);
int last_stop_kind();

}  // namespace vy::cc
