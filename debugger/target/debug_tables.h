// The debug entries of the loaded program, in ascending address order: the
// decoder annotates addresses with the source lines found here.
#pragma once
#include <cstdint>

namespace vy {

struct FuncRec;

enum : uint8_t {
    DBG_CALL = 0, DBG_SETUP = 1, DBG_FUNCREF = 2, DBG_EXIT = 4, DBG_LINE = 8,
    DBG_FUNCEND = 16, DBG_FUNCSTART = 32, DBG_FILE = 64, DBG_STRING = 65,
};

struct DebugEntry {
    DebugEntry* next;
    char* name;        // owning function's name, inside text, or null
    FuncRec* func;
    uint32_t addr;
    uint8_t kind;
    uint8_t flags;
    uint16_t line, col, endline, endcol, extra;
    uint32_t calls;
    uint32_t cycles;
    // The NUL-terminated text follows the entry in the same block.
    char* text() { return reinterpret_cast<char*>(this + 1); }
};

// The main list: every entry below kind 128 except debug strings.
extern DebugEntry* debuglist;

// The first line or function-start entry exactly at the address, or null.
DebugEntry* lineexact(uint16_t address);

}  // namespace vy
