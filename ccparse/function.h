// Function definitions as the declaration parser meets them: old-style
// parameter declarations, the parameters' frame offsets, the body, the
// simplifying pass and the function's records.
#pragma once

#include <cstdint>

namespace vy::cc {

struct Symbol;
struct TypeNode;

// A body (or old-style parameter declarations) follows the declarator.
bool function_follows();
// Parses a function definition of `function`, whose declarator gave the
// function type `type`; returns false when no body follows.
bool parse_function(Symbol* function, TypeNode* type, std::uint32_t first_line);
// Whether a function body is being parsed.
bool function_body_open();

}  // namespace vy::cc
