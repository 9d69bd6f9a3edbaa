// Events and alarms at work: a program assembled with ccasm is stepped one
// instruction at a time, each step checked as the run loop checks it (the
// per-instruction check of a line step, then the check at the line it
// reached).
#include <string>
#include <vector>

#include "debugger/engine/alarms.h"
#include "debugger/engine/commands.h"
#include "debugger/engine/events.h"
#include "debugger/engine/headless.h"
#include "debugger/engine/location.h"
#include "debugger/engine/runstate.h"
#include "debugger/engine/evaluator.h"
#include "debugger/target/debug_tables.h"
#include "debugger/target/decoder.h"
#include "debugger/target/memory.h"
#include "debugger/target/registers.h"
#include "debugger/target/services.h"
#include "debugger/target/symbols.h"
#include "engine_fixture.h"

namespace vy {
namespace {

// The loop: 8000 ldaa #1 (line 4), 8002 staa cnt (5), 8005 ldab cnt (6),
// 8008 inc wide (7), 800b bra _main (8); cnt at 0x100, wide at 0x101.
const char* const loop =
    "\txdef\t_main\n"
    "\tswitch\t.text\n"
    "\torg\t$8000\n"
    "_main:\tldaa\t#1\n"
    "\tstaa\tcnt\n"
    "\tldab\tcnt\n"
    "\tinc\twide\n"
    "\tbra\t_main\n"
    "\tswitch\t.data\n"
    "\torg\t$0100\n"
    "cnt:\tds.b\t1\n"
    "wide:\tds.w\t1\n";

class Events : public EngineTest {
protected:
    void SetUp() override {
        EngineTest::SetUp();
        ASSERT_TRUE(assemble("p", loop));
        regs = RegImage{};
        setpc(0x8000);
        regs.sp = 0x00FF;
        shown();
    }
    void TearDown() override {
        SetRunState(0, 0);
        EngineTest::TearDown();
    }

    // The last line at or before the PC, where a line step that a hit ended
    // stands.
    static DebugEntry* lastline(uint16_t pc) {
        DebugEntry* found = nullptr;
        for (DebugEntry* e = debuglist; e && e->addr <= pc; e = e->next)
            if (e->kind == DBG_LINE || e->kind == DBG_FUNCSTART) found = e;
        return found;
    }

    // One instruction as a line step makes it: the data hit cleared before
    // it, the per-instruction check after it, and when that found an event
    // or the PC reached a line, the check that ends the step.
    Event* step() {
        datahit = nullptr;
        decinstr(getpc(), DEC_EXEC, nullptr);
        Event* found = chkevents(nullptr, nullptr, 1);
        DebugEntry* line = found ? lastline(getpc()) : lineexact(getpc());
        if (!found && !line) return nullptr;
        return chkevents(line, nullptr, 0);
    }

    // Steps until an event that stops the run (not a watchpoint): the PCs at
    // which it stopped, at most `stops` of them, within `limit` steps.
    std::vector<uint16_t> run(int stops, int limit = 200) {
        std::vector<uint16_t> at;
        for (int i = 0; i < limit && static_cast<int>(at.size()) < stops; ++i) {
            Event* e = step();
            if (e && !e->watch) at.push_back(getpc());
        }
        return at;
    }

    std::string list() { return EngineTest::run("b\n"); }
};

TEST_F(Events, NumbersAreTheSmallestFree) {
    EXPECT_EQ(EngineTest::run("b @0x8000\nb @0x8002\nb @0x8004\ndel 2\nb @0x8006\nb\n"),
              "b @0x8000\n(1)   at absolute address: 0x8000 (user) (count = 1, left = 1) (on)\n"
              "b @0x8002\n(2)   at absolute address: 0x8002 (user) (count = 1, left = 1) (on)\n"
              "b @0x8004\n(3)   at absolute address: 0x8004 (user) (count = 1, left = 1) (on)\n"
              "del 2\n"
              "b @0x8006\n(2)   at absolute address: 0x8006 (user) (count = 1, left = 1) (on)\n"
              "b\n"
              "(1)    at absolute address: 0x8000 (user) (count = 1, left = 1) (on)\n"
              "(2)    at absolute address: 0x8006 (user) (count = 1, left = 1) (on)\n"
              "(3)    at absolute address: 0x8004 (user) (count = 1, left = 1) (on)\n");
    EXPECT_EQ(GetLastBkptNum(), 2);
}

TEST_F(Events, ACountStopsOnEveryCountthHit) {
    // The address begins a line: the per-instruction check and the check
    // at the line both see the hit, which counts once.
    EngineTest::run("b /C:3 @0x8005\n");
    std::vector<uint16_t> at = run(2, 500);
    ASSERT_EQ(at.size(), 2u);
    EXPECT_EQ(rdbyte(0x101), 5);   // inc wide ran five times before the sixth hit
    EXPECT_EQ(list(), "b\n(1)    at absolute address: 0x8005 (user) (count = 3, left = 3) (on)\n");

    // In the middle of a line (instruction steps without lines) it is the
    // same.
    EngineTest::run("del *\nb /C:2 @0x8002\n");
    setpc(0x8000);
    int stops = 0;
    for (int i = 0; i < 20; ++i) {
        decinstr(getpc(), DEC_EXEC, nullptr);
        Event* e = chkevents(nullptr, nullptr, 0);
        if (e && !e->watch) ++stops;
    }
    EXPECT_EQ(stops, 2);   // visits 2 and 4 of the 4 in 20 instructions
}

TEST_F(Events, AWatchpointRunsItsActionAtEveryHitAndNeverStops) {
    EngineTest::run("w @0x8002 {x regs.a}\nw /C:2 @0x8008 {u .n = .n + 1}\n");
    // "regs.a" is no expression: its report comes at every hit.
    EXPECT_TRUE(run(1, 50).empty());
    SymRec* n = rensym("..n");
    ASSERT_NE(n, nullptr);
    EXPECT_EQ(n->value, 5u);   // ten visits of 0x8008 in 50 instructions
    std::string out = shown();
    std::size_t reports = 0;
    for (std::size_t at = out.find("#error"); at != std::string::npos; at = out.find("#error", at + 1)) ++reports;
    EXPECT_EQ(reports, 0u);   // error boxes, not lines: no command file runs
    EXPECT_EQ(headless.boxes.size(), 10u);
    EXPECT_NE(list().find("(1)    at absolute address: 0x8002   {x regs.a} (user) (count = 1, left = 1) (on)"),
              std::string::npos);
}

TEST_F(Events, ABreakpointReportsItselfWhileRunning) {
    EngineTest::run("b @0x8005\nb _main\n");
    SetRunState(1, 1);
    EXPECT_EQ(run(2, 20), (std::vector<uint16_t>{0x8005, 0x8000}));
    EXPECT_EQ(shown(), "***** breakpoint at absolute address: 0x8005 \n***** breakpoint _main (0x8000)\n");
    SetRunState(0, 0);
}

TEST_F(Events, AValueEventTriggersOnlyAtLineSteps) {
    EngineTest::run("b cnt\n");
    EXPECT_EQ(list(), "b\n(1)   cnt (user) (count = 1, left = 1) (on)\n");
    decinstr(0x8000, DEC_EXEC, nullptr);
    decinstr(0x8002, DEC_EXEC, nullptr);   // cnt = 1
    EXPECT_EQ(chkevents(nullptr, nullptr, 1), nullptr);
    EXPECT_EQ(chkevents(nullptr, nullptr, 0), nullptr);
    SetRunState(1, 1);
    Event* e = chkevents(lineexact(0x8005), nullptr, 0);
    ASSERT_NE(e, nullptr);
    EXPECT_EQ(shown(), "cnt modified ????\n");
    // The snapshot follows the value: unchanged, nothing more.
    EXPECT_EQ(chkevents(lineexact(0x8005), nullptr, 0), nullptr);
}

TEST_F(Events, AValueEventOnARegisterComparesTheRegister) {
    EngineTest::run("b $a\n");
    EXPECT_EQ(chkevents(lineexact(0x8000), nullptr, 0), nullptr);
    regs.a = 7;
    EXPECT_NE(chkevents(lineexact(0x8000), nullptr, 0), nullptr);
    wrbyte(16, 0x55);   // memory at the register's code is no concern
    EXPECT_EQ(chkevents(lineexact(0x8000), nullptr, 0), nullptr);
}

TEST_F(Events, DataEventsMatchTheProgramsOwnAccesses) {
    struct Case {
        const char* command;
        std::vector<uint16_t> stops;   // after the instruction that accessed
        const char* report;
    } cases[] = {
        {"db /T:w cnt", {0x8005}, "***** breakpoint: cnt (write) \n"},
        {"db /T:r cnt", {0x8008}, "***** breakpoint: cnt (read) \n"},
        {"db cnt", {0x8005, 0x8008}, "***** breakpoint: cnt (access) \n***** breakpoint: cnt (access) \n"},
        {"db /T:w p.s:wide", {0x800b}, "***** breakpoint: p.s:wide (write) \n"},
        {"dw /T:w cnt", {}, "***** watchpoint: cnt (write) \n"},
        {"db /T:w cnt; db /s 1", {}, ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.command);
        EngineTest::run("del *\n" + std::string(c.command) + "\n");
        shown();
        setpc(0x8000);
        EXPECT_EQ(run(static_cast<int>(c.stops.size()) + 1, 5), c.stops);
        EXPECT_EQ(shown(), c.report);
    }
    // The debugger's own reads and writes are no hits.
    EngineTest::run("del *\ndb cnt\nx cnt\nu cnt = 3\n");
    EXPECT_EQ(datahit, nullptr);
}

TEST_F(Events, AGoAfterADataHitRunsOnToTheNextAccess) {
    // The hit of inc is pending after its step; bra, which accesses no
    // data, must not find it again.
    EXPECT_EQ(EngineTest::run("db /T:w wide\ng\nx $pc\ng\nx $pc\n"),
              "db /T:w wide\n(1)   wide (write) (user) (count = 1, left = 1) (on)\n"
              "g\n***** breakpoint: wide (write) \nx $pc\n    $pc = 0x800b\n"
              "g\n***** breakpoint: wide (write) \nx $pc\n    $pc = 0x800b\n");
}

TEST_F(Events, DataEventErrors) {
    EXPECT_EQ(EngineTest::run("db p.s:10\ndb @0x100\ndb nosuch\ndb main():cnt\ndb /E cnt\ndb /T cnt\n"),
              "db p.s:10\n#error: Illegal Variable specification for DATA Event\n"
              "db @0x100\n#error: Illegal Variable specification for DATA Event\n"
              "db nosuch\n#error: Illegal Variable Specification for DATA Event\n"
              "db main():cnt\n#error: Illegal Variable Specification for DATA Event\n"
              "db /E cnt\n#error: Unknown Option E cnt\n"
              "db /T cnt\n#error: Wrong option T cnt\n");
}

TEST_F(Events, InternalEventsLastOneCommandOrOneHit) {
    addabsevt("", 0x8002, EventMaking{0, 0, 0, true});
    EngineTest::run("rem\n");
    EXPECT_EQ(events, nullptr);   // gone after the command
    addabsevt("", 0x8002, EventMaking{0, 0, 0, true});
    EXPECT_EQ(shown(), "");   // an internal event shows nothing
    EXPECT_EQ(run(1, 5), (std::vector<uint16_t>{0x8002}));
    EXPECT_EQ(events, nullptr);   // it triggered once
}

// What an action deletes or loads is freed only after the check; the
// sanitizers see any use after that.
TEST_F(Events, AnActionMayDeleteEventsAndLoadAProgram) {
    const char* actions[] = {
        "b @0x8002 {del 1}",                            // its own event
        "b @0x8002 {del 2}; b @0x8005 {x 1}",           // another
        "b @0x8002 {del *; b @0x8002 {del *}}",         // all, and a new one
        "b @0x8002 {load p.o}",                         // a program load
        "w @0x8002 {load p.o}; w /C:2 @0x8002 {del *}",  // a watchpoint that loads
        "b @0x8002 {b /C:3 @0x8002 {x 9}}",             // its own action replaced
    };
    for (const char* a : actions) {
        SCOPED_TRACE(a);
        EngineTest::run(std::string("del *\n") + a + "\n");
        setpc(0x8000);
        for (int i = 0; i < 12; ++i) {
            Event* e = step();
            if (e) {
                EXPECT_GT(e->count, 0u);   // still readable after its action
            }
        }
        EngineTest::run("b\n");   // a command after the check frees what it deleted
    }
    EXPECT_FALSE(LoadFailed);
}

TEST_F(Events, AlarmsReportOnceAndStopOnlyWithBreak) {
    // PC alarm on [0x8005..0x8008): fires for 0x8005, not for 0x8008.
    setpcalarm(RangeAlarm{1, 0, 0, ALARM_OR, 1, {{0, 0x8005, 0x8008}}});
    EXPECT_EQ(run(2, 10), (std::vector<uint16_t>{0x8005}));
    EXPECT_EQ(shown(), "!!! Pc Alarm !!! \n");
    setpcalarm(RangeAlarm{1, 0, 0, ALARM_OR, 1, {{0, 0x8008, 0x8009}}});
    setpc(0x8005);
    EXPECT_EQ(run(1, 1), (std::vector<uint16_t>{0x8008}));
    setpcalarm(RangeAlarm{1, 0, 0, ALARM_OR, 1, {{0, 0x8000, 0x8008}}});
    setpc(0x8005);
    EXPECT_TRUE(run(1, 1).empty());

    // Without Break the alarm reports and the run goes on.
    setpcalarm({});
    shown();
    setmemalarm(RangeAlarm{1, 0, ALARM_ANY, ALARM_OR, 0, {{0, 0x100, 0x101}}});
    setpc(0x8000);
    EXPECT_TRUE(run(1, 12).empty());
    EXPECT_EQ(shown(), "!!! MEM Alarm !!! \n");

    // A read filter and a write that fired: neither reported nor fired again.
    setmemalarm(RangeAlarm{1, 0, ALARM_READ, ALARM_OR, 1, {{0, 0x100, 0x101}}});
    setpc(0x8000);
    EXPECT_TRUE(run(1, 12).empty());
    EXPECT_EQ(memalarmconfig()->fired, ALARM_WRITE);

    // Mode And: an access that meets both conditions (inside 0x100..0x103,
    // outside 0x100..0x101 inverted: only wide).
    setmemalarm(RangeAlarm{1, 0, ALARM_ANY, ALARM_AND, 1, {{0, 0x100, 0x103}, {1, 0x100, 0x101}}});
    setpc(0x8000);
    EXPECT_EQ(run(1, 12), (std::vector<uint16_t>{0x800b}));
    setmemalarm({});

    // The stack alarm: SP outside [0x80..0xF0].
    shown();
    setstkalarm(StackAlarm{1, 0x80, 0xF0, 1});
    setpc(0x8000);
    EXPECT_EQ(run(1, 2), (std::vector<uint16_t>{0x8002}));
    EXPECT_EQ(shown(), "!!! Stack Alarm !!! \n");
    EXPECT_FALSE(alarmson());   // reported once, then off
}

TEST_F(Events, DeletingByLocation) {
    defsym("tick", 0x8008);
    EngineTest::run("b @0x8002\nb tick\nb _main\nb p.s:6\nb cnt\nb @0x8005\n");
    EXPECT_EQ(EngineTest::run("del @0x8002, tick\ndel _main\ndel p.s:6, cnt\ndel @0x9000\ndel p.s:5\ndel wide\n"
                              "del 12\ndel nosuch\ndel 1+1\ndel /q\nb\n"),
              "del @0x8002, tick\n"
              "del _main\n"
              "del p.s:6, cnt\n"
              "del @0x9000\n#error: Unknown Absolute Event: @0x9000\n"
              "del p.s:5\n#error: Unknown Code Event: p.s:5\n"
              "del wide\n#error: Unknown Data Event: wide\n"
              "del 12\n#error: breakpoint not found\n"
              "del nosuch\n#error: variable can't be accessed: nosuch\n"
              "del 1+1\n#error: illegal breakpoint: 1+1\n"
              "del /q\n#error: Unknown Option q\n"
              "b\n(6)    at absolute address: 0x8005 (user) (count = 1, left = 1) (on)\n");
    EXPECT_TRUE(EventMarksStale);
}

TEST_F(Events, OptionsAndLists) {
    EXPECT_EQ(EngineTest::run("b\nb /C5 main()\nb /x @0x8000\nb @0x8000, @0x8002 junk\n"
                              "b /C:2 @0x8000 {x 1}\nb /a 1, x\nb /s 2\nb /A 9\nb /S *\nb\n"),
              "b\nno breakpoint\n"
              "b /C5 main()\n#error: Wrong option C5 main()\n"
              "b /x @0x8000\n#error: Unknown Option x @0x8000\n"
              "b @0x8000, @0x8002 junk\n"
              "(1)   at absolute address: 0x8000 (user) (count = 1, left = 1) (on)\n"
              "(2)   at absolute address: 0x8002 (user) (count = 1, left = 1) (on)\n"
              "#error: missing ';': junk\n#error: unknown command: junk\n"
              "b /C:2 @0x8000 {x 1}\n"
              " at absolute address: 0x8000   {x 1} (user) (count = 2, left = 2) (on)\n"
              "b /a 1, x\n#error: incorrect argument for: x\n"
              "b /s 2\n"
              "b /A 9\n#error: breakpoint not found\n"
              "b /S *\n"
              "b\n"
              "(1)    at absolute address: 0x8000   {x 1} (user) (count = 2, left = 2) (off)\n"
              "(2)    at absolute address: 0x8002 (user) (count = 1, left = 1) (off)\n");
}

// Option groups written together read as the groups written apart:
// "/C:2/E" as "/C:2 /E", "/T:W/C:3" as "/T:W /C:3".
TEST_F(Events, OptionGroupsWrittenTogether) {
    auto listed = [&](const std::string& command) {
        EngineTest::run("del *\n" + command + "\n");
        std::string reports = shown();
        return reports.substr(reports.find('\n', reports.find(command)) + 1) + EngineTest::run("b\n");
    };
    const std::pair<const char*, const char*> cases[] = {
        {"b /c:2/e @0x8002", "b /c:2 /e @0x8002"},
        {"w /e/C:3 _main", "w /e /C:3 _main"},
        {"db /T:W/C:3 cnt", "db /T:W /C:3 cnt"},
        {"dw /c:2/t:r wide", "dw /c:2 /t:r wide"},
        {"b @0x8000; b /s/a 1", "b @0x8000; b /s /a 1"},
    };
    for (const auto& [together, apart] : cases) {
        SCOPED_TRACE(together);
        std::string expected = listed(apart);
        EXPECT_EQ(expected.find("#error"), std::string::npos) << expected;
        EXPECT_EQ(listed(together), expected);
    }
}

// The log of record holds the commands given, not those an event's action
// runs.
TEST_F(Events, AnActionsCommandsAreNotLogged) {
    EngineTest::run("record lg.txt\nw @0x8002 {x 7}\n");
    shown();
    EXPECT_TRUE(run(1, 3).empty());
    EXPECT_EQ(shown(), "    7 = 7\n");
    EngineTest::run("record\n");
    EXPECT_EQ(lflines(read("lg.txt")), "w @0x8002 {x 7}\nrecord\n");
}

}  // namespace
}  // namespace vy
