// vyrgobench: the speed of `go` through the command engine. A loop program
// (load, add, store, decrement, branch) runs first through the decoder
// alone, as vyrbench runs it, and then under `go` with a breakpoint that is
// never reached and a watchpoint armed (a code watchpoint that is never
// reached, then a value event, which `go` checks at source lines only), until
// the stop request that the message poll raises after COUNT instructions.
// Prints simulated instructions per second for each.
// Usage: vyrgobench [COUNT]   (default 100 million instructions per run)
#include <chrono>
#include <cstdio>
#include <cstdlib>

#include "debugger/engine/commands.h"
#include "debugger/engine/engine.h"
#include "debugger/engine/headless.h"
#include "debugger/target/decoder.h"
#include "debugger/target/memory.h"
#include "debugger/target/registers.h"
#include "debugger/target/services.h"
#include "debugger/target/symbols.h"
#include "debugger/target/tools/bench_loop.h"

using namespace vy;

static double seconds(std::chrono::steady_clock::time_point start) {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

// The decoder alone, with the execution check and the skip flag of a run.
static double bare(uint64_t count) {
    setpc(0x8000);
    auto start = std::chrono::steady_clock::now();
    for (uint64_t n = 0; n < count; ++n) {
        uint16_t pc = getpc();
        runflags.lasthit = 0;
        if (n > 0 && chkmemevt(pc, 5)) break;
        runflags.skipone = 1;
        runflags.armed = 1;
        decinstr(pc, DEC_EXEC, nullptr);
        runflags.armed = 0;
    }
    return seconds(start);
}

// `go` from the loop's start until the stop request after count polls
// (the run polls once per instruction); the instructions it executed.
static double go(uint64_t count, uint64_t& executed) {
    setpc(0x8000);
    headless.polls = 0;
    headless.stopafter = static_cast<uint32_t>(count);
    auto start = std::chrono::steady_clock::now();
    docmd("go", 1);
    double s = seconds(start);
    executed = headless.polls;
    headless.stopafter = 0;
    return s;
}

static void show(const char* name, uint64_t count, double s) {
    std::printf("%-34s %llu instructions in %.3f s: %.1f million instructions/s\n", name,
                static_cast<unsigned long long>(count), s, count / s / 1e6);
}

int main(int argc, char** argv) {
    uint64_t count = argc > 1 ? std::strtoull(argv[1], nullptr, 0) : 100000000ull;
    if (count == 0 || count > 0xFFFFFFF0ull) {
        std::fprintf(stderr, "usage: vyrgobench [COUNT]   (1 to 4294967280 instructions)\n");
        return 2;
    }
    meminit();
    engineinit();
    headless.cmdwindowopen = false;
    wrblock(0x8000, benchloop, sizeof benchloop);

    show("bare simulator", count, bare(count));
    uint64_t executed = 0;
    docmd("b @0x8100", 1);
    docmd("w @0x8200", 1);
    double s = go(count, executed);
    show("go, breakpoint and code watchpoint", executed, s);
    docmd("del 2", 1);
    docmd("w *(unsigned char *)0x20", 1);
    s = go(count, executed);
    show("go, breakpoint and value watchpoint", executed, s);
    engineclose();
    memclose();
    return 0;
}
