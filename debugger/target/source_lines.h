// Source lookups over the address-ordered debug entries: the entry at a new
// PC, entering it, and the start point chosen when a program is loaded.
#pragma once
#include <cstdint>

namespace vy {

struct DebugEntry;

// The entry curline found last.
extern DebugEntry* currentline;
// The start address chosen by startpoint, for the run control.
extern uint16_t startaddress;
// The reset-start state: set, it becomes 3 after a load.
extern uint8_t resetstart;

// The first entry at the address whose kind is none of 2, 16, 64 (a function
// end followed by an entry at the same address yields that entry), or null;
// stored as the current line entry.
DebugEntry* curline(uint16_t address);
// Processes the entries at a new PC; the number of things done.
int enterline(DebugEntry* entry);
// Chooses the start address from a text: null, "reset", a number or a
// function name. 1 when a start address was accepted; a name that is no
// symbol sets LoadFailed.
int startpoint(const char* text);

}  // namespace vy
