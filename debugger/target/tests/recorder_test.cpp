// The memory-access recorder: the alarms and the data events see each
// recorded access, and the usage logs of file-level variables and of the
// top frame's variables get an entry for every access to their storage.
#include <cstdint>
#include <random>
#include <string>
#include <vector>

#include "debugger/target/abi.h"
#include "debugger/target/debug_tables.h"
#include "debugger/target/frames.h"
#include "debugger/target/load_driver.h"
#include "debugger/target/memory.h"
#include "debugger/target/recorder.h"
#include "debugger/target/registers.h"
#include "debugger/target/source_lines.h"
#include "debugger/target/symbols.h"
#include "debugger/target/tools/sim_run.h"
#include "debugger/target/typed_values.h"
#include "frames_program.h"
#include "support/list_node.h"

namespace vy {
namespace {

namespace pb = progbuild;

// Every entry of a usage log, as "kind@function:line".
std::vector<std::string> entries(const LocalRec* rec) {
    std::vector<std::string> out;
    forusage(rec->usage, [&](const UsageEntry& e) {
        out.push_back(std::string(e.kind == ACC_READ ? "r" : "w") + "@" + (e.func ? e.func->name : "") + ":" +
                      std::to_string(e.line));
    });
    return out;
}

std::vector<uint32_t> stamps(const LocalRec* rec) {
    std::vector<uint32_t> out;
    forusage(rec->usage, [&](const UsageEntry& e) { out.push_back(e.stamp); });
    return out;
}

class RecorderTest : public ProgramTest {
protected:
    void SetUp() override {
        ProgramTest::SetUp();
        pb::Program p;
        pb::File f;
        f.name = "r.c";
        pb::Function fn;
        fn.name = "f";
        f.funcs = {fn};
        f.globals = {pb::var("g", 6, 0x0200, 24), pb::var("h", 1, 0x0202, 9), pb::var("buf", 6, 0x0210, 0xC0000009, {8}),
                     pb::var("red", 12, 0x0200, 24)};
        p.files = {f};
        pb::Built built = pb::build(p);
        dbload(tempfile("r.o", built.image).c_str(), nullptr);
        ASSERT_EQ(console.errors, "");
        g = findglobal("g"), h = findglobal("h"), buf = findglobal("buf");
        ASSERT_TRUE(g && h && buf);
        line = static_cast<uint16_t>(built.funcs[0].lines[1].first);
    }
    LocalRec *g = nullptr, *h = nullptr, *buf = nullptr;
    uint16_t line = 0;
};

TEST_F(RecorderTest, AccessesLogTheVariablesWhoseStorageTheyTouch) {
    struct Case {
        const char* meaning;
        void (*access)();
        std::vector<std::string> g, h, buf;
    };
    const Case cases[] = {
        {"a word store to a word logs one write", [] { recwrword(0x0200, 1); }, {"w"}, {}, {}},
        {"a store to its second byte alone logs it too", [] { recwrbyte(0x0201, 1); }, {"w"}, {}, {}},
        {"a word whose first byte lies below a variable logs nothing of it", [] { recwrword(0x0201, 1); }, {"w"}, {}, {}},
        {"a long read logs the variable at its address only", [] { recrdlong(0x0200); }, {"r"}, {}, {}},
        {"an array byte", [] { recrdbyte(0x0217); }, {}, {}, {"r"}},
        {"past the array", [] { recrdbyte(0x0218); }, {}, {}, {}},
        {"the typed-value word accessors record too", [] { recputword(0x0202, 7); }, {}, {"w"}, {}},
    };
    for (const Case& c : cases) {
        for (LocalRec* l : {g, h, buf}) l->usage = freeusage(l->usage);
        c.access();
        auto kinds = [](const LocalRec* l) {
            std::vector<std::string> k;
            for (const std::string& e : entries(l)) k.push_back(e.substr(0, 1));
            return k;
        };
        EXPECT_EQ(kinds(g), c.g) << c.meaning;
        EXPECT_EQ(kinds(h), c.h) << c.meaning;
        EXPECT_EQ(kinds(buf), c.buf) << c.meaning;
    }
    EXPECT_EQ(findglobal("red")->usage, nullptr);  // an enumerator is no storage
    // The file-level variables by name and class: statics are class 1,
    // those of the whole program class 6.
    EXPECT_EQ(filestatic("h", "r.c"), h);
    EXPECT_EQ(fileglobal("g", "r.c"), g);
    EXPECT_EQ(filestatic("g", "r.c"), nullptr);
    EXPECT_EQ(fileglobal("g", "s.c"), nullptr);
    EXPECT_EQ(filevar("red", "r.c", CL_ENUMMEMBER), findglobal("red"));
    // The debugger's own reads of values are not the program's.
    g->usage = freeusage(g->usage);
    rdvalue(0x0200, 0, CL_EXTERN, 24);
    EXPECT_EQ(g->usage, nullptr);
}

TEST_F(RecorderTest, LogsKeepEveryAccessWithItsStampFunctionAndLine) {
    // The load entered f at its start: its frame names the place.
    ASSERT_NE(topframe, nullptr);
    *timeptr = 7;
    recrdbyte(0x0202);
    EXPECT_EQ(entries(h), std::vector<std::string>{"r@f:" + std::to_string(topframe->line)});
    // Without a frame the line at the PC does.
    freeframes();
    setpc(line);
    for (int i = 0; i < 12; ++i) {
        *timeptr = 100 + i;
        if (i % 3 == 0) recwrword(0x0200, 0);
        else recrdword(0x0200);
    }
    ASSERT_NE(g->usage, nullptr);
    EXPECT_EQ(g->usage->reads, 8u);
    EXPECT_EQ(g->usage->writes, 4u);
    EXPECT_EQ(g->usage->count(), 12u);
    std::vector<uint32_t> expected;
    for (uint32_t i = 0; i < 12; ++i) expected.push_back(100 + i);
    EXPECT_EQ(stamps(g), expected);
    std::vector<std::string> log = entries(g);
    ASSERT_EQ(log.size(), 12u);
    EXPECT_EQ(log[0], "w@f:" + std::to_string(lineat(line)->line));
    EXPECT_EQ(log[1].substr(0, 2), "r@");
    // Without the cycle counter the stamps are 0.
    undefsym(".time");
    recrdbyte(0x0202);
    EXPECT_EQ(stamps(h), (std::vector<uint32_t>{7, 0}));
    defsym(".time", 0);
}

TEST_F(RecorderTest, TheFirstMatchingDataEventIsTheHit) {
    EventVar gv{0x0200, 2}, hv{0x0202, 1};
    EventRecord readg{nullptr, 'D', 'R', &gv};
    EventRecord anyh{nullptr, 'D', 'A', &hv};
    EventRecord writeg{nullptr, 'D', 'W', &gv};
    EventRecord other{nullptr, 'B', 'A', &gv};
    other.next = &readg;
    readg.next = &anyh;
    anyh.next = &writeg;
    eventlist = &other;
    reindexevents();
    recwrword(0x0200, 5);
    EXPECT_EQ(datahit, &writeg);  // the read event does not match a write
    recrdbyte(0x0201);
    EXPECT_EQ(datahit, &readg);
    recwrbyte(0x0202, 1);
    EXPECT_EQ(datahit, &anyh);
    recrdbyte(0x0203);
    EXPECT_EQ(datahit, nullptr);  // cleared by every recording
    eventlist = nullptr;
    reindexevents();
}

// Services that keep the accesses shown to the alarms.
class Alarms : public ConsoleServices {
public:
    void memalarm(uint16_t address, int kind) override { seen.push_back(address * 10 + kind); }
    std::vector<int> seen;
};

TEST_F(RecorderTest, TheAlarmsSeeEveryRecordedAccess) {
    Alarms alarms;
    setservices(&alarms);
    recrdbyte(0x0300);
    alarms.alarms = true;
    recwrword(0x0301, 1);
    recrdlong(0x0310);
    setservices(&console);
    EXPECT_EQ(alarms.seen, (std::vector<int>{0x0301 * 10 + 2, 0x0310 * 10 + 1}));
}

using FrameUsageTest = FramesProgramTest;

TEST_F(FrameUsageTest, TheTopFramesVariablesAndTheGlobalsAreLogged) {
    while (getpc() != exitaddress) ASSERT_EQ(simrun::step(), simrun::Stop::step);
    // total: two word stores in main, then in each walk a store, a load and
    // a store (the add's operand read is no recorded access).
    std::vector<std::string> want = {"w@main:56", "w@main:56"};
    for (int i = 0; i < 4; ++i) want.insert(want.end(), {"w@walk:42", "r@walk:42", "w@walk:42"});
    LocalRec* total = findglobal("total");
    EXPECT_EQ(entries(total), want);
    // Each walk's own sq, in whichever frame: two word stores on line 30,
    // two loads on line 35.
    FuncRec* walk = findfunc("walk");
    LocalRec* sq = funcvar(walk, "sq");
    want.clear();
    for (int i = 0; i < 4; ++i) want.insert(want.end(), {"w@walk:30", "w@walk:30", "r@walk:35", "r@walk:35"});
    EXPECT_EQ(entries(sq), want);
    // n, pushed from D by the entry sequence: loads on lines 30, 31, 32, 36
    // (its low byte) and 40 in every call, and 41 in the three that recur.
    LocalRec* n = funcvar(walk, "n");
    EXPECT_EQ(n->usage->reads, 4u * 5u + 3u);
    EXPECT_EQ(n->usage->writes, 0u);
    // here: eight stores of its members on lines 33 to 37 in every call,
    // and the store through ip on line 41 after a recursive call returned.
    LocalRec* here = funcvar(walk, "here");
    EXPECT_EQ(here->usage->writes, 4u * 8u + 3u);
}

// A log gives back every entry as it was appended, whatever the changes
// between entries: stamps that step by a little, by a lot, or back (.time
// set by the user, or wrapping), lines that jump either way to the ends of
// their range, functions that come and go; and over the many chunks of a
// long log.
TEST(UsageLogTest, EveryEntryComesBackAsItWasAppended) {
    FuncRec funcs[3]{};
    std::vector<UsageEntry> appended;
    UsageLog* log = nullptr;
    auto append = [&](int kind, uint32_t stamp, FuncRec* func, uint32_t line) {
        appendusage(log, kind, stamp, func, line);
        appended.push_back({static_cast<uint8_t>(kind), line, func, stamp});
    };
    const uint32_t steps[] = {0, 1, 30, 31, 32, 127, 128, 158, 159, 16383, 16384, 0x7FFFFFFF, 0xFFFFFFFF};
    const uint32_t lines[] = {0, 1, 2, 65535, 65536, 0x7FFFFFFF, 0x80000000, 0xFFFFFFFF, 0};
    uint32_t stamp = 0;
    for (uint32_t step : steps) {
        stamp += step;
        for (uint32_t line : lines) append(ACC_READ, stamp, &funcs[0], line);
        append(ACC_WRITE, stamp, nullptr, 0);
    }
    std::mt19937 random(11);
    for (int i = 0; i < 100000; ++i) {
        uint32_t r = random();
        uint32_t change = r % 8 == 0 ? static_cast<uint32_t>(random()) : r % 40;
        uint32_t line = r % 5 == 0 ? static_cast<uint32_t>(random()) : (r >> 8) % 40;
        FuncRec* func = r % 7 == 0 ? nullptr : &funcs[(r >> 16) % 3];
        if (r % 3 == 0) line = appended.back().line, func = appended.back().func;  // runs on one line
        append(r & 0x100 ? ACC_WRITE : ACC_READ, stamp += change, func, line);
    }
    uint64_t reads = 0;
    for (const UsageEntry& e : appended) reads += e.kind == ACC_READ;
    ASSERT_NE(log, nullptr);
    EXPECT_EQ(log->reads, reads);
    EXPECT_EQ(log->count(), appended.size());
    ASSERT_NE(log->first->next, nullptr);  // it did grow
    std::size_t i = 0;
    forusage(log, [&](const UsageEntry& e) {
        ASSERT_LT(i, appended.size());
        const UsageEntry& a = appended[i];
        EXPECT_TRUE(e.kind == a.kind && e.line == a.line && e.func == a.func && e.stamp == a.stamp) << "entry " << i;
        ++i;
    });
    EXPECT_EQ(i, appended.size());
    EXPECT_EQ(freeusage(log), nullptr);
    forusage(nullptr, [&](const UsageEntry&) { ADD_FAILURE() << "no log has no entry"; });
}

// An entry keeps the function and the line only when they changed since the
// entry before: accesses on one line a few cycles apart take a byte each.
TEST(UsageLogTest, AnEntryKeepsWhatChanged) {
    FuncRec f{}, g{};
    UsageLog* log = nullptr;
    uint32_t was = 0;
    auto grew = [&](int kind, uint32_t stamp, FuncRec* func, uint32_t line) {
        appendusage(log, kind, stamp, func, line);
        uint32_t used = log->current->used;
        uint32_t by = used - was;
        was = used;
        return by;
    };
    const struct {
        uint32_t stamp;
        FuncRec* func;
        uint32_t line;
        uint32_t bytes;
    } cases[] = {
        {5, &f, 12, 1 + sizeof(FuncRec*) + 1},  // the first entry: function and line
        {9, &f, 12, 1},                         // nothing but a small stamp step
        {9, &f, 12, 1},                         // the same stamp
        {39, &f, 12, 1},                        // the largest step the head holds
        {70, &f, 12, 2},                        // a step past it
        {71, &f, 13, 2},                        // a new line
        {72, &g, 13, 1 + sizeof(FuncRec*)},     // a new function on the same line
        {73, &g, 13, 1},
        {74, nullptr, 0, 1 + sizeof(FuncRec*) + 1},
    };
    for (const auto& c : cases) EXPECT_EQ(grew(ACC_READ, c.stamp, c.func, c.line), c.bytes) << "at " << c.stamp;
    std::vector<std::string> back;
    forusage(log, [&](const UsageEntry& e) {
        back.push_back(std::to_string(e.stamp) + (e.func == &f ? "f" : e.func == &g ? "g" : "-") + std::to_string(e.line));
    });
    EXPECT_EQ(back, (std::vector<std::string>{"5f12", "9f12", "9f12", "39f12", "70f12", "71f13", "72g13", "73g13",
                                              "74-0"}));
    freeusage(log);
}

}  // namespace
}  // namespace vy
