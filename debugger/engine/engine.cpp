#include "debugger/engine/engine.h"

#include "debugger/engine/alarms.h"
#include "debugger/engine/assertions.h"
#include "debugger/engine/channels.h"
#include "debugger/engine/commands.h"
#include "debugger/engine/core.h"
#include "debugger/engine/events.h"
#include "debugger/engine/hooks.h"
#include "debugger/engine/monitors.h"
#include "debugger/engine/program.h"
#include "debugger/engine/run_control.h"
#include "debugger/engine/runstate.h"
#include "debugger/engine/script_files.h"
#include "debugger/engine/sink.h"
#include "debugger/engine/source_trace.h"
#include "debugger/target/frames.h"

namespace vy {

void EngineServices::error(std::string_view text) { reporterror(text); }
void EngineServices::output(std::string_view text) { WinOutput(text.data(), static_cast<uint32_t>(text.size())); }
void EngineServices::cmdoutput(std::string_view text) { CmdOutput(text.data(), static_cast<uint32_t>(text.size())); }
bool EngineServices::evalexpr(uint32_t* value) {
    uint32_t errors = coreevalerrors();
    *value = static_cast<uint32_t>(vy::evalexpr());
    return coreevalerrors() == errors && !coreabandoned();
}

void EngineServices::interp(const char* text, int flag) { vy::interp(text, flag); }
bool EngineServices::hasmacro(const char* name) { return coremacroexists(name); }
void EngineServices::rmbrk(uint16_t number) { vy::rmbrk(number); }
void EngineServices::loadprogress(int open, uint32_t total) { LoadProgress(open, total); }
void EngineServices::fileloadbox(int open, const char* name) { FileLoadBox(open, name); }
void EngineServices::resetloadprogress() { ResetLoadProgress(); }
void EngineServices::showloadfile(const char* name) { ShowLoadFile(name); }
void EngineServices::showloadfunction(const char* name) { ShowLoadFunction(name); }
void EngineServices::gaugestart(const char* title, uint32_t start, uint32_t total) { GaugeStart(title, start, total); }
void EngineServices::gaugestep(uint32_t n) { GaugeStep(n); }
void EngineServices::gaugeend() { GaugeEnd(); }
void EngineServices::leftstatus(const char* text) { LeftStatus(text); }
void EngineServices::rightstatus(const char* text) { RightStatus(text); }
void EngineServices::regwinrefresh(int code) { RegWinRedraw(code); }
void EngineServices::memalarm(uint16_t address, int kind) { vy::memalarm(address, kind); }
void EngineServices::trcfree() { vy::trcfree(); }
void EngineServices::trcrecord(int kind, DebugEntry* entry) { vy::trcrecord(kind, entry); }
std::FILE* EngineServices::srcopen(const char* name) { return vy::srcopen(name, true); }
const char* EngineServices::readsrcline(const char* file, uint32_t line) { return vy::readsrcline(file, line); }
void EngineServices::browsevariables(int kind, int pointers, int addresses) {
    ShowVariables(curframe, nullptr, pointers, addresses);
}

static EngineServices engineservices;

void engineinit() {
    engineclose();
    setservices(&engineservices);
    clearalarms();
    resetcapture();
    AutoCmd = false;
    CommandQuiet = false;
    CommandCount = 0;
    ActionRunning = false;
    DeleteInternalEvents = true;
    CmdFileRunning = false;
    InputResult = 0;
    SourcePath.clear();
    QuitRequested = false;
    RunState = false;
    StopRequest = false;
    runcontrolinit();
    coreinit();
    closechannels();
    trcstop();
    trcfree();
    sourcetrace = SourceTrace{};
}

void engineclose() {
    redirclose();
    logopen("");
    readsrcline(nullptr, 0);
    clearasserts();
    clearmonitors();
    clearevents();
    clearalarms();
    norefresh = false;
    corefree();
    closechannels();
    trcfree();
}

}  // namespace vy
