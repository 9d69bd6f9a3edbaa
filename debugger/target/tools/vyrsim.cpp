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
//   step=N           execute N instructions
//   until=ADDR       execute until the PC reaches ADDR (at most 100 million)
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

using namespace vy;

static uint32_t number(const char* text) { return static_cast<uint32_t>(std::strtoul(text, nullptr, 0)); }

static void usage() {
    std::fprintf(stderr,
                 "usage: vyrsim [-raw BASE] [-start TEXT] [-nocode] FILE|- [pc=ADDR] [reg=NAME:VALUE]\n"
                 "              [irq=MASK] [reset] [asm=ADDR:TEXT] [dis=FROM[,TO]] [step=N] [until=ADDR]\n"
                 "              [line[=N]] [over[=N]] [out] [stack] [locals]\n"
                 "              [regs] [cycles] [mem=FROM[,N]] [syms] [files] [funcs[=FILE]]\n"
                 "              [lines[=FILE]] [vars[=FUNC]]\n");
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

// One simulated step as the run control makes it; false when the PC holds
// no instruction or the program cannot be followed.
static bool step() {
    uint16_t pc = getpc();
    switch (simrun::step()) {
    case simrun::Stop::noinstr: std::printf("no instruction at 0x%04X\n", pc); return false;
    case simrun::Stop::broken: return false;
    default: return true;
    }
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
        for (uint32_t n = number(value); n > 0; --n)
            if (!step()) break;
    } else if (key == "until") {
        uint16_t stop = static_cast<uint16_t>(number(value));
        for (uint32_t n = 0; n < 100000000 && getpc() != stop; ++n)
            if (!step()) break;
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

int main(int argc, char** argv) {
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
    int status = 0;
    if (std::strcmp(file, "-") != 0) {
        if (raw) ldprog(file, 1, 0, base, 0);
        else dbload(file, start);
        if (LoadFailed) status = 1;
    }
    for (; i < argc && status == 0; ++i) {
        if (!command(argv[i])) {
            std::fprintf(stderr, "vyrsim: bad command: %s\n", argv[i]);
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
