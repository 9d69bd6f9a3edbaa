// The source trace: while the program runs, one entry per executed source
// line (and, when asked, per step outside source lines) with what it takes
// to show the program as it was there: the line, the register image, the
// cycle count, the monitors' values and, at function starts and after
// function exits, the call stack.
#pragma once
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "debugger/target/registers.h"

namespace vy {

struct DebugEntry;

// A monitor as it was: its number, format letter and text, and the value it
// printed (none when the value could not be obtained).
struct TraceMonitor {
    uint32_t number = 0;
    char letter = 0;
    std::string text;
    std::string value;
    bool novalue = false;
};

enum : uint8_t {
    TRC_LINE = 1,       // recorded at a line entry
    TRC_ASM = 2,        // recorded in assembly mode, without a line
    TRC_INSTR = 4,      // recorded while stepping by instructions
    TRC_STACK = 16,     // the stack display option was on
    TRC_MONITORS = 32,  // the monitors display option was on
};

struct TraceEntry {
    TraceEntry* next = nullptr;    // newer
    TraceEntry* prev = nullptr;    // older
    DebugEntry* line = nullptr;
    std::vector<TraceMonitor> monitors;
    void* stack = nullptr;         // stack-window entries as they were, or null
    void* frames = nullptr;        // the call-frame chain as it was, or null
    uint32_t cycles = 0;
    uint8_t flags = 0;
    RegImage registers{};
};

struct SourceTrace {
    TraceEntry* head = nullptr;    // oldest
    TraceEntry* newest = nullptr;
    uint32_t max = 0;              // 0: no limit
    bool active = false;
    bool everystep = false;        // record steps outside source lines too
    bool full = false;
    bool snapnext = false;         // a function exit was passed: snapshot next
    bool stackinfo = false;        // the trace window's information options
    bool monitorinfo = false;
    bool filtered = false;         // record only lines of the function named
    std::string filter;
};
extern SourceTrace sourcetrace;

// Where entries come from: an allocator that gives null when memory runs
// out (tests put one here that runs out early).
extern void* (*tracealloc)(std::size_t size);

// Starts recording (with every step or only source lines) and records the
// first entry at the PC.
void trcstart(int everystep);
// Records one entry: at a line (the line entry given) or a step outside
// source lines. A function-exit entry only asks for a snapshot next time.
void trcrecord(int atline, DebugEntry* entry);
// Frees all entries; recording, if on, goes on from 0.
void trcclear();
uint32_t trcgetmax();
void trcsetmax(uint32_t n);
void trcstop();
// Frees all entries and the function filter (the program is unloaded).
void trcfree();
// The number of entries.
uint32_t trccount();

// What the trace takes from parts of the debugger that are not its own: the
// stack window's and the call-frame tracker's copies (freed with the
// matching free), the live monitors with their values, and the run modes.
struct LiveMonitor {
    uint32_t number;
    bool on;
    char letter;
    std::string text;
};
void* copystack();
void freestackcopy(void* copy);
// The call frames come from the target model's copyframes (typed_values.h).
void freeframecopy(void* copy);
std::vector<LiveMonitor> livemonitors();
// The value of a monitor's text printed with its letter; false when it has
// none.
bool monitorvalue(const LiveMonitor& monitor, std::string& value);
bool asmmode();
bool instructionstepping();

}  // namespace vy
