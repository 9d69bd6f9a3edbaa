// The engine's calls into the frame (hooks.h) that no single view owns:
// the command window's opening, the title, closing the frame, the shell
// escape, the status panes and the load progress.
#include <string>

#include "debugger/engine/hooks.h"
#include "debugger/engine/runstate.h"
#include "debugger/frame/frame.h"
#include "debugger/frame/shell_escape.h"
#include "debugger/target/services.h"
#include "debugger/views/command_window.h"

namespace vy {

bool CmdWindowOpen() { return hwndCmdEdit != nullptr; }

void OpenCmdWindow() { SendFrameCommand(300); }

// The source, code memory, stack and register views come later; until then
// nothing follows the target.
void GotoPCLine() {}
void RegWinRedraw(int code) {}

void RegsChanged(int pcchanged) {
    RegWinRedraw(0);
    if (pcchanged) GotoPCLine();
}

// Memory windows and the I/O-register plug-in come later.
void UpdateMemWindows(int full) {}

// The views that show events and follow the target come later: the
// source, disassembly and memory windows' event marks, the structure
// browsers, the monitors and variables windows, the stack window, and the
// plug-in, kernel and animation links.
void UpdateEventMarks(const Event* e) {}
void StaleStructWindows() {}
void AmcBkptCheck(int number) {}
void SetMonitorCount(uint32_t count) {}
bool MonitorsWindowShown() { return false; }
void RefreshMonitors(int erase) {}
void IORegRefresh() {}
void VyrDataMemUpdate(int full) {}
void UpdateVarsWindows() {}
void KernelUpdate() {}
void RebuildStackWindow() {}

// The structure and array browsers come with the views; until then the
// engine's request for one says so.
void BrowseStruct(ResultRecord* r, const char* name, char letter) {
    dberror({"Structure browser: not built into this debugger yet\n"});
}

void BrowseArray(ResultRecord* r, const char* name, char letter) {
    dberror({"Array browser: not built into this debugger yet\n"});
}

// Run control and the program commands: the disassembly pane, the register
// and stack windows, the variables browser and sessions come with the views
// and the session files; until then the commands that need them say so.
static bool asmpane, regwindow, stackwindow;
bool AsmPaneShown() { return asmpane; }
void ToggleAsmPane() { asmpane = !asmpane; }
void ShowRegisterWindow() {
    regwindow = !regwindow;
    dberror({"Register window: not built into this debugger yet\n"});
}
bool StackWindowShown() { return stackwindow; }
void CreateStackWindow(int show) {
    stackwindow = false;
    if (show) dberror({"Stack window: not built into this debugger yet\n"});
}
void ShowAppTree(int show) {}
void KernelReset() {}
void ShowVariables(FrameNode* frame, FileRec* file, int pointers, int addresses) {
    dberror({"Variables browser: not built into this debugger yet\n"});
}
void WriteSession(const char* path, int session) {
    dberror({"Sessions and layouts: not built into this debugger yet\n"});
}
void ReadSession(const char* path, int session) {
    dberror({"Sessions and layouts: not built into this debugger yet\n"});
}

// The key wait of `pause`: window messages are taken off the queue, not
// dispatched, until a key goes down.
void WaitForKey() {
    MSG msg;
    for (;;) {
        if (!PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
            WaitMessage();
            continue;
        }
        if (msg.message == WM_QUIT) {
            PostQuitMessage(static_cast<int>(msg.wParam));
            return;
        }
        if (msg.message == WM_KEYDOWN) return;
    }
}

void SetFrameTitle(const char* title) { SetFrameTitleText(title); }

bool CloseFrame() {
    if (!hwndFrame) return true;
    if (RunState) {
        ErrorBeep();
        return false;
    }
    SendMessageA(hwndFrame, WM_CLOSE, 0, 0);
    return true;
}

// The command interpreter: %COMSPEC%, else cmd.exe of the system folder.
static std::string interpreter() {
    char path[MAX_PATH];
    DWORD n = GetEnvironmentVariableA("COMSPEC", path, sizeof path);
    if (n > 0 && n < sizeof path) return path;
    n = GetSystemDirectoryA(path, sizeof path);
    if (n == 0 || n >= sizeof path) return "cmd.exe";
    return std::string(path) + "\\cmd.exe";
}

void ShellCommand(const char* line) {
    std::string command;
    if (!shellcommandline(interpreter().c_str(), line, command)) {
        dberror({command.substr(0, 80), "...  Error: command line too long"});
        return;
    }
    UINT result = WinExec(command.c_str(), SW_SHOW);
    if (result < 32)
        dberror({command, "  Error:", std::to_string(result), " ", startfailuretext(result)});
}

void LeftStatus(const char* text) { ::LeftStatus(text ? text : ""); }
void MiddleStatus(const char* text) { ::MiddleStatus(text ? text : ""); }
void RightStatus(const char* text) { ::RightStatus(text ? text : ""); }

// Load progress, shown in the status bar: the file in the middle pane, the
// function in the right one, the amount in the gauge. A step lets one
// pending message run first, so that the user can still stop the load.
void LoadProgress(int open, uint32_t total) { StatusGaugeStart(open != 0, total); }

void FileLoadBox(int open, const char* name) { ::MiddleStatus(open && name ? name : ""); }

void ResetLoadProgress() {
    ::MiddleStatus("");
    ::RightStatus("");
}

void ShowLoadFile(const char* name) { ::MiddleStatus(name ? name : ""); }
void ShowLoadFunction(const char* name) { ::RightStatus(name ? name : ""); }
void GaugeStart(const char* title, uint32_t start, uint32_t total) { StatusGaugeStart(true, total); }

void GaugeStep(uint32_t n) {
    PollMessages();
    StatusGaugeStep(n);
}

void GaugeEnd() { StatusGaugeStart(false, 0); }

}  // namespace vy
