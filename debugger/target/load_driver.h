// The one entry point that loads a user program: it reads the file, builds
// the source-level debug tables, checks them against each other, files the
// section markers, and puts the simulated CPU at the program's start point.
// A file that cannot be used is reported and the load abandoned: target
// memory is as it was, no program symbols or tables stay, and LoadFailed is
// set.
#pragma once
#include <cstdint>

namespace vy {

struct DebugEntry;
struct FileRec;

// The switch for loading the memory image (off: symbols and debug
// information only).
extern uint8_t loadimage;
// Set when the start address does not lie in C code.
extern uint8_t outsidec;
// The cycle count when the last load began.
extern uint32_t loadcycles;

// Loads the program file; start is the start-point text (null, a symbol,
// an address or "reset").
void dbload(const char* name, const char* start);
// Frees the call frames and clears the run position.
void clrframes();
// The next file entry behind the given one, or null.
DebugEntry* nextfile(DebugEntry* entry);
// The file record whose name begins with the part of the name in front of
// its first '.', or null.
FileRec* filebybase(const char* name);
// Turns the file markers of the last object load into per-section marker
// lists; false (with the message in the load's report) when a marker points
// outside the file.
bool updmarkers();

}  // namespace vy
