// The reference step: one step of the target model as its definition reads,
// made in full every time. Before the instruction: the data hit of the step
// before is cleared, a pending function exit made, then every interrupt
// trigger (timed and location) checked; then either a pending interrupt is
// taken, or the execution check of the memory events runs at the PC and
// the instruction executes with its accesses checked; its cycles and its
// execution go to the line it lies in; then the entry at the new PC is
// looked up and entered (function starts push frames, set-up entries fix
// them, lines move them, exits pop them).
//
// Nothing is kept between steps but what the definition keeps: the lookups
// walk the debug entries, every trigger is looked at, and no step is ever
// taken as a quick one. The fast step (simrun::step, with the line update
// of source_lines.h, the trigger watch of interrupts.h and the watch index
// of watch.h) must come to the same result after every step: the run
// control runs on this step in its reference mode, and the tests hold the
// two runs side by side.
#pragma once
#include <cstdint>

namespace vy {

struct DebugEntry;

namespace reference {

enum class StepEnd { step, noinstr, broken };

// What the last step did: whether it executed an instruction (else it took
// an interrupt or found none), the PC it started at, and the entry it
// entered at the new PC (null when none).
struct Step {
    bool executed;
    uint16_t pc;
    DebugEntry* entry;
};
extern Step last;

// One step; with interrupts clear no pending interrupt is taken. noinstr:
// the PC holds no instruction (nothing executed); broken: the program
// cannot be followed (its debug tables are missing).
StepEnd step(bool interrupts);

// Whether the entries at the address of an entry hold a line or a function
// start: a line step ends there.
bool startsline(const DebugEntry* entry);

// Forgets what the steps remembered (a load, a reset of the frames).
void forget();

// While on, the watch index marks every address (watch.h): every access and
// every execution check walks the event lists.
void watcheverything(bool on);

}  // namespace reference
}  // namespace vy
