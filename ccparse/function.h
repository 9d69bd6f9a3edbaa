// Function definitions as the declaration parser meets them. The statement
// parser fills these in; until then a body is read over and reported as not
// supported.
#pragma once

#include <cstdint>

namespace vy::cc {

struct Symbol;

// A body (or old-style parameter declarations) follows the declarator.
bool function_follows();
// Parses a function definition; returns false when no body follows.
bool parse_function(Symbol* function, std::uint32_t first_line);
// Whether a function body is being parsed.
bool function_body_open();

}  // namespace vy::cc
