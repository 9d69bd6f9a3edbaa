// The older core's machine breakpoints and its instruction-level run loop.
//
// The breakpoints are the target model's memory events: the model checks
// them on every access while they are armed (where its watch index, rebuilt
// after each change of the list, says one can match) and runs their actions
// through the interpreter. While it does (reader.event is set), a deleted breakpoint
// is only marked and a replaced action block is kept until the outermost
// interpreter call is done, because the action being run may be reading it.
#include <algorithm>
#include <cstring>
#include <string>

#include "debugger/engine/core.h"
#include "debugger/engine/core_state.h"
#include "debugger/engine/hooks.h"
#include "debugger/engine/program.h"
#include "debugger/engine/runstate.h"
#include "debugger/target/debug_tables.h"
#include "debugger/target/decoder.h"
#include "debugger/target/memory.h"
#include "debugger/target/messages.h"
#include "debugger/target/registers.h"
#include "debugger/target/semantics.h"
#include "debugger/target/services.h"
#include "debugger/target/symbols.h"
#include "debugger/target/watch.h"
#include "support/list_node.h"

namespace vy {

// Number 65535 belongs to the time break of the target model.
constexpr uint16_t LASTNUMBER = 65534;

static std::vector<char*> replaced;

static bool checking() { return reader.event != nullptr; }

static char* makeblock(const std::vector<std::string>& lines) {
    if (lines.empty()) return nullptr;
    std::string text;
    for (const std::string& line : lines) {
        if (!text.empty()) text += '\n';
        text += line;
    }
    auto* block = static_cast<char*>(newnode(4 + text.size() + 1, nullptr));
    std::memcpy(block + 4, text.c_str(), text.size() + 1);
    return block;
}

static void dropblock(char* block) {
    if (!block) return;
    if (checking()) replaced.push_back(block);
    else freenode(block, nullptr);
}

void flushactions() {
    for (char* block : replaced) freenode(block, nullptr);
    replaced.clear();
}

std::vector<std::string> actionlines(const MemEvent* e) {
    std::vector<std::string> lines;
    if (!e->block) return lines;
    const char* text = e->block + 4;
    for (;;) {
        const char* end = std::strchr(text, '\n');
        if (!end) {
            lines.emplace_back(text);
            return lines;
        }
        lines.emplace_back(text, end);
        text = end + 1;
    }
}

MemEvent* findbreak(uint16_t number) {
    for (MemEvent* e = memevents; e; e = e->next)
        if (e->number == number && !(e->flags & MEV_DELETED)) return e;
    return nullptr;
}

void setaction(MemEvent* e, const std::vector<std::string>& action) {
    char* old = e->block;
    e->block = makeblock(action);
    dropblock(old);
}

void setbreak(uint16_t flags, uint16_t low, uint16_t high, const std::vector<std::string>& action) {
    // One with the same range and an overlapping kind takes the new action;
    // a further such duplicate goes.
    MemEvent* reused = nullptr;
    for (MemEvent *e = memevents, *next; e; e = next) {
        next = e->next;
        if ((e->flags & MEV_DELETED) || e->low != low || e->high != high) continue;
        if (!(e->flags & flags & (MEV_READ | MEV_WRITE))) continue;
        if (!reused) {
            reused = e;
            setaction(e, action);
        } else {
            rmbrk(e->number);
        }
    }
    if (reused) {
        reindexevents();
        return;
    }

    // The smallest free number; the list stays in number order.
    uint16_t number = 1;
    MemEvent** link = &memevents;
    for (; *link && (*link)->number <= number; link = &(*link)->next)
        if ((*link)->number == number) ++number;
    if (number > LASTNUMBER) {
        coreerror(MSG_STACKOVERFLOW);
        return;
    }
    auto* e = static_cast<MemEvent*>(newnode(sizeof(MemEvent), *link));
    e->flags = flags;
    e->number = number;
    e->low = low;
    e->high = high;
    e->block = makeblock(action);
    *link = e;
    reindexevents();
    defsym(".lbrk", number);
}

void listbreaks() {
    for (MemEvent* e = memevents; e; e = e->next) {
        if (e->flags & MEV_DELETED) continue;
        coreprintf("(%i) ", e->number);
        if (e->flags & MEV_ANY) {
            coreputs("... ");
        } else if (e->low != e->high) {
            coreprintf("0x%+0nhl , 0x%+0nhl ", 4, e->low, 4, e->high);
        } else if (SymRec* s = nearsym(e->low)) {
            if (s->value == e->low) coreprintf("%p ", s->name());
            else coreprintf("%p+%l ", s->name(), e->low - s->value);
        } else {
            coreprintf("0x%+0nhl ", 4, e->low);
        }
        if ((e->flags & (MEV_READ | MEV_WRITE)) != (MEV_READ | MEV_WRITE))
            coreputs(e->flags & MEV_READ ? "(r) " : "(w) ");
        bool first = true;
        for (const std::string& line : actionlines(e)) {
            coreprintf(first ? "? %p" : "\n\t\t%p", line.c_str());
            first = false;
        }
        coreputs("\n");
    }
}

void rmbrk(uint16_t number) {
    for (MemEvent** link = &memevents; *link; link = &(*link)->next) {
        MemEvent* e = *link;
        if (e->number != number) continue;
        if (checking()) {
            e->flags |= MEV_DELETED;
            return;
        }
        *link = e->next;
        dropblock(e->block);
        freenode(e, nullptr);
        reindexevents();
        return;
    }
}

// ---------------------------------------------------------------------------
// The run loop

static bool running;

// The execution check at the PC; the number of the breakpoint that fired.
static uint32_t checkexecution() {
    runflags.lasthit = 0;
    runflags.armed = 1;
    uint32_t hit = chkmemevt(getpc(), MEV_READ | MEV_ANY);
    runflags.armed = 0;
    return hit;
}

// The registers: the macro ".panel" when there is one, else the register
// line.
static void showregisters() {
    if (coremacroexists(".panel")) {
        const char* saved = reader.pos;
        interp("{.panel}", 1);
        reader.pos = saved;
        return;
    }
    char line[512];
    regline(line);
    coreputs(line);
}

void corerun(int mode, uint32_t count) {
    if (running) {
        reader.cont = 1;
        return;
    }
    running = true;
    StopRequest = false;
    bool printing = mode != RUN_GO;
    int32_t overreturn = -1;   // return address of a call being stepped over
    uint32_t hit = 0;
    bool illegal = false;
    std::string text;
    runflags.lasthit = 0;
    for (bool first = true; !(mode == RUN_STEP && count == 0); first = false) {
        PollMessages();
        if (StopRequest || QuitRequested || coreabandoned()) break;
        if (!first && (hit = checkexecution())) break;
        if (irqptr && intpending() && takeint(irqptr) && (hit = checkexecution())) break;
        if (core.sourcestep && core.sourcedisplay) coreannounce(getpc());

        bool silent = overreturn >= 0;
        if (printing && !silent) showregisters();
        uint16_t pc = getpc();
        runflags.callmade = 0;
        runflags.lasthit = 0;
        runflags.skipone = 1;
        runflags.armed = 1;
        uint16_t length = decinstr(pc, printing && !silent ? DEC_TEXT | DEC_EXEC : DEC_EXEC, &text);
        runflags.armed = 0;
        runflags.skipone = 0;
        if (length == NOINSTR) {
            illegal = true;
            break;
        }
        if (printing && !silent) coreprintf(" %p\n", text.c_str());

        uint16_t now = getpc();
        if (overreturn >= 0) {
            if (static_cast<uint16_t>(now - overreturn) <= 2) overreturn = -1;
        } else if (core.stepover && runflags.callmade) {
            overreturn = static_cast<uint16_t>(pc + length);
        }
        if (mode == RUN_STEP && overreturn < 0 && (!core.sourcestep || lineexact(now))) --count;
        if ((hit = runflags.lasthit)) break;
    }
    runflags.lasthit = 0;
    running = false;
    core.stopped = static_cast<uint16_t>(hit);
    if (illegal) {
        coreerror(MSG_ILLEGALINSTR);
        return;
    }
    showregisters();
    decinstr(getpc(), DEC_TEXT, &text);
    coreprintf(" (%p)\n", text.c_str());
    if (hit) coreprintf("\n%p (%i) 0x%+0nhl\n", msgtext(MSG_BREAKPOINT), hit, 4, runflags.lasthitaddr);
}

}  // namespace vy
