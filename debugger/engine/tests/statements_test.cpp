// The statement layer: if, else, while, do, return and blocks, the
// statement skipper and the reader of event actions.
#include <string>

#include "debugger/engine/headless.h"
#include "debugger/engine/runstate.h"
#include "debugger/engine/statements.h"
#include "engine_fixture.h"

namespace vy {
namespace {

using Statements = EngineTest;

std::string repeat(const std::string& piece, int n) {
    std::string s;
    for (int i = 0; i < n; ++i) s += piece;
    return s;
}

TEST_F(Statements, ControlFlowRunsWhatItChooses) {
    struct Case {
        const char* line;
        const char* shown;   // after the echo of the line
    } cases[] = {
        {"if (1) x 10; else x 20", "    10 = 10\n"},
        {"if (0) x 10; else x 20", "    20 = 20\n"},
        {"if (0) x 10", ""},
        {"if (0) x 10; x 30", "    30 = 30\n"},
        {"if (2 > 1) { x 1; x 2 } else x 3", "    1 = 1\n    2 = 2\n"},
        {"if (0) { x 1; x 2 } else { x 3 }; x 4", "    3 = 3\n    4 = 4\n"},
        {"if(1)x 5", "    5 = 5\n"},
        {"{ if (0) x 1 }", ""},
        {"{ if (1) x 1 }", "    1 = 1\n"},
        {"if 1 x 1", "#error: if: syntax error\n"},
        {"if go", "#error: if: syntax error\n"},
        {"if (1)", "#error: if: syntax error\n"},
        {"if (1 x 1", "#error: if: syntax error\n"},
        {"if (1/0) x 1", "#error: zero divide: 1/0\n#error: if: syntax error\n"},
        {"if (nosuch) x 1", "#error: variable can't be accessed: nosuch\n#error: if: syntax error\n"},
        {"if (1) x 1; else", "    1 = 1\n#error: else: syntax error\n"},
        {"if (0) x 1; else  ", "#error: else: syntax error\n"},
        {"while (0) x 1", ""},
        {"while (0) x 1; x 2", "    2 = 2\n"},
        {"x /q .i = 0; while (.i < 3) { x .i; x /q .i = .i + 1 }", "    .i = 0\n    .i = 1\n    .i = 2\n"},
        {"x /q .w = 0; while (.w < 2) x /q .w = .w + 1; x .w", "    .w = 2\n"},
        {"while 1 x 1", "#error: while: syntax error\n"},
        {"while (1)", "#error: while: syntax error\n"},
        {"do x 1; while (0);", "    1 = 1\n"},
        {"do x 1; while (0); x 2", "    1 = 1\n    2 = 2\n"},
        {"x /q .n = 0; do x /q .n = .n + 1; while (.n < 5); x .n", "    .n = 5\n"},
        {"do { x 1; x 2 } while (0);", "    1 = 1\n    2 = 2\n"},
        {"{ do x 1; while (0); x 2 }", "    1 = 1\n    2 = 2\n"},
        {"do", "#error: do: syntax error\n"},
        {"do x 1", "    1 = 1\n#error: do: syntax error\n"},
        {"do x 1; x 2", "    1 = 1\n#error: do: syntax error\n    2 = 2\n"},
        {"do x 1; while 0;", "    1 = 1\n#error: do while: syntax error\n"},
        {"do x 1; while (0) x 2", "    1 = 1\n#error: do while: syntax error\n    2 = 2\n"},
        {"do x 1; while (1/0);", "    1 = 1\n#error: zero divide: 1/0\n#error: do while: syntax error\n"},
        {"x 1; return; x 2", "    1 = 1\n"},
        {"{ x 1; x 2 }", "    1 = 1\n    2 = 2\n"},
        {"{ x 1; x 2", "    1 = 1\n    2 = 2\n#error: {}: syntax error\n"},
        {"{ if (1) return; x 2 }; x 3", ""},
        {"{ { x 1 } x 2 }", "    1 = 1\n    2 = 2\n"},
        {"x 1 x 2", "    1 = 1\n#error: missing ';': x 2\n    2 = 2\n"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(run(std::string(c.line) + "\n"), std::string(c.line) + "\n" + c.shown) << c.line;
    }
}

TEST_F(Statements, NestingOfAnyDepthEndsInOneMessage) {
    for (const std::string& line : {repeat("if (1) ", 100000) + "x 1", repeat("while (1) ", 100000) + "x 1",
                                    repeat("do ", 100000) + "x 1", repeat("if (0) x 1; else ", 100000) + "x 2",
                                    repeat("{ if (1) ", 100000) + "x 1"}) {
        std::string shown = run(line + "\n");
        EXPECT_EQ(shown.substr(line.size() + 1), "#error: nesting too deep\n") << line.substr(0, 20);
    }
    // Within the bound, nesting works.
    EXPECT_EQ(run(repeat("if (1) ", 50) + "x 1\n"), repeat("if (1) ", 50) + "x 1\n    1 = 1\n");
}

TEST_F(Statements, AStopRequestEndsALoop) {
    headless.stopafter = headless.polls + 200;
    std::string shown = run("while (1) x /q 1; x 2\n");
    EXPECT_TRUE(StopRequest);
    EXPECT_EQ(shown, "while (1) x /q 1; x 2\n    2 = 2\n");
    StopRequest = false;
    headless.stopafter = headless.polls + 200;
    shown = run("do x /q 1; while (1);\n");
    EXPECT_EQ(shown, "do x /q 1; while (1);\n");
    StopRequest = false;
    // A body that runs no command at all: Stop still ends the loop.
    for (const char* line : {"while (1) while (0) x 1\n", "while (1) {}\n", "do {} while (1);\n"}) {
        headless.stopafter = headless.polls + 200;
        EXPECT_EQ(run(line), line);
        EXPECT_TRUE(StopRequest) << line;
        StopRequest = false;
    }
    headless.stopafter = 0;
}

TEST_F(Statements, SkippingAStatement) {
    struct Case {
        const char* text;
        const char* rest;
    } cases[] = {
        {"x 1; x 2", " x 2"}, {"x 1", ""}, {"{ x 1; { x 2 } } x 3", " x 3"}, {"{ x 1", ""},
        {"x {a; b}; c", " c"}, {"x 1 } x 2", "} x 2"}, {"x 1; } x 2", " } x 2"},
    };
    for (const Case& c : cases) EXPECT_STREQ(skipstmt(c.text), c.rest) << c.text;
}

TEST_F(Statements, EventActions) {
    struct Case {
        const char* text;
        bool present;
        const char* action;
        const char* rest;
        const char* shown;
    } cases[] = {
        {"{ x a; { x b } } rest", true, " x a; { x b } ", "rest", ""},
        {"{x}", true, "x", "", ""},
        {"{ x a", true, " x a", "", "'}' missing, assumed at end of line\n"},
        {"x a; x b", true, "x a", "; x b", ""},
        {"x a", true, "x a", "", ""},
        {"", false, "", "", ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        const char* p = c.text;
        std::string action;
        shown();
        EXPECT_EQ(readaction(p, action), c.present);
        EXPECT_EQ(action, c.action);
        EXPECT_STREQ(p, c.rest);
        EXPECT_EQ(shown(), c.shown);
    }
    const char* none = nullptr;
    std::string action;
    EXPECT_FALSE(readaction(none, action));
}

}  // namespace
}  // namespace vy
