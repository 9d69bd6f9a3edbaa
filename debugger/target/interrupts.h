// Interrupt simulation: the table of interrupt sources (a name, a vector
// address and one bit of the pending mask ".irq" each), read from an
// interrupt description file or built in, and the two triggers of each
// source that make it pending: a timed one (after a number of cycles,
// optionally periodic) and a location one (when execution reaches an
// address, or a line range of a file or function, a number of times).
//
// An interrupt description file (".int") holds one source per line: the
// vector address (0x hexadecimal, leading 0 octal, else decimal), blanks,
// the name. Empty lines and lines that begin with ';' are skipped. The
// first source gets the highest mask bit, the last bit 0 (served first).
#pragma once
#include <cstdint>
#include <string>

#include "debugger/target/frames.h"
#include "debugger/target/registers.h"
#include "debugger/target/symbols.h"

namespace vy {

struct FileRec;
struct FuncRec;

struct IntDesc {
    const char* name;   // null ends the table
    uint32_t vector;
    uint32_t mask;
    // timed trigger
    uint8_t timeactive = 0, timetriggered = 0;
    uint32_t nexttime = 0, firstat = 0, period = 0;
    // location trigger
    uint8_t locactive = 0, loctriggered = 0, byaddress = 0, wholefunc = 0;
    int16_t staysactive = 0, hitcount = 1, hits = 0;
    FileRec* file = nullptr;
    FuncRec* func = nullptr;
    uint32_t firstline = 0, lastline = 0;
    uint16_t address = 0;
};

constexpr int MAXINTS = 32;

// The table in use (the built-in one until another is selected).
extern IntDesc* inttable;
IntDesc* builtininttable();
// The number of sources of the table in use.
int intcount();

// With read set: the built-in table, then the one of the file named by key
// "Interrupts" of section "TARGET" of "VYRS11.INI", when it names one and
// it can be read. Then, with any flag, every trigger is reset.
void LoadInterruptTable(int read);
// Selects the table of a description file: false (reported, the table in
// use kept) when it cannot be opened or read.
bool readinttable(const std::string& path);
// Writes the table in use as a description file; false when it cannot.
bool saveinttable(const std::string& path);

// The vector address of the source with that mask; 0 when there is none.
uint32_t intvector(uint32_t mask);
// The cycle counter .time, or 0 while it is undefined.
uint32_t getcycles();
// Resets the trigger fields of every source: nothing armed, hit count 1.
void resettriggers();
// Raises a source found by name (byname set) or by vector: 1 when found.
int raiseint(uint32_t vector, const char* name, int byname);

// Arms (or, with active clear, suspends) the timed trigger of a source:
// first at cycles from now, then every period cycles (0: once).
void settimeint(int index, int active, uint32_t firstat, uint32_t period);
// A location trigger: an address, or a file (any function of it) or else a
// function with a line range (0: no bound); it fires on the hit-count-th
// check that finds the PC there.
struct LocationTrigger {
    bool byaddress = false;
    uint16_t address = 0;
    FileRec* file = nullptr;
    FuncRec* func = nullptr;
    uint32_t firstline = 0, lastline = 0;
    int16_t hitcount = 1;
    bool whole = false;
};
// Sets the location trigger of a source as `trigger` says; false (nothing
// changed) for a hit count below 1 or an index outside the table.
bool setlocint(int index, int active, const LocationTrigger& trigger);
// Whoever changes trigger fields of the table directly calls this
// afterwards: the check before each instruction looks only at what it says
// is armed.
void triggerschanged();

// Before each instruction: fires the triggers that are due (their sources'
// bits go into .irq).
void checktriggers();
// What a trigger does when it is met: a timed one that is due raises its
// interrupt and takes its next time; a location one counts the hit and, at
// its count, raises its interrupt and returns true (then false until its
// count again).
void firetimed(IntDesc* d);
bool firelocation(IntDesc* d);

// What the check before each instruction looks at first: whether anything
// is armed; the earliest due time of the timed triggers; the span of the
// addresses of the address triggers; and for the line-range triggers the
// top frame's function and line checked last, with whether any of them
// held it (they count every check in their range); and for the function
// looked at last (rangesknown clear: none yet) whether any range lies in it
// and the span of lines those ranges cover.
struct TriggerWatch {
    bool armed, timed, byaddress, ranges;
    uint32_t nextdue;
    uint16_t lowaddr, highaddr;
    const FuncRec* func;
    uint32_t line;
    bool inrange;
    bool rangesknown, funcranges;
    const FuncRec* rangesfunc;
    uint32_t rangesfirst, rangeslast;
};
extern TriggerWatch triggerwatch;

// For runs of plain steps (sim_run.h), while the top frame stays on its
// function and line: how many checks before instructions can pass without
// a line-range trigger firing (0 when a trigger fires at the next check),
// and the counting of n such checks, as checktriggers would have counted
// them one by one. When the frame moved since the last check,
// rangechecksfree first finds which ranges hold it, as the next check
// would, without counting.
uint64_t rangechecksfreeslow();
void rangescheckedslow(uint64_t n);
inline uint64_t rangechecksfree() {
    TriggerWatch& w = triggerwatch;
    if (!w.ranges) return UINT64_MAX;
    // The frame in a function no range lies in, or on a line outside the
    // ranges of its function, as found before: nothing holds it and
    // nothing counts.
    const FrameNode* f = topframe;
    const FuncRec* fn = f ? f->func : nullptr;
    uint32_t line = f ? f->line : 0;
    if (w.rangesknown && fn == w.rangesfunc &&
        (!w.funcranges || line < w.rangesfirst || line > w.rangeslast)) {
        w.func = fn;
        w.line = line;
        w.inrange = false;
        return UINT64_MAX;
    }
    return rangechecksfreeslow();
}
inline void rangeschecked(uint64_t n) {
    if (triggerwatch.inrange) rangescheckedslow(n);
}

inline void CheckInterruptTriggers() {
    const TriggerWatch& w = triggerwatch;
    if (!w.armed) return;
    bool check = w.timed && timeptr && w.nextdue <= *timeptr;
    check = check || (w.byaddress && regs.pc >= w.lowaddr && regs.pc <= w.highaddr);
    if (!check && w.ranges) {
        const FrameNode* f = topframe;
        const FuncRec* fn = f ? f->func : nullptr;
        check = w.inrange || fn != w.func || (f ? f->line : 0) != w.line;
    }
    if (check) checktriggers();
}

// The interrupt menu: 221 timed, 222 location, 224 vectors (the dialogs),
// 225 save the table; 0 when handled, any other id returned unchanged.
int InterruptMenu(int id);

}  // namespace vy
