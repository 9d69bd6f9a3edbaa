// The one sink of everything the debugger prints, and the output capture
// through which a view reads back what a command printed.
//
// A capturing caller keeps the pointer that WinitFakeIo returns, runs one
// command or printer, copies the NUL-ended string found there and calls
// WinStopFakeIo. Captures taken while one window message is handled lie one
// after the other, so an earlier string stays valid; the frame resets
// capture 1 with WinSetFakeIo before every message. Capture 2 belongs to the
// monitors window and wins while it is on.
#pragma once
#include <cstdint>

#include "debugger/target/exports.h"

namespace vy {

constexpr uint32_t CAPTURESIZE = 20480;

struct CaptureBuffer {
    char storage[CAPTURESIZE];
    uint32_t write;   // where the next byte goes; storage[write] is NUL
    bool on;
};
extern CaptureBuffer capture1, capture2;

// The option AUTOCMD: output opens a closed command window instead of
// being dropped.
extern bool AutoCmd;

// Capture 2: on, emptied; returns the start of its storage.
char* WinStartFakeIo2();
void WinStopFakeIo2();

// The sink: capture 2, else capture 1, else the command window. Output for
// the command window is also written to the redirection file while output
// redirection is on, whether or not the window is open.
void WinOutput(const char* text, uint32_t length);
// The command-window path alone (formatted output forced to the window).
void CmdOutput(const char* text, uint32_t length);

// Both captures off and empty.
void resetcapture();

}  // namespace vy

extern "C" {
// Capture 1 on; returns the start of an empty string that collects all
// output from now on.
VY_EXPORT char* WinitFakeIo();
// Capture 1 emptied; its on flag is kept.
VY_EXPORT void WinSetFakeIo();
// Capture 1 off; the text stays readable until the next reset.
VY_EXPORT void WinStopFakeIo();
}
