// The hooks of hooks.h for a debugger without windows.
#include "debugger/engine/headless.h"
#include "debugger/engine/hooks.h"
#include "debugger/engine/events.h"
#include "debugger/engine/runstate.h"
#include "debugger/target/debug_tables.h"
#include "debugger/target/decl_text.h"
#include "debugger/target/frames.h"
#include "debugger/target/services.h"
#include "debugger/target/tools/sim_run.h"

namespace vy {

Headless headless;

void resetheadless() { headless = Headless{}; }

void PollMessages() {
    ++headless.polls;
    if (headless.stopafter && headless.polls >= headless.stopafter) StopRequest = true;
    if (headless.runbound && !StopRequest && ++headless.sincestop >= headless.runbound) {
        StopRequest = true;
        headless.boundstopped = true;
    }
}

void endofline() {
    if (headless.boundstopped) StopRequest = false;
    headless.boundstopped = false;
    headless.sincestop = 0;
}

// A command file dispatches the window messages after each of its lines.
void DispatchMessages() {
    ++headless.dispatches;
    endofline();
}

void ErrorBox(std::string_view text) {
    headless.boxes.emplace_back(text);
    if (headless.boxecho) headless.boxecho(text);
}

void ErrorBeep() { ++headless.beeps; }

bool CmdWindowOpen() { return headless.cmdwindowopen; }

void OpenCmdWindow() {
    ++headless.cmdwindowopened;
    headless.cmdwindowopen = true;
}

void CmdWindowOutput(const char* text) {
    if (headless.echo) headless.echo(text);
    else headless.cmdwindow += text;
}

void GotoPCLine() { ++headless.gotopclines; }
void RegWinRedraw(int code) { ++headless.regwinredraws; }

void RegsChanged(int pcchanged) {
    RegWinRedraw(0);
    if (pcchanged) ++headless.regschanged;
}

void UpdateMemWindows(int full) { ++headless.memupdates; }

void BrowseStruct(ResultRecord* r, const char* name, char letter) {
    headless.browsed.push_back(std::string("struct ") + name + " /" + (letter ? letter : '-'));
}

void BrowseArray(ResultRecord* r, const char* name, char letter) {
    headless.browsed.push_back(std::string("array ") + name + " /" + (letter ? letter : '-'));
}

static void viewcall(std::string call) { headless.viewcalls.push_back(std::move(call)); }

void UpdateEventMarks(const Event* e) { viewcall("UpdateEventMarks " + std::to_string(e->number)); }
void StaleStructWindows() { viewcall("StaleStructWindows"); }
void AmcBkptCheck(int number) { viewcall("AmcBkptCheck " + std::to_string(number)); }
void SetMonitorCount(uint32_t count) { viewcall("SetMonitorCount " + std::to_string(count)); }
bool MonitorsWindowShown() { return headless.monitorswindow; }
void RefreshMonitors(int erase) { viewcall("RefreshMonitors " + std::to_string(erase)); }
void IORegRefresh() { viewcall("IORegRefresh"); }
void VyrDataMemUpdate(int full) { viewcall("VyrDataMemUpdate " + std::to_string(full)); }
void UpdateVarsWindows() { viewcall("UpdateVarsWindows"); }
void KernelUpdate() { viewcall("KernelUpdate"); }
void RebuildStackWindow() { viewcall("RebuildStackWindow"); }

bool CmdWindowBusy() { return headless.cmdwindowbusy; }

bool ReadUserLine(const char* prompt, std::string& line) {
    headless.prompts.emplace_back(prompt);
    if (headless.answers.empty()) return false;
    line = headless.answers.front();
    headless.answers.erase(headless.answers.begin());
    return true;
}

void ShowRunState(bool running) {
    headless.running = running;
    if (running && !headless.boundstopped) headless.sincestop = 0;   // the bound counts from each run's start
}
void SetFrameTitle(const char* title) { headless.title = title; }

bool CloseFrame() {
    headless.closed = true;
    return true;
}

void ShellCommand(const char* line) { headless.shelllines.emplace_back(line); }

void LeftStatus(const char* text) {
    headless.leftstatus = text ? text : "";
    if (headless.statusecho) headless.statusecho(headless.leftstatus);
}
void MiddleStatus(const char* text) { headless.middlestatus = text ? text : ""; }
void RightStatus(const char* text) { headless.rightstatus = text ? text : ""; }

bool AsmPaneShown() { return headless.asmpane; }
void ToggleAsmPane() { headless.asmpane = !headless.asmpane; }
void ShowRegisterWindow() { headless.regwindow = !headless.regwindow; }
bool StackWindowShown() { return headless.stackwindow; }
void CreateStackWindow(int show) { headless.stackwindow = show != 0; }
void BeginWait() { ++headless.waits; }
void EndWait() {}
void WaitForKey() { ++headless.keywaits; }
void ShowAppTree(int show) {}
void KernelReset() { ++headless.kernelresets; }

// Without a browser window the variables are printed: a frame's as
// "  auto int  i = 3" lines under "    vars in main():", a file's under
// "  vars in f.c:".
void ShowVariables(FrameNode* frame, FileRec* file, int pointers, int addresses) {
    if (file) {
        FuncRec* scope = file->funcs;
        while (scope && scope->next) scope = scope->next;
        if (!scope || !scope->locals || scope->locals == scope->localsend) return;
        std::string text = std::string("  vars in ") + file->name + ":\n";
        for (const LocalRec* l = scope->locals; l < scope->localsend; ++l) {
            if (l->cls == CL_TYPEDEF || l->cls == CL_LOCAL18 || l->cls == CL_GLOBAL) continue;
            text += "  " + descresult(l) + " = " + simrun::valuetext(l, nullptr) + "\n";
        }
        dbputs({text});
        return;
    }
    if (!frame || !frame->func || !frame->func->locals || frame->func->locals == frame->func->localsend) return;
    dbputs({"    vars in ", frame->func->name, "():\n", simrun::variablestext(frame)});
}

void WriteSession(const char* path, int session) {
    headless.sessions.push_back(std::string("write ") + (session ? "session " : "layout ") + path);
}

void ReadSession(const char* path, int session) {
    headless.sessions.push_back(std::string("read ") + (session ? "session " : "layout ") + path);
}

void LoadProgress(int open, uint32_t total) {}
void FileLoadBox(int open, const char* name) {}
void ResetLoadProgress() {}
void ShowLoadFile(const char* name) {}
void ShowLoadFunction(const char* name) {}
void GaugeStart(const char* title, uint32_t start, uint32_t total) {}
void GaugeStep(uint32_t n) {}
void GaugeEnd() {}

}  // namespace vy
