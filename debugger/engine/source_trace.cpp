#include "debugger/engine/source_trace.h"

#include <new>

#include "debugger/engine/hooks.h"
#include "debugger/engine/runstate.h"
#include "debugger/target/debug_tables.h"
#include "debugger/target/interrupts.h"
#include "debugger/target/registers.h"
#include "debugger/target/services.h"
#include "debugger/target/source_lines.h"
#include "debugger/target/typed_values.h"
#include "support/format.h"

namespace vy {

SourceTrace sourcetrace;

static void* newstorage(std::size_t size) { return ::operator new(size, std::nothrow); }
void* (*tracealloc)(std::size_t size) = newstorage;

constexpr const char* FULLTEXT = "Source Trace Full";

uint32_t trccount() { return runflags.tracecount; }

static void showcount() {
    char text[64];
    uint32_t n = fmtbuf(text, sizeof text - 1, " Source Trace Active [%l Entries]", runflags.tracecount);
    text[n] = '\0';
    MiddleStatus(text);
}

// Full: nothing more is recorded until the trace is cleared.
static void becomefull() {
    RightStatus(FULLTEXT);
    MiddleStatus("");
    sourcetrace.full = true;
}

static void freeentry(TraceEntry* e) {
    freestackcopy(e->stack);
    freeframecopy(e->frames);
    e->~TraceEntry();
    ::operator delete(e);
}

static void freeentries() {
    for (TraceEntry* e = sourcetrace.head; e;) {
        TraceEntry* next = e->next;
        freeentry(e);
        e = next;
    }
    sourcetrace.head = sourcetrace.newest = nullptr;
    runflags.tracecount = 0;
}

// The monitors that are on, as they are now.
static bool snapshotmonitors(TraceEntry* e) {
    try {
        for (const LiveMonitor& m : livemonitors()) {
            if (!m.on) continue;
            TraceMonitor t;
            t.number = m.number;
            t.letter = m.letter;
            t.text = m.text;
            t.novalue = !monitorvalue(m, t.value);
            e->monitors.push_back(std::move(t));
        }
    } catch (const std::bad_alloc&) {
        return false;
    }
    return true;
}

void trcrecord(int atline, DebugEntry* entry) {
    SourceTrace& t = sourcetrace;
    if (entry && entry->kind == DBG_EXIT) {
        t.snapnext = true;
        return;
    }
    if (!atline && !t.everystep) return;
    if (t.full) return;
    DebugEntry* line = atline ? entry : (asmmode() ? nullptr : lineat(getpc()));
    if (t.filtered && !(line && line->name && t.filter == line->name)) return;
    if (t.max && runflags.tracecount >= t.max) {
        becomefull();
        return;
    }

    void* storage = tracealloc(sizeof(TraceEntry));
    if (!storage) {
        becomefull();
        return;
    }
    auto* e = new (storage) TraceEntry;
    e->line = line;
    e->flags = static_cast<uint8_t>((atline ? TRC_LINE : 0) | (asmmode() && !line ? TRC_ASM : 0) |
                                    (instructionstepping() ? TRC_INSTR : 0) | (t.stackinfo ? TRC_STACK : 0) |
                                    (t.monitorinfo ? TRC_MONITORS : 0));
    if ((entry && entry->kind == DBG_FUNCSTART) || t.snapnext) {
        e->stack = copystack();
        e->frames = copyframes();
        t.snapnext = false;
    }
    e->cycles = getcycles() - RunStartCycles;   // of the current run
    regsave(&e->registers);
    if (!snapshotmonitors(e)) {
        freeentry(e);
        becomefull();
        return;
    }
    e->prev = t.newest;
    if (t.newest) t.newest->next = e;
    else t.head = e;
    t.newest = e;
    ++runflags.tracecount;
    showcount();
}

void trcstart(int everystep) {
    sourcetrace.everystep = everystep != 0;
    sourcetrace.active = true;
    runflags.srctrace = 1;
    DebugEntry* e = curline(getpc());
    bool atline = e && (e->kind == DBG_LINE || e->kind == DBG_FUNCSTART);
    trcrecord(atline, e);
    if (!sourcetrace.full) showcount();
}

void trcclear() {
    freeentries();
    if (sourcetrace.full) RightStatus("");
    sourcetrace.full = false;
    if (sourcetrace.active) showcount();
}

uint32_t trcgetmax() { return sourcetrace.max; }
void trcsetmax(uint32_t n) { sourcetrace.max = n; }

void trcstop() {
    sourcetrace.active = false;
    sourcetrace.snapnext = false;
    runflags.srctrace = 0;
    MiddleStatus("");
}

void trcfree() {
    trcclear();
    sourcetrace.filtered = false;
    sourcetrace.filter.clear();
    sourcetrace.filter.shrink_to_fit();
}

}  // namespace vy
