#include "debugger/engine/engine.h"

#include "debugger/engine/channels.h"
#include "debugger/engine/commands.h"
#include "debugger/engine/hooks.h"
#include "debugger/engine/program.h"
#include "debugger/engine/runstate.h"
#include "debugger/engine/sink.h"

namespace vy {

void EngineServices::error(std::string_view text) { reporterror(text); }
void EngineServices::output(std::string_view text) { WinOutput(text.data(), static_cast<uint32_t>(text.size())); }
void EngineServices::cmdoutput(std::string_view text) { CmdOutput(text.data(), static_cast<uint32_t>(text.size())); }
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

static EngineServices engineservices;

void engineinit() {
    engineclose();
    setservices(&engineservices);
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
}

void engineclose() {
    redirclose();
    logopen("");
    readsrcline(nullptr, 0);
}

}  // namespace vy
