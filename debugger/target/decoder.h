// The instruction decoder: disassembles and executes one 68HC11 instruction.
#pragma once
#include <cstdint>
#include <string>

#include "debugger/target/memory.h"
#include "debugger/target/opcode_table.h"
#include "debugger/target/semantics.h"
#include "debugger/target/services.h"

namespace vy {

enum : int { DEC_TEXT = 1, DEC_EXEC = 2 };
constexpr uint16_t NOINSTR = 0xFFFF;

// decinstr for everything but plain execution: disassembly, and execution
// with text for traces (decoder.cpp).
uint16_t decodetext(uint16_t address, int flags, std::string* text);

// Decodes the instruction at address. With DEC_TEXT the disassembly text is
// written into text; with DEC_EXEC the instruction is executed (cycles added
// to ".time", PC advanced, handler run). Returns the length in bytes, or
// NOINSTR when the bytes are no instruction (nothing is executed then).
// Plain execution, the simulator's path, fetches the opcode here (the run
// control has just set the skip flag for it) and runs the executor of its
// opcode-table row.
inline uint16_t decinstr(uint16_t address, int flags, std::string* text) {
    if (flags != DEC_EXEC && !(flags == (DEC_TEXT | DEC_EXEC) && !text)) [[unlikely]]
        return decodetext(address, flags, text);
    rdcheck(address);
    uint8_t opcode = getcodepage(address)->data[address & (PAGESIZE - 1)];
    runflags.lasthit = 0;
    return executors[opcode](address);
}

// Appends the source annotation of an address (" [L12(3)]") when a line or
// function start lies exactly there.
void addrannot(std::string& text, uint16_t address);

}  // namespace vy
