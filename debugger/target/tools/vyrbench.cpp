// vyrbench: simulator speed. Runs a loop program (load, add, store,
// decrement, branch) through decinstr in execute mode with the cycle
// counter .time defined, and prints simulated instructions per second.
// Usage: vyrbench [COUNT]   (default 100 million instructions)
#include <chrono>
#include <cstdio>
#include <cstdlib>

#include "debugger/target/decoder.h"
#include "debugger/target/memory.h"
#include "debugger/target/registers.h"
#include "debugger/target/services.h"
#include "debugger/target/symbols.h"

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

static double run(uint64_t count, bool armed, uint32_t& cycles) {
    setpc(0x8000);
    *timeptr = 0;
    auto start = std::chrono::steady_clock::now();
    for (uint64_t n = 0; n < count; ++n) {
        runflags.armed = armed;
        decinstr(regs.pc, DEC_EXEC, nullptr);
        runflags.armed = 0;
    }
    auto seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    cycles = *timeptr;
    return seconds;
}

int main(int argc, char** argv) {
    uint64_t count = argc > 1 ? std::strtoull(argv[1], nullptr, 0) : 100000000ull;
    meminit();
    wrblock(0x8000, program, sizeof program);
    for (bool armed : {false, true}) {
        uint32_t cycles = 0;
        double seconds = run(count, armed, cycles);
        std::printf("%s: %llu instructions in %.3f s: %.1f million instructions/s, "
                    ".time = %lu cycles\n",
                    armed ? "events armed" : "plain run", static_cast<unsigned long long>(count),
                    seconds, count / seconds / 1e6, static_cast<unsigned long>(cycles));
    }
    memclose();
    return 0;
}
