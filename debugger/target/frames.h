// The debugger's own stack of C call frames, built from the debug entries
// that the PC reaches (a function start or frame set-up entry pushes or
// fixes a frame, a function exit pops one), and the chronology blocks of
// each function. Nothing here unwinds the simulated stack: the frames exist
// because the debugger saw the entries.
#pragma once
#include <cstdint>

namespace vy {

struct FuncRec;
struct DebugEntry;

// Enter and exit cycle stamps of ten stretches of a function's own running:
// a call enters it, a call it makes leaves it, the callee's return enters
// it again, its own return leaves it.
struct ChronBlock {
    ChronBlock* next;
    uint32_t enter[10];
    uint32_t exit[10];
};

// One active call, newest on top.
struct FrameNode {
    FrameNode* next;          // the calling frame
    FuncRec* func;
    DebugEntry* entry;        // line last shown for this frame
    uint32_t line, col, endline, endcol;
    uint32_t fp;              // frame pointer
    uint8_t fixed;            // bit 0: the frame pointer is settled
};

extern FrameNode* topframe;
// The frame the views show: the top after every push and pop.
extern FrameNode* curframe;

// Run-position state of the execution core that a load clears.
struct RunPosition {
    uint8_t intpending;       // an interrupt waits to be taken
    uint8_t exitpending;      // a function exit waits for the next step
    DebugEntry* exitentry;
    uint8_t asmmode;          // instruction-level display
};
extern RunPosition runpos;

// Pushes a frame for the function of a debug-table offset, or of the entry
// when one is given (a function entered elsewhere than at its start): 1
// when one was pushed. Nothing changes while an interrupt waits, and the
// same call seen again (same function, same frame pointer) pushes nothing.
int pushframe(uint32_t offset, DebugEntry* entry);
int enterfunc(uint32_t offset, DebugEntry* entry);
// Pops the top frame: 1 when a frame remains below it. Without a frame the
// error is reported and the views go to instruction level.
int popframe();
// Clears the pending exit, then pops.
int exitfunc();
// At a frame set-up entry: the top frame's pointer becomes fp unless it is
// settled already.
void frameset(uint16_t fp, DebugEntry* entry, int flag);
// Records the line of a line or function-start entry in the top frame.
void frameline(DebugEntry* entry);
// Frees every frame; a "." function's active byte is cleared first.
void freeframes();
// The cycle stamp of the chronology: .time, or 0 without it.
uint32_t chronstamp();

// Resets the run control's counters before a run.
void resetrun();

}  // namespace vy
