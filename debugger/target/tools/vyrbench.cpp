// vyrbench: simulator speed inside one process. Runs a loop program (load,
// add, store, decrement, branch) step by step as the debugger's run control
// does (the execution check at the PC, the skip flag, events armed around
// each instruction) with the cycle counter .time defined, bare and with 1,
// 4 and 16 memory events that never match and with a breakpoint that is
// never reached, and prints simulated instructions per second for each.
// Then a C program with its debug tree runs as it runs while a user debugs
// it: interrupt triggers armed (a periodic timer that fires, a line range
// and an address), a data event and a breakpoint that never match, the
// usage logs of its variables, its call frames, line entry and per-line
// counts kept at every step: once step by step as the run control's step
// makes them ("debugging (steps)"), once as vyrsim's run makes them, the
// steps that need nothing but their instruction in plain runs
// ("debugging (run)").
// Usage: vyrbench [COUNT [DEBUGGING]]   (default 100 million instructions per
// run, and a tenth of COUNT for each debugging run, whose usage logs grow
// with every access)
// Comparisons with GDB's simulator: debugger/target/bench/simspeed.sh.
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "ccasm/asm.h"
#include "debugger/target/debug_tables.h"
#include "debugger/target/decoder.h"
#include "debugger/target/interrupts.h"
#include "debugger/target/load_driver.h"
#include "debugger/target/memory.h"
#include "debugger/target/recorder.h"
#include "debugger/target/registers.h"
#include "debugger/target/services.h"
#include "debugger/target/symbols.h"
#include "debugger/target/tools/program_builder.h"
#include "debugger/target/tools/bench_loop.h"
#include "debugger/target/tools/sim_run.h"
#include "debugger/target/typed_values.h"
#include "debugger/target/watch.h"
#include "support/list_node.h"

using namespace vy;

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

// bench.c as the code generator builds it:
//   int total; int data[8];
//   int step(int n) { int k; k = n + n + n + 1; data[n & 7] = k; return k; }
//   int main(void) { int i; for (;;) for (i = 0; i < 100; i++) total += step(i); }
// with a handler for the interrupts the triggers raise.
static const char* const benchsource =
    "\txdef\t__stext, _main, _step, _total, _data\n"
    "\tswitch\t.text\n"
    "\torg\t$8000\n"
    "__stext:\tlds\t#$7FFF\n"
    "\tcli\n"
    "\tjsr\t_main\n"
    "_exit:\tbra\t_exit\n"
    "_step:\n"
    "\t.dstart\t\"bench.c~step:3-4\"\n"
    "\tpshx\n\tpshb\n\tpsha\n\ttsx\n\txgdx\n\tsubd\t#2\n\txgdx\n\ttxs\n"
    "\t.dentry\t\"bench.c~step:-2.6\"\n"
    "\t.dline\t\"bench.c:6\"\n"
    "\tldd\t2,x\n\taddd\t2,x\n\taddd\t2,x\n\taddd\t#1\n\tstd\t0,x\n"
    "\t.dline\t\"bench.c:7\"\n"
    "\tldd\t2,x\n\tandb\t#7\n\tclra\n\tlsld\n\taddd\t#_data\n\txgdy\n\tldd\t0,x\n\tstd\t0,y\n"
    "\t.dline\t\"bench.c:8\"\n"
    "\tldd\t0,x\n"
    "\t.dline\t\"bench.c:9\"\n"
    "\t.dquit\t\"bench.c~step:0\"\n"
    "\txgdy\n\txgdx\n\taddd\t#4\n\txgdx\n\ttxs\n\txgdy\n\tpulx\n\trts\n"
    "\t.dendfn\t\"bench.c:9-9\"\n"
    "_main:\n"
    "\t.dstart\t\"bench.c~main:11-12\"\n"
    "\tpshx\n\ttsx\n\txgdx\n\tsubd\t#2\n\txgdx\n\ttxs\n"
    "\t.dentry\t\"bench.c~main:-2.4\"\n"
    "again:\n"
    "\t.dline\t\"bench.c:15\"\n"
    "\tldd\t#0\n\tstd\t0,x\n"
    "next:\n"
    "\t.dline\t\"bench.c:16\"\n"
    "\tldd\t0,x\n\tcpd\t#100\n\tbge\tagain\n"
    "\t.dline\t\"bench.c:17\"\n"
    "\tjsr\t_step\n\taddd\t_total\n\tstd\t_total\n"
    "\t.dline\t\"bench.c:18\"\n"
    "\tldd\t0,x\n\taddd\t#1\n\tstd\t0,x\n\tbra\tnext\n"
    "\t.dendfn\t\"bench.c:20-20\"\n"
    "isr:\trti\n"
    "\torg\t$FFF0\n"
    "\tdc.w\tisr,isr\n"
    "\tswitch\t.bss\n"
    "\torg\t$0100\n"
    "_total:\tds.b\t2\n"
    "_data:\tds.b\t16\n"
    "_spare:\tds.b\t2\n";

static uint16_t symbol(const char* name) {
    SymRec* s = rensym(name);
    return s ? static_cast<uint16_t>(s->value) : 0;
}

static progbuild::Program benchtree() {
    namespace pb = progbuild;
    pb::Function step, main;
    step.name = "step", step.first = 3, step.last = 9, step.hascode = false;
    step.vars = {pb::var("n", 7, 0, 24), pb::var("k", 3, 2, 24)};
    main.name = "main", main.first = 11, main.last = 20, main.hascode = false;
    main.vars = {pb::var("i", 3, 2, 24)};
    pb::File file;
    file.name = "bench.c";
    file.funcs = {step, main};
    file.globals = {pb::var("total", 6, 0x0100, 24), pb::var("data", 6, 0x0102, 0xC0000018, {8}),
                    pb::var("spare", 6, 0x0112, 24)};
    pb::Program p;
    p.files = {file};
    return p;
}

// Assembles bench.c's code and tree and loads it; false after a failure.
static bool loadbench() {
    namespace fs = std::filesystem;
    fs::path dir = fs::temp_directory_path() / ("vyrbench-" + std::to_string(std::chrono::steady_clock::now().time_since_epoch().count()));
    fs::create_directories(dir);
    std::string source = (dir / "bench.s").string();
    std::ofstream(source) << benchsource << progbuild::treesource(progbuild::build(benchtree())) << "\tend\n";
    std::vector<std::string> args = {"ccasm", "-a", "-pl", source};
    std::vector<char*> argv;
    for (std::string& a : args) argv.push_back(a.data());
    bool ok = ccasm::asmmain(static_cast<int>(argv.size()), argv.data()) == 0;
    if (ok) {
        dbload((dir / "bench.o").string().c_str(), nullptr);
        ok = !LoadFailed;
    }
    std::error_code ignored;
    fs::remove_all(dir, ignored);
    return ok;
}

// bench.c for count instructions through the decoder alone, as the loop
// program runs above.
static double runbare(uint64_t count, uint32_t& cycles) {
    setpc(symbol("__stext"));
    regs.sp = 0x7FFF;
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
    }
    auto seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    cycles = *timeptr;
    return seconds;
}

// bench.c for count instructions with everything a user debugging it has
// armed; the instructions executed (interrupts taken are steps without one).
// Step by step as the run control's step makes them, or with plain set,
// as vyrsim's run makes them: the steps that need nothing but their
// instruction through simrun::plainsteps.
static double rundebugging(uint64_t count, bool plain, uint64_t& instructions, uint32_t& cycles, uint32_t& interrupts) {
    *timeptr = 0;
    LoadInterruptTable(0);
    settimeint(3, 1, 5000, 5000);  // IRQ: a timer every 5000 cycles
    LocationTrigger range;            // Real Time Interrupt: step's line 7, every 30000th check
    range.func = findfunc("step");
    range.firstline = range.lastline = 7;
    range.hitcount = 30000;
    setlocint(4, 1, range);
    inttable[4].staysactive = 1;
    LocationTrigger at;  // Timer Input 1: an address never reached
    at.byaddress = true;
    at.address = 0x7000;
    setlocint(5, 1, at);
    static EventVar spare{0x0112, 2};
    static EventRecord watchspare{nullptr, 'D', 'W', &spare};
    eventlist = &watchspare;
    auto* breakpoint = static_cast<MemEvent*>(newnode(sizeof(MemEvent), nullptr));
    breakpoint->flags = MEV_READ;
    breakpoint->number = 1;
    breakpoint->low = breakpoint->high = 0x8100;
    memevents = breakpoint;
    reindexevents();
    setpc(symbol("__stext"));
    regs.sp = 0x7FFF;
    instructions = 0;
    interrupts = 0;
    auto start = std::chrono::steady_clock::now();
    for (uint64_t n = 0; instructions < count;) {
        if (plain && n > 0) {
            simrun::PlainRun r = simrun::plainsteps(count - instructions, -1);
            n += r.steps;
            instructions += r.steps;
            if (r.noinstr || runflags.lasthit || datahit || LoadFailed) break;
            if (r.steps) continue;
        }
        simrun::beforestep();
        uint16_t pc = getpc();
        runflags.lasthit = 0;
        if (n++ > 0 && chkmemevt(pc, 5)) break;
        if (*irqptr && takeint(irqptr)) {
            ++interrupts;
            simrun::afterstep(pc, 0, false);
            continue;
        }
        uint32_t before = *timeptr;
        runflags.skipone = 1;
        runflags.armed = 1;
        decinstr(pc, DEC_EXEC, nullptr);
        runflags.armed = 0;
        ++instructions;
        simrun::afterstep(pc, before, true);
        if (runflags.lasthit || datahit || LoadFailed) break;
    }
    auto seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    cycles = *timeptr;
    eventlist = nullptr;
    dropevents();
    return seconds;
}

int main(int argc, char** argv) {
    uint64_t count = argc > 1 ? std::strtoull(argv[1], nullptr, 0) : 100000000ull;
    uint64_t debugging = argc > 2 ? std::strtoull(argv[2], nullptr, 0) : count / 10;
    meminit();
    wrblock(0x8000, benchloop, sizeof benchloop);
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

    if (!loadbench()) {
        std::printf("debugging          bench.c cannot be built or loaded\n");
        memclose();
        return 1;
    }
    uint32_t cycles = 0;
    double seconds = runbare(debugging, cycles);
    std::printf("%-18s %llu instructions in %.3f s: %.1f million instructions/s, .time = %lu cycles\n", "bench.c bare",
                static_cast<unsigned long long>(debugging), seconds, debugging / seconds / 1e6,
                static_cast<unsigned long>(cycles));
    // Each debugging run on a fresh load: the usage logs, counts and frames
    // start empty.
    for (bool plain : {false, true}) {
        if (!loadbench()) return 1;
        uint64_t instructions = 0;
        uint32_t interrupts = 0;
        seconds = rundebugging(debugging, plain, instructions, cycles, interrupts);
        // Every access logged (globals and the frames' variables) and the
        // bytes the logs keep.
        uint64_t logged = 0, bytes = 0;
        for (FileRec* f = filelist; morefiles(f); f = f->next) {
            for (FuncRec* fn = f->funcs; fn; fn = fn->next) {
                for (LocalRec* l = fn->locals; l && l < fn->localsend; ++l) {
                    if (!l->usage) continue;
                    logged += l->usage->count();
                    for (const UsageChunk* c = l->usage->first; c; c = c->next) bytes += c->used;
                }
            }
        }
        std::printf("%-18s %llu instructions in %.3f s: %.1f million instructions/s, "
                    ".time = %lu cycles, %lu interrupts, %llu accesses logged in %.1f MB, frame depth %d\n",
                    plain ? "debugging (run)" : "debugging (steps)", static_cast<unsigned long long>(instructions),
                    seconds, instructions / seconds / 1e6, static_cast<unsigned long>(cycles),
                    static_cast<unsigned long>(interrupts), static_cast<unsigned long long>(logged), bytes / 1e6,
                    simrun::depth());
    }
    freedebug(1);
    memclose();
    return 0;
}
