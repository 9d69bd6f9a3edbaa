// What the command engine calls in the frame and the views: the window
// thread's message pump, message boxes, the command window, the status bar,
// the windows that follow the target and the load progress boxes.
//
// Plain functions, not virtual calls: the run loop calls some of them on
// every instruction. The Windows debugger implements them with its windows;
// hooks_headless.cpp implements them without any window for the native
// programs and the tests (headless.h shows what it recorded).
#pragma once
#include <cstdint>
#include <string>
#include <string_view>

namespace vy {

struct ResultRecord;
struct Event;
struct FileRec;
struct FrameNode;

// Message pump. PollMessages takes at most one pending window message (a
// stop request sets the run loop's break flag); DispatchMessages handles all
// that are pending, except that a close request for the frame is dropped.
void PollMessages();
void DispatchMessages();

// Message boxes and the beep of a refused action. The text is the joined
// report; the box is titled "Error".
void ErrorBox(std::string_view text);
void ErrorBeep();

// The command window: whether it is open, opening it (the frame's menu
// command 300), and appending output to it (at most 255 bytes a call,
// NUL-ended).
bool CmdWindowOpen();
void OpenCmdWindow();
void CmdWindowOutput(const char* text);

// Views that follow the target: the PC's source line with the code memory
// and stack windows, and the register window (nothing when it is closed).
void GotoPCLine();
void RegWinRedraw(int code);
// After a register was written: the register window, and with pcchanged
// the source views at the new PC.
void RegsChanged(int pcchanged);
// After target memory was written by a command: the I/O-register plug-in
// and every memory window (full: read memory anew).
void UpdateMemWindows(int full);
// Browser windows on a structure or union, or on an array, that the
// expression printer opens when its output is not inline.
void BrowseStruct(ResultRecord* r, const char* name, char letter);
void BrowseArray(ResultRecord* r, const char* name, char letter);
// Whether a command typed in the command window is running.
bool CmdWindowBusy();
// A line the user types when a command asks for one (status panes
// "WAITING" and the prompt); false when none was given.
bool ReadUserLine(const char* prompt, std::string& line);

// Views that show events and follow the target. The source, disassembly
// and code memory windows repaint the marks of an event that changed; the
// structure and array browsers go stale after a step; the animation link
// hears of every event that triggers. After each step the followers are
// refreshed in this order: the I/O-register plug-in, the data memory
// windows (full 0: values compared with the window's snapshot), the
// variables windows, the monitors window (erase: its list changed) and the
// kernel-awareness library. The stack window is rebuilt when it is shown.
void UpdateEventMarks(const Event* e);
void StaleStructWindows();
void AmcBkptCheck(int number);
void SetMonitorCount(uint32_t count);
bool MonitorsWindowShown();
void RefreshMonitors(int erase);
void IORegRefresh();
void VyrDataMemUpdate(int full);
void UpdateVarsWindows();
void KernelUpdate();
void RebuildStackWindow();

// Frame: menus, ribbon and cursor of a running or stopped target, the
// title, and closing the frame (false when the frame refuses to close).
void ShowRunState(bool running);
void SetFrameTitle(const char* title);
bool CloseFrame();

// The shell escape of `sys`: starts the command interpreter with the line
// (alone for an empty line) without waiting; a failure is reported.
void ShellCommand(const char* line);

// Run control and the program commands. The disassembly pane beside the
// source: whether it is shown, and showing or hiding it. The register window
// and the stack window: ShowRegisterWindow shows a closed register window
// and closes an open one; CreateStackWindow(1) opens the stack window and
// (0) closes it. The wait cursor around a long operation. WaitForKey takes
// window messages off the queue, without dispatching them, until a key is
// pressed (the key wait of `pause`). Before a program is loaded the
// application tree is closed (ShowAppTree(0)) and the kernel-awareness
// library is reset.
bool AsmPaneShown();
void ToggleAsmPane();
void ShowRegisterWindow();
bool StackWindowShown();
void CreateStackWindow(int show);
void BeginWait();
void EndWait();
void WaitForKey();
void ShowAppTree(int show);
void KernelReset();
// The variables browser: the variables of a frame's function, or the
// file-level variables of a file, with the values pointers point to and
// with their addresses when asked.
void ShowVariables(FrameNode* frame, FileRec* file, int pointers, int addresses);
// Sessions and layouts (session 1 a session, 0 a layout): written to and
// read from a file that the caller has checked it can create or read.
void WriteSession(const char* path, int session);
void ReadSession(const char* path, int session);

// Status bar panes.
void LeftStatus(const char* text);
void MiddleStatus(const char* text);
void RightStatus(const char* text);

// Load progress: the progress box with its gauge and the file-load box.
// GaugeStep lets pending messages run, so that Cancel can set the target
// model's LoadAbortFlag.
void LoadProgress(int open, uint32_t total);
void FileLoadBox(int open, const char* name);
void ResetLoadProgress();
void ShowLoadFile(const char* name);
void ShowLoadFunction(const char* name);
void GaugeStart(const char* title, uint32_t start, uint32_t total);
void GaugeStep(uint32_t n);
void GaugeEnd();

}  // namespace vy
