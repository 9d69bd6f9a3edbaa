// The hooks without windows: what the frame and the views would have shown,
// kept for the tests and handed to the headless driver.
#pragma once
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace vy {

struct Headless {
    // The command window; while `echo` is set, its output goes there as it
    // arrives instead of into `cmdwindow`.
    bool cmdwindowopen = true;
    std::string cmdwindow;
    void (*echo)(std::string_view text) = nullptr;
    int cmdwindowopened = 0;        // times OpenCmdWindow was called

    // Error boxes, in order; `boxecho` shows them as they come.
    std::vector<std::string> boxes;
    void (*boxecho)(std::string_view text) = nullptr;

    // Counters of the calls that have no other visible effect.
    uint32_t polls = 0;
    uint32_t dispatches = 0;
    uint32_t beeps = 0;
    uint32_t gotopclines = 0;
    uint32_t regwinredraws = 0;

    uint32_t regschanged = 0;       // RegsChanged calls with the PC changed
    uint32_t memupdates = 0;        // UpdateMemWindows calls
    std::vector<std::string> browsed;   // "struct NAME /L" or "array NAME /L" per browser opened

    // The command window runs a typed command: aggregates print inline.
    bool cmdwindowbusy = false;
    // Lines the user types when asked, taken from the front; the prompts
    // asked with.
    std::vector<std::string> answers;
    std::vector<std::string> prompts;

    // A stop request after this many message polls (0: never).
    uint32_t stopafter = 0;
    // A stop request once this many polls passed since a line of a command
    // file began or a run started, so that no run goes on for ever (0: no
    // bound). Each instruction a run executes polls once, and so does each
    // command. The request ends with the line that it stopped.
    uint32_t runbound = 0;
    uint32_t sincestop = 0;
    bool boundstopped = false;

    // The calls of the views that show events and follow the target, in
    // order: "UpdateEventMarks 2", "StaleStructWindows", "AmcBkptCheck 2",
    // "SetMonitorCount 1", "RefreshMonitors 1", "IORegRefresh",
    // "VyrDataMemUpdate 0", "UpdateVarsWindows", "KernelUpdate",
    // "RebuildStackWindow".
    std::vector<std::string> viewcalls;
    bool monitorswindow = false;    // the monitors window is shown

    bool running = false;           // last ShowRunState
    bool closed = false;            // CloseFrame was called
    std::vector<std::string> shelllines;   // ShellCommand lines, in order
    std::string title;
    std::string leftstatus, middlestatus, rightstatus;
    // While set, every text of the status bar's first pane goes here as it
    // is shown.
    void (*statusecho)(std::string_view text) = nullptr;

    // Views of run control and the program commands.
    bool asmpane = false;           // the disassembly pane is shown
    bool regwindow = false;         // the register window is shown
    bool stackwindow = false;       // the stack window is shown
    uint32_t waits = 0;             // BeginWait calls
    uint32_t keywaits = 0;          // WaitForKey calls
    uint32_t kernelresets = 0;      // KernelReset calls
    // WriteSession and ReadSession calls: "write session PATH", "read layout PATH".
    std::vector<std::string> sessions;
};
extern Headless headless;

// Back to the state of a fresh start.
void resetheadless();

// The end of a command line: a stop that the run bound requested is taken
// back and the bound counts again from 0.
void endofline();

}  // namespace vy
