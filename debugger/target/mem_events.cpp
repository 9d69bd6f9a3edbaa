// The memory-event check of the older command core: runs on byte accesses
// while events are armed, and on the execution check before each instruction,
// wherever the watch index says that an event can match (memory.h).
#include <cstring>

#include "debugger/target/memory.h"
#include "debugger/target/services.h"
#include "debugger/target/symbols.h"

namespace vy {

static uint8_t checking;
static char ftimeblock[] = "\0\0\0\0{.ftime}";
static MemEvent timebreak = {nullptr, MEV_ANY, 65535, 0, 0, nullptr};

static bool timebreakdue() {
    return btimeptr && timeptr && *btimeptr <= *timeptr;
}

uint32_t eventscans;

uint32_t scanmemevt(uint16_t address, int kind) {
    ++eventscans;
    if (runflags.lasthit || checking) return runflags.lasthit;
    const char* savedpos = reader.pos;
    MemEvent* savedevent = reader.event;
    checking = 1;

    MemEvent* list = memevents;
    if (timebreakdue()) {
        timebreak.block = services().hasmacro(".ftime") ? ftimeblock : nullptr;
        timebreak.next = memevents;
        list = &timebreak;
    }
    MemEvent* fired = nullptr;
    bool ran = false;  // a condition or command ran, which may have changed the events
    for (MemEvent* e = list; e && !fired; e = e->next) {
        if (!(e->flags & kind) || (e->flags & MEV_DELETED)) continue;
        if (!(e->flags & MEV_ANY) && (address < e->low || address > e->high)) continue;
        defsym(".abrk", address);
        defsym(".nbrk", e->number);
        defsym(".tbrk", static_cast<uint32_t>(kind & 3));
        if (!e->block || !runflags.armed) {
            fired = e;
            break;
        }
        const char* text = skipwhite(e->block + 4);
        ran = true;
        if (*text != '{') {
            // A condition: the command, if any, stands behind it.
            reader.pos = text;
            uint32_t holds = 0;
            if (!services().evalexpr(&holds) || holds == 0) continue;
            text = skipwhite(reader.pos);
        }
        reader.cont = 0;
        runflags.armed = 0;
        reader.event = e;
        services().interp(text, 1);
        runflags.armed = 1;
        if (!reader.cont) fired = e;
    }

    reader.pos = savedpos;
    reader.event = savedevent;
    checking = 0;
    if (fired) {
        runflags.lasthitaddr = address;
        runflags.lasthit = fired->number;
    }
    for (MemEvent* e = memevents; e;) {
        MemEvent* next = e->next;
        if (e->flags & MEV_DELETED) {
            e->flags = 0;
            services().rmbrk(e->number);
            ran = true;
        }
        e = next;
    }
    if (ran) reindexevents();
    return runflags.lasthit;
}

}  // namespace vy
