// The line assembler: one instruction of assembly text, read from the
// command reader's position, stored in target memory.
#pragma once
#include <cstdint>

namespace vy {

struct OpcodeRow;

// Assembles the text at reader.pos into memory at address; returns the
// number of bytes stored (0 after an error or for a label alone).
uint16_t asmline(uint16_t address);
// Index of a mnemonic in the sorted table, 0 when there is none.
int mnemindex(const char* text);
// The first row of a mnemonic with that addressing code (0 = any); slot gets
// its prefix slot.
const OpcodeRow* rowformode(int mnemonic, int code, int* slot);
int offsetbad(int32_t value);

}  // namespace vy
