// The two step primitives of run control: one source line and one
// instruction, each made of steps of the target model (simrun::step) with
// the engine's bookkeeping around them: the reset request, the pending
// function exit, the message poll, the per-instruction event check, the
// traces, the cycles of the current function and the assertions.
//
// In the reference mode the steps are the target model's reference steps
// (reference_step.h), every access walks the event lists, and the event
// check runs after every instruction: the run as its definition reads, with
// no shortcut, against which the tests hold the fast run.
#include <cstring>
#include <string>

#include "debugger/engine/alarms.h"
#include "debugger/engine/assertions.h"
#include "debugger/engine/channels.h"
#include "debugger/engine/events.h"
#include "debugger/engine/hooks.h"
#include "debugger/engine/numtext.h"
#include "debugger/engine/run_control.h"
#include "debugger/engine/runstate.h"
#include "debugger/engine/source_trace.h"
#include "debugger/target/debug_tables.h"
#include "debugger/target/decoder.h"
#include "debugger/target/frames.h"
#include "debugger/target/messages.h"
#include "debugger/target/output.h"
#include "debugger/target/queries.h"
#include "debugger/target/reference_step.h"
#include "debugger/target/registers.h"
#include "debugger/target/services.h"
#include "debugger/target/source_lines.h"
#include "debugger/target/symbols.h"
#include "debugger/target/tools/sim_run.h"

namespace vy {

bool brokenstep;
bool ReferenceRun;

void setreferencerun(bool on) {
    ReferenceRun = on;
    reference::watcheverything(on);
}

static uint32_t cyclesnow() { return timeptr ? *timeptr : 0; }

// ---------------------------------------------------------------------------
// The reset request

// The registers as the last reset left them, while that reset is still to
// be made again by the next step.
static RegImage afterreset;
static bool afterresetknown;

void resetmade() {
    afterreset = regs;
    afterresetknown = true;
}

static bool sameregs(const RegImage& a, const RegImage& b) {
    return a.a == b.a && a.b == b.b && a.cc == b.cc && a.x == b.x && a.y == b.y && a.sp == b.sp && a.pc == b.pc;
}

// Bit 2 of the target status word asks the next step to reset the CPU. A
// reset made by `zero /r` already put the registers where the reset puts
// them; when the user has set one since, that setting is kept.
static void resetrequest() {
    if (!(resetstart & 2)) return;
    resetstart = static_cast<uint8_t>(resetstart & ~2);
    if (!afterresetknown || sameregs(regs, afterreset)) cpureset();
    afterresetknown = false;
}

// ---------------------------------------------------------------------------
// One instruction

// The file of a debug entry, for the line trace.
static const char* entryfile(const DebugEntry* e) {
    if (e->func && e->func->file) return e->func->file->name;
    return e->text();
}

// Four blanks and the source line of an entry that starts a function or a
// line.
static void traceline(DebugEntry* e) {
    if (!TraceLines || !e || !(reckind(e, DBG_LINE) || reckind(e, DBG_FUNCSTART))) return;
    const char* text = readsrcline(entryfile(e), e->line);
    dbputs({"    ", text ? text : "", "\n"});
}

// The instruction just executed, after the registers it left.
static void traceinstruction(uint16_t pc) {
    char line[512] = "";
    if (CmdWindowOpen()) regline(line);
    std::string text;
    decinstr(pc, DEC_TEXT, &text);
    dbputs({line, "    ", text, "\n"});
    RegWinRedraw(0);
}

// The entry the last step entered at the new PC (null when none).
static DebugEntry* steppedentry() { return ReferenceRun ? reference::last.entry : simrun::laststep.entry; }

// What follows a step of the target model: the error of a PC that holds
// no instruction, the cycles of the current function, the trace.
static inline void afterstep(bool noinstr, bool broken, bool executed, uint16_t from, FuncRec* fn, uint32_t before) {
    if (noinstr || broken) {
        if (noinstr) dberror({msgtext(MSG_ILLEGALINSTR), " at ", uhexstr(getpc()), "\n"});
        brokenstep = true;
        return;
    }
    if (!executed) return;
    if (fn) fn->cycles += cyclesnow() - before;
    if (TraceInstr) traceinstruction(from);
}

// One step of the target model (an interrupt taken, or one instruction
// executed and the entries at the new PC entered), with the cycles it took
// added to the current function and the instruction trace.
static void referencestepone(bool interrupts) {
    FuncRec* fn = curframe ? curframe->func : nullptr;
    uint32_t before = cyclesnow();
    reference::StepEnd s = reference::step(interrupts);
    afterstep(s == reference::StepEnd::noinstr, s == reference::StepEnd::broken, reference::last.executed,
              reference::last.pc, fn, before);
}

static void stepone(bool interrupts) {
    if (ReferenceRun) return referencestepone(interrupts);
    FuncRec* fn = curframe ? curframe->func : nullptr;
    uint32_t before = cyclesnow();
    simrun::Stop s = simrun::step(true, interrupts);
    afterstep(s == simrun::Stop::noinstr, s == simrun::Stop::broken, simrun::laststep.executed, simrun::laststep.pc,
              fn, before);
}

// The entry at the PC after a step, as the line step sees it: a group that
// entered a function or holds a line (of a C function, or of an assembler
// file without functions) starts a new source line.
static bool newline(const DebugEntry* e) {
    if (ReferenceRun) return reference::startsline(e);
    return e && (reckind(e, DBG_LINE) || reckind(e, DBG_FUNCSTART));
}

DebugEntry* instep() {
    if (!AsmPaneShown()) ToggleAsmPane();
    bool interrupts = true;
    if (runpos.exitpending) {
        interrupts = false;   // no interrupt in a step that ends a call
        if (!exitfunc()) return nullptr;
    }
    resetrequest();
    brokenstep = false;
    stepone(interrupts);
    uint16_t pc = getpc();
    runpos.asmmode = static_cast<uint8_t>(!insource(pc));
    if (runpos.asmmode && runpos.exitpending) exitfunc();
    PollMessages();
    DebugEntry* entry = brokenstep ? nullptr : steppedentry();
    if (!entry) {
        if (runflags.srctrace) trcrecord(0, nullptr);
    } else {
        traceline(entry);
        // Steps in an inactive function reach the user from now on.
        if (entry->func && entry->func->active == 0) entry->func->active = 2;
    }
    RunCycles = cyclesnow() - RunStartCycles;
    RegWinRedraw(0);
    curframe = topframe;
    chkasserts();
    return entry;
}

DebugEntry* linestep() {
    bool interrupts = true;
    if (runpos.exitpending) {
        interrupts = false;
        if (!exitfunc()) return nullptr;
    }
    resetrequest();
    StopRequest = false;
    brokenstep = false;
    DebugEntry* entry = nullptr;
    for (;;) {
        PollMessages();
        stepone(interrupts);
        interrupts = true;
        uint16_t pc = getpc();
        // Where no event can trigger the check is not made.
        Event* hit = nullptr;
        if (!brokenstep && (ReferenceRun || codeeventat(pc) || datahit || alarmson()))
            hit = chkevents(nullptr, nullptr, 1);
        if (hit || StopRequest || brokenstep) {
            if (!insource(pc)) {
                InstrMode = StopRequest || brokenstep || !hit->watch;
                entry = nullptr;
            } else {
                entry = recat(pc);
            }
            break;
        }
        if (DebugEntry* e = steppedentry(); newline(e)) {
            entry = e;
            break;
        }
    }
    traceline(entry);
    curframe = topframe;
    runpos.asmmode = static_cast<uint8_t>(entry == nullptr);
    if (entry) chkasserts();
    RunCycles = cyclesnow() - RunStartCycles;
    return entry;
}

void runcontrolinit() {
    FreeRun = Animate = InstrMode = false;
    TraceLines = TraceInstr = false;
    RunCycles = 0;
    brokenstep = false;
    if (ReferenceRun) setreferencerun(false);
    afterresetknown = false;
    runpos.asmmode = 0;
    runflags.stepover = 0;
    runflags.nesting = 0;
    resetrun();
}

// ---------------------------------------------------------------------------
// What the source trace asks of the run modes

bool asmmode() { return runpos.asmmode != 0; }
bool instructionstepping() { return InstrMode; }

}  // namespace vy
