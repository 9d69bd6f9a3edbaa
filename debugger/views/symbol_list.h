// The text of the "Symbols" list window: one line per program symbol with
// its value, name, segment and the object module or source file it comes
// from, in value order or in name order.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "debugger/frame/text_buffer.h"

namespace vy {

struct SymRec;

// "0x" and the value's hex digits, zero-padded on the left to `width`
// digits; a longer value keeps all its digits.
std::string hexfield(uint32_t value, int width);

// The symbol table in value order (the table's own order), and in name
// order: byte by byte, equal names in value order. Both hold the '.'
// symbols, which are never listed.
std::vector<const SymRec*> valueorder();
std::vector<const SymRec*> nameorder();
bool listedsymbol(const SymRec& symbol);

// One line of the list, with its colour codes and the source file as a
// link.
std::string symbolline(const SymRec& symbol);

// Fills the buffer with the lines of the listed symbols in the order;
// false when memory ran out (the buffer is then freed).
bool fillsymbols(TextBuf& buf, const std::vector<const SymRec*>& order);

}  // namespace vy
