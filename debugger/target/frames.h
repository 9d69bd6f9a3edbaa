// The debugger's own stack of C call frames, built from the debug entries
// that the PC reaches, and the chronology blocks of each function.
#pragma once
#include <cstdint>

namespace vy {

struct FuncRec;
struct DebugEntry;

// Enter and exit cycle stamps of ten calls of a function.
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
extern FrameNode* curframe;

// Run-position state of the execution core that a load clears.
struct RunPosition {
    uint8_t intpending;       // an interrupt waits to be taken
    uint8_t exitpending;      // a function exit waits for the next step
    DebugEntry* exitentry;
    uint8_t asmmode;          // instruction-level display
};
extern RunPosition runpos;

// Resets the run control's counters before a run.
void resetrun();

}  // namespace vy
