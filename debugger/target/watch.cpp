#include "debugger/target/watch.h"

#include <cstring>

#include "debugger/target/services.h"

namespace vy {

WatchIndex watch;
bool watchall;

// Sets the bits of the addresses low..high (inclusive; none when low > high).
static void mark(uint64_t* bits, uint32_t low, uint32_t high) {
    for (uint32_t a = low; a <= high && a < 65536;) {
        if ((a & 63) == 0 && high - a >= 63) {
            bits[a >> 6] = ~uint64_t{0};
            a += 64;
        } else {
            bits[a >> 6] |= uint64_t{1} << (a & 63);
            ++a;
        }
    }
}

static void indexmemevents() {
    std::memset(watch.memread, 0, sizeof watch.memread);
    std::memset(watch.memwrite, 0, sizeof watch.memwrite);
    std::memset(watch.memexec, 0, sizeof watch.memexec);
    for (const MemEvent* e = memevents; e; e = e->next) {
        uint32_t low = e->low, high = e->high;
        if (e->flags & MEV_DELETED) {
            // Waits for the purge at the end of the next check: let every
            // check reach it.
            low = 0;
            high = 0xFFFF;
            mark(watch.memread, low, high);
            mark(watch.memwrite, low, high);
            mark(watch.memexec, low, high);
            continue;
        }
        if (e->flags & MEV_ANY) {
            low = 0;
            high = 0xFFFF;
        }
        if (e->flags & MEV_READ) mark(watch.memread, low, high);
        if (e->flags & MEV_WRITE) mark(watch.memwrite, low, high);
        if (e->flags & (MEV_READ | MEV_ANY)) mark(watch.memexec, low, high);
    }
}

// A data event covers its variable: address <= a < address + size, the end
// computed in 32 bits as the recorder computes it (an end that wraps past
// 32 bits covers nothing).
static void indexdataevents() {
    std::memset(watch.dataread, 0, sizeof watch.dataread);
    std::memset(watch.datawrite, 0, sizeof watch.datawrite);
    for (const EventRecord* e = eventlist; e; e = e->next) {
        if (e->cls != 'D' || !e->var || e->var->size == 0) continue;
        uint32_t low = e->var->address;
        uint32_t end = low + e->var->size;
        if (end < low) continue;
        uint32_t high = end - 1 > 0xFFFFu ? 0xFFFFu : end - 1;
        if (e->access == 'A' || e->access == 'R') mark(watch.dataread, low, high);
        if (e->access == 'A' || e->access == 'W') mark(watch.datawrite, low, high);
    }
}

void reindexevents() {
    if (watchall) {
        std::memset(&watch, 0xFF, sizeof watch);
        return;
    }
    indexmemevents();
    indexdataevents();
}

}  // namespace vy
