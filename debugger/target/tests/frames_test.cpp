// Call frames, line entry and typed values on a program whose frames are
// built as the code generator builds them: frames.s is frames.c as the
// compiler's output would read, its debug tree is frames.c's description.
// Stepping by line goes into and out of every call; at every instruction
// the frames agree with the return addresses on the simulated stack, and at
// every probe the debugger reads each argument and local with the values
// that frames.c computes when compiled for the host.
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <string>
#include <vector>

#include "debugger/target/abi.h"
#include "debugger/target/debug_tables.h"
#include "debugger/target/frames.h"
#include "debugger/target/decoder.h"
#include "debugger/target/interrupts.h"
#include "debugger/target/memory.h"
#include "debugger/target/output.h"
#include "debugger/target/queries.h"
#include "debugger/target/recorder.h"
#include "debugger/target/registers.h"
#include "debugger/target/semantics.h"
#include "debugger/target/source_lines.h"
#include "debugger/target/symbols.h"
#include "debugger/target/tools/sim_run.h"
#include "debugger/target/typed_values.h"
#include "frames_host.h"
#include "frames_program.h"
#include "support/list_node.h"

namespace vy {
namespace {


// The lines the walk stops at, as frames.c runs: "function:line/depth".
void walklines(std::vector<std::string>& lines, int n, int depth) {
    auto at = [&](const char* fn, int line, int d) {
        lines.push_back(std::string(fn) + ":" + std::to_string(line) + "/" + std::to_string(d));
    };
    for (int line = 30; line <= 39; ++line) at("walk", line, depth);
    at("probe", 19, depth + 1);
    at("walk", 40, depth);
    if (n > 0) {
        at("walk", 41, depth);
        walklines(lines, n - 1, depth + 1);
    }
    at("walk", 42, depth);
    at("walk", 43, depth);
    at("probe", 19, depth + 1);
    at("walk", 44, depth);
    at("walk", 45, depth);
}

std::vector<std::string> expectedstops() {
    std::vector<std::string> want;
    for (int line = 51; line <= 57; ++line) want.push_back("main:" + std::to_string(line) + "/1");
    walklines(want, 3, 2);
    for (const char* s : {"main:58/1", "probe:19/2", "main:59/1", "main:60/1"}) want.push_back(s);
    return want;
}

class FramesTest : public FramesProgramTest {
protected:
    void walkthrough() {
        std::vector<std::string> seen;
        ASSERT_NO_FATAL_FAILURE(walkprogram(exitaddress, seen));
        EXPECT_EQ(seen, expectedstops());
    }
};

TEST_F(FramesTest, StepsIntoAndOutOfEveryCallAndReadsWhatTheHostComputes) { walkthrough(); }

TEST_F(FramesTest, InterruptsTakenAnywhereLeaveTheFramesAsTheyAre) {
    // A timer every 53 cycles lands on every kind of place: function
    // starts, set-up points, lines and exits. Its handler counts its runs
    // at 0x00F0 (ldx, inx, stx, rti: the registers come back with rti).
    poke(0xA000, {0xFE, 0x00, 0xF0, 0x08, 0xFF, 0x00, 0xF0, 0x3B});
    poke(0xFFF2, {0xA0, 0x00});
    settimeint(3, 1, 53, 53);
    walkthrough();
    EXPECT_GT(rdword(0x00F0), 80);
}

// Steps inside a line skip the full line update (afterstep's quick path,
// and lineupdate's for a step from an entry's address into its line): a
// run with interrupts landing everywhere ends with the same counts, cycles,
// chronology and frames at every step as a run in which every step takes
// the full update.
TEST_F(FramesTest, TheQuickStepInsideALineEndsAsTheFullUpdateDoes) {
    auto fullupdate = [](uint16_t pc, uint32_t before, bool executed) {
        DebugEntry* e = lineupdatefull(pc, before, executed);
        return e && reckind(e, DBG_LINE) && topframe;
    };
    auto run = [this, fullupdate](bool quick) {
        poke(0xA000, {0xFE, 0x00, 0xF0, 0x08, 0xFF, 0x00, 0xF0, 0x3B});
        poke(0xFFF2, {0xA0, 0x00});
        regs.sp = 0x7FFF;
        *timeptr = 0;
        settimeint(3, 1, 41, 41);
        std::string trace;
        for (int n = 0; getpc() != exitaddress; ++n) {
            EXPECT_LT(n, 1000000);
            if (n >= 1000000) break;
            simrun::beforestep();
            uint16_t pc = getpc();
            bool online;
            if (*irqptr && takeint(irqptr)) {
                online = quick ? simrun::afterstep(pc, 0, false) : fullupdate(pc, 0, false);
            } else {
                uint32_t before = *timeptr;
                EXPECT_NE(decinstr(pc, DEC_EXEC, nullptr), NOINSTR);
                online = quick ? simrun::afterstep(pc, before, true) : fullupdate(pc, before, true);
            }
            trace += std::to_string(simrun::depth()) + (online ? "L" : "") + (currentline ? "c" : "") + " ";
        }
        std::string counts;
        for (const DebugEntry* e = debuglist; e; e = e->next)
            counts += std::to_string(e->calls) + "/" + std::to_string(e->cycles) + " ";
        for (const char* name : {"main", "walk", "probe"}) {
            const FuncRec* f = findfunc(name);
            counts += std::string(name) + ":" + std::to_string(f->calls) + "/" + std::to_string(f->ntiming);
            for (const ChronBlock* b = f->timing; b; b = b->next)
                for (int i = 0; i < 10; ++i) counts += " " + std::to_string(b->enter[i]) + "-" + std::to_string(b->exit[i]);
        }
        return trace + "\n" + counts;
    };
    std::string quick = run(true);
    ASSERT_TRUE(loadprogram("frames", programtext("frames.s"), framestree())) << console.errors;
    std::string full = run(false);
    EXPECT_EQ(quick, full);
    EXPECT_GT(rdword(0x00F0), 80);  // the handler ran
}

// The plain steps of a run loop (simrun::plainsteps) against full steps:
// frames.s run to its end as vyrsim runs it, going on after every event
// (a new run, whose first step is not checked), with a breakpoint in a
// line of probe, read and write events on the stack and on a global, and
// data events on a global and on the stack, that fire; and in a second
// pair of runs with triggers armed too (a timer, a line range of walk
// counting to 7, an address counting to 2). Step by step (at most one
// plain step at a time, with an interrupt raised every 53 steps) the PC,
// cycles, frames and line state after every step are the same; in long
// plain runs the events fire at the same places, and the counts, cycles,
// chronology, trigger counts, interrupts taken and usage logs (every
// entry's kind, stamp, function and line) end the same.
TEST_F(FramesTest, PlainStepsEndAsFullStepsDo) {
    // limit 0: every step full.
    auto run = [this](uint64_t limit, bool interrupts, bool triggers) {
        poke(0x00F0, {0, 0});
        poke(0xA000, {0xFE, 0x00, 0xF0, 0x08, 0xFF, 0x00, 0xF0, 0x3B});
        poke(0xFFEA, {0xA0, 0x00, 0xA0, 0x00, 0xA0, 0x00, 0xA0, 0x00, 0xA0, 0x00});
        regs.sp = 0x7FFF;
        *timeptr = 0;
        const uint16_t breakat = static_cast<uint16_t>(nextline(static_cast<uint16_t>(findfunc("probe")->start->addr), 1)->addr);
        // The second instruction of walk's first line, inside the stretch
        // above the line's entry: a breakpoint there, and later an address
        // trigger.
        const uint16_t walkline = static_cast<uint16_t>(nextline(static_cast<uint16_t>(findfunc("walk")->start->addr), 1)->addr);
        std::string text;
        const uint16_t inside = static_cast<uint16_t>(walkline + decinstr(walkline, DEC_TEXT, &text));
        EXPECT_EQ(entryat(inside), nullptr);
        EXPECT_GT(static_cast<uint16_t>(nextline(walkline, 1)->addr), inside);
        const uint16_t ranges[][3] = {{MEV_READ, breakat, breakat}, {MEV_READ, 0x7FF2, 0x7FF3}, {MEV_WRITE, 0x7FEC, 0x7FEC},
                                      {MEV_READ, 0x0100, 0x0100}, {MEV_WRITE, 0x0102, 0x0102}, {MEV_READ, inside, inside}};
        MemEvent** link = &memevents;
        uint16_t number = 0;
        for (const auto& r : ranges) {
            auto* e = static_cast<MemEvent*>(newnode(sizeof(MemEvent), nullptr));
            e->flags = r[0];
            e->number = ++number;
            e->low = r[1];
            e->high = r[2];
            *link = e;
            link = &e->next;
        }
        EventVar total{0x0100, 4}, frame{0x7FE0, 8};
        EventRecord data{nullptr, 'D', 'R', &total}, stack{nullptr, 'D', 'W', &frame};
        data.next = &stack;
        eventlist = &data;
        reindexevents();
        LoadInterruptTable(0);
        if (triggers) {
            settimeint(3, 1, 97, 97);
            LocationTrigger range;
            range.func = findfunc("walk");
            range.firstline = 33;
            range.lastline = 36;
            range.hitcount = 7;
            setlocint(4, 1, range);
            inttable[4].staysactive = 1;
            LocationTrigger at;
            at.byaddress = true;
            at.address = static_cast<uint16_t>(nextline(static_cast<uint16_t>(findfunc("walk")->start->addr), 1)->addr);
            at.hitcount = 2;
            setlocint(5, 1, at);
            LocationTrigger within;
            within.byaddress = true;
            within.address = inside;
            within.hitcount = 3;
            setlocint(6, 1, within);
            // A range of the file, over main's lines: every eleventh check.
            LocationTrigger lines;
            lines.file = findfunc("main")->file;
            lines.firstline = 58;
            lines.lastline = 60;
            lines.hitcount = 11;
            setlocint(7, 1, lines);
            inttable[7].staysactive = 1;
        }
        std::string trace;
        auto state = [&] {
            trace += std::to_string(getpc()) + "/" + std::to_string(*timeptr) + "/" + std::to_string(simrun::depth()) +
                     (simrun::atline() ? "L" : "") + (currentline ? "c" : "") + " ";
        };
        auto hit = [&](const char* how) {
            trace += std::string(how) + std::to_string(runflags.lasthit) + "@" + std::to_string(getpc()) + " ";
            runflags.lasthit = 0;
        };
        auto events = [&](uint64_t& n) {
            if (runflags.lasthit) hit("e"), n = 0;
            if (datahit) trace += "d@" + std::to_string(getpc()) + " ", datahit = nullptr, n = 0;
        };
        uint64_t n = 0, steps = 0;
        for (int guard = 0; getpc() != exitaddress; ++guard) {
            EXPECT_LT(guard, 1000000);
            if (guard >= 1000000) break;
            if (interrupts && ++steps % 53 == 0) *irqptr |= inttable[3].mask;
            if (limit && n > 0) {
                simrun::PlainRun plain = simrun::plainsteps(limit, exitaddress);
                EXPECT_FALSE(plain.noinstr);
                if (plain.steps) {
                    n += plain.steps;
                    if (limit == 1) state();
                    events(n);
                    continue;
                }
            }
            ++n;
            simrun::beforestep();
            uint16_t pc = getpc();
            runflags.lasthit = 0;
            if (n > 1 && chkmemevt(pc, 5)) {
                hit("x");
                n = 0;
                continue;
            }
            if (*irqptr && takeint(irqptr)) {
                simrun::afterstep(pc, 0, false);
            } else {
                uint32_t before = *timeptr;
                runflags.skipone = 1;
                runflags.armed = 1;
                EXPECT_NE(decinstr(pc, DEC_EXEC, nullptr), NOINSTR);
                runflags.armed = 0;
                runflags.skipone = 0;
                simrun::afterstep(pc, before, true);
            }
            if (limit <= 1) state();
            events(n);
        }
        while (memevents) memevents = static_cast<MemEvent*>(freenode(memevents, memevents->next));
        eventlist = nullptr;
        datahit = nullptr;
        reindexevents();
        trace += "\n";
        for (int i = 3; i <= 7; ++i) {
            const IntDesc& d = inttable[i];
            trace += std::to_string(d.hits) + "/" + std::to_string(d.nexttime) + "/" + std::to_string(d.loctriggered) + " ";
        }
        LoadInterruptTable(0);
        for (const DebugEntry* e = debuglist; e; e = e->next)
            trace += std::to_string(e->calls) + "/" + std::to_string(e->cycles) + " ";
        for (const char* name : {"main", "walk", "probe"}) {
            const FuncRec* f = findfunc(name);
            trace += std::string(name) + ":" + std::to_string(f->calls) + "/" + std::to_string(f->ntiming);
            for (const ChronBlock* b = f->timing; b; b = b->next)
                for (int i = 0; i < 10; ++i) trace += " " + std::to_string(b->enter[i]) + "-" + std::to_string(b->exit[i]);
        }
        // The usage logs of every variable, entry by entry.
        for (FileRec* f = filelist; morefiles(f); f = f->next) {
            for (FuncRec* fn = f->funcs; fn; fn = fn->next) {
                for (LocalRec* l = fn->locals; l && l < fn->localsend; ++l) {
                    trace += "\n" + std::string(l->name);
                    forusage(l->usage, [&](const UsageEntry& e) {
                        trace += " " + std::string(e.kind == ACC_READ ? "r" : "w") + std::to_string(e.stamp) + "@" +
                                 (e.func ? e.func->name : "-") + ":" + std::to_string(e.line);
                    });
                }
            }
        }
        return trace + "\n" + std::to_string(regs.a) + " " + std::to_string(regs.b) + " " + std::to_string(regs.x) + " " +
               std::to_string(rdword(0x00F0));
    };
    auto reload = [this] {
        ASSERT_TRUE(loadprogram("frames", programtext("frames.s"), framestree())) << console.errors;
    };
    // The events of a trace, in order.
    auto events = [](const std::string& trace) {
        std::string out;
        std::string steps = trace.substr(0, trace.find('\n'));
        for (std::size_t at = 0; (at = steps.find_first_of("xed", at)) != std::string::npos; ++at)
            out += steps.substr(at, steps.find(' ', at) - at) + " ";
        return out;
    };
    for (bool triggers : {false, true}) {
        SCOPED_TRACE(triggers ? "with triggers" : "without triggers");
        // Step by step, with interrupts.
        std::string full = run(0, true, triggers);
        reload();
        std::string plain = run(1, true, triggers);
        EXPECT_EQ(plain, full);
        EXPECT_NE(full.find("x1@"), std::string::npos);  // the breakpoint
        EXPECT_NE(full.find("e2@"), std::string::npos);  // the read event
        EXPECT_NE(full.find("e3@"), std::string::npos);  // the write event
        EXPECT_NE(full.find("e4@"), std::string::npos);  // total's
        EXPECT_NE(full.find("e5@"), std::string::npos);
        EXPECT_NE(full.find("x6@"), std::string::npos);  // inside a stretch
        EXPECT_NE(full.find("d@"), std::string::npos);   // the data event
        EXPECT_NE(full.find("@walk:"), std::string::npos);  // usage logged in walk
        EXPECT_GT(rdword(0x00F0), 5);                    // interrupts were taken
        // Long plain runs.
        reload();
        std::string fullrun = run(0, false, triggers);
        reload();
        std::string longrun = run(UINT64_MAX, false, triggers);
        EXPECT_EQ(events(longrun), events(fullrun));
        EXPECT_EQ(longrun.substr(longrun.find('\n')), fullrun.substr(fullrun.find('\n')));
        if (triggers) {
            EXPECT_GT(rdword(0x00F0), 20);
        }
        reload();
    }
}

TEST_F(FramesTest, CallCountsChronologyAndCyclesPerLine) {
    uint32_t start = timeptr ? *timeptr : 0;
    while (getpc() != exitaddress) ASSERT_EQ(simrun::step(), simrun::Stop::step);
    uint32_t cycles = *timeptr - start;
    FuncRec *walk = findfunc("walk"), *probe = findfunc("probe"), *main = findfunc("main");
    EXPECT_EQ(main->calls, 1u);
    EXPECT_EQ(walk->calls, 4u);
    EXPECT_EQ(probe->calls, 9u);
    // walk leaves its own running 15 times (two probes and a return per
    // call, and three recursive calls): one full block and five more.
    ASSERT_NE(walk->timing->next, nullptr);
    EXPECT_EQ(walk->curtiming, walk->timing->next);
    EXPECT_EQ(walk->ntiming, 5);
    uint32_t last = 0;
    for (const ChronBlock* b = walk->timing; b; b = b->next) {
        for (int i = 0; i < (b->next ? 10 : walk->ntiming); ++i) {
            EXPECT_LE(last, b->enter[i]);
            EXPECT_LT(b->enter[i], b->exit[i]);
            last = b->exit[i];
        }
    }
    EXPECT_EQ(probe->ntiming, 9);
    EXPECT_EQ(probe->timing->next, nullptr);
    // Every cycle from main's start on is counted to a line; lds and the
    // call of main (3 + 6 cycles) lie before the first entry.
    uint64_t counted = 0;
    uint32_t line30 = 0, line41 = 0;
    for (DebugEntry* e = debuglist; e; e = e->next) {
        counted += e->cycles;
        if (e->kind == DBG_LINE && e->line == 30) line30 = e->calls;
        if (e->kind == DBG_LINE && e->line == 41) line41 = e->calls;
    }
    EXPECT_EQ(counted, cycles - 9);
    EXPECT_EQ(line30, 4u);
    EXPECT_EQ(line41, 3u);
    EXPECT_EQ(walk->start->calls, 4u);
}

TEST_F(FramesTest, TheCallStackAndVariablesAsTheDriverShowsThem) {
    for (int i = 0; i < 3; ++i) ASSERT_EQ(simrun::linestep(100000), simrun::Stop::line);
    EXPECT_EQ(simrun::frametext(topframe), "main() frames.c:53");
    // Into walk(3), then down to walk(2)'s first probe.
    while (!(simrun::depth() == 4 && std::string(topframe->func->name) == "probe"))
        ASSERT_EQ(simrun::linestep(100000), simrun::Stop::line);
    std::vector<std::string> stack;
    for (const FrameNode* f = topframe; f; f = f->next) stack.push_back(simrun::frametext(f));
    // main's top and each walk's here lie 27 (9) below their frame pointers.
    const FrameNode *walk2 = topframe->next, *walk3 = walk2->next, *main = walk3->next;
    auto hex = [](uint32_t v) {
        char text[16];
        std::snprintf(text, sizeof text, "0x%x", v);
        return std::string(text);
    };
    const std::vector<std::string> want = {
        "probe(id = 1) frames.c:19",
        "walk(n = 2, c = 66, up = " + hex(walk3->fp - 27) + ") frames.c:39",
        "walk(n = 3, c = 65, up = " + hex(main->fp - 9) + ") frames.c:41",
        "main() frames.c:57",
    };
    EXPECT_EQ(stack, want);
    // Characters show as numbers ("%c" is the 8-bit conversion), large
    // doubles in exponent form, structures member by member.
    EXPECT_EQ(simrun::variablestext(walk2), "  argument int  n = 2\n"
                                            "  argument char  c = 66\n"
                                            "  argument struct pair @near *up = " + hex(walk3->fp - 27) + "\n"
                                            "  auto long  sq = 123456789\n"
                                            "  auto float  f = -1.5\n"
                                            "  auto double  d = -2.5e+10\n"
                                            "  auto int  @near *ip = " + hex(walk2->fp - 27) + "\n"
                                            "  auto struct pair here =  {4,66,123456789,2,2}\n");
}

TEST_F(FramesTest, LineRangeTriggersFollowTheTopFrame) {
    regs.cc |= CC_I;  // the interrupts stay pending: their bits show when each fired
    *irqptr = 0;
    LocationTrigger from42;  // walk's lines from 42 on, any of them
    from42.func = findfunc("walk");
    from42.firstline = 42;
    from42.hitcount = 1;
    LocationTrigger rows;  // lines 30 and 31 of any function of the file, every fifth check
    rows.file = findfile("frames.c");
    rows.firstline = 30;
    rows.lastline = 31;
    rows.hitcount = 5;
    ASSERT_TRUE(setlocint(3, 1, from42));  // IRQ, mask 8
    ASSERT_TRUE(setlocint(4, 1, rows));  // Real Time Interrupt, mask 16
    inttable[4].staysactive = 1;
    triggerschanged();
    std::vector<std::string> fired;
    uint32_t seen = 0;
    while (getpc() != exitaddress) {
        ASSERT_EQ(simrun::step(), simrun::Stop::step);
        if (*irqptr == seen) continue;
        fired.push_back(std::to_string(*irqptr ^ seen) + "@" + topframe->func->name + ":" +
                        std::to_string(topframe->line));
        seen = *irqptr;
        *irqptr = seen = 0;
    }
    // The range trigger fires once, at the first check inside walk at line
    // 42 or later. The other is checked before each instruction of lines 30
    // and 31, nine each in every call of walk, and stays active: it fires
    // on every fifth of those 72 checks.
    auto range = std::find_if(fired.begin(), fired.end(), [](const std::string& f) { return f[0] == '8'; });
    ASSERT_NE(range, fired.end());
    EXPECT_EQ(*range, "8@walk:42");
    EXPECT_EQ(std::count_if(fired.begin(), fired.end(), [](const std::string& f) { return f[0] == '8'; }), 1);
    EXPECT_EQ(inttable[3].locactive, 0);
    EXPECT_EQ(inttable[4].locactive, 1);
    std::size_t rowhits = std::count_if(fired.begin(), fired.end(), [](const std::string& f) { return f[0] == '1'; });
    EXPECT_EQ(rowhits, 72u / 5u);
    EXPECT_EQ(inttable[4].hits, 72 % 5);
}

// Services with frames.c's source lines, a source file to open, and the
// variables browser's calls kept.
class Listings : public ConsoleServices {
public:
    const char* readsrcline(const char* file, uint32_t line) override {
        if (std::string(file) != "frames.c" || line == 0 || line > lines.size()) return nullptr;
        return lines[line - 1].c_str();
    }
    std::FILE* srcopen(const char* name) override { return std::string(name) == "frames.c" ? std::fopen(path.c_str(), "rb") : nullptr; }
    void browsevariables(int kind, int pointers, int addresses) override {
        browsed = std::to_string(kind) + std::to_string(pointers) + std::to_string(addresses);
    }
    std::vector<std::string> lines;
    std::string path, browsed;
};

TEST_F(FramesTest, ListingsOfTheOlderCoreAndTheVariablesOfAFrame) {
    Listings listings;
    listings.capture = true;
    listings.path = std::string(VY_SOURCE_DIR) + "/debugger/target/tests/programs/frames.c";
    std::string text = programtext("frames.c");
    for (std::size_t at = 0; at < text.size();) {
        std::size_t end = text.find('\n', at);
        listings.lines.push_back(text.substr(at, end - at));
        at = end == std::string::npos ? text.size() : end + 1;
    }
    setservices(&listings);
    while (!(topframe && std::string(topframe->func->name) == "walk" && topframe->line == 40))
        ASSERT_EQ(simrun::linestep(100000), simrun::Stop::line);

    runlistcmd();
    runblock("  x 1; x 2");
    EXPECT_EQ(listings.commands, "E\n{x 1; x 2 }\n");
    EXPECT_EQ(runflags.listing, 0);
    listings.out.clear();
    srcrange("frames.c", "walk", 44, 46);
    EXPECT_EQ(listings.out, "walk():44    return here.a;\nwalk():45}\nwalk():46\n");
    listings.out.clear();
    framelist(3, 0, 0);
    EXPECT_EQ(listings.out, "    39     probe(1);\n==>>40     if (n > 0)\n    41         *ip = *ip + walk(n - 1, c + 1, &here);\n");
    listings.commands.clear();
    framelist(1, 1, 1);  // with the code of the line, through the older core's listing command
    uint16_t low, high;
    DebugEntry* line40 = linecode(findfile("frames.c"), 40);
    addrrange(static_cast<uint16_t>(line40->addr), &low, &high);
    char command[32];
    std::snprintf(command, sizeof command, "e 0x%x,0x%x\n", static_cast<unsigned>(line40->addr), static_cast<unsigned>(high));
    EXPECT_EQ(listings.commands, command);

    // The source lines of an entry, interleaved with the disassembly.
    listings.out.clear();
    EXPECT_EQ(lineannot(line40), 1);
    EXPECT_EQ(listings.out, "frames.c:40 |     if (n > 0)\n");
    listings.out.clear();
    EXPECT_EQ(lineannot(linecode(findfile("frames.c"), 30)), 1);  // an earlier line: read again from the start
    EXPECT_EQ(listings.out, "frames.c:30 |     sq = bigs[n];\n");
    listings.path = temppath("gone.c");
    listings.out.clear();
    std::string missing = "gone.c";
    DebugEntry* gone = newentry(DBG_LINE, 0x9999, missing.c_str(), missing.size());
    gone->line = gone->endline = 7;
    EXPECT_EQ(lineannot(gone), 0);
    EXPECT_EQ(listings.out, "                  gone.c  L7\n");
    freenode(gone, nullptr);

    // A variable shown whole, the browser for a frame, a snapshot of the frames.
    listings.out.clear();
    showlocal(funcvar(topframe->func, "here"), nullptr);
    // walk(3): here.a = 3 + top.a, its tag 'A', big bigs[3], lo 3, hi 'A' & 31.
    EXPECT_EQ(listings.out, " =  {\n"
                            "int  a        at " + hexaddr(topframe->fp - 27) + " 2\n"
                            "char  tag        at " + hexaddr(topframe->fp - 25) + " 65\n"
                            "long  big        at " + hexaddr(topframe->fp - 24) + " -2000000000\n"
                            "bit-field  lo        at " + hexaddr(topframe->fp - 20) + " 3\n"
                            "bit-field  hi        at " + hexaddr(topframe->fp - 20) + " 1\n"
                            "        }\n");
    showvars(topframe->next, "p&");
    EXPECT_EQ(listings.browsed, "111");
    EXPECT_EQ(curframe, topframe->next);
    FrameNode* copy = copyframes();
    int n = 0;
    for (FrameNode *f = copy, *g = topframe; f || g; f = f ? f->next : nullptr, g = g ? g->next : nullptr, ++n) {
        ASSERT_TRUE(f && g);
        EXPECT_EQ(f->func, g->func);
        EXPECT_EQ(f->fp, g->fp);
    }
    EXPECT_EQ(n, simrun::depth());
    freechain(copy, nullptr);
    setservices(&console);
}

}  // namespace
}  // namespace vy
