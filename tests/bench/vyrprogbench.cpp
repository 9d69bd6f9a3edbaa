// vyrprogbench: simulator speed on a whole program. Loads a program linked
// by cc11 -link, runs it from reset to __halt again and again (the start-up
// code sets its data up anew each time) and prints the simulated
// instructions and cycles per second of host time.
//
//   vyrprogbench PROGRAM [RUNS]
//
// Without RUNS it runs for about two seconds.
#include <chrono>
#include <cstdio>
#include <cstdlib>

#include "debugger/target/decoder.h"
#include "debugger/target/load_driver.h"
#include "debugger/target/memory.h"
#include "debugger/target/registers.h"
#include "debugger/target/services.h"
#include "debugger/target/symbols.h"

using namespace vy;

namespace {

// Instructions of one run that may pass before the program counts as lost.
const uint64_t RUN_BOUND = 1000000000ull;

// One run from reset; the instructions executed, or 0 when the program
// left its code or never reached __halt.
uint64_t run_once(uint16_t halt) {
    cpureset();
    uint64_t n = 0;
    while (regs.pc != halt) {
        if (decinstr(regs.pc, DEC_EXEC, nullptr) == NOINSTR || ++n == RUN_BOUND) return 0;
    }
    return n;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: vyrprogbench PROGRAM [RUNS]\n");
        return 2;
    }
    const char* file = argv[1];
    long runs = argc > 2 ? std::strtol(argv[2], nullptr, 0) : 0;
    setstartname(argv[0]);
    meminit();
    dbload(file, "reset");
    SymRec* halt = LoadFailed ? nullptr : rensym("__halt");
    if (!halt) {
        std::fprintf(stderr, "vyrprogbench: %s: %s\n", file, LoadFailed ? "cannot load it" : "no __halt");
        memclose();
        return 1;
    }
    uint16_t stop = static_cast<uint16_t>(halt->value);
    if (!timeptr) defsym(".time", 0);

    uint64_t instructions = 0, cycles = 0;
    long done = 0;
    auto start = std::chrono::steady_clock::now();
    double seconds = 0;
    while (runs > 0 ? done < runs : seconds < 2.0) {
        *timeptr = 0;
        uint64_t n = run_once(stop);
        if (n == 0) {
            std::fprintf(stderr, "vyrprogbench: %s does not reach __halt (pc 0x%04X)\n", file, regs.pc);
            memclose();
            return 1;
        }
        instructions += n;
        cycles += *timeptr;
        ++done;
        seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    }
    if (seconds <= 0) seconds = 1e-9;
    std::printf("%s: %ld runs of %llu instructions (%llu cycles) in %.3f s: "
                "%.1f million instructions/s, %.1f million cycles/s\n",
                file, done, static_cast<unsigned long long>(instructions / done),
                static_cast<unsigned long long>(cycles / done), seconds, instructions / seconds / 1e6,
                cycles / seconds / 1e6);
    memclose();
    return 0;
}
