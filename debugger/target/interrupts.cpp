#include "debugger/target/interrupts.h"

#include <cstring>

#include "debugger/target/symbols.h"

namespace vy {

// The 68HC11's interrupt sources with their vector addresses; the position
// is the mask bit, bit 0 serving first.
static IntDesc builtin[] = {
    {"COP clock fail", 0xFFFC, 1u << 0},
    {"COP fail", 0xFFFA, 1u << 1},
    {"XIRQ", 0xFFF4, 1u << 2},
    {"IRQ", 0xFFF2, 1u << 3},
    {"Real Time Interrupt", 0xFFF0, 1u << 4},
    {"Timer Input 1", 0xFFEE, 1u << 5},
    {"Timer Input 2", 0xFFEC, 1u << 6},
    {"Timer Input 3", 0xFFEA, 1u << 7},
    {"Timer Output 1", 0xFFE8, 1u << 8},
    {"Timer Output 2", 0xFFE6, 1u << 9},
    {"Timer Output 3", 0xFFE4, 1u << 10},
    {"Timer Output 4", 0xFFE2, 1u << 11},
    {"Timer Output 5", 0xFFE0, 1u << 12},
    {"Timer Overflow", 0xFFDE, 1u << 13},
    {"Pulse acc overflow", 0xFFDC, 1u << 14},
    {"Pulse Input Edge", 0xFFDA, 1u << 15},
    {"SPI", 0xFFD8, 1u << 16},
    {"SCI", 0xFFD6, 1u << 17},
    {nullptr, 0, 0},
};

IntDesc* inttable = builtin;

IntDesc* builtininttable() { return builtin; }

uint32_t intvector(uint32_t mask) {
    for (IntDesc* d = inttable; d->name; ++d)
        if (d->mask == mask) return d->vector;
    return 0;
}

void resettriggers() {
    for (IntDesc* d = inttable; d->name; ++d) {
        d->timeactive = d->timetriggered = 0;
        d->nexttime = d->firstat = d->period = 0;
        d->locactive = d->loctriggered = 0;
        d->staysactive = 0;
        d->hitcount = 1;
        d->hits = 0;
        d->file = nullptr;
        d->func = nullptr;
        d->firstline = d->lastline = 0;
        d->address = 0;
    }
}

uint32_t getcycles() { return timeptr ? *timeptr : 0; }

int raiseint(uint32_t vector, const char* name, int byname) {
    for (IntDesc* d = inttable; d->name; ++d) {
        if (byname ? std::strcmp(d->name, name) == 0 : d->vector == vector) {
            if (irqptr) *irqptr |= d->mask;
            return 1;
        }
    }
    return 0;
}

}  // namespace vy
