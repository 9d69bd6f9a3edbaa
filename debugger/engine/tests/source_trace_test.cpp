// The source trace's recorder: entries, their limit and the status texts.
#include <cstring>
#include <string>
#include <vector>

#include "debugger/engine/headless.h"
#include "debugger/engine/monitors.h"
#include "debugger/engine/names.h"
#include "debugger/engine/runstate.h"
#include "debugger/engine/source_trace.h"
#include "debugger/target/debug_tables.h"
#include "debugger/target/messages.h"
#include "debugger/target/registers.h"
#include "debugger/target/services.h"
#include "debugger/target/symbols.h"
#include "engine_fixture.h"
#include "support/list_node.h"

namespace vy {
namespace {

// A small program's debug entries: main starts at 0x8000 with lines at
// 0x8002 and 0x8004 and leaves at 0x8006; sub's line is at 0x8010.
class SourceTraceTest : public EngineTest {
protected:
    void SetUp() override {
        EngineTest::SetUp();
        start = add(DBG_FUNCSTART, 0x8000, "main");
        line1 = add(DBG_LINE, 0x8002, "main");
        line2 = add(DBG_LINE, 0x8004, "main");
        exit = add(DBG_EXIT, 0x8006, "main");
        subline = add(DBG_LINE, 0x8010, "sub");
        debuglist = entries.front();
        setpc(0x8002);
    }
    void TearDown() override {
        trcfree();
        debuglist = nullptr;
        for (DebugEntry* e : entries) freenode(e, nullptr);
        tracealloc = saved;
        EngineTest::TearDown();
    }

    DebugEntry* add(uint8_t kind, uint32_t address, const char* function) {
        std::size_t n = std::strlen(function);
        auto* e = static_cast<DebugEntry*>(newnode(sizeof(DebugEntry) + n + 1, nullptr));
        std::memcpy(e->text(), function, n + 1);
        e->name = e->text();
        e->kind = kind;
        e->addr = address;
        if (!entries.empty()) entries.back()->next = e;
        entries.push_back(e);
        return e;
    }

    std::vector<DebugEntry*> lines() {
        std::vector<DebugEntry*> seen;
        for (TraceEntry* e = sourcetrace.head; e; e = e->next) seen.push_back(e->line);
        return seen;
    }

    std::vector<DebugEntry*> entries;
    DebugEntry *start, *line1, *line2, *exit, *subline;
    void* (*saved)(std::size_t) = tracealloc;
};

TEST_F(SourceTraceTest, TheLimitMakesItFullAndClearingStartsAgain) {
    trcsetmax(3);
    EXPECT_EQ(trcgetmax(), 3u);
    trcstart(0);
    EXPECT_EQ(headless.middlestatus, " Source Trace Active [1 Entries]");
    trcrecord(1, line2);
    trcrecord(1, line1);
    EXPECT_EQ(headless.middlestatus, " Source Trace Active [3 Entries]");
    EXPECT_EQ(headless.rightstatus, "");
    trcrecord(1, line2);
    EXPECT_EQ(headless.rightstatus, "Source Trace Full");
    EXPECT_EQ(headless.middlestatus, "");
    EXPECT_EQ(trccount(), 3u);
    EXPECT_EQ(lines(), (std::vector<DebugEntry*>{line1, line2, line1}));
    trcrecord(1, line1);
    EXPECT_EQ(trccount(), 3u);

    trcclear();
    EXPECT_EQ(trccount(), 0u);
    EXPECT_EQ(headless.rightstatus, "");
    EXPECT_EQ(headless.middlestatus, " Source Trace Active [0 Entries]");
    trcrecord(1, line2);
    EXPECT_EQ(lines(), (std::vector<DebugEntry*>{line2}));
    trcstop();
    EXPECT_EQ(headless.middlestatus, "");
    EXPECT_FALSE(sourcetrace.active);
}

TEST_F(SourceTraceTest, StepsOutsideSourceLinesNeedEveryStep) {
    setpc(0x8003);
    trcstart(0);
    trcrecord(0, nullptr);
    EXPECT_EQ(trccount(), 0u);
    EXPECT_EQ(headless.middlestatus, " Source Trace Active [0 Entries]");
    trcstart(1);
    trcrecord(0, nullptr);
    // Each takes the line at or before the PC, without the line flag.
    ASSERT_EQ(trccount(), 2u);
    EXPECT_EQ(lines(), (std::vector<DebugEntry*>{line1, line1}));
    EXPECT_EQ(sourcetrace.newest->flags, 0);
    trcrecord(1, line2);
    EXPECT_EQ(sourcetrace.newest->flags, TRC_LINE);
    EXPECT_EQ(sourcetrace.newest->prev->prev, sourcetrace.head);
}

TEST_F(SourceTraceTest, AnEntryKeepsTheRegistersCyclesAndOptions) {
    trcstart(0);
    setreg(REG_D, 0x1234);
    setreg(REG_X, 0x5678);
    *timeptr = 4242;
    RunStartCycles = 42;
    sourcetrace.stackinfo = sourcetrace.monitorinfo = true;
    trcrecord(1, line2);
    const TraceEntry* e = sourcetrace.newest;
    EXPECT_EQ(e->registers.a, 0x12);
    EXPECT_EQ(e->registers.b, 0x34);
    EXPECT_EQ(e->registers.x, 0x5678);
    EXPECT_EQ(e->registers.pc, 0x8002);
    EXPECT_EQ(e->cycles, 4200u);
    RunStartCycles = 0;
    EXPECT_EQ(e->flags, TRC_LINE | TRC_STACK | TRC_MONITORS);
}

TEST_F(SourceTraceTest, AFunctionExitRecordsNothingButAsksForASnapshot) {
    trcstart(0);
    trcrecord(1, exit);
    EXPECT_EQ(trccount(), 1u);
    EXPECT_TRUE(sourcetrace.snapnext);
    trcrecord(1, subline);
    EXPECT_FALSE(sourcetrace.snapnext);
    EXPECT_EQ(trccount(), 2u);
}

TEST_F(SourceTraceTest, AFunctionFilterKeepsOnlyItsLines) {
    sourcetrace.filtered = true;
    sourcetrace.filter = "sub";
    trcstart(0);
    trcrecord(1, line2);
    trcrecord(1, subline);
    EXPECT_EQ(lines(), (std::vector<DebugEntry*>{subline}));
    trcfree();
    EXPECT_FALSE(sourcetrace.filtered);
    EXPECT_EQ(trccount(), 0u);
}

TEST_F(SourceTraceTest, NoMemoryMakesItFull) {
    trcstart(0);
    tracealloc = [](std::size_t) -> void* { return nullptr; };
    trcrecord(1, line2);
    EXPECT_EQ(trccount(), 1u);
    EXPECT_TRUE(sourcetrace.full);
    EXPECT_EQ(headless.rightstatus, "Source Trace Full");
    tracealloc = saved;
    trcrecord(1, line2);
    EXPECT_EQ(trccount(), 1u);
    trcclear();
    trcrecord(1, line2);
    EXPECT_EQ(trccount(), 1u);
}

TEST_F(SourceTraceTest, UnloadingTheDebugTablesFreesIt) {
    trcstart(0);
    trcrecord(1, line2);
    debuglist = nullptr;   // the entries are the test's own
    freedebug(1);
    EXPECT_EQ(trccount(), 0u);
    EXPECT_EQ(sourcetrace.head, nullptr);
}

// Names that know r, a local held in a register (no address to read), and
// gone, which is found when parsed but not when the trace evaluates it.
class TraceNames : public ProgramNames {
public:
    int variable(const char* file, const char* function, const char* name, bool evaluate, VarRef& var) override {
        if (std::strcmp(name, "r") == 0) {
            var = {0, 24, nullptr, 0, 4};
            return MSG_NOTADDRESSABLE;
        }
        if (std::strcmp(name, "gone") == 0) {
            var = {0x300, 24, nullptr, 0, 1};
            return evaluate ? MSG_NOACCESS : 0;
        }
        return ProgramNames::variable(file, function, name, evaluate, var);
    }
};

TEST_F(SourceTraceTest, AnEntryKeepsTheValuesOfTheMonitorsThatAreOn) {
    TraceNames names;
    setnames(&names);
    setreg(REG_A, 0x2A);
    EXPECT_EQ(run("monit /x $a\nmonit r\nmonit gone\nmonit /d $b\n"),
              "monit /x $a\nmonit r\nmonit gone\nmonit /d $b\n");
    findmonit(4)->on = 0;
    trcstart(0);
    trcrecord(1, line2);
    setnames(nullptr);
    const std::vector<TraceMonitor>& m = sourcetrace.newest->monitors;
    ASSERT_EQ(m.size(), 3u);   // the one switched off is not kept
    EXPECT_EQ(m[0].number, 1u);
    EXPECT_EQ(m[0].letter, 'x');
    EXPECT_EQ(m[0].text, "$a");
    EXPECT_EQ(m[0].value, "0x2a");
    EXPECT_FALSE(m[0].novalue);
    // The register variable keeps the text of its register.
    EXPECT_EQ(m[1].text, "r");
    EXPECT_EQ(m[1].value, "reg. d");
    EXPECT_FALSE(m[1].novalue);
    EXPECT_EQ(m[2].text, "gone");
    EXPECT_TRUE(m[2].novalue);
    rmmonit(-1);
}

// The target model's line steps record into the engine's trace: a line is
// an entry, a function exit asks for a snapshot next time.
TEST_F(SourceTraceTest, TheTargetModelsLineStepsRecordIntoTheTrace) {
    trcstart(0);
    uint32_t before = trccount();
    services().trcrecord(1, line2);
    EXPECT_EQ(trccount(), before + 1);
    EXPECT_EQ(sourcetrace.newest->line, line2);
    services().trcrecord(0, exit);
    EXPECT_EQ(trccount(), before + 1);
    EXPECT_TRUE(sourcetrace.snapnext);
    trcstop();
}

}  // namespace
}  // namespace vy
