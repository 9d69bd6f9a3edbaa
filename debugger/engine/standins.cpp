// The commands whose work comes with later parts of the engine: each reports
// that it is not built in yet and passes over its statement, so the lines
// and blocks around it run on. A command leaves this file when it is built.
#include "debugger/engine/commands.h"
#include "debugger/engine/core.h"
#include "debugger/engine/core_state.h"
#include "debugger/engine/handlers.h"
#include "debugger/engine/source_trace.h"
#include "debugger/engine/standins.h"
#include "debugger/engine/variables.h"
#include "debugger/target/debug_tables.h"
#include "debugger/target/frames.h"
#include "debugger/target/messages.h"
#include "debugger/target/registers.h"
#include "debugger/target/services.h"
#include "debugger/target/typed_values.h"
#include "support/list_node.h"

namespace vy {

// The older core's view of source lines, until the target model has its
// source-line lookups: no line has code, and nothing is annotated.
uint32_t corelineaddr(const char* file, uint32_t line, uint32_t column) {
    coreerror(MSG_NOSOURCELINE);
    return 0;
}
void coreannotate(uint16_t address) {}
void coreannounce(uint16_t address) {}

// What the source trace records of the stack window, the call frames and
// the run modes, until those exist: nothing, and neither mode.
void* copystack() { return nullptr; }
void freestackcopy(void*) {}
void freeframecopy(void* copy) { freechain(copy, nullptr); }
bool asmmode() { return false; }
bool instructionstepping() { return false; }

const char* doactiv(const char* text, int)     { return notbuilt("activ",     text); }
const char* dodeact(const char* text, int)     { return notbuilt("deact",     text); }
const char* dodisa(const char* text, int)      { return notbuilt("disa",      text); }
const char* dopath(const char* text, int)      { return notbuilt("path",      text); }
const char* dogo(const char* text, int)        { return notbuilt("go",        text); }
const char* dotgo(const char* text, int)       { return notbuilt("tgo",       text); }
const char* dotigo(const char* text, int)      { return notbuilt("tigo",      text); }
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
