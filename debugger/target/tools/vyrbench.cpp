// vyrbench: simulator speed inside one process. Runs a loop program (load,
// add, store, decrement, branch) step by step as the debugger's run control
// does (the execution check at the PC, the skip flag, events armed around
// each instruction) with the cycle counter .time defined, bare and with 1,
// 4 and 16 memory events that never match and with a breakpoint that is
// never reached, and prints simulated instructions per second for each.
// Usage: vyrbench [COUNT]   (default 100 million instructions per run)
// Comparisons with GDB's simulator: debugger/target/bench/simspeed.sh.
#include <chrono>
#include <cstdio>
#include <cstdlib>

#include "debugger/target/decoder.h"
#include "debugger/target/memory.h"
#include "debugger/target/registers.h"
#include "debugger/target/services.h"
#include "debugger/target/symbols.h"
#include "debugger/target/watch.h"
#include "support/list_node.h"

using namespace vy;

static const uint8_t program[] = {
    0xCE, 0x00, 0x00,  // 8000 start: ldx #0
    0x96, 0x10,        // 8003 loop:  ldaa <0x10
    0x8B, 0x01,        // 8005        adda #1
    0x97, 0x10,        // 8007        staa <0x10
    0x09,              // 8009        dex
    0x26, 0xF7,        // 800A        bne loop
    0x20, 0xF2,        // 800C        bra start
};

// Memory events on bytes the loop never touches, in the page it counts in.
static void addevents(int n) {
    MemEvent** link = &memevents;
    for (int i = 0; i < n; ++i) {
        auto* e = static_cast<MemEvent*>(newnode(sizeof(MemEvent), nullptr));
        e->flags = i % 3 == 0 ? MEV_READ : i % 3 == 1 ? MEV_WRITE : MEV_READ | MEV_WRITE;
        e->number = static_cast<uint16_t>(i + 1);
        e->low = static_cast<uint16_t>(0x20 + 8 * i);
        e->high = static_cast<uint16_t>(0x23 + 8 * i);
        *link = e;
        link = &e->next;
    }
    reindexevents();
}

static void dropevents() {
    while (memevents) services().rmbrk(memevents->number);
}

static double run(uint64_t count, uint32_t& cycles) {
    setpc(0x8000);
    *timeptr = 0;
    auto start = std::chrono::steady_clock::now();
    for (uint64_t n = 0; n < count; ++n) {
        uint16_t pc = getpc();
        runflags.lasthit = 0;
        if (n > 0 && chkmemevt(pc, 5)) break;
        runflags.skipone = 1;
        runflags.armed = 1;
        decinstr(pc, DEC_EXEC, nullptr);
        runflags.armed = 0;
        if (runflags.lasthit) break;
    }
    auto seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    cycles = *timeptr;
    return seconds;
}

int main(int argc, char** argv) {
    uint64_t count = argc > 1 ? std::strtoull(argv[1], nullptr, 0) : 100000000ull;
    meminit();
    wrblock(0x8000, program, sizeof program);
    const struct {
        const char* name;
        int events;
        bool breakpoint;
    } configs[] = {{"bare loop", 0, false},
                   {"1 memory event", 1, false},
                   {"4 memory events", 4, false},
                   {"16 memory events", 16, false},
                   {"1 breakpoint", 0, true}};
    for (const auto& c : configs) {
        addevents(c.events);
        if (c.breakpoint) {
            auto* e = static_cast<MemEvent*>(newnode(sizeof(MemEvent), nullptr));
            e->flags = MEV_READ;
            e->number = 1;
            e->low = e->high = 0x8100;
            memevents = e;
            reindexevents();
        }
        uint32_t cycles = 0;
        double seconds = run(count, cycles);
        std::printf("%-18s %llu instructions in %.3f s: %.1f million instructions/s, "
                    ".time = %lu cycles\n",
                    c.name, static_cast<unsigned long long>(count), seconds, count / seconds / 1e6,
                    static_cast<unsigned long>(cycles));
        dropevents();
    }
    memclose();
    return 0;
}
