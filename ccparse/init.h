// Initialisers: the data records of static objects, the assignments of
// automatic ones, and the initial values that const objects keep so that
// reads of them can be replaced by the values.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace vy::cc {

struct Constant;
struct Expr;
struct Symbol;
struct TypeNode;

// One initial value of a kept list, at its byte offset in the object.
struct InitEntry {
    enum Kind : std::uint8_t { INTEGER, REAL, ZERO, STRING, ADDRESS, FIELD, UNION };
    Kind kind = INTEGER;
    std::uint32_t offset = 0;
    std::uint32_t size = 0;      // bytes covered (STRING: the array's size)
    std::int64_t value = 0;      // INTEGER, FIELD, ADDRESS (offset of the address)
    double real = 0;             // REAL
    std::string bytes;           // STRING: the characters without the terminator
    Symbol* sym = nullptr;       // ADDRESS: the symbol, or
    Constant* literal = nullptr; // ADDRESS: the literal
    TypeNode* type = nullptr;    // INTEGER, REAL, ADDRESS: the type written
    std::uint8_t bit_offset = 0; // FIELD
    std::uint8_t bit_width = 0;  // FIELD
};

struct InitList {
    std::vector<InitEntry> entries;
    std::uint32_t end = 0;  // bytes covered by the entries
};

void init_reset();

// Parses an optional initialiser after a file-level declarator; returns
// whether the declarator was a definition (without '=': all but extern
// declarations).
bool init_global(Symbol* sym);

// Parses the initialiser after '=' of a local declarator; returns the
// assignment to execute at the declaration, or null.
Expr* init_local(Symbol* sym);

// Writes the data of one value of `type`; `kept` receives a copy of every
// value when given. Braces are required around an aggregate's values when
// `braces_required`.
void init_value(TypeNode* type, InitList* kept, bool braces_required);

// The value of a read of a const object whose initial values were kept, or
// of a character of a string literal; null when the read stays.
Expr* const_read(const Expr* read);

}  // namespace vy::cc
