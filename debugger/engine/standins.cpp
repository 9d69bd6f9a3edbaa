// The commands whose work comes with later parts of the engine: each reports
// that it is not built in yet and passes over its statement, so the lines
// and blocks around it run on. A command leaves this file when it is built.
#include "debugger/engine/commands.h"
#include "debugger/engine/handlers.h"
#include "debugger/engine/standins.h"

namespace vy {

bool framepresent() { return false; }
void rmintevents() {}
void writeevents(std::FILE*) {}
void writemonits(std::FILE*) {}
void refreshfollowers() {}

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
const char* dofopen(const char* text, int)     { return notbuilt("fopen",     text); }
const char* dofclose(const char* text, int)    { return notbuilt("fclose",    text); }
const char* dofread(const char* text, int)     { return notbuilt("fread",     text); }
const char* dofwrite(const char* text, int)    { return notbuilt("fwrite",    text); }
const char* dorewind(const char* text, int)    { return notbuilt("rewind",    text); }
const char* doremove(const char* text, int)    { return notbuilt("remove",    text); }
const char* dopause(const char* text, int)     { return notbuilt("pause",     text); }
const char* doreset(const char* text, int)     { return notbuilt("reset",     text); }
const char* dosession(const char* text, int)   { return notbuilt("session",   text); }
const char* dolayout(const char* text, int)    { return notbuilt("layout",    text); }
const char* dointerrupt(const char* text, int) { return notbuilt("interrupt", text); }

}  // namespace vy
