// Source lookups over the debug entries, line entry and what it does to the
// call frames, and the counts of executions and cycles per line.
#include <string>
#include <vector>

#include "debugger/target/abi.h"
#include "debugger/target/debug_tables.h"
#include "debugger/target/frames.h"
#include "debugger/target/load_driver.h"
#include "debugger/target/memory.h"
#include "debugger/target/registers.h"
#include "debugger/target/source_lines.h"
#include "debugger/target/symbols.h"
#include "debugger/target/tools/sim_run.h"
#include "frames_program.h"
#include "support/list_node.h"

namespace vy {
namespace {

namespace pb = progbuild;

// Two functions one behind the other: f's end and g's start share an
// address; each start shares its address with a set-up and the first line.
class LookupsTest : public ProgramTest {
protected:
    void SetUp() override {
        ProgramTest::SetUp();
        pb::Program p;
        pb::File file;
        file.name = "s.c";
        pb::Function f, g;
        f.name = "f", g.name = "g";
        f.vars = {pb::var("k", 3, 2, 24)};
        g.lines = 2;
        file.funcs = {f, g};
        p.files = {file};
        pb::Built built = pb::build(p);
        f_ = built.funcs[0], g_ = built.funcs[1];
        dbload(tempfile("s.o", built.image).c_str(), nullptr);
        ASSERT_EQ(console.errors, "");
        // The load entered f at the start point: begin without its frame.
        freeframes();
        for (const char* name : {"f", "g"}) findfunc(name)->calls = 0;
    }
    static DebugEntry* line(uint16_t address) {
        DebugEntry* e = lineat(address);
        return e && e->addr == address ? e : nullptr;
    }
    pb::Placed f_, g_;
};

TEST_F(LookupsTest, EntriesAroundAnAddress) {
    uint16_t l0 = f_.lines[0].first, l1 = f_.lines[1].first;
    // A function end and a start at one address: the start.
    DebugEntry* at = curline(g_.start);
    ASSERT_NE(at, nullptr);
    EXPECT_EQ(at->kind, DBG_FUNCSTART);
    EXPECT_STREQ(at->name, "g");
    EXPECT_EQ(currentline, at);
    EXPECT_EQ(curline(static_cast<uint16_t>(l1 + 1)), nullptr);
    EXPECT_EQ(currentline, nullptr);
    // Between lines the lower one; below an entry's own address the one before.
    EXPECT_EQ(lineat(static_cast<uint16_t>(l1 + 2))->addr, l1);
    EXPECT_EQ(linebelow(l1)->addr, l0);
    EXPECT_EQ(linebelow(l0), nullptr);
    EXPECT_EQ(recat(f_.exit)->kind, DBG_EXIT);
    EXPECT_EQ(lineat(f_.exit)->addr, f_.lines.back().first);
    // Above the exit: g's start for lines, f's end when ends count.
    EXPECT_EQ(nextline(f_.exit, 1)->kind, DBG_FUNCSTART);
    EXPECT_EQ(nextline(f_.exit, 0)->kind, DBG_FUNCEND);
    EXPECT_EQ(nextline(0xFFF0, 1), nullptr);
    // The group of an entry.
    DebugEntry* start = curline(f_.start);
    ASSERT_EQ(start->kind, DBG_FUNCSTART);
    EXPECT_EQ(reckind(start, DBG_LINE), line(l0));
    EXPECT_EQ(reckind(line(l0), DBG_FUNCSTART), start);
    EXPECT_EQ(reckind(start, DBG_SETUP)->kind, DBG_SETUP);
    EXPECT_EQ(reckind(start, DBG_EXIT), nullptr);
    // The exit for the PC.
    setpc(f_.exit);
    EXPECT_EQ(exitat(curline(f_.exit))->addr, f_.exit);
    EXPECT_EQ(exitat(line(l1))->addr, f_.exit);
    setpc(l1);
    EXPECT_EQ(exitat(line(l0)), nullptr);
    // Code ranges.
    uint16_t low, high;
    addrrange(static_cast<uint16_t>(l0 + 1), &low, &high);
    EXPECT_EQ(low, l0);
    EXPECT_EQ(high, l1 - 1);
    addrrange(0xF000, &low, &high);
    EXPECT_EQ(high, 0xFFFF);
    // Function tables and line addresses.
    ASSERT_NE(functable("s.c", "g"), nullptr);
    EXPECT_EQ(functable("s.c", "g")->kind, DBG_FUNCREF);
    EXPECT_EQ(functable(nullptr, "g"), functable("s.c", "g"));
    EXPECT_EQ(functable("t.c", "g"), nullptr);
    EXPECT_EQ(lineaddr("s.c", f_.lines[2].second, 0), f_.lines[2].first);
    setpc(g_.lines[0].first);
    // Line 4 is also the frame offset of the set-up entry: no source line.
    EXPECT_EQ(lineaddr(nullptr, f_.lines[1].second, 0), l1);
    EXPECT_EQ(lineaddr("s.c", 999, 0), -1);
    EXPECT_EQ(lineaddr("t.c", 3, 0), -1);
    EXPECT_EQ(console.errors, "source line not found\nsource line not found\n");
}

TEST_F(LookupsTest, LinesOfAFileAndStopPlaces) {
    // One-line entries hold their line; a range up to its last line, not it.
    for (auto [text, address] : {std::pair<std::string, uint32_t>{"w.c:10-12", 0x4000}, {"w.c:20.3", 0x4010}}) {
        DebugEntry* e = newentry(DBG_LINE, address, text.c_str(), text.size());
        parseentry(e);
        insertentry(e);
    }
    struct Case {
        uint32_t line, col;
        int exact;
        uint32_t found;  // 0: none
    };
    for (Case c : {Case{10, 0, 0, 0x4000}, Case{11, 0, 0, 0x4000}, Case{12, 0, 0, 0}, Case{20, 0, 0, 0x4010},
                   Case{21, 0, 0, 0}, Case{20, 3, 1, 0x4010}, Case{20, 0, 1, 0}, Case{11, 0, 1, 0}}) {
        DebugEntry* e = findline(nullptr, "w.c", c.line, c.col, c.exact);
        EXPECT_EQ(e ? e->addr : 0, c.found) << c.line << "." << c.col << " exact " << c.exact;
    }
    EXPECT_EQ(findline(nullptr, "s.c", 99, 0, 0), nullptr);

    FuncRec* f = findfunc("f");
    EXPECT_EQ(isstop(f_.start), 1);  // start and set-up
    EXPECT_EQ(isstop(f_.exit), 1);
    EXPECT_EQ(isstop(f_.lines[1].first), 0);
    f->state = 1;
    EXPECT_EQ(isstop(f_.lines[1].first), 1);
    f->active = 0;
    EXPECT_EQ(isstop(f_.start), 0);
    EXPECT_EQ(isstop(0x0100), 0);

    std::string longtext(200, 'x');
    for (std::size_t i = 0; i < longtext.size(); ++i) wrbyte(static_cast<uint16_t>(0x0300 + i), 'x');
    wrbyte(0x0300 + 200, 0);
    EXPECT_EQ(rdstring(0x0300, 0), std::string(127, 'x'));
    poke(0x0400, {'h', 'i', 0, '!'});
    EXPECT_EQ(rdstring(0x0400, 0), "hi");
    EXPECT_EQ(rdstring(0x0400, 1), std::string("hi\0!", 4));
}

TEST_F(LookupsTest, ExecutionsAndCyclesPerLine) {
    DebugEntry *start = curline(f_.start), *l0 = reckind(start, DBG_LINE), *l1 = line(f_.lines[1].first);
    *timeptr = 10;
    perfcount(f_.start, 6);  // the start and its first line: the line takes the cycles
    EXPECT_EQ(start->calls, 1u);
    EXPECT_EQ(start->cycles, 0u);
    EXPECT_EQ(l0->calls, 1u);
    EXPECT_EQ(l0->cycles, 4u);
    perfcount(static_cast<uint16_t>(f_.lines[1].first + 2), 7);  // inside a line: cycles only
    perfcount(static_cast<uint16_t>(f_.lines[1].first + 1), 8);
    EXPECT_EQ(l1->calls, 0u);
    EXPECT_EQ(l1->cycles, 5u);
    perfcount(f_.lines[1].first, 9);
    EXPECT_EQ(l1->calls, 1u);
    EXPECT_EQ(l1->cycles, 6u);
    perfcount(0x0100, 0);  // below every entry: nothing
    perfcount(f_.exit, 0);  // an exit counts nothing
    EXPECT_EQ(curline(f_.exit)->cycles, 0u);
    perfcount(0xF000, 9);  // above the last entry: the last
    DebugEntry* last = debuglist;
    while (last->next) last = last->next;
    EXPECT_EQ(last->cycles, 1u);
}

// A step from an entry's address into the stretch above it takes
// lineupdate's quick case: it counts as the full update counts (a function
// start with its line at one address, a line, the last entry) and leaves
// the same state.
TEST_F(LookupsTest, TheQuickUpdateFromAnEntryCountsAsTheFullOne) {
    DebugEntry* last = debuglist;
    while (last->next) last = last->next;
    // From each address, what the counts show: the start takes an execution
    // and its line the cycles and one too; a line takes both; the last entry
    // (a function's end) takes nothing.
    const struct {
        uint16_t at;
        const char* counts;
    } cases[] = {{f_.start, " 1/0 0/0 1/7 "}, {f_.lines[1].first, " 1/7 "}, {static_cast<uint16_t>(last->addr), nullptr}};
    for (const auto& [at, counts] : cases) {
        std::string results[2];
        for (int quick = 0; quick < 2; ++quick) {
            for (DebugEntry* e = debuglist; e; e = e->next) e->calls = e->cycles = 0;
            forgetinterrupts();
            *timeptr = 10;
            perfcount(static_cast<uint16_t>(at + 1), 10);  // looks up the stretch above the entry
            setpc(static_cast<uint16_t>(at + 1));
            *timeptr = 17;
            DebugEntry* e = quick ? lineupdate(at, 10, true) : lineupdatefull(at, 10, true);
            std::string& r = results[quick];
            r = std::to_string(e != nullptr) + (currentline ? "c" : "") + " " + std::to_string(stretch.lastpc) +
                (stretch.lastentered ? "e" : "") + ":";
            for (DebugEntry* d = debuglist; d; d = d->next) r += " " + std::to_string(d->calls) + "/" + std::to_string(d->cycles);
        }
        EXPECT_EQ(results[1], results[0]) << "from 0x" << std::hex << at;
        if (counts) EXPECT_NE(results[1].find(counts), std::string::npos) << results[1];
        else EXPECT_EQ(results[1].find("/7"), std::string::npos) << results[1];
    }
}

TEST_F(LookupsTest, FramesComeWithFunctionStartsAndGoWithExits) {
    regs.sp = 0x0100;
    DebugEntry* start = curline(f_.start);
    setpc(f_.start);
    EXPECT_EQ(enterline(start), 2);  // the start and the first line
    ASSERT_NE(topframe, nullptr);
    EXPECT_EQ(topframe->fp, 0x00FFu);
    EXPECT_EQ(topframe->fixed, 1);  // the set-up entry fixed it
    // A line entered together with the start does not move the new frame
    // forward: it shows the start's line.
    EXPECT_EQ(topframe->line, start->line);
    EXPECT_EQ(enteredline, reckind(start, DBG_LINE));
    EXPECT_EQ(enterline(start), 1);  // the same call seen again: no new frame
    EXPECT_EQ(simrun::depth(), 1);
    regs.sp = 0x00F0;  // recursion: another frame
    EXPECT_EQ(enterline(start), 2);
    EXPECT_EQ(simrun::depth(), 2);
    EXPECT_EQ(topframe->fp, 0x00EFu);
    // An exit alone pops at once.
    setpc(f_.exit);
    EXPECT_EQ(enterline(curline(f_.exit)), 0);
    EXPECT_EQ(simrun::depth(), 1);
    EXPECT_EQ(runpos.exitpending, 0);
    // With a takeable interrupt waiting, frames stay as they are.
    *irqptr = 1;
    setpc(g_.start);
    enterline(curline(g_.start));
    EXPECT_EQ(simrun::depth(), 1);
    setpc(f_.exit);
    enterline(curline(f_.exit));
    EXPECT_EQ(simrun::depth(), 1);
    *irqptr = 0;
    // The step-over nesting follows pushes and pops.
    runflags.stepover = 1;
    setpc(g_.start);
    enterline(curline(g_.start));
    EXPECT_EQ(runflags.nesting, 1);
    setpc(g_.exit);
    enterline(curline(g_.exit));
    EXPECT_EQ(runflags.nesting, 0);
    runflags.stepover = 0;
    // Leaving with no frame, and a set-up with none, are reported.
    freeframes();
    EXPECT_EQ(popframe(), 0);
    frameset(0x1234, nullptr, 0);
    EXPECT_EQ(console.errors, " EXITING non called function -> Code Probably BROKEN\n\n"
                              "Strike any key to continue...\n"
                              "Program EXECUTION PROBABLY BROKEN !LOCALS \n");
    EXPECT_EQ(runpos.asmmode, 1);
}

TEST_F(LookupsTest, WithoutCycleCounterStampsAreZero) {
    undefsym(".time");
    regs.sp = 0x0100;
    setpc(f_.start);
    enterline(curline(f_.start));
    setpc(f_.exit);
    enterline(curline(f_.exit));
    FuncRec* f = findfunc("f");
    EXPECT_EQ(f->ntiming, 1);
    EXPECT_EQ(f->timing->enter[0], 0u);
    EXPECT_EQ(f->timing->exit[0], 0u);
    defsym(".time", 0);
}

TEST_F(LookupsTest, TenCallsFillAChronologyBlock) {
    regs.sp = 0x0100;
    FuncRec* f = findfunc("f");
    for (int i = 0; i < 11; ++i) {
        *timeptr = 100 * i;
        setpc(f_.start);
        enterline(curline(f_.start));
        *timeptr = 100 * i + 50;
        setpc(f_.exit);
        enterline(curline(f_.exit));
    }
    EXPECT_EQ(f->calls, 11u);
    ASSERT_NE(f->timing->next, nullptr);
    EXPECT_EQ(f->curtiming, f->timing->next);
    EXPECT_EQ(f->ntiming, 1);
    EXPECT_EQ(f->timing->enter[9], 900u);
    EXPECT_EQ(f->timing->exit[9], 950u);
    EXPECT_EQ(f->timing->next->exit[0], 1050u);
}

// frames.c: the closing line of walk and its exit share a group.
using LineEntryTest = FramesProgramTest;

TEST_F(LineEntryTest, AnExitThatSharesAGroupWithALineWaitsForTheNextStep) {
    uint16_t exit = 0;
    for (DebugEntry* e = debuglist; e; e = e->next)
        if (e->kind == DBG_EXIT && std::string(e->text()) == "frames.c" && std::string(e->name) == "walk") exit = static_cast<uint16_t>(e->addr);
    ASSERT_NE(exit, 0);
    while (getpc() != exit) ASSERT_EQ(simrun::step(), simrun::Stop::step);
    EXPECT_EQ(runpos.exitpending, 1);
    EXPECT_STREQ(topframe->func->name, "walk");
    EXPECT_EQ(topframe->line, 45u);
    int depth = simrun::depth();
    ASSERT_EQ(simrun::step(), simrun::Stop::step);
    EXPECT_EQ(runpos.exitpending, 0);
    EXPECT_EQ(simrun::depth(), depth - 1);
}

TEST_F(LineEntryTest, AFunctionWithoutItsTableEndsTheRun) {
    // walk's debug-table reference is gone: its start cannot be followed.
    for (DebugEntry** link = &debuglist; *link; link = &(*link)->next) {
        if ((*link)->kind == DBG_FUNCREF && std::string((*link)->name) == "walk") {
            DebugEntry* gone = *link;
            *link = gone->next;
            freenode(gone, nullptr);
            entrieschanged();
            break;
        }
    }
    simrun::Stop s = simrun::Stop::step;
    for (int i = 0; i < 10000 && s == simrun::Stop::step; ++i) s = simrun::step();
    EXPECT_EQ(s, simrun::Stop::broken);
    EXPECT_EQ(console.errors, "can't locate debug tables for: frames.c walk\nStrike any key to continue...\n");
    EXPECT_EQ(LoadFailed, 1);
    EXPECT_EQ(getpc(), symbol("_walk"));
}

// A function whose debug tables are missing gets a "." record and is
// entered without line processing: one frame for its call, gone at its exit.
using UntabledTest = ProgramTest;

TEST_F(UntabledTest, AFunctionWithoutTablesHasOneFrameForItsCall) {
    const char* code =
        "\tswitch\t.text\n"
        "\torg\t$8000\n"
        "__stext:\tlds\t#$7FFF\n"
        "\tjsr\t_main\n"
        "_exit:\tbra\t_exit\n"
        "_helper:\n"
        "\t.dstart\t\"u.c~helper:1-2\"\n"
        "\tpshx\n"
        "\t.dline\t\"u.c:3\"\n"
        "\tldaa\t#1\n"
        "\t.dline\t\"u.c:4\"\n"
        "\tldab\t#2\n"
        "\t.dline\t\"u.c:5\"\n"
        "\t.dquit\t\"u.c~helper:0\"\n"
        "\tpulx\n"
        "\trts\n"
        "\t.dendfn\t\"u.c:5-5\"\n"
        "_main:\n"
        "\t.dstart\t\"u.c~main:7-8\"\n"
        "\tpshx\n"
        "\ttsx\n"
        "\t.dentry\t\"u.c~main:-0.2\"\n"
        "\t.dline\t\"u.c:9\"\n"
        "\tjsr\t_helper\n"
        "\t.dline\t\"u.c:10\"\n"
        "\tldaa\t#3\n"
        "\t.dline\t\"u.c:11\"\n"
        "\t.dquit\t\"u.c~main:0\"\n"
        "\tpulx\n"
        "\trts\n"
        "\t.dendfn\t\"u.c:11-11\"\n";
    pb::Program p;
    pb::File file;
    file.name = "u.c";
    pb::Function main;
    main.name = "main", main.first = 7, main.last = 11, main.hascode = false;
    file.funcs = {main};
    p.files = {file};
    ASSERT_TRUE(loadprogram("u", code, p)) << console.errors;
    regs.sp = 0x7FFF;
    std::vector<std::string> seen;
    uint16_t exit = symbol("_exit");
    while (getpc() != exit) {
        ASSERT_EQ(simrun::step(), simrun::Stop::step) << console.errors;
        if (topframe) seen.push_back(std::string(topframe->func->name) + "/" + std::to_string(simrun::depth()));
    }
    // main, the helper's instructions in one "." frame above it, main again.
    std::vector<std::string> collapsed;
    for (const std::string& s : seen)
        if (collapsed.empty() || collapsed.back() != s) collapsed.push_back(s);
    EXPECT_EQ(collapsed, (std::vector<std::string>{"main/1", "./2", "main/1"}));
    EXPECT_EQ(topframe, nullptr);
    EXPECT_EQ(console.errors, "");
}

}  // namespace
}  // namespace vy
