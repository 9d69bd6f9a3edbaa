// The commands whose work comes with later parts of the engine: each reports
// that it is not built in yet and passes over its statement, so the lines
// and blocks around it run on. A command leaves this file when it is built.
#include "debugger/engine/commands.h"
#include "debugger/engine/core.h"
#include "debugger/engine/core_state.h"
#include "debugger/engine/handlers.h"
#include "debugger/engine/source_trace.h"
#include "debugger/engine/standins.h"
#include "debugger/target/debug_tables.h"
#include "debugger/target/messages.h"
#include "debugger/target/services.h"

namespace vy {

bool framepresent() { return false; }
void rmintevents() {}
void writeevents(std::FILE*) {}
void writemonits(std::FILE*) {}
void refreshfollowers() {}

// The older core's view of source lines, until the target model has its
// source-line lookups: no line has code, and nothing is annotated.
uint32_t corelineaddr(const char* file, uint32_t line, uint32_t column) {
    coreerror(MSG_NOSOURCELINE);
    return 0;
}
void coreannotate(uint16_t address) {}
void coreannounce(uint16_t address) {}

DebugEntry* lineat(uint16_t address) {
    DebugEntry* found = nullptr;
    for (DebugEntry* e = debuglist; e && e->addr <= address; e = e->next)
        if (e->kind == DBG_LINE || e->kind == DBG_FUNCSTART) found = e;
    return found;
}

// What the source trace records of the stack window, the call frames, the
// monitors and the run modes, until those exist: nothing, and neither mode.
void* copystack() { return nullptr; }
void* copyframes() { return nullptr; }
void freestackcopy(void*) {}
void freeframecopy(void*) {}
std::vector<LiveMonitor> livemonitors() { return {}; }
bool monitorvalue(const LiveMonitor&, std::string&) { return false; }
bool asmmode() { return false; }
bool instructionstepping() { return false; }

const char* doactiv(const char* text, int)     { return notbuilt("activ",     text); }
const char* dodeact(const char* text, int)     { return notbuilt("deact",     text); }
const char* dobreak(const char* text, int)     { return notbuilt("break",     text); }
const char* dowatch(const char* text, int)     { return notbuilt("watch",     text); }
const char* dodelete(const char* text, int)    { return notbuilt("delete",    text); }
const char* dodbreak(const char* text, int)    { return notbuilt("dbreak",    text); }
const char* dodwatch(const char* text, int)    { return notbuilt("dwatch",    text); }
const char* dodisa(const char* text, int)      { return notbuilt("disa",      text); }
const char* dopath(const char* text, int)      { return notbuilt("path",      text); }
const char* dogo(const char* text, int)        { return notbuilt("go",        text); }
const char* dotgo(const char* text, int)       { return notbuilt("tgo",       text); }
const char* dotigo(const char* text, int)      { return notbuilt("tigo",      text); }
const char* domove(const char* text, int)      { return notbuilt("move",      text); }
const char* doload(const char* text, int)      { return notbuilt("load",      text); }
const char* domonit(const char* text, int)     { return notbuilt("monit",     text); }
const char* dofiles(const char* text, int)     { return notbuilt("files",     text); }
const char* dofuncs(const char* text, int)     { return notbuilt("funcs",     text); }
const char* doprint(const char* text, int)     { return notbuilt("print",     text); }
const char* doregs(const char* text, int)      { return notbuilt("regs",      text); }
const char* dowregs(const char* text, int)     { return notbuilt("wregs",     text); }
const char* dostep(const char* text, int)      { return notbuilt("step",      text); }
const char* doistep(const char* text, int)     { return notbuilt("istep",     text); }
const char* doostep(const char* text, int)     { return notbuilt("ostep",     text); }
const char* dostack(const char* text, int)     { return notbuilt("stack",     text); }
const char* dowstack(const char* text, int)    { return notbuilt("wstack",    text); }
const char* doframe(const char* text, int)     { return notbuilt("frame",     text); }
const char* dovars(const char* text, int)      { return notbuilt("vars",      text); }
const char* dozero(const char* text, int)      { return notbuilt("zero",      text); }
const char* doperf(const char* text, int)      { return notbuilt("perf",      text); }
const char* dosys(const char* text, int)       { return notbuilt("sys",       text); }
const char* dofinish(const char* text, int)    { return notbuilt("finish",    text); }
const char* dopause(const char* text, int)     { return notbuilt("pause",     text); }
const char* doreset(const char* text, int)     { return notbuilt("reset",     text); }
const char* dosession(const char* text, int)   { return notbuilt("session",   text); }
const char* dolayout(const char* text, int)    { return notbuilt("layout",    text); }
const char* dointerrupt(const char* text, int) { return notbuilt("interrupt", text); }

}  // namespace vy
