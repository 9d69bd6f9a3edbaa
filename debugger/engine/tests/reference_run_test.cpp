// The fast run against the reference run. In its reference mode the run
// control steps with the target model's reference step and checks every
// event after every instruction (run_control.h): the run as its definition
// reads, with no shortcut. Each C program of the corpus and the bundled
// example, built with -x by cc11 when the tests are built, is loaded twice
// in this process and runs the same commands once fast and once in the
// reference mode; after every command both must show the same: what the
// command printed (the event it reported), the PC, the registers, .time and
// the call frames; at the end of a session, the execution counts and cycles
// of every line.
//
// Four sessions per program, each on a fresh load with a breakpoint on
// __halt, where the program ends (a reset starts it again); the first three
// are the cases of the suite NAME/ReferenceRun, the last NAME/RandomCommands:
// - every line: a breakpoint on each line that has code, all at once; each
//   go stops at the next line reached for the first time, whose event is
//   then deleted;
// - pairs: the lines in the order the program first reaches them (a
//   function's first line also as its entry event or its whole range), two
//   events armed at a time: the first go stops at the first one, the
//   second at its next arrival or at the next target, which then takes its
//   place;
// - data events on the globals (reads, writes, any access), two goes each;
// - random commands from a seeded generator: events of every kind armed
//   several at once (lines, line ranges, counts, conditions, watchpoints,
//   functions, addresses inside a line, runtime routines, data events),
//   suspended and deleted, and go, step, istep, ostep and finish with
//   counts, and runs to a location, from wherever the last command stopped;
//   the vector program also takes timed and line-range interrupts.
// Beyond the comparison, a stop that a source-range event reports stands at
// an address of one of its lines, and the top frame shows that line.
//
// VY_FUZZ_LINES sets the number of random commands per program (40 here,
// 400 for the vector program).
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <functional>
#include <map>
#include <random>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "debugger/engine/channels.h"
#include "debugger/engine/commands.h"
#include "debugger/engine/engine.h"
#include "debugger/engine/events.h"
#include "debugger/engine/headless.h"
#include "debugger/engine/run_control.h"
#include "debugger/target/debug_tables.h"
#include "debugger/target/decoder.h"
#include "debugger/target/frames.h"
#include "debugger/target/interrupts.h"
#include "debugger/target/load_driver.h"
#include "debugger/target/loader.h"
#include "debugger/target/memory.h"
#include "debugger/target/object_reader.h"
#include "debugger/target/registers.h"
#include "debugger/target/services.h"
#include "debugger/target/source_lines.h"
#include "debugger/target/symbols.h"
#include "debugger/target/typed_values.h"
#include "engine_fixture.h"

namespace vy {
namespace {

namespace fs = std::filesystem;

// ---------------------------------------------------------------------------
// A session: the engine on a fresh load of the program, fast or in the
// reference mode, and what every command showed

// What a session ran and saw: each command with what it printed and the
// state after it, and the counts at the end.
struct Transcript {
    std::vector<std::string> commands, records;
    std::string counts;
};

// What a session sets up in the target model after the load, the same in
// both modes (interrupt triggers, which no command arms).
using AfterLoad = std::function<void()>;

class Session {
public:
    Session(const fs::path& program, bool reference, const AfterLoad& setup) {
        home_ = fs::current_path();
        fs::current_path(program.parent_path());   // the sources lie there
        regs = RegImage{};   // as a fresh debugger starts: no reset waits
        resetstart = 0;
        startengine();
        CmdFileRunning = true;   // errors as "#error: " lines, in order
        dbload(program.string().c_str(), nullptr);
        loaded_ = !LoadFailed;
        setreferencerun(reference);
        if (setup && loaded_) setup();
        headless.cmdwindow.clear();
    }
    Session(const Session&) = delete;
    Session& operator=(const Session&) = delete;
    ~Session() {
        setreferencerun(false);
        CmdFileRunning = false;
        LoadInterruptTable(0);
        stopengine();
        fs::current_path(home_);
    }
    bool loaded() const { return loaded_; }

    // Runs a command line; returns what it printed. The transcript keeps
    // that and the state after it.
    std::string command(const std::string& line) {
        headless.cmdwindow.clear();
        // A run that nothing stops ends as the user's stop ends it.
        headless.polls = 0;
        headless.stopafter = 20000000;
        docmdline(line.c_str(), 1);
        std::string shown = headless.cmdwindow;
        for (const std::string& box : headless.boxes) shown += "box: " + box + "\n";
        headless.boxes.clear();
        transcript.commands.push_back(line);
        transcript.records.push_back(shown + state());
        return shown;
    }

    // The execution counts and cycles of every line, and the calls of every
    // function.
    static std::string counts() {
        std::string text;
        for (const DebugEntry* e = debuglist; e; e = e->next)
            if (e->calls || e->cycles)
                text += hex(e->addr) + ":" + std::to_string(e->calls) + "/" + std::to_string(e->cycles) + " ";
        for (FileRec* f = filelist; morefiles(f); f = f->next)
            for (FuncRec* fn = f->funcs; fn; fn = fn->next)
                if (fn->calls) text += std::string(fn->name) + ":" + std::to_string(fn->calls) + " ";
        return text;
    }

    Transcript transcript;

private:
    static std::string hex(uint32_t v) {
        char text[16];
        std::snprintf(text, sizeof text, "%x", static_cast<unsigned>(v));
        return text;
    }
    static std::string state() {
        std::string text = "pc=" + hex(regs.pc) + " a=" + hex(regs.a) + " b=" + hex(regs.b) + " x=" + hex(regs.x) +
                           " y=" + hex(regs.y) + " sp=" + hex(regs.sp) + " cc=" + hex(regs.cc) +
                           " time=" + std::to_string(timeptr ? *timeptr : 0) + " irq=" + hex(irqptr ? *irqptr : 0) +
                           " frames:";
        for (const FrameNode* f = topframe; f; f = f->next)
            text += " " + std::string(f->func ? f->func->name : "?") + ":" + std::to_string(f->line) + "@" + hex(f->fp);
        return text + (InstrMode ? " instr" : "") + "\n";
    }

    fs::path home_;
    bool loaded_ = false;
};

// ---------------------------------------------------------------------------
// What a program offers to stop at

// Every line of a file that has code (a line or function-start entry), as
// break takes it: "file:line".
std::vector<std::string> codelines() {
    std::set<std::pair<std::string, uint32_t>> seen;
    for (const DebugEntry* e = debuglist; e; e = e->next) {
        if (e->kind == DBG_LINE || (e->kind == DBG_FUNCSTART && e->name && e->name[0]))
            seen.insert({e->text(), e->line});
    }
    std::vector<std::string> lines;
    for (const auto& [file, line] : seen) lines.push_back(file + ":" + std::to_string(line));
    return lines;
}

// The functions with a start, in file order.
std::vector<FuncRec*> functions() {
    std::vector<FuncRec*> list;
    for (FileRec* f = filelist; morefiles(f); f = f->next)
        for (FuncRec* fn = f->funcs; fn; fn = fn->next)
            if (fn->name[0] && fn->start) list.push_back(fn);
    return list;
}

// The file-level variables: all of them, or those of an integer type that a
// condition can test.
std::vector<LocalRec*> globals(bool integers) {
    std::vector<LocalRec*> list;
    for (FuncRec* fn = unnamedfuncs; fn; fn = fn->nextunnamed) {
        if (!fn->locals) continue;
        for (LocalRec* l = fn->locals; l < fn->localsend; ++l) {
            if ((l->cls != CL_STATIC && l->cls != CL_EXTERN) || l->size == 0) continue;
            uint8_t base = static_cast<uint8_t>(l->type);
            bool integer = nderivations(l->type) == 0 && (l->size == 1 || l->size == 2 || l->size == 4) &&
                           base != 40 && base != 41 && base != 42 && base != 72 && base != 73;
            if (!integers || integer) list.push_back(l);
        }
    }
    return list;
}

// The event that a command's output reports as the one that stopped the
// run (the last one reported: an action's go runs on past the others), or
// null.
Event* reported(const std::string& shown) {
    std::istringstream lines(shown);
    Event* last = nullptr;
    for (std::string line; std::getline(lines, line);) {
        if (line.rfind("*****", 0) != 0) continue;
        last = nullptr;
        for (Event* e = events; e && !last; e = e->next) {
            std::string kind = kindpart(e);
            if (line == "***** breakpoint" + kind || line == "***** breakpoint:" + kind) last = e;
        }
    }
    return last;
}

// A stop that a source-range event reported stands where the event says: at
// an address of one of its lines (a line or function start of its file and
// function), and the top frame shows that line.
void checkstop(const Event* e) {
    if (!e || e->cls != 'C' || e->kind != 't') return;
    SCOPED_TRACE("stopped by" + kindpart(e));
    uint16_t pc = getpc();
    bool atline = false;
    for (const DebugEntry* d = debuglist; d && !atline; d = d->next) {
        if (d->addr != pc || (d->kind != DBG_LINE && d->kind != DBG_FUNCSTART)) continue;
        const FuncRec* fn = d->func;
        atline = (!e->first || (d->line >= e->first && d->line <= e->last)) &&
                 (!e->file || !fn || fn->file == e->file) && (!e->func || fn == e->func);
    }
    EXPECT_TRUE(atline) << "the PC 0x" << std::hex << pc << " is no address of its lines";
    ASSERT_NE(topframe, nullptr);
    if (e->first) {
        EXPECT_GE(topframe->line, e->first);
        EXPECT_LE(topframe->line, e->last);
    }
    if (e->func) {
        EXPECT_EQ(topframe->func, e->func);
    }
}

bool athalt() {
    const SymRec* halt = rensym("__halt");
    return halt && getpc() == halt->value;
}

// go, with the check of where it stopped; the event that stopped it.
Event* go(Session& s, const std::string& command = "go") {
    std::string shown = s.command(command);
    Event* e = reported(shown);
    checkstop(e);
    return e;
}

std::string number(int n) { return std::to_string(n); }

// ---------------------------------------------------------------------------
// The drivers: each runs a fast session, deciding on what it sees

// A breakpoint on every line; each go stops at a line reached for the
// first time, whose event goes. The lines in the order they were reached.
std::vector<std::string> everyline(Session& s) {
    std::map<int, std::string> lineof;
    for (const std::string& line : codelines()) {
        s.command("b " + line);
        lineof[GetLastBkptNum()] = line;
    }
    std::vector<std::string> order;
    for (std::size_t guard = lineof.size() + 2; guard > 0; --guard) {
        Event* e = go(s);
        auto found = e ? lineof.find(e->number) : lineof.end();
        if (found == lineof.end()) break;   // __halt, or no event
        order.push_back(found->second);
        s.command("del " + number(e->number));
    }
    return order;
}

// The lines in the order they are first reached, two armed at a time; the
// first line of a function stands there as itself, as the function's entry
// event or as its whole range, by turns (two targets that stop at one place
// would pass each other).
void pairs(Session& s, const std::vector<std::string>& order) {
    std::vector<std::string> targets;
    std::vector<FuncRec*> fns = functions();
    int turn = 0;
    for (const std::string& line : order) {
        std::string target = line;
        for (FuncRec* fn : fns) {
            if (line != std::string(fn->start->text()) + ":" + number(fn->start->line)) continue;
            if (turn % 3 == 1) target = std::string("/e ") + fn->name + "()";
            if (turn % 3 == 2) target = std::string(fn->name) + "()";
            ++turn;
        }
        targets.push_back(target);
    }
    std::vector<int> numbers(targets.size(), 0), stops(targets.size(), 0);
    auto arm = [&](std::size_t i) {
        if (i >= targets.size()) return;
        s.command("b " + targets[i]);
        numbers[i] = GetLastBkptNum();
    };
    std::size_t i = 0;
    arm(0);
    arm(1);
    int resets = 0;
    for (std::size_t guard = 4 * targets.size() + 8; i < targets.size() && guard > 0; --guard) {
        Event* e = go(s);
        if (!e || athalt()) {
            // The program ended (or stopped by no event): again from the
            // start, unless that brought nothing new.
            if (++resets > 2) break;
            s.command("reset");
            continue;
        }
        resets = 0;
        bool first = e->number == numbers[i];
        bool next = i + 1 < targets.size() && e->number == numbers[i + 1];
        if (next) ++stops[i + 1];
        if ((first && ++stops[i] == 2) || next) {
            s.command("del " + number(numbers[i]));
            ++i;
            arm(i + 1);
        }
    }
}

// Data events on the globals (at most limit of them, spread over the
// list): any access, writes, reads by turns, two goes each.
void dataevents(Session& s, std::size_t limit) {
    std::vector<LocalRec*> vars = globals(false);
    std::size_t step = std::max<std::size_t>(1, vars.size() / limit);
    const char* const kinds[] = {"db ", "db /T:W ", "db /T:R "};
    for (std::size_t i = 0, k = 0; i < vars.size(); i += step, ++k) {
        s.command(std::string(kinds[k % 3]) + vars[i]->name);
        int n = GetLastBkptNum();
        for (int g = 0; g < 2; ++g) {
            go(s);
            if (athalt()) s.command("reset");
        }
        s.command("del " + number(n));
    }
}

// Random commands: events of every kind armed several at once, suspended
// and deleted, and every run command, from wherever the last one stopped.
void randomcommands(Session& s, std::mt19937& rng, int count) {
    std::vector<std::string> lines = codelines();
    std::vector<FuncRec*> fns = functions();
    std::vector<LocalRec*> vars = globals(false), ints = globals(true);
    // Addresses inside a line (its second instruction), and the runtime's
    // routines, which have no lines.
    std::vector<uint16_t> inside;
    for (const DebugEntry* e = debuglist; e; e = e->next) {
        if (e->kind != DBG_LINE) continue;
        std::string text;
        uint16_t length = decinstr(static_cast<uint16_t>(e->addr), DEC_TEXT, &text);
        uint16_t next = static_cast<uint16_t>(e->addr + length);
        if (length != NOINSTR && (!e->next || e->next->addr > next)) inside.push_back(next);
    }
    std::vector<std::string> routines;
    for (const SymRec* sym = symlist; sym; sym = sym->next)
        if (std::string(sym->name()).rfind("c_", 0) == 0) routines.push_back(sym->name());
    auto pick = [&](auto& list) -> auto& { return list[std::uniform_int_distribution<std::size_t>(0, list.size() - 1)(rng)]; };
    auto chance = [&](int percent) { return std::uniform_int_distribution<int>(0, 99)(rng) < percent; };
    auto hexaddress = [](uint16_t a) {
        char text[16];
        std::snprintf(text, sizeof text, "@0x%x", static_cast<unsigned>(a));
        return std::string(text);
    };
    auto line = [&] { return pick(lines); };
    // A range from a line to one of the next few of its file.
    auto range = [&] {
        std::size_t at = std::uniform_int_distribution<std::size_t>(0, lines.size() - 1)(rng);
        std::size_t to = std::min(lines.size() - 1, at + std::uniform_int_distribution<std::size_t>(0, 4)(rng));
        std::string a = lines[at], b = lines[to];
        if (a.substr(0, a.find(':')) != b.substr(0, b.find(':'))) return a;
        return a + b.substr(b.find(':'));
    };
    auto condition = [&] {
        if (ints.empty()) return std::string("1");
        const char* const forms[] = {"%s & 1", "%s != 0", "(%s & 3) == 2"};
        char text[128];
        std::snprintf(text, sizeof text, forms[std::uniform_int_distribution<int>(0, 2)(rng)], pick(ints)->name);
        return std::string(text);
    };
    auto event = [&]() -> std::string {
        switch (std::uniform_int_distribution<int>(0, 13)(rng)) {
        case 0: return "b " + line();
        case 1: return "b " + range();
        case 2: return "b /C:" + number(std::uniform_int_distribution<int>(2, 4)(rng)) + " " + line();
        case 3: return "b " + line() + " {if (" + condition() + ") g}";
        case 4: return "w " + line();
        case 5: return "w /C:2 " + range();
        case 6: return std::string("b /e ") + pick(fns)->name + "()";
        case 7: return std::string("b ") + pick(fns)->name + "()";
        case 8: return inside.empty() ? "b " + line() : "b " + hexaddress(pick(inside));
        case 9: return routines.empty() ? "b " + line() : "b " + pick(routines);
        case 10: return vars.empty() ? "b " + line() : std::string("db ") + pick(vars)->name;
        case 11: return vars.empty() ? "b " + line() : std::string("db /T:W ") + pick(vars)->name;
        case 12: return vars.empty() ? "b " + line() : std::string("dw /T:R ") + pick(vars)->name;
        default: return "w " + line() + " {x $pc}";
        }
    };
    auto runcommand = [&]() -> std::string {
        switch (std::uniform_int_distribution<int>(0, 12)(rng)) {
        case 0: case 1: case 2: return "go";
        case 3: return "s";
        case 4: return "s " + number(std::uniform_int_distribution<int>(2, 6)(rng));
        case 5: return "si";
        case 6: return "si " + number(std::uniform_int_distribution<int>(2, 20)(rng));
        case 7: return "so";
        case 8: return "so " + number(std::uniform_int_distribution<int>(2, 4)(rng));
        case 9: return "finish";
        case 10: return "g " + line();
        case 11: return std::string("g ") + pick(fns)->name + "()";
        default: return inside.empty() ? "g " + line() : "g " + hexaddress(pick(inside));
        }
    };
    std::vector<int> armed;
    for (int n = 0; n < count; ++n) {
        if (athalt()) s.command("reset");
        int what = std::uniform_int_distribution<int>(0, 9)(rng);
        if ((what < 3 && armed.size() < 6) || armed.empty()) {
            s.command(event());
            int made = GetLastBkptNum();   // (still __halt's when nothing was made)
            if (made != 1 && std::find(armed.begin(), armed.end(), made) == armed.end()) armed.push_back(made);
        } else if (what == 3) {
            auto at = armed.begin() + std::uniform_int_distribution<std::ptrdiff_t>(0, armed.size() - 1)(rng);
            s.command("del " + number(*at));
            armed.erase(at);
        } else if (what == 4) {
            s.command(std::string(chance(50) ? "b /s " : "b /a ") + number(pick(armed)));
        } else {
            go(s, runcommand());
        }
    }
}

// ---------------------------------------------------------------------------
// The test: the four sessions of a program, each fast and then again in the
// reference mode

// The fast session on a fresh load with the breakpoint on __halt, driven by
// drive; its transcript.
Transcript fastsession(const fs::path& program, const AfterLoad& setup, const std::function<void(Session&)>& drive) {
    Session s(program, false, setup);
    EXPECT_TRUE(s.loaded());
    if (!s.loaded()) return {};
    s.command("b __halt");
    drive(s);
    s.transcript.counts = Session::counts();
    return s.transcript;
}

// The commands of a fast session again in the reference mode: every record
// must be the same, and so must the counts at the end.
void replay(const fs::path& program, const AfterLoad& setup, const Transcript& fast) {
    Session reference(program, true, setup);
    ASSERT_TRUE(reference.loaded());
    for (std::size_t i = 0; i < fast.commands.size(); ++i) {
        reference.command(fast.commands[i]);
        const std::string& got = reference.transcript.records[i];
        if (got != fast.records[i]) {
            std::string before;
            for (std::size_t k = i >= 6 ? i - 6 : 0; k < i; ++k) before += "  " + fast.commands[k] + "\n";
            FAIL() << "command " << i << " of " << fast.commands.size() << ": " << fast.commands[i] << "\nafter:\n"
                   << before << "fast:\n" << fast.records[i] << "reference:\n" << got;
        }
    }
    EXPECT_EQ(Session::counts(), fast.counts) << "the execution counts and cycles of the lines";
}

// A program of the tests, as the build made it (NAME.h11 from NAME.c, in
// a folder of its own beside its source).
fs::path programpath(const std::string& name) {
    return fs::path(VY_REFERENCE_PROGRAMS) / name / (name + ".h11");
}

class ProgramTest : public ::testing::TestWithParam<const char*> {
protected:
    // A session's commands fast, then in the reference mode.
    void both(const char* what, const std::function<void(Session&)>& drive, const AfterLoad& setup = {}) {
        SCOPED_TRACE(what);
        fs::path program = programpath(GetParam());
        Transcript fast = fastsession(program, setup, drive);
        ASSERT_FALSE(fast.commands.empty());
        replay(program, setup, fast);
    }
};

// The systematic sessions: every line, lines and functions by pairs, data
// events; each case a CTest entry of its own.
using ReferenceRun = ProgramTest;

TEST_P(ReferenceRun, EveryLine) {
    std::vector<std::string> order;
    both("every line", [&](Session& s) { order = everyline(s); });
    EXPECT_FALSE(order.empty()) << "no line reached";
}

TEST_P(ReferenceRun, LinesAndFunctionsByPairs) {
    // The order in which the program first reaches its lines, from a fast
    // session of every line (which the case above checks).
    std::vector<std::string> order;
    fastsession(programpath(GetParam()), {}, [&](Session& s) { order = everyline(s); });
    ASSERT_FALSE(order.empty()) << "no line reached";
    both("lines and functions by pairs", [&](Session& s) { pairs(s, order); });
}

TEST_P(ReferenceRun, DataEvents) {
    both("data events", [&](Session& s) { dataevents(s, 8); });
}

// The random session, a suite of its own.
using RandomCommands = ProgramTest;

TEST_P(RandomCommands, FromWhereverTheLastStopped) {
    // The vector program takes interrupts of its own: IRQ from a timer, the
    // real-time interrupt from a line range of main (one of the handlers
    // would raise its own interrupt again before it returned).
    AfterLoad interrupts;
    if (std::string(GetParam()) == "vectors") {
        interrupts = [] {
            settimeint(3, 1, 700, 1300);
            LocationTrigger lines;
            lines.func = findfunc("main");
            lines.firstline = 1;
            lines.lastline = 0;
            lines.hitcount = 23;
            setlocint(4, 1, lines);
            inttable[4].staysactive = 1;
        };
    }
    // (More of them where the interrupts come: two at one place, a handler
    // that returns to a place whose entries waited, ...)
    int count = generatedcases(interrupts ? 400 : 40);
    std::mt19937 rng(std::hash<std::string>{}(GetParam()) & 0xFFFF);
    both("random commands", [&](Session& s) { randomcommands(s, rng, count); }, interrupts);
}

// The bundled example as a new user tries it: an entry event on main stops
// once, at main's start, and the next go ends at __halt.
TEST(BundledExample, AnEntryEventOnMainStopsOnce) {
    Transcript fast = fastsession(programpath("primes"), {}, [](Session& s) {
        s.command("b /e main()");
        go(s);
        EXPECT_EQ(getpc(), findfunc("main")->start->addr);
        go(s);
        EXPECT_TRUE(athalt()) << "stopped at 0x" << std::hex << getpc();
    });
    replay(programpath("primes"), {}, fast);
}

// The programs (built by the CMake file of the tests), each with its own
// suites: a CTest entry each.
#define PROGRAM(Suite, name)                                                         \
    INSTANTIATE_TEST_SUITE_P(Suite, ReferenceRun, ::testing::Values(name));          \
    INSTANTIATE_TEST_SUITE_P(Suite, RandomCommands, ::testing::Values(name))

PROGRAM(Primes, "primes");
PROGRAM(Addresses, "addresses");
PROGRAM(Algorithms, "algorithms");
PROGRAM(Bitfields, "bitfields");
PROGRAM(Conversions, "conversions");
PROGRAM(Floats, "floats");
PROGRAM(Functions, "functions");
PROGRAM(Initialisers, "initialisers");
PROGRAM(IntArith, "int_arith");
PROGRAM(Interrupts, "interrupts");
PROGRAM(LongArith, "long_arith");
PROGRAM(Loops, "loops");
PROGRAM(Pointers, "pointers");
PROGRAM(Shifts, "shifts");
PROGRAM(Structs, "structs");
PROGRAM(Switches, "switches");
PROGRAM(Vectors, "vectors");

}  // namespace
}  // namespace vy
