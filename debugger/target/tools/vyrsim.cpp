// vyrsim: headless test driver of the target model. Loads a program file
// (an object file with its debug information, S-records, Intel hex, or a
// raw image) and runs the commands given after it, in order:
//
//   pc=ADDR          set the PC
//   reg=NAME:VALUE   set a register (a b cc d x y s pc)
//   irq=MASK         set the pending-interrupt mask .irq
//   reset            reset the CPU (PC from the word at 0xFFFE)
//   asm=ADDR:TEXT    assemble one instruction at ADDR
//   dis=FROM[,TO]    disassemble from FROM up to TO (default 8 instructions)
//   step=N           execute N steps (an instruction, or an interrupt taken)
//   until=ADDR[,N]   execute until the PC reaches ADDR, at most N steps
//                    (100 million when N is not given; says so when reached)
//   run[=N]          execute until a memory event fires or no instruction
//                    follows, at most N steps when N is given (and not 0),
//                    then print the number of instructions executed
//   event=KIND:LOW[,HIGH]  define a memory event on LOW..HIGH (or on any
//                    address for a range of *): KIND is r, w or rw; it is
//                    numbered 1 upwards
//   break=ADDR       define a breakpoint: a read event on ADDR, which the
//                    execution check before each instruction meets
//   delete=N         delete memory event N
//   line[=N]         step N source lines (default 1), into called functions,
//                    printing the line and function reached
//   over[=N]         step N source lines over called functions
//   out              step until the current function has returned
//   stack            print the call stack, newest frame first
//   locals           print the current function's arguments and variables
//   regs             print the registers and the cycle count
//   cycles           print the cycle count .time
//   mem=FROM[,N]     dump N bytes of memory (default 16)
//   syms             list the program's symbols with their values
//   files            list the source files with their lines
//   funcs[=FILE]     list the functions (of one file) with their declarations
//   lines[=FILE]     list the line entries (of one file) with their addresses
//   vars[=FUNC]      list the variables of every function and file (or of
//                    one function) with their declaration texts
//
// Options before the file: -raw BASE loads the file as a raw image at BASE;
// -start TEXT chooses the start point (a function, an address or "reset");
// -nocode loads symbols and debug information without the memory image.
// A file name of "-" loads nothing. Numbers take 0x for hexadecimal.
//
// Memory events are checked while instructions execute, as the debugger's
// run control checks them: the execution check at the PC before each
// instruction but the first of a command, then the instruction's accesses.
// A run stops when one fires, printing "event N at ADDR" and the access.
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "debugger/target/debug_tables.h"
#include "debugger/target/decl_text.h"
#include "debugger/target/decoder.h"
#include "debugger/target/frames.h"
#include "debugger/target/line_asm.h"
#include "debugger/target/load_driver.h"
#include "debugger/target/loader.h"
#include "debugger/target/output.h"
#include "debugger/target/memory.h"
#include "debugger/target/registers.h"
#include "debugger/target/services.h"
#include "debugger/target/semantics.h"
#include "debugger/target/symbols.h"
#include "debugger/target/tools/sim_run.h"
#include "debugger/target/tools/vyrsim.h"
#include "debugger/target/watch.h"
#include "support/list_node.h"

using namespace vy;

static uint64_t executed;  // instructions executed by all commands

static uint32_t number(const char* text) { return static_cast<uint32_t>(std::strtoul(text, nullptr, 0)); }

static void usage() {
    std::fprintf(stderr,
                 "usage: vyrsim [-raw BASE] [-start TEXT] [-nocode] FILE|- [pc=ADDR] [reg=NAME:VALUE]\n"
                 "              [irq=MASK] [reset] [asm=ADDR:TEXT] [dis=FROM[,TO]] [step=N]\n"
                 "              [until=ADDR[,N]] [regs] [cycles] [mem=FROM[,N]] [syms] [files]\n"
                 "              [funcs[=FILE]] [lines[=FILE]] [vars[=FUNC]]\n"
                 "              [run[=N]] [event=r|w|rw:LOW[,HIGH]|*] [break=ADDR] [delete=N]\n"
                 "              [line[=N]] [over[=N]] [out] [stack] [locals]\n");
}

static void listsyms() {
    for (SymRec* s = symlist; s; s = s->next)
        if (s->name()[0] != '.') std::printf("%s %s\n", hexaddr(s->value).c_str(), s->name());
}

static void listfiles() {
    for (FileRec* f = filelist; morefiles(f); f = f->next)
        std::printf("%s  lines %u-%u%s\n", f->name, static_cast<unsigned>(f->firstline),
                    static_cast<unsigned>(f->lastline), f->flags & FILE_NOTUNIQUE ? "  (not unique)" : "");
}

static bool wanted(const char* value, const char* name) { return !*value || std::strcmp(value, name) == 0; }

// A function's declaration and where it starts; the file-scope record (the
// last of each file) holds variables only.
static void listfuncs(const char* file) {
    for (FileRec* f = filelist; morefiles(f); f = f->next) {
        if (!wanted(file, f->name)) continue;
        for (FuncRec* fn = f->funcs; fn && fn->next; fn = fn->next) {
            if (fn->name[0] == '.') continue;
            std::string where = fn->start ? hexaddr(fn->start->addr) : std::string("-------");
            std::printf("%s %s%s(%s)  %s:%u-%u\n", where.c_str(), fn->signature ? fn->signature : "", fn->name,
                        fn->argtext ? fn->argtext : "", f->name, static_cast<unsigned>(fn->firstline),
                        static_cast<unsigned>(fn->lastline));
        }
    }
}

static void listlines(const char* file) {
    for (DebugEntry* e = debuglist; e; e = e->next) {
        if (e->kind != DBG_LINE || !wanted(file, e->text())) continue;
        std::string at = std::to_string(e->line);
        if (e->col) at += '.', at += std::to_string(e->col);
        if (e->endline != e->line || e->endcol != e->col) {
            at += '-', at += std::to_string(e->endline);
            if (e->endcol) at += '.', at += std::to_string(e->endcol);
        }
        std::printf("%s %s:%s  %s\n", hexaddr(e->addr).c_str(), e->text(), at.c_str(), e->name ? e->name : "");
    }
}

static void listvariables(const LocalRec* from, const LocalRec* to) {
    for (const LocalRec* l = from; l < to; ++l)
        std::printf("  %s  value 0x%X size %u\n", descresult(l).c_str(), l->value, static_cast<unsigned>(l->size));
}

static void listvars(const char* func) {
    for (FileRec* f = filelist; morefiles(f); f = f->next) {
        for (FuncRec* fn = f->funcs; fn; fn = fn->next) {
            bool filescope = !fn->next;
            if (fn->name[0] == '.' || !fn->locals || !wanted(func, fn->name)) continue;
            if (filescope && *func) continue;
            std::printf("%s%s\n", filescope ? f->name : fn->name, filescope ? " (file)" : "");
            listvariables(fn->locals, fn->localsend);
            listvariables(fn->members18, fn->members18 ? fn->members18 + fn->nclass18 : nullptr);
        }
    }
}

static uint32_t cycles() { return timeptr ? *timeptr : 0; }

enum Stop { STOP_COUNT, STOP_UNTIL, STOP_EVENT, STOP_NOINSTR };

// An event that an access of the instruction met.
static void eventhit() {
    SymRec* kind = rensym(".tbrk");
    std::printf("event %lu at 0x%04X (%s)\n", static_cast<unsigned long>(runflags.lasthit), runflags.lasthitaddr,
                kind && kind->value == 2 ? "write" : "read");
}

// Simulated steps, as the run control makes them: a pending function exit
// and the interrupt triggers, the execution check at the PC (not before the
// first step), then an interrupt when one is taken, else one instruction
// with its accesses checked; then the entries at the new PC are entered.
// Ends when the program cannot be followed, when an event fires
// or the PC holds no instruction, and when Bounded, after `limit` steps or
// when the PC reaches `until` (when nonnegative). `count` counts the
// instructions executed. The steps that need nothing but their
// instruction go through simrun::plainsteps, with the same results.
template <bool Bounded>
static Stop runsteps(uint64_t limit, int32_t until, uint64_t& count) {
    uint64_t instructions = 0;
    Stop stop = STOP_COUNT;
    for (uint64_t n = 0; !Bounded || n < limit;) {
        uint16_t pc = getpc();
        if (Bounded && pc == until) {
            stop = STOP_UNTIL;
            break;
        }
        if (n > 0) {
            // The steps that need nothing but their instruction.
            simrun::PlainRun plain = simrun::plainsteps(Bounded ? limit - n : UINT64_MAX, until);
            n += plain.steps;
            instructions += plain.steps;
            if (plain.noinstr) {
                std::printf("no instruction at 0x%04X\n", getpc());
                stop = STOP_NOINSTR;
                break;
            }
            if (plain.steps) {
                if (LoadFailed) break;
                if (runflags.lasthit) {
                    stop = STOP_EVENT;
                    eventhit();
                    break;
                }
                continue;
            }
        }
        ++n;
        simrun::beforestep();
        runflags.lasthit = 0;
        if (n > 1 && chkmemevt(pc, 5)) {
            std::printf("event %lu at 0x%04X (execution)\n",
                        static_cast<unsigned long>(runflags.lasthit), pc);
            stop = STOP_EVENT;
            break;
        }
        if (irqptr && *irqptr && takeint(irqptr)) {
            simrun::afterstep(pc, 0, false);
            if (LoadFailed) break;
            continue;
        }
        uint32_t before = cycles();
        runflags.skipone = 1;
        runflags.armed = 1;
        uint16_t length = decinstr(pc, DEC_EXEC, nullptr);
        runflags.armed = 0;
        runflags.skipone = 0;
        if (length == NOINSTR) {
            std::printf("no instruction at 0x%04X\n", pc);
            stop = STOP_NOINSTR;
            break;
        }
        ++instructions;
        simrun::afterstep(pc, before, true);
        if (LoadFailed) break;
        if (runflags.lasthit) {
            stop = STOP_EVENT;
            eventhit();
            break;
        }
    }
    count += instructions;
    return stop;
}

// Steps for step=, until= and run=: without a limit and an address to stop
// at, the loop tests neither.
static Stop simulate(uint64_t limit, int32_t until) {
    if (limit == 0 && until < 0) return runsteps<false>(0, -1, executed);
    return runsteps<true>(limit ? limit : UINT64_MAX, until, executed);
}

// A memory event with the smallest number not in use, kept in number order
// as the older command core keeps its breakpoints.
static void addevent(uint16_t flags, uint16_t low, uint16_t high) {
    uint16_t number = 1;
    MemEvent** link = &memevents;
    while (*link && (*link)->number == number) {
        link = &(*link)->next;
        ++number;
    }
    auto* e = static_cast<MemEvent*>(newnode(sizeof(MemEvent), *link));
    e->flags = flags;
    e->number = number;
    e->low = low;
    e->high = high;
    *link = e;
    reindexevents();
}

// event=KIND:LOW[,HIGH] or event=KIND:*
static bool eventcommand(const char* value) {
    const char* colon = std::strchr(value, ':');
    if (!colon) return false;
    std::string kind(value, colon);
    uint16_t flags = kind == "r" ? MEV_READ : kind == "w" ? MEV_WRITE : kind == "rw" ? MEV_READ | MEV_WRITE : 0;
    if (!flags) return false;
    const char* range = colon + 1;
    if (std::strcmp(range, "*") == 0) {
        addevent(flags | MEV_ANY, 0xFFFF, 0);
        return true;
    }
    const char* comma = std::strchr(range, ',');
    uint32_t low = number(range), high = comma ? number(comma + 1) : low;
    if (low > 0xFFFF || high > 0xFFFF || high < low) return false;
    addevent(flags, static_cast<uint16_t>(low), static_cast<uint16_t>(high));
    return true;
}

// Where a line step ended.
static bool reached(simrun::Stop stop) {
    switch (stop) {
    case simrun::Stop::line:
        std::printf("%s:%u %s\n", topframe->func->file ? topframe->func->file->name : "",
                    static_cast<unsigned>(topframe->line), topframe->func->name);
        return true;
    case simrun::Stop::noinstr: std::printf("no instruction at 0x%04X\n", getpc()); return false;
    case simrun::Stop::limit: std::printf("no source line within 100 million instructions\n"); return false;
    default: return false;
    }
}

static void disassemble(uint16_t from, uint16_t to, bool bycount) {
    std::string text;
    uint16_t a = from;
    for (int n = 0; bycount ? n < 8 : a < to; ++n) {
        uint16_t len = decinstr(a, DEC_TEXT, &text);
        if (len == NOINSTR) len = 1;
        std::printf("%04X  ", a);
        for (int i = 0; i < 5; ++i) {
            if (i < len) std::printf("%02X ", rdbyte(static_cast<uint16_t>(a + i)));
            else std::printf("   ");
        }
        std::printf(" %s\n", text.c_str());
        if (static_cast<uint32_t>(a) + len > 0xFFFF) break;
        a = static_cast<uint16_t>(a + len);
    }
}

static bool command(const char* arg) {
    const char* eq = std::strchr(arg, '=');
    std::string key = eq ? std::string(arg, eq) : std::string(arg);
    const char* value = eq ? eq + 1 : "";
    if (key == "pc") {
        setpc(number(value));
    } else if (key == "reg") {
        const char* colon = std::strchr(value, ':');
        uint16_t code = colon ? regcode(std::string(value, colon).c_str()) : 0;
        if (!code) return false;
        setreg(code, number(colon + 1));
    } else if (key == "irq") {
        defsym(".irq", number(value));
    } else if (key == "reset") {
        cpureset();
    } else if (key == "asm") {
        const char* colon = std::strchr(value, ':');
        if (!colon) return false;
        reader.pos = colon + 1;
        uint16_t n = asmline(static_cast<uint16_t>(number(value)));
        std::printf("%u bytes\n", n);
    } else if (key == "dis") {
        const char* comma = std::strchr(value, ',');
        disassemble(static_cast<uint16_t>(number(value)),
                    static_cast<uint16_t>(comma ? number(comma + 1) : 0), !comma);
    } else if (key == "step") {
        if (uint32_t n = number(value)) simulate(n, -1);
    } else if (key == "until") {
        const char* comma = std::strchr(value, ',');
        uint16_t stop = static_cast<uint16_t>(number(value));
        uint64_t limit = comma ? number(comma + 1) : 100000000;
        if (limit && simulate(limit, stop) == STOP_COUNT)
            std::printf("until: 0x%04X not reached after %llu steps\n", stop,
                        static_cast<unsigned long long>(limit));
    } else if (key == "run") {
        uint64_t limit = eq ? number(value) : 0;
        uint64_t before = executed;
        if (simulate(limit, -1) == STOP_COUNT)
            std::printf("stopped after %llu steps\n", static_cast<unsigned long long>(limit));
        uint64_t n = executed - before;
        std::printf("%llu instruction%s\n", static_cast<unsigned long long>(n), n == 1 ? "" : "s");
    } else if (key == "event") {
        if (!eventcommand(value)) return false;
    } else if (key == "break") {
        uint32_t at = number(value);
        if (at > 0xFFFF) return false;
        addevent(MEV_READ, static_cast<uint16_t>(at), static_cast<uint16_t>(at));
    } else if (key == "delete") {
        services().rmbrk(static_cast<uint16_t>(number(value)));
    } else if (key == "line" || key == "over") {
        for (uint32_t n = *value ? number(value) : 1; n > 0; --n)
            if (!reached(key == "line" ? simrun::linestep(100000000) : simrun::stepover(100000000))) break;
    } else if (key == "out") {
        reached(simrun::finish(100000000));
    } else if (key == "stack") {
        for (const FrameNode* f = topframe; f; f = f->next) std::printf("%s\n", simrun::frametext(f).c_str());
    } else if (key == "locals") {
        if (curframe) std::printf("%s", simrun::variablestext(curframe).c_str());
    } else if (key == "regs") {
        char line[512];
        regline(line);
        std::printf("%s cycles:%lu\n", line, static_cast<unsigned long>(cycles()));
    } else if (key == "cycles") {
        std::printf("%lu\n", static_cast<unsigned long>(cycles()));
    } else if (key == "mem") {
        const char* comma = std::strchr(value, ',');
        uint16_t from = static_cast<uint16_t>(number(value));
        uint32_t count = comma ? number(comma + 1) : 16;
        for (uint32_t i = 0; i < count; ++i) {
            if (i % 16 == 0) std::printf("%s%04X ", i ? "\n" : "", (from + i) & 0xFFFF);
            std::printf(" %02X", rdbyte(static_cast<uint16_t>(from + i)));
        }
        std::printf("\n");
    } else if (key == "syms") {
        listsyms();
    } else if (key == "files") {
        listfiles();
    } else if (key == "funcs") {
        listfuncs(value);
    } else if (key == "lines") {
        listlines(value);
    } else if (key == "vars") {
        listvars(value);
    } else {
        return false;
    }
    return true;
}

int vyrsim_main(int argc, char** argv) {
    int i = 1;
    bool raw = false;
    uint32_t base = 0;
    const char* start = nullptr;
    for (;;) {
        if (i + 1 < argc && std::strcmp(argv[i], "-raw") == 0) {
            raw = true;
            base = number(argv[i + 1]);
            i += 2;
        } else if (i + 1 < argc && std::strcmp(argv[i], "-start") == 0) {
            start = argv[i + 1];
            i += 2;
        } else if (i < argc && std::strcmp(argv[i], "-nocode") == 0) {
            loadimage = 0;
            ++i;
        } else {
            break;
        }
    }
    if (i >= argc) {
        usage();
        return 2;
    }
    setstartname(argv[0]);
    meminit();
    const char* file = argv[i++];
    nomemoryends(argv[0], file);
    int status = 0;
    if (std::strcmp(file, "-") != 0) {
        if (raw) ldprog(file, 1, 0, base, 0);
        else dbload(file, start);
        if (LoadFailed) status = 1;
    }
    for (; i < argc && status == 0; ++i) {
        if (!command(argv[i])) {
            std::fprintf(stderr, "vyrsim: bad command: %s\n", printable(argv[i]).c_str());
            usage();
            status = 2;
        } else if (LoadFailed) {
            status = 1;  // the program could not be followed
        }
    }
    std::fflush(stdout);
    memclose();
    return status;
}
