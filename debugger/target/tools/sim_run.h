// The simulated step as the debugger's run control makes it: the command
// engine's run control steps with it (and keeps events, alarms, traces and
// the views around it); stepping by source line for the test driver vyrsim,
// the benchmark and the tests.
#pragma once
#include <cstdint>
#include <string>

#include "debugger/target/frames.h"
#include "debugger/target/interrupts.h"
#include "debugger/target/registers.h"
#include "debugger/target/source_lines.h"
#include "debugger/target/symbols.h"

namespace vy {

struct DebugEntry;
struct FrameNode;
struct LocalRec;

namespace simrun {

enum class Stop { step, line, noinstr, broken, limit, address };

// One step: the data hit of the step before cleared, a pending function
// exit, the interrupt triggers, then an interrupt taken (unless interrupts
// is clear) or else one instruction executed (its cycles counted for its
// line), and then the entries at the new PC entered. Memory events are
// armed around the instruction when armed is set.
Stop step(bool armed = false, bool interrupts = true);
// What the last step did: whether it executed an instruction (else it took
// an interrupt or found none), the PC it started at, and the entry it
// entered at the new PC (null when none).
struct LastStep {
    bool executed;
    uint16_t pc;
    DebugEntry* entry;
};
extern LastStep laststep;
// The parts of a step around its interrupt or instruction, for a run loop
// of its own: the pending exit and the triggers before; the instruction's
// cycles counted for its line (executed, with the PC and the cycle count
// before it) and the entries at the new PC entered after.
inline void beforestep() {
    if (runpos.exitpending) exitfunc();
    CheckInterruptTriggers();
}
// True when the step ended on a source line of a function.
extern bool online;
bool afterstepslow(uint16_t pc, uint32_t before, bool executed);
inline bool afterstep(uint16_t pc, uint32_t before, bool executed) {
    uint16_t now = getpc();
    if (instretch(pc, now, executed)) {
        stretchstep(now, before, timeptr);
        return online = false;
    }
    return afterstepslow(pc, before, executed);
}

// Plain steps, for run loops of their own (vyrsim's run): while a step
// needs nothing but its instruction - no function exit pending, no alarm,
// no time break, nothing in .irq, no execution check watching the PC, no
// trigger due (timed, at the PC, or a line range counting to its hit
// count), and the PC inside the stretch of addresses without entries (or
// at the entry below it) with no interrupt to come back to - steps run in
// a tight loop with events armed, each as the full step after the first
// of a run makes it, with the same results: the cycles and executions of
// the steps that stay in the stretch go to their lines at the end, the
// line-range triggers count their checks, and a step that leaves the
// stretch, or whose accesses met the event check, gets its full line
// update; the run goes on in the stretch it reached, as a new run would,
// unless that step met an event. The run ends also after a step whose
// recorded accesses left a data hit, before a step that needs more (the
// caller's full step makes it), at limit steps, before the PC reaches
// until, and at a place that holds no instruction (noinstr; nothing is
// executed there). Every step executes an instruction.
struct PlainRun {
    uint64_t steps;
    bool noinstr;
};
PlainRun plainsteps(uint64_t limit, int32_t until);

// Steps until the PC reaches a source line (a function's line entry), into
// called functions. Stops also when the PC reaches stop (when given), when
// the PC holds no instruction, when the program cannot be followed, or
// after limit instructions.
Stop linestep(uint64_t limit, int32_t stop = -1);
// Steps by line until the call depth is at most the one it started with.
Stop stepover(uint64_t limit, int32_t stop = -1);
// Steps by line until the current function has returned. Outside any
// function both stop at the first line reached.
Stop finish(uint64_t limit, int32_t stop = -1);

// Whether the last step ended on a source line of a function.
bool atline();
// The number of frames.
int depth();
// One frame as text: "walk(n = 3, c = 65, up = 0x7ff0) frames.c:30".
std::string frametext(const FrameNode* frame);
// The variables of a frame, one per line: "  auto long  sq = 70000".
std::string variablestext(const FrameNode* frame);
// A value shown on one line, as the debugger shows it.
std::string valuetext(const LocalRec* rec, const FrameNode* frame);

}  // namespace simrun
}  // namespace vy
