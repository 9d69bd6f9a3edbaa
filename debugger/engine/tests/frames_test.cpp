// Variable resolution over the call frames, moving through the frames and
// printing them, and assertions at a source location. The frames are made
// here as the target model's call-frame tracker would leave them.
#include <fstream>
#include <string>

#include "debugger/engine/assertions.h"
#include "debugger/engine/evaluator.h"
#include "debugger/engine/events.h"
#include "debugger/engine/frame_moves.h"
#include "debugger/engine/headless.h"
#include "debugger/engine/location.h"
#include "debugger/engine/variables.h"
#include "debugger/target/debug_tables.h"
#include "debugger/target/frames.h"
#include "debugger/target/load_driver.h"
#include "debugger/target/memory.h"
#include "debugger/target/messages.h"
#include "debugger/target/registers.h"
#include "debugger/target/tools/program_builder.h"
#include "engine_fixture.h"

namespace vy {
namespace {

namespace pb = progbuild;

constexpr uint32_t INT = 24, SCHAR = 8;

// w.c:
//   int g;              0x0200        int shadow;   0x0202
//   int walk(int n, char c)           lines 1-6, code lines 3-5
//   { int a; int shadow; static int s; }   a at fp-2, shadow at fp-4, s 0x0210
//   int main(void) { int m; }         lines 7-12, code lines 9-11; m at fp-2
//   int idle(void) { int k; }         lines 13-18
void loadframes() {
    using pb::var;
    pb::Program program;
    pb::File file;
    file.name = "w.c";
    file.globals = {var("g", 6, 0x200, INT), var("shadow", 6, 0x202, INT)};
    pb::Function walk;
    walk.name = "walk";
    walk.vars = {var("n", 2, 0, INT), var("c", 7, 0, SCHAR), var("a", 3, 2, INT), var("shadow", 3, 4, INT),
                 var("s", 16, 0x210, INT)};
    pb::Function main;
    main.name = "main";
    main.vars = {var("m", 3, 2, INT)};
    pb::Function idle;
    idle.name = "idle";
    idle.vars = {var("k", 3, 2, INT)};
    file.funcs = {walk, main, idle};
    program.files = {file};
    pb::Built built = pb::build(program);
    std::ofstream("w.o", std::ios::binary)
        .write(reinterpret_cast<const char*>(built.image.data()), static_cast<std::streamsize>(built.image.size()));
    dbload("w.o", nullptr);
}

class Frames : public EngineTest {
protected:
    void SetUp() override {
        EngineTest::SetUp();
        loadframes();
        ASSERT_FALSE(LoadFailed);
        clrframes();  // the load entered the start point's function; the frames are the test's own
        std::string source;
        for (int i = 1; i <= 18; ++i) source += "line " + std::to_string(i) + "\n";
        write("w.c", source);
        // main (line 10) called walk (line 4), which called walk again (line 3).
        outer = FrameNode{nullptr, findfunc("main"), nullptr, 10, 0, 0, 0, 0x1F0, 1};
        middle = FrameNode{&outer, findfunc("walk"), nullptr, 4, 0, 0, 0, 0x1E0, 1};
        inner = FrameNode{&middle, findfunc("walk"), nullptr, 3, 0, 0, 0, 0x1D0, 1};
        topframe = curframe = &inner;
        wrword(0x200, 100);
        wrword(0x202, 202);
        wrword(0x210, 210);
        wrword(0x1D0 - 2, 31);   // inner a
        wrword(0x1D0 - 4, 32);   // inner shadow
        wrword(0x1D0 + 4, 33);   // inner n
        wrbyte(0x1D0, 0x44);     // inner c, once pushed
        wrword(0x1E0 - 2, 21);   // middle a
        wrword(0x1F0 - 2, 11);   // main's m
        regs = RegImage{};
        regs.b = 0xFE;           // c while it is still in B
        shown();
    }
    void TearDown() override {
        // These frames are not the tracker's to free; a load in a test leaves
        // one of the tracker's own.
        if (topframe && topframe != &inner && topframe != &middle && topframe != &outer) clrframes();
        topframe = curframe = nullptr;
        EngineTest::TearDown();
    }

    // The value of an expression, or "error N".
    static std::string value(const std::string& text) {
        int isfloat = 0;
        int32_t integer = 0;
        double real = 0;
        int error = Expression(1, text.c_str(), &isfloat, &integer, &real);
        return error ? "error " + std::to_string(error) : std::to_string(integer);
    }

    FrameNode outer{}, middle{}, inner{};
};

TEST_F(Frames, NamesResolveInTheSelectedFrameThenAtFileLevel) {
    struct Case {
        const char* text;
        std::string settled, unsettled;   // with the top frame's set-up done, and before it
    } cases[] = {
        {"a", "31", "error 54"},              // a local is there once the frame is set up
        {"shadow", "32", "202"},              // before, the file-level variable of that name
        {"n", "33", "33"},                    // a parameter always is
        {"c", "68", "-2"},                    // a register argument: pushed, or still in B
        {"s", "210", "210"},                  // a static is there
        {"g", "100", "100"},
        {"m", "error 54", "error 54"},        // main's local is not walk's
        {"main():m", "11", "11"},             // but found in main's frame
        {"walk():a", "31", "21"},             // the innermost frame of walk that shows it
        {"w.c:shadow", "202", "202"},
        {"idle():k", "error 53", "error 53"}, // idle has no frame
        {"nosuch():k", "error 76", "error 76"},
        {"x.c:g", "error 75", "error 75"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        inner.fixed = 1;
        EXPECT_EQ(value(c.text), c.settled);
        inner.fixed = 0;
        EXPECT_EQ(value(c.text), c.unsettled);
    }
}

TEST_F(Frames, OnvarlistSeesParametersAlwaysAndLocalsWhenVisible) {
    FuncRec* walk = findfunc("walk");
    varvisible = false;
    ASSERT_NE(onvarlist(walk, "n"), nullptr);
    EXPECT_EQ(onvarlist(walk, "n")->cls, CL_ARG);
    EXPECT_EQ(onvarlist(walk, "a"), nullptr);
    EXPECT_EQ(onvarlist(walk, "s")->cls, CL_STATICAUTO);
    EXPECT_EQ(onvarlist(walk, "shadow")->cls, CL_EXTERN);   // the file's, not the hidden local
    varvisible = true;
    EXPECT_EQ(onvarlist(walk, "shadow")->cls, CL_AUTO);
    EXPECT_EQ(onvarlist(walk, "g")->value, 0x200);
    EXPECT_EQ(onvarlist(nullptr, "g"), nullptr);
    EXPECT_EQ(shown(), "NULL blk to onvarlist!\n");
}

TEST_F(Frames, MovingThroughTheFrames) {
    struct Case {
        const char* command;
        const FrameNode* from;
        const FrameNode* to;
        const char* shows;
    } cases[] = {
        {"move /u", &inner, &middle, ""},
        {"move /u", &outer, &outer, ""},                  // at the outermost nothing moves
        {"move /d", &outer, &middle, ""},
        {"move /d", &inner, &inner, ""},
        {"move /t", &inner, &outer, ""},
        {"move /b", &outer, &inner, ""},
        {"move /u main()", &inner, &outer, ""},           // up to the first frame that matches
        {"move /u idle()", &inner, &middle, ""},          // none matches: one up
        {"move /u w.c:10", &inner, &outer, ""},
        {"move /u m", &inner, &outer, ""},                // the frame whose function has m
        {"move /d walk():3", &outer, &inner, ""},
        {"move /d idle()", &outer, &inner, ""},           // down to the top when none matches
        {"move", &middle, &middle, "usage: i[udtb] (Up Down Top Bottom)\n"},
        {"move /x", &middle, &middle, "#error: Unknown Option x\n"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.command);
        curframe = const_cast<FrameNode*>(c.from);
        std::string out = run(std::string(c.command) + "\n");
        EXPECT_EQ(curframe, c.to);
        EXPECT_EQ(out, std::string(c.command) + "\n" + c.shows);
    }
}

TEST_F(Frames, TheFrameCommandPrintsEachFrameAndKeepsTheSelection) {
    curframe = &middle;
    EXPECT_EQ(run("frame\n"), "frame\n| walk():4|line 4\n| main():10|line 10\n");
    EXPECT_EQ(curframe, &middle);
    topframe = curframe = nullptr;
    EXPECT_EQ(run("frame\nmove /u\n"), "frame\n#error: no frame defined\nmove /u\n#error: no frame defined\n");
}

TEST_F(Frames, AnAssertionRunsOnlyAtItsLocation) {
    LocationSpec where{};
    parseloc("w.c:3:4", where);
    EXPECT_EQ(addassert("u .hits = .hits + 1", where), 1u);
    LocationSpec anywhere{};
    EXPECT_EQ(addassert("u .all = .all + 1", anywhere), 2u);
    for (uint32_t line : {2u, 3u, 4u, 5u, 3u}) {
        inner.line = line;
        chkasserts();
    }
    int isfloat = 0;
    int32_t hits = 0, all = 0;
    double real = 0;
    Expression(1, ".hits", &isfloat, &hits, &real);
    Expression(1, ".all", &isfloat, &all, &real);
    EXPECT_EQ(hits, 3);
    EXPECT_EQ(all, 5);

    activassert('s', 1);
    rmassert(2);
    rmassert(7);
    shown();
    listasserts();
    EXPECT_EQ(shown(), "(1) w.c:3:4 {u .hits = .hits + 1} (off)\n");

    parseloc("main():x", where);
    EXPECT_EQ(addassert("x 1", where), 0u);
    parseloc("nosuch():4", where);
    EXPECT_EQ(addassert("x 1", where), 0u);
    parseloc("v.c:4", where);
    EXPECT_EQ(addassert("x 1", where), 0u);
    EXPECT_EQ(headless.boxes, (std::vector<std::string>{"assertion not found \n", " illegal term \n",
                                                         "nosuch(): function not found\n", "v.c: file not found\n"}));
}

TEST_F(Frames, AnAssertionMayDeleteAssertionsAndLoadAProgram) {
    LocationSpec anywhere{};
    addassert("load w.o", anywhere);
    addassert("u .after = 1", anywhere);
    topframe = curframe = nullptr;   // the load frees the tracker's frames, not these
    chkasserts();   // the load deleted both; the second is passed over
    EXPECT_EQ(assertions, nullptr);
    EXPECT_EQ(rensym("..after"), nullptr);
}

TEST_F(Frames, ADataEventOnALocalWatchesItsPlaceInTheInnermostFrame) {
    EXPECT_EQ(run("db /T:w walk():a\nb\n"),
              "db /T:w walk():a\n(1)   walk():a (write) (user) (count = 1, left = 1) (on)\n"
              "b\n(1)    walk():a (write) (user) (count = 1, left = 1) (on)\n");
    ASSERT_NE(events, nullptr);
    EXPECT_EQ(events->place.address, 0x1D0 - 2);
    EXPECT_EQ(events->place.size, 2u);
}

TEST_F(Frames, SourceRangeEvents) {
    EXPECT_EQ(run("b walk()\nb /E main()\nb w.c:10\nb :4\nb main():9:10 {x m}\nb w.c:\nb\n"),
              "b walk()\n(1)   w.c walk():1:6(user) (count = 1, left = 1) (on)\n"
              "b /E main()\n(2)   w.c main():7(user) (count = 1, left = 1) (on)\n"
              "b w.c:10\n(3)   w.c:10(user) (count = 1, left = 1) (on)\n"
              "b :4\n(4)   w.c:4(user) (count = 1, left = 1) (on)\n"
              "b main():9:10 {x m}\n(5)   w.c main():9:10  {x m} (user) (count = 1, left = 1) (on)\n"
              "b w.c:\n(6)   w.c:anyline(user) (count = 1, left = 1) (on)\n"
              "b\n"
              "(1)    w.c walk():1:6(user) (count = 1, left = 1) (on)\n"
              "(2)    w.c main():7(user) (count = 1, left = 1) (on)\n"
              "(3)    w.c:10(user) (count = 1, left = 1) (on)\n"
              "(4)    w.c:4(user) (count = 1, left = 1) (on)\n"
              "(5)    w.c main():9:10  {x m} (user) (count = 1, left = 1) (on)\n"
              "(6)    w.c:anyline(user) (count = 1, left = 1) (on)\n");
    EXPECT_EQ(run("b v.c:3\nb nosuch()\nb main():3\nb w.c:2\nb w.c:99\n"),
              "b v.c:3\n#error: v.c: file not found\n"
              "b nosuch()\n#error: nosuch(): function not found\n"
              "b main():3\n#error: main():3: line not found\n"
              "b w.c:2\n#error: w.c:2: no code at that location\n"
              "b w.c:99\n#error: w.c:99: no code at that location\n");
    topframe = curframe = nullptr;
    EXPECT_EQ(run("b :4\n"), "b :4\n#error: Missing File/function specification for \n");

    // A range event triggers at a line step whose line and function it
    // holds; line and function come from the line reached and the frame.
    // The step stands at the line's record: a step that an event ended
    // further on in the line reached no line.
    EXPECT_EQ(run("del *\nb main():10\n"), "del *\nb main():10\n(1)   w.c main():10(user) (count = 1, left = 1) (on)\n");
    DebugEntry* line10 = nullptr;
    DebugEntry* line4 = nullptr;
    for (DebugEntry* e = debuglist; e; e = e->next) {
        if (e->kind == DBG_LINE && e->line == 10) line10 = e;
        if (e->kind == DBG_LINE && e->line == 4) line4 = e;
    }
    ASSERT_TRUE(line10 && line4);
    setpc(static_cast<uint16_t>(line10->addr));
    EXPECT_EQ(chkevents(line10, nullptr, 0), nullptr);   // no frame
    setpc(static_cast<uint16_t>(line4->addr));
    EXPECT_EQ(chkevents(line4, &middle, 0), nullptr);
    setpc(static_cast<uint16_t>(line10->addr + 1));
    EXPECT_EQ(chkevents(line10, &outer, 0), nullptr);
    setpc(static_cast<uint16_t>(line10->addr));
    EXPECT_NE(chkevents(line10, &outer, 0), nullptr);
    EXPECT_EQ(run("del main()\nb\n"), "del main()\nb\nno breakpoint\n");
}

}  // namespace
}  // namespace vy
