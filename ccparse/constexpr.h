// Constant expressions of declarations (array sizes, bit-field widths,
// enumeration values, @ addresses) and of #if. A small evaluator with the
// target's types (int 16 bits, long 32); the full expression parser takes
// its place behind the same interface.
#pragma once

#include "ccparse/pptoken.h"

#include <cstdint>

namespace vy::cc {

// Parses and folds a constant expression from the lexer. "missing
// expression" when there is none and one is required, "invalid constant
// expression" when it is not an integer constant. False on failure.
bool constant_expression(std::int32_t* value, bool required);

// The same without reports (declarations that give their own message).
bool quiet_constant_expression(std::int32_t* value);

// Evaluates a #if line (ending with ';') without reports; `last_stop_kind`
// then tells the kind of the token at which the expression ended.
bool if_expression(TokenList& tokens, std::int32_t* value);
int last_stop_kind();

}  // namespace vy::cc
