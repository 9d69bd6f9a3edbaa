#include "debugger/target/reference_step.h"

#include <vector>

#include "debugger/target/abi.h"
#include "debugger/target/debug_tables.h"
#include "debugger/target/decoder.h"
#include "debugger/target/frames.h"
#include "debugger/target/interrupts.h"
#include "debugger/target/memory.h"
#include "debugger/target/messages.h"
#include "debugger/target/output.h"
#include "debugger/target/registers.h"
#include "debugger/target/semantics.h"
#include "debugger/target/services.h"
#include "debugger/target/source_lines.h"
#include "debugger/target/symbols.h"
#include "debugger/target/watch.h"

namespace vy::reference {

Step last;

namespace {

// The debug entries in list order (ascending address), and for every
// address the position of the first entry at or above it, to find where an
// address's entries begin; made again when the list changed.
std::vector<DebugEntry*> entries;
std::vector<uint32_t> firstabove;
uint32_t entriesmade = ~uint32_t{0};

const std::vector<DebugEntry*>& sorted() {
    if (entriesmade != entriesversion) {
        entries.clear();
        for (DebugEntry* e = debuglist; e; e = e->next) entries.push_back(e);
        firstabove.assign(0x10001, 0);
        std::size_t i = 0;
        for (uint32_t a = 0; a <= 0x10000; ++a) {
            while (i < entries.size() && entries[i]->addr < a) ++i;
            firstabove[a] = static_cast<uint32_t>(i);
        }
        entriesmade = entriesversion;
    }
    return entries;
}

// The position of the first entry at or above the address.
std::size_t firstfrom(uint16_t address) {
    sorted();
    return firstabove[address];
}

// The entries at one address, found by walking them.
struct AtAddress {
    DebugEntry* start = nullptr;  // the first function start
    DebugEntry* setup = nullptr;  // the first frame set-up
    DebugEntry* line = nullptr;   // the last line
    DebugEntry* exit = nullptr;   // the first function exit
    DebugEntry* counted = nullptr;  // the first line or function start
};

AtAddress at(uint16_t address) {
    AtAddress a;
    const auto& all = sorted();
    for (std::size_t i = firstfrom(address); i < all.size() && all[i]->addr == address; ++i) {
        DebugEntry* e = all[i];
        if (e->kind == DBG_FUNCSTART && !a.start) a.start = e;
        if (e->kind == DBG_SETUP && !a.setup) a.setup = e;
        if (e->kind == DBG_LINE) a.line = e;
        if (e->kind == DBG_EXIT && !a.exit) a.exit = e;
        if ((e->kind == DBG_LINE || e->kind == DBG_FUNCSTART) && !a.counted) a.counted = e;
    }
    return a;
}

// The entry at an address that the line update takes: the first that is no
// function reference, end or file, or the successor of a function end at
// the same address.
DebugEntry* entryatpc(uint16_t address) {
    const auto& all = sorted();
    for (std::size_t i = firstfrom(address); i < all.size() && all[i]->addr == address; ++i) {
        DebugEntry* e = all[i];
        if (e->kind != DBG_FUNCREF && e->kind != DBG_FUNCEND && e->kind != DBG_FILE) return e;
        if (e->kind == DBG_FUNCEND && e->next && e->next->addr == address) return e->next;
    }
    return nullptr;
}

// The cycles of the instruction at the address go to its line: a line or
// function-start entry exactly there counts them and one execution (for a
// function start whose line stands at the same address two entries on, that
// line counts them, and both an execution); between entries the last entry
// below the address counts the cycles, unless it is a set-up, reference or
// file entry.
void countinstruction(uint16_t address, uint32_t before) {
    uint32_t cycles = (timeptr ? *timeptr : 0) - before;
    if (DebugEntry* e = at(address).counted) {
        countentry(e, address, cycles);
        return;
    }
    const auto& all = sorted();
    std::size_t above = firstfrom(address);
    if (above == 0 || (above < all.size() && all[above]->addr == address)) return;
    DebugEntry* below = all[above - 1];
    if (below->kind != DBG_SETUP && below->kind != DBG_FUNCREF && below->kind != DBG_FILE) below->cycles += cycles;
}

void trace(int kind, DebugEntry* e) {
    if (runflags.srctrace && e) services().trcrecord(kind, e);
}

// The first function-exit entry behind the entry at an address not above
// the PC (the exit at the PC itself when the entry stands there).
DebugEntry* exitfor(const DebugEntry* entry, uint16_t pc) {
    if (entry->addr == pc) return at(pc).exit;
    for (DebugEntry* e = entry->next; e && e->addr <= pc; e = e->next)
        if (e->kind == DBG_EXIT) return e;
    return nullptr;
}

// Enters the entries at the entry's address: a function start pushes a
// frame, a set-up entry fixes it, the line moves it, an exit pops it (now,
// or at the next step when the address did something else).
void enter(DebugEntry* entry) {
    const uint16_t pc = getpc();
    const AtAddress here = at(static_cast<uint16_t>(entry->addr));
    forwardflag = 0;
    if (runpos.exitpending && !here.exit) exitfunc();
    if (entry->func && !entry->func->active) {
        enterfunc(0, entry);
        trace(1, here.line);
        // Its exit still ends its call, at the next step.
        if (here.exit && entry->addr == pc) {
            runpos.exitpending = 1;
            runpos.exitentry = here.exit;
        }
        return;
    }
    int count = 0;
    DebugEntry* start = here.start;
    if (start && start->name && start->name[0]) {
        if (start->func) ++start->func->calls;
        DebugEntry* table = functable(start->text(), start->name);
        if (!table) {
            dberror({"can't locate debug tables for: ", printable(start->text()), " ", printable(start->name)});
            dberror({msgtext(MSG_STRIKEKEY)});
            LoadFailed = 1;
            return;
        }
        if (enterfunc(table->addr, nullptr)) {
            frameline(start);
            if (start->func && start->func->active) trace(1, start);
            forwardflag = 1;
            count = 1;
        }
    }
    if (here.setup) frameset(argbase(), here.setup, count);
    if (DebugEntry* line = here.line) {
        enteredline = forwardflag ? line : nullptr;
        frameline(line);
        if (line->func && line->func->active) trace(1, line);
        ++count;
    }
    if (DebugEntry* exit = exitfor(entry, pc)) {
        trace(0, exit);
        if (count == 0) {
            exitfunc();
        } else {
            runpos.exitpending = 1;
            runpos.exitentry = exit;
        }
    }
    forwardflag = 0;
}

// The places where the interrupts being served were taken, innermost last,
// each with whether its entries had been entered in full: the rti of a
// handler comes back there, and entries entered once are not entered again.
// An interrupt that waited when they were entered kept the frames from
// changing: they are entered when it comes back.
struct Interrupted {
    uint16_t pc;
    bool entered;
};
std::vector<Interrupted> interrupted;
constexpr std::size_t MAXINTERRUPTED = 256;  // handlers that never return
// The PC whose entries the last step entered, and whether in full.
int32_t lastpc = -1;
bool lastentered = false;

DebugEntry* enterafter(uint16_t frompc, bool executed) {
    const uint16_t pc = getpc();
    if (!executed) {
        if (interrupted.size() == MAXINTERRUPTED) interrupted.erase(interrupted.begin());
        interrupted.push_back({frompc, lastpc == frompc && lastentered});
    } else if (!interrupted.empty() && interrupted.back().pc == pc &&
               getpage(frompc)->data[frompc & (PAGESIZE - 1)] == 0x3B) {
        bool entered = interrupted.back().entered;
        interrupted.pop_back();
        if (entered) {
            lastpc = pc;
            lastentered = true;
            return nullptr;
        }
    }
    DebugEntry* e = currentline = entryatpc(pc);
    lastpc = pc;
    lastentered = true;
    if (!e) return nullptr;
    enter(e);
    lastentered = !intpending();
    return e;
}

// Every trigger, in table order: a timed one that is due, a location one
// at its address, or on a line in its range (the top frame's function lies
// in its file, or is its function).
void checktriggers() {
    bool changed = false;
    const uint16_t pc = getpc();
    for (IntDesc* d = inttable; d->name; ++d) {
        if (timeptr && d->timeactive && d->nexttime <= *timeptr) {
            firetimed(d);
            changed = true;
        }
        if (!d->locactive) continue;
        if (d->byaddress) {
            if (d->address != pc) continue;
        } else {
            const FrameNode* f = topframe;
            if (!f || !f->func) continue;
            bool where = (d->file && f->func->file == d->file) || (d->func && f->func == d->func);
            if (!where || (d->firstline && d->firstline > f->line) || (d->lastline && d->lastline < f->line)) continue;
        }
        if (firelocation(d)) changed = true;
    }
    // The fast check's watch follows the table.
    if (changed) triggerschanged();
}

}  // namespace

StepEnd step(bool interrupts) {
    datahit = nullptr;
    if (runpos.exitpending) exitfunc();
    checktriggers();
    const uint16_t pc = getpc();
    last = Step{false, pc, nullptr};
    if (interrupts && irqptr && *irqptr && takeint(irqptr)) {
        last.entry = enterafter(pc, false);
        return LoadFailed ? StepEnd::broken : StepEnd::step;
    }
    const uint32_t before = timeptr ? *timeptr : 0;
    runflags.lasthit = 0;
    runflags.armed = 1;
    chkmemevt(pc, 5);
    runflags.skipone = 1;
    uint16_t length = decinstr(pc, DEC_EXEC, nullptr);
    runflags.armed = 0;
    runflags.skipone = 0;
    if (length == NOINSTR) return StepEnd::noinstr;
    last.executed = true;
    countinstruction(pc, before);
    last.entry = enterafter(pc, true);
    return LoadFailed ? StepEnd::broken : StepEnd::step;
}

bool startsline(const DebugEntry* entry) {
    if (!entry) return false;
    AtAddress here = at(static_cast<uint16_t>(entry->addr));
    return here.line || here.start;
}

void forget() {
    interrupted.clear();
    lastpc = -1;
    lastentered = false;
}

void watcheverything(bool on) {
    watchall = on;
    reindexevents();
}

}  // namespace vy::reference
