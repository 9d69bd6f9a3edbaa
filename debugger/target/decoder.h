// The instruction decoder: disassembles and executes one 68HC11 instruction.
#pragma once
#include <cstdint>
#include <string>

namespace vy {

enum : int { DEC_TEXT = 1, DEC_EXEC = 2 };
constexpr uint16_t NOINSTR = 0xFFFF;

// Decodes the instruction at address. With DEC_TEXT the disassembly text is
// written into text; with DEC_EXEC the instruction is executed (cycles added
// to ".time", PC advanced, handler run). Returns the length in bytes, or
// NOINSTR when the bytes are no instruction (nothing is executed then).
uint16_t decinstr(uint16_t address, int flags, std::string* text);

// Appends the source annotation of an address (" [L12(3)]") when a line or
// function start lies exactly there.
void addrannot(std::string& text, uint16_t address);

}  // namespace vy
