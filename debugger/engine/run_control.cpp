#include "debugger/engine/run_control.h"

#include <cstdio>
#include <cstring>
#include <string>

#include "debugger/engine/assertions.h"
#include "debugger/engine/channels.h"
#include "debugger/engine/commands.h"
#include "debugger/engine/evaluator.h"
#include "debugger/engine/events.h"
#include "debugger/engine/handlers.h"
#include "debugger/engine/hooks.h"
#include "debugger/engine/location.h"
#include "debugger/engine/monitors.h"
#include "debugger/engine/runstate.h"
#include "debugger/engine/scan.h"
#include "debugger/engine/sink.h"
#include "debugger/engine/source_trace.h"
#include "debugger/target/debug_tables.h"
#include "debugger/target/decoder.h"
#include "debugger/target/frames.h"
#include "debugger/target/messages.h"
#include "debugger/target/queries.h"
#include "debugger/target/registers.h"
#include "debugger/target/services.h"
#include "debugger/target/source_lines.h"
#include "debugger/target/symbols.h"

namespace vy {

bool FreeRun;
bool Animate;
bool InstrMode;
bool TraceLines, TraceInstr;
uint32_t RunCycles;

bool running() { return runflags.runnesting != 0; }


// ---------------------------------------------------------------------------
// The run loop

static char status[64];

static void steppingstatus(uint32_t done, uint32_t total) {
    if (Animate) std::snprintf(status, sizeof status, " Animate (%lu)", static_cast<unsigned long>(done));
    else std::snprintf(status, sizeof status, " Stepping: %lu", static_cast<unsigned long>(done));
    if (!Animate && !runflags.stepover && total != NOLIMIT) {
        std::size_t n = std::strlen(status);
        std::snprintf(status + n, sizeof status - n, " out of %lu ", static_cast<unsigned long>(total));
    }
    LeftStatus(status);
}

static bool isdotfunction(const FuncRec* fn) { return fn->name[0] == '.' && fn->name[1] == '\0'; }

// The internal event of a run to a location; false after reporting a
// location that cannot be used.
static bool runtarget(const char* text, const char*& after, const LocationSpec& where) {
    EventMaking m{0, 0, 0, false};
    if (where.isaddress) {
        after = addabsevt(after, where.address, m);
        return after != nullptr;
    }
    if (isline(where)) {
        const char* p = addlinevt(after, where, curframe, m);
        if (!p) return false;
        after = p;
        return true;
    }
    const char* q = text;
    int error = 0;
    ResultRecord* r = xexpr(&q, &error, 1);
    if (error || r->storage == ST_VALUE) {
        dberror({msgtext(error ? error : MSG_BADBREAKPOINT), ": ", r->text, "\n"});
        xfree(r);
        return false;
    }
    const char* p;
    if (r->storage == ST_SYMBOL) {
        std::string symbol = r->text;
        xfree(r);
        p = addsymevt(q, symbol.c_str(), m);
    } else if (r->storage == CL_LOCAL18 || r->storage == CL_GLOBAL) {
        p = addlabevt(q, r, m);
    } else {
        p = addexpevt(q, r, m);
    }
    if (!p) return false;
    after = p;
    return true;
}

// The views that follow the target are refreshed after every step while
// stepping, and only at the stop of a free run.
static bool heldrefresh;

static void holdrefresh() {
    if (runflags.stepping || norefresh) return;
    norefresh = true;
    heldrefresh = true;
}

static void releaserefresh() {
    if (!heldrefresh) return;
    norefresh = false;
    heldrefresh = false;
    refreshfollowers();
}

const char* runloop(const char* text, int arg) {
    LocationSpec& where = location;
    const char* after = skipblanks(parseloc(text, where));
    if (where.present) {
        if (iscount(where)) {
            FreeRun = false;
            runflags.stepcount = where.number;
        } else if (!runtarget(text, after, where)) {
            if (!running()) SetRunState(0, 0);
            return CMD_END;
        }
        after = skipblanks(after);
    } else if (!running()) {
        runflags.stepcount = runflags.stepping ? 1 : NOLIMIT;
    }

    StopRequest = false;
    if (curframe && curframe->func && curframe->func->active == 0 && runflags.stepping) curframe->func->active = 2;

    if (runflags.runnesting++ != 0) return after;   // the outer loop carries on

    LeftStatus(runflags.stepping ? " Stepping " : " Running ");
    RunStartCycles = timeptr ? *timeptr : 0;
    uint32_t done = 0, total = runflags.stepcount;
    holdrefresh();
    for (;;) {
        if (StopRequest) break;
        if (!Animate && !FreeRun) {
            if (runflags.stepcount == 0) break;
            --runflags.stepcount;
        }
        if (!runflags.stepping) {
            while (curframe && curframe->func && curframe->func->active == 2) {
                FuncRec* fn = curframe->func;
                if (isdotfunction(fn)) fn->active = 0;
                if (!popframe()) break;
            }
        }
        if (runflags.stepping) steppingstatus(++done, total);
        WinSetFakeIo();
        if (curframe && curframe->func && curframe->func->active == 0) popframe();

        // Counted steps of a program without any source line are
        // instructions: a line step would never end.
        bool byinstruction = InstrMode || (!FreeRun && !debuglist);
        DebugEntry* entry = byinstruction ? instep() : linestep();
        Event* hit = brokenstep ? nullptr : chkevents(entry, curframe, 0);
        if (brokenstep) {
            InstrMode = true;
            break;
        }
        if ((hit && !hit->watch) || (InstrMode && !runflags.stepping)) {
            if (runflags.runnesting == 1) break;
            LeftStatus(runflags.stepping ? "Stepping" : "Running");
            runflags.runnesting = 1;
        }
        if (runflags.stepover && runflags.nesting > 0) {
            ++runflags.stepcount;
            continue;
        }
        if (entry && entry->func && entry->func->name[0] && entry->func->active == 0) {
            // A line of an inactive function is not a step: not counted,
            // nor shown as one.
            ++runflags.stepcount;
            if (done) --done;
            continue;
        }
        if (runflags.stepping && runflags.stepcount > 0) {
            if (!InstrMode) RegWinRedraw(0);
            GotoPCLine();
        }
    }
    if (!InstrMode) RegWinRedraw(0);
    LeftStatus("Command");
    if (InstrMode && !AsmPaneShown()) ToggleAsmPane();
    runflags.stepover = 0;
    runflags.runnesting = 0;
    releaserefresh();
    SetRunState(0, 0);
    return after;
}

// ---------------------------------------------------------------------------
// The commands

// Every run command starts alike: the traces off (then its own on), the
// counting and the step modes set, the frame's menus to "running".
static void startrun(bool freerun, bool instr, bool trlines, bool trinstr, int longrun) {
    TraceLines = trlines;
    TraceInstr = trinstr;
    FreeRun = freerun;
    InstrMode = instr;
    SetRunState(1, longrun);
}

// g, s and si: a run in progress that is stepping goes on with it;
// otherwise the mode and the no-limit count are set.
static const char* runfrom(const char* text, int arg, uint8_t stepping) {
    if (!(running() && runflags.stepping)) {
        runflags.stepping = stepping;
        runflags.stepcount = NOLIMIT;
    }
    return runloop(text, arg);
}

const char* dogo(const char* text, int arg) {
    startrun(true, false, false, false, 1);
    runflags.stepover = 0;
    return runfrom(text, arg, 0);
}

const char* dotgo(const char* text, int arg) {
    startrun(true, false, true, false, 1);
    runflags.stepover = 0;
    runflags.stepping = 0;
    return runloop(text, arg);
}

const char* dotigo(const char* text, int arg) {
    startrun(true, false, true, true, 1);
    runflags.stepover = 0;
    runflags.stepping = 0;
    return runloop(text, arg);
}

const char* dostep(const char* text, int arg) {
    startrun(false, debuglist == nullptr, false, false, 0);
    runflags.stepover = 0;
    runflags.nesting = 0;
    return runfrom(text, arg, 1);
}

const char* doistep(const char* text, int arg) {
    startrun(false, true, false, false, 0);
    runflags.stepover = 0;
    runflags.nesting = 0;
    return runfrom(text, arg, 1);
}

// so and finish pass over calls while the PC lies in a function with source
// lines. Without any source a line step would never end: they step an
// instruction, as s does then.
static const char* overcalls(const char* text, int arg, int depth, int longrun) {
    startrun(false, debuglist == nullptr, false, false, longrun);
    runflags.stepover = static_cast<uint8_t>(insource(getpc()) ? 1 : 0);
    runflags.nesting = runflags.stepover ? depth : 0;
    runflags.stepping = 1;
    return runloop(text, arg);
}

const char* doostep(const char* text, int arg) { return overcalls(text, arg, 0, 1); }
const char* dofinish(const char* text, int arg) { return overcalls(text, arg, 1, 0); }

}  // namespace vy
