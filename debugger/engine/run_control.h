// Run control: the commands that run and step the program (go, tgo, tigo,
// step, istep, ostep, finish), the run loop behind all of them and its two
// step primitives, one source line and one instruction.
//
// The run state that the target model shares lives in the target model:
// the stepping mode (runflags.stepping), the count of steps still to run
// (runflags.stepcount, 32000 for no limit), the run nesting
// (runflags.runnesting), step-over and its call depth (runflags.stepover,
// runflags.nesting) and the flag that the PC lies outside C
// (runpos.asmmode). The stop request and the run's start cycles are in
// runstate.h.
#pragma once
#include <cstdint>

namespace vy {

struct DebugEntry;

// Steps are not counted (go, tgo, tigo).
extern bool FreeRun;
// Set by the frame around the step of its Animate action.
extern bool Animate;
// Steps are single instructions: istep, a program without C source, or a
// run that stopped outside the source.
extern bool InstrMode;
// The traces of tgo (source lines) and tigo (source lines and instructions).
extern bool TraceLines, TraceInstr;
// Cycles since the outermost run started.
extern uint32_t RunCycles;

// The no-limit count of steps.
constexpr uint32_t NOLIMIT = 32000;

// Parses an optional location or count, runs, and returns the position
// after the argument.
const char* runloop(const char* text, int arg);
// Executes instructions until the PC reaches a new source line; the entry
// of that line, or null.
DebugEntry* linestep();
// Executes one instruction with its bookkeeping; the entry at the new PC,
// or null.
DebugEntry* instep();

// Set when the last step found no instruction at the PC, or a program that
// cannot be followed: the run ends there.
extern bool brokenstep;

// The reference mode: every run steps with the target model's reference
// step (reference_step.h) and checks every event after every instruction,
// with no shortcut anywhere; it defines what the fast run must do, and the
// tests compare the two. Off at start-up.
extern bool ReferenceRun;
void setreferencerun(bool on);

// Whether a run is in progress (commands that would start another one, load
// or reset the program are refused meanwhile).
bool running();

// Remembers the registers that a reset just left: the reset that the next
// step makes again (the reset request) is made only while they are still
// what it left, so that a register the user set meanwhile (the PC above
// all) keeps its value.
void resetmade();

// The run control as a fresh debugger starts it: no run, no trace, source
// steps, no reset waiting to be made again.
void runcontrolinit();

}  // namespace vy
