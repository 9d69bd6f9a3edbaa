// Source lookups over the address-ordered debug entries: the entry at a new
// PC and what entering it does to the call frames, the lookups of the views
// and commands, the execution counts and cycle sums per line, the start
// point chosen when a program is loaded, and the older core's listings.
//
// Entries that share an address form a group. The run control calls curline
// after every simulated instruction and hands a found entry to enterline, so
// both answer from a table made once per load (entrieschanged, in
// debug_tables.h, marks it stale).
#pragma once
#include <cstdint>
#include <string>

#include "debugger/target/debug_tables.h"

namespace vy {

struct DebugEntry;
struct FileRec;

// The entry curline found last.
extern DebugEntry* currentline;
// The start address chosen by startpoint, for the run control, and whether
// the last load found one.
extern uint16_t startaddress;
extern uint8_t startfound;
// The reset-start state: set, it becomes 3 after a load.
extern uint8_t resetstart;
// Set while a function start is processed; frameline reads it.
extern uint8_t forwardflag;
// The first line entry of the function entered last (null after a line
// reached without entering a function).
extern DebugEntry* enteredline;

// The first entry at the address whose kind is none of 2, 16, 64 (a function
// end followed by an entry at the same address yields that entry), or null;
// curline also stores it as the current line entry.
DebugEntry* curline(uint16_t address);
DebugEntry* entryat(uint16_t address);
// The last line or function-start entry at or below the address; recat the
// same for set-up, exit, line and start entries; linebelow strictly below.
DebugEntry* lineat(uint16_t address);
DebugEntry* recat(uint16_t address);
DebugEntry* linebelow(uint16_t address);
// The first entry above the address that is a line or function start (and,
// with lines clear, a function end).
DebugEntry* nextline(uint16_t address, int lines);
// The entry of that kind in the entry's group (the first; for lines the
// last), or null.
DebugEntry* reckind(const DebugEntry* entry, uint8_t kind);
// The first function-exit entry at or behind the entry at an address (the
// next entries behind the address when none stands there), or null.
DebugEntry* exitfrom(uint16_t address);
// The function-exit entry for the PC: the group's exit when the entry is at
// the PC, else the first exit behind the entry not above the PC.
DebugEntry* exitat(const DebugEntry* entry);
// The function debug-table reference of a function (of a file, when one is
// given), or null.
DebugEntry* functable(const char* file, const char* name);
// The first line, function-end or function-start entry of a file from the
// start entry (the head when null) that holds the line: exactly line and
// column, or line <= wanted < end line (line + 1 for a one-line entry).
DebugEntry* findline(DebugEntry* start, const char* file, uint32_t line, uint32_t col, int exact);
// The code address of a line and column of a file (without a file, the
// file of the PC): the first line, function-end or function-start entry
// there; -1 after "source line not found".
int32_t lineaddr(const char* file, uint32_t line, uint32_t col);
// The code range of an address: from the highest entry address not above it
// (0 when none) to one below the first entry address above it (0xFFFF when
// none).
void addrrange(uint16_t address, uint16_t* low, uint16_t* high);
// 1 when a run stops at the address: it lies in C code of an active
// function, at that function's set-up, exit or start entry (any of its
// entries when the function's state byte is set).
int isstop(uint16_t address);
// The NUL-terminated string at a target address, at most 127 characters;
// with onemore the NUL and the byte after it too.
std::string rdstring(uint16_t address, int onemore);

// Counts an executed instruction at the address: its cycles (.time now
// minus before) go to the line it lies in, and the line, or the start and
// the line of a function entered there, count one execution.
void perfcount(uint16_t address, uint32_t before);
// The count of an instruction at an entry's address: its cycles and one
// execution to the entry (to the line two entries on, for a function start
// whose line stands at the same address, and an execution to both).
void countentry(DebugEntry* e, uint16_t address, uint32_t cycles);
// Processes the entries at a new PC: function starts push frames, set-up
// entries fix them, lines move them, exits pop them (at once, or at the next
// step when the group did something else). Returns the count of things
// done.
int enterline(DebugEntry* entry);

// The run control's update after a step that started at frompc with the
// cycle count before: an executed instruction is counted for its line
// (perfcount); then the entries at the new PC are entered, except when an
// interrupt handler's rti comes back to the place where its interrupt was
// taken and that place's entries had been entered in full before (an
// interrupt that waited there when they were entered kept the frames from
// changing: they are entered now). Returns the entry entered, or null.
DebugEntry* lineupdate(uint16_t frompc, uint32_t before, bool executed);
// The line entry of the group of the entry lineupdate returned last (what
// reckind finds there for DBG_LINE), or null.
extern DebugEntry* updateline;
// lineupdate without its quick case (a step from the address of an entry
// into the stretch above it, with no interrupt waiting to come back, which
// counts the step and enters nothing): the same results, for the tests.
DebugEntry* lineupdatefull(uint16_t frompc, uint32_t before, bool executed);

// The stretch of addresses without an entry that the lookups met last
// (low < address < high), the entry its instructions' cycles go to (or
// null), and what the line update keeps between steps: the PC it left,
// whether that PC's entries were entered in full, and whether no interrupt
// waits to come back. A step that starts and ends in the stretch enters
// nothing and only adds its cycles (instretch, stretchstep).
struct LineStretch {
    int32_t low = 0, high = 0;
    DebugEntry* tail = nullptr;
    // What a step from low itself counts: its cycles and one execution go
    // to lowcount, and lowextra (a function start whose line stands at
    // the same address) counts one execution too; null for none.
    DebugEntry* lowcount = nullptr;
    DebugEntry* lowextra = nullptr;
    int32_t lastpc = -1;
    bool lastentered = false;
    bool quiet = true;
};
extern LineStretch stretch;

// Whether an executed step from frompc to pc stays inside the stretch
// while no interrupt waits to come back: lineupdate would then enter
// nothing and only add the step's cycles, which stretchstep does in its
// place at the cost of a few compares.
inline bool instretch(uint16_t frompc, uint16_t pc, bool executed) {
    return executed && stretch.quiet && frompc > stretch.low && frompc < stretch.high && pc > stretch.low &&
           pc < stretch.high;
}
inline void stretchstep(uint16_t pc, uint32_t before, const uint32_t* time) {
    if (stretch.tail) stretch.tail->cycles += (time ? *time : 0) - before;
    currentline = nullptr;
    stretch.lastpc = pc;
    stretch.lastentered = true;
}
// Forgets the places where interrupts were taken (a load, a reset).
void forgetinterrupts();

// Chooses the start address from a text: null, "reset", a number or a
// function name. 1 when a start address was accepted; a name that is no
// symbol sets LoadFailed.
int startpoint(const char* text);

// The older core's listings: the "E" command, the source lines of an entry
// interleaved with the disassembly, a command block, a range of source
// lines, and the current frame's lines around its current line.
void runlistcmd();
int lineannot(const DebugEntry* entry);
void runblock(const char* text);
void srcrange(const char* file, const char* prefix, uint32_t first, uint32_t last);
void framelist(uint32_t count, int mode, int mixed);

}  // namespace vy
