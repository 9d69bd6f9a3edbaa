// The lookups in the loaded debug tables and the resets around a load; the
// start name that switches the older command core's mode on.
#include <cstring>
#include <string>

#include "debugger/target/debug_tables.h"
#include "debugger/target/frames.h"
#include "debugger/target/load_driver.h"
#include "debugger/target/memory.h"
#include "debugger/target/queries.h"
#include "debugger/target/symbols.h"
#include "debugger/target/tools/program_builder.h"
#include "support/list_node.h"
#include "target_fixture.h"

namespace vy {
namespace {

namespace pb = progbuild;

class QueriesTest : public TargetTest {
protected:
    pb::Built built;

    // main.c: main and add; util.c: scale; lines of an included file inside
    // main; a global in each file.
    void SetUp() override {
        TargetTest::SetUp();
        pb::Program p;
        pb::File main, util;
        main.name = "main.c";
        pb::Function f;
        f.name = "main";
        pb::Function g;
        g.name = "add";
        main.funcs = {f, g};
        pb::Var counter;
        counter.name = "counter", counter.cls = 6, counter.value = 0x100;
        main.globals = {counter};
        util.name = "util.c";
        pb::Function s;
        s.name = "scale";
        util.funcs = {s};
        pb::Var limit;
        limit.name = "limit", limit.cls = 1, limit.value = 0x200;
        util.globals = {limit};
        p.files = {main, util};
        built = pb::build(p);
        const pb::Placed& m = built.funcs[0];
        // a line of an included header in the middle of main
        built.object.records.push_back({m.lines[1].first, 8, 1, "inc.h:7"});
        dbload(tempfile("q.o", built.object.write()).c_str(), nullptr);
        ASSERT_EQ(console.errors, "");
    }
};

TEST_F(QueriesTest, AnAddressIsInCWhenAFunctionSurroundsIt) {
    const pb::Placed& main = built.funcs[0];
    EXPECT_EQ(insource(static_cast<uint16_t>(main.start - 1)), 0);  // below the first function
    EXPECT_EQ(insource(main.lines[1].first), 1);                    // a line
    EXPECT_EQ(insource(static_cast<uint16_t>(main.lines[1].first + 1)), 1);  // no line, the end lies above
    EXPECT_EQ(insource(static_cast<uint16_t>(built.codeend + 4)), 0);        // behind the last function
}

TEST_F(QueriesTest, LinesWithCodeAndTheirAddresses) {
    const pb::Placed& main = built.funcs[0];
    FileRec* file = findfile("main.c");
    // The line of the definition has only the function-start entry.
    DebugEntry* e = linecode(file, main.firstline);
    ASSERT_NE(e, nullptr);
    EXPECT_EQ(e->kind, DBG_FUNCSTART);
    EXPECT_EQ(linehascode(file, main.lines[2].second), 1);
    EXPECT_EQ(linecode(file, main.lines[2].second)->addr, main.lines[2].first);
    EXPECT_EQ(linehascode(file, main.firstline + 1), 0);  // the brace line
    EXPECT_EQ(linehascode(file, 999), 0);
    EXPECT_EQ(linecode(nullptr, 7), nullptr);
    // A file made from line entries is searched by its name.
    FileRec* inc = findfile("inc.h");
    ASSERT_NE(inc, nullptr);
    EXPECT_STREQ(inc->funcs->name, "");
    EXPECT_EQ(inc->lastline, 7u);
    EXPECT_EQ(linecode(inc, 7)->addr, main.lines[1].first);

    ShowLineAddress(nullptr, main.lines[2].second, file);
    char address[16];
    std::snprintf(address, sizeof address, "0x%x\n", main.lines[2].first);
    EXPECT_EQ(console.out.substr(console.out.size() - std::strlen(address)), address);
    ShowLineAddress(nullptr, 8, inc);
    EXPECT_EQ(console.errors, " No code at that location\n");
    ShowLineAddress(nullptr, 8, nullptr);
    EXPECT_EQ(console.errors, " No code at that location\n");
}

TEST_F(QueriesTest, FilesAndVariablesByName) {
    EXPECT_EQ(filevarrec("counter"), findfile("main.c")->funcs->next->next);
    FuncRec* utilscope = filevarrec("limit");
    ASSERT_NE(utilscope, nullptr);
    EXPECT_EQ(utilscope->file, findfile("util.c"));
    EXPECT_EQ(utilscope->next, nullptr);
    EXPECT_EQ(filevarrec("nothing"), nullptr);
    DebugEntry* first = debuglist;
    while (first->kind != DBG_FILE) first = first->next;
    DebugEntry* second = nextfile(first);
    ASSERT_NE(second, nullptr);
    EXPECT_STREQ(second->text(), "util.c");
    EXPECT_EQ(nextfile(second), nullptr);
}

TEST_F(QueriesTest, ResettingTheProgramLeavesOnlyTheSpecialSymbols) {
    *irqptr = 5;
    EXPECT_NE(rdbyte(built.funcs[0].start), 0);
    resetprog();
    EXPECT_EQ(rdbyte(built.funcs[0].start), 0);
    EXPECT_EQ(rensym(".text"), nullptr);
    EXPECT_EQ(rensym(".tsize"), nullptr);
    EXPECT_EQ(*irqptr, 0u);
    EXPECT_NE(rensym(".time"), nullptr);
    EXPECT_EQ(debuglist, nullptr);
    EXPECT_FALSE(morefiles(filelist));
    EXPECT_EQ(runflags.stepping, 1);
    dropsyms();  // only special symbols: nothing changes
    EXPECT_NE(rensym(".irq"), nullptr);
}

TEST_F(QueriesTest, DroppingTheFramesKeepsTheTables) {
    topframe = curframe = static_cast<FrameNode*>(newnode(sizeof(FrameNode), topframe));
    runflags.stepcount = 9;
    dropdebug();
    EXPECT_EQ(topframe, nullptr);
    EXPECT_EQ(curframe, nullptr);
    EXPECT_EQ(runflags.stepcount, 0u);
    EXPECT_NE(findfunc("main"), nullptr);
}

TEST_F(QueriesTest, ClearingTheOlderCoresBreakpoints) {
    for (uint16_t n = 1; n <= 2; ++n) {
        auto* m = static_cast<MemEvent*>(newnode(sizeof(MemEvent), memevents));
        m->number = n;
        m->block = static_cast<char*>(newnode(8, nullptr));
        memevents = m;
    }
    defsym(".abrk", 1);
    defsym(".nbrk", 2);
    reader.event = memevents;  // while one of them runs: only marked
    clrbreaks();
    EXPECT_EQ(memevents->flags & MEV_DELETED, MEV_DELETED);
    EXPECT_EQ(memevents->next->flags & MEV_DELETED, MEV_DELETED);
    EXPECT_TRUE(memevtpossible(0x1234, 2));  // the next check purges them
    reader.event = nullptr;
    clrbreaks();
    EXPECT_EQ(memevents, nullptr);
    EXPECT_FALSE(memevtpossible(0x1234, 2));  // nothing left to look at
    EXPECT_EQ(rensym(".abrk"), nullptr);
    EXPECT_EQ(rensym(".nbrk"), nullptr);
    dbwarn({"careful: ", "now"});
    EXPECT_EQ(console.errors, "careful: now\n");
}

TEST_F(QueriesTest, StartedAsKvolTheOlderCoresModeIsOn) {
    struct Case {
        const char* argv0;
        const char* name;
        uint8_t kvol;
    };
    const Case cases[] = {
        {"/usr/local/bin/kvol", "kvol", 1},
        {"C:\\TOOLS\\KVOL.EXE", "KVOL", 1},
        {"./kvol.debug.exe", "kvol", 1},
        {"vyrdbg", "vyrdbg", 0},
        {"bin/kvolx", "kvolx", 0},
    };
    for (const Case& c : cases) {
        setstartname(c.argv0);
        EXPECT_EQ(startname, c.name) << c.argv0;
        meminit();
        EXPECT_EQ(kvolmode, c.kvol) << c.argv0;
    }
    setstartname("");
    meminit();
}

}  // namespace
}  // namespace vy
