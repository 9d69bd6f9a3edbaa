// Events: the debugger's breakpoints and watchpoints. A breakpoint stops the
// run when it triggers; a watchpoint counts the hit, runs its action and
// lets the run go on. Code events trigger at an address (an absolute
// address, a linker symbol, a label) or on a source range; value events when
// the bytes of an expression change; data events when the simulated program
// reads or writes a variable. The list is kept sorted by number; the run
// loop asks chkevents after every step whether an event or an alarm ends
// the run.
#pragma once
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "debugger/target/exports.h"
#include "debugger/target/services.h"

namespace vy {

struct DebugEntry;
struct FileRec;
struct FrameNode;
struct FuncRec;
struct LocationSpec;
struct ResultRecord;

// One event (the event record of the design; the target model's EventRecord
// is the part of it that the memory-access recorder reads).
struct Event {
    Event* next;
    char cls;               // 'C' code or value event, 'D' data event
    char kind;              // 'a' 's' 'l' 't' 'd'; for class 'D': 'W', 'R' or 'A'
    uint32_t count;         // the event triggers on every count-th hit
    uint32_t left;          // hits still to pass; reloaded from count when it triggers
    int16_t number;
    uint16_t address;       // 'a', 's'
    uint32_t watch;         // 1 watchpoint, 0 breakpoint
    uint32_t hits;          // times a watchpoint triggered
    uint32_t active;        // 1 on, 0 suspended
    std::string action;     // the text of its {...} block; empty: none
    uint32_t user;          // 1 made by the user, 0 internal (one command long)
    ResultRecord* expr;     // 'd' the expression, 'l' the label; owned
    std::string name;       // 's' the symbol, 'D' the variable as written
    FileRec* file;          // 't'
    FuncRec* func;          // 't', or null
    uint32_t first, last;   // 't': the line range; first 0 = any line
    std::vector<uint8_t> snapshot;   // 'd': the bytes (or value) last seen
    EventRecord seen;       // 'D': what the memory-access recorder matches
    EventVar place;         // 'D': the variable's address and size
    bool gone;              // deleted, waiting to be freed after the check
    uint32_t counted;       // the per-instruction check that counted its last hit
};

// The event list, sorted by number.
extern Event* events;
// Set when events were deleted by command: the source views repaint their
// event marks (the frame reads and clears it).
extern bool EventMarksStale;

// What a maker gets besides the location: the count given with /C: (0 when
// none), the user flag (docmd's arg), the watch flag, and for source ranges
// whether a function without a line covers all its lines.
struct EventMaking {
    uint32_t count;
    int user;
    int watch;
    bool wholefunction;
};

// The makers. Each creates the event, or updates the one already there
// (count and action), reads an optional {...} action at `after` (blanks
// skipped) and returns the position after what it read; null after it
// reported why nothing was made.
const char* addabsevt(const char* after, uint16_t address, const EventMaking& m);
const char* addsymevt(const char* after, const char* symbol, const EventMaking& m);
const char* addlabevt(const char* after, ResultRecord* label, const EventMaking& m);
const char* addexpevt(const char* after, ResultRecord* expression, const EventMaking& m);
const char* addlinevt(const char* after, const LocationSpec& where, FrameNode* frame, const EventMaking& m);
// A data event on a variable named by a location (file:name, function():name
// or a bare name) with the access letter 'W', 'R' or 'A'.
const char* adddataevt(const char* after, const LocationSpec& where, const char* written, char access,
                       const EventMaking& m);

// The events of a place, for the marks of the source and disassembly views.
Event* evtataddr(uint16_t address);
Event* evtatsym(uint16_t address);
Event* evtatline(uint32_t line, const FileRec* file, const FuncRec* func);

// Deleting by location: every event of the kind at that place; each returns
// whether it deleted one. rmlinevts returns -1 after reporting a location
// that names no source range, else whether it deleted one.
bool rmabsevts(uint16_t address);
bool rmexpevts(const char* text);
bool rmlabevts(uint16_t address);
bool rmsymevts(const char* name);
int rmlinevts(const LocationSpec& where, FrameNode* frame);
// Deletes every event without a message (start-up, shut-down).
void clearevents();

// Activation: 'a' switches on, any other letter off; -1 every user event.
void activevent(char letter, int number);
// Deletes every internal event (after each command, while
// DeleteInternalEvents is set).
void rmintevents();
// Lists the events ("no breakpoint" for none).
void listevents();
// Writes every user event as a command line that reads it back.
void writeevents(std::FILE* file);
// The description line of an event, and its kind part alone.
std::string eventdesc(const Event* e);
std::string kindpart(const Event* e);

// The per-step check: alarms first, then a pending data hit, then the list
// at the PC. `context` is the line the step reached (null after a single
// instruction), `frame` the current frame; quiet checks only find (the
// per-instruction check of a line step). Returns the event or alarm that
// triggered, or null. The returned record stays valid until the next check.
Event* chkevents(DebugEntry* context, FrameNode* frame, int quiet);

// The addresses of the active code events that trigger at an address ('a',
// 's', 'l'), one bit each: where none stands, and no alarm is on and no
// data hit waits, the per-instruction check can find nothing, and the run
// loop skips it.
extern uint64_t codeeventbits[65536 / 64];
inline bool codeeventat(uint16_t pc) { return (codeeventbits[pc >> 6] >> (pc & 63)) & 1; }

// Called on every function exit; there is nothing to do.
void exithook(FrameNode* frame);

}  // namespace vy

extern "C" {
// Deletes the event of that number ("breakpoint not found" when there is
// none), or with -1 all of them ("no breakpoint" for an empty list when
// verbose). Returns 1 when one was deleted.
VY_EXPORT int rmevent(int number, int verbose);
// The number of the event made last.
VY_EXPORT uint16_t GetLastBkptNum();
}
