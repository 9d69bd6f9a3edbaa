// The command table, docmd, execcmd and doblock.
#include <cstring>
#include <string>

#include "debugger/engine/commands.h"
#include "debugger/engine/headless.h"
#include "engine_fixture.h"

namespace vy {
namespace {

using Dispatch = EngineTest;

std::string found(const char* text) {
    const CommandRow* row = findcmd(text);
    return row ? row->keyword : "(none)";
}

TEST_F(Dispatch, KeywordsMatchWholeFirstWordsInEitherCase) {
    struct Case {
        const char* text;
        const char* row;
    } cases[] = {
        {"go", "go"},           {"GO", "go"},         {"Go 10", "go"},
        {"gox", "(none)"},      {"g", "g"},           {"g @0x100", "g"},
        {"a", "a"},             {"activ *", "activ"}, {"ac", "(none)"},
        {"go;s", "go"},         {"go\t1", "go"},      {"go\x7f", "go"},
        {"go\x80", "go"},       {"go\xff", "go"},     {"int 3", "int"},
        {"interrupt 3", "interrupt"},                 {"inter", "(none)"},
        {"*", "*"},             {"* note", "*"},      {"rem", "rem"},
        {"", "(none)"},         {" go", "(none)"},    {";go", "(none)"},
        {"dbreak x", "dbreak"}, {"db x", "db"},       {"dump", "dump"},
        {"interruptinterrupt", "(none)"},
    };
    for (const Case& c : cases) EXPECT_EQ(found(c.text), c.row) << "'" << c.text << "'";
}

TEST_F(Dispatch, EveryRowIsFoundByItsKeywordInUpperCaseToo) {
    int rows = 0;
    for (const CommandRow* row = commandtable; row->keyword; ++row, ++rows) {
        EXPECT_EQ(findcmd(row->keyword), row) << row->keyword;
        std::string upper = row->keyword;
        for (char& c : upper) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
        EXPECT_EQ(findcmd((upper + " 1").c_str()), row) << upper;
    }
    EXPECT_EQ(rows, 73);
}

TEST_F(Dispatch, ALeadingSemicolonMakesTheLineACommentButNotAfterABlank) {
    const char* comment = ";go";
    EXPECT_EQ(docmd(comment, 1), comment);
    EXPECT_TRUE(headless.boxes.empty());
    EXPECT_EQ(docmd(" ;go", 1), CMD_END);
    ASSERT_EQ(headless.boxes.size(), 1u);
    EXPECT_EQ(headless.boxes[0], "unknown command: ;go\n");
}

TEST_F(Dispatch, DocmdRunsOneStatementAndDoblockRunsThemAll) {
    const char* line = "del 8;del 9";
    EXPECT_EQ(docmd(line, 1), line + 6);
    EXPECT_EQ(headless.boxes.size(), 1u);
    headless.boxes.clear();
    doblock("del 8;del 9", 1);
    ASSERT_EQ(headless.boxes.size(), 2u);
    EXPECT_EQ(headless.boxes[0], "breakpoint not found\n");
    EXPECT_EQ(headless.boxes[1], "breakpoint not found\n");
    // doblock stops at the "}" that ends its block and returns it.
    const char* block = "del 8; x 2 } rem";
    EXPECT_EQ(doblock(block, 1), block + 11);
}

TEST_F(Dispatch, CommandFileLinesRunEveryStatement) {
    struct Case {
        const char* line;
        const char* shown;   // after the echo of the line
    } cases[] = {
        {"del 8; x 2", "#error: breakpoint not found\n" "    2 = 2\n"},
        {"del 8;;  ; x 2", "#error: breakpoint not found\n" "    2 = 2\n"},
        {"del 8; return; x 2", "#error: breakpoint not found\n"},
        {"del 8 } x 2", "#error: breakpoint not found\n"},
        {"{ del 8; x 2 }", "#error: breakpoint not found\n" "    2 = 2\n"},
        {"{ del 8; { x 2 } }; del 9", "#error: breakpoint not found\n" "    2 = 2\n" "#error: breakpoint not found\n"},
        {"{ del 8; x 2", "#error: breakpoint not found\n" "    2 = 2\n" "#error: {}: syntax error\n"},
        {"{ del 8; return; x 2 }", "#error: breakpoint not found\n"},
        {"rem a; go", ""},
        {"gox", "#error: unknown command: gox\n"},
        {"DEL 8", "#error: breakpoint not found\n"},
        {";go", ""},
        {" ;go", "#error: unknown command: ;go\n"},
        {"", ""},
        {"   ", ""},
        {"frame", "#error: no C source defined\n"},
        {"if (1) x 1", "    1 = 1\n"},
        {"quit", ""},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(run(std::string(c.line) + "\n"), std::string(c.line) + "\n" + c.shown) << c.line;
    }
}

TEST_F(Dispatch, QuietCommandsAreNeitherCountedNorFollowedByARefresh) {
    run("rem one\nrem two\n");
    EXPECT_EQ(CommandCount, 2);
    EXPECT_EQ(headless.gotopclines, 2u);
    uint32_t redraws = headless.regwinredraws;
    run("b\nbreak\ngox\nfiles\n");   // a listing, unknown, and missing debug information
    EXPECT_EQ(CommandCount, 2);
    EXPECT_EQ(headless.gotopclines, 2u);
    EXPECT_EQ(headless.regwinredraws, redraws + 4);   // the register window follows every command
    EXPECT_GT(headless.polls, 0u);
}

TEST_F(Dispatch, CommandCountWrapsAsASigned16BitValue) {
    CommandCount = 32767;
    docmd("rem", 1);
    EXPECT_EQ(CommandCount, -32768);
}

TEST_F(Dispatch, TextAfterACommandThatIsNotASemicolonIsReportedAndRunsNext) {
    // `input` stops its name at a tab, so what follows it is left over.
    write("empty.in", "");
    EXPECT_EQ(run("input empty.in\tjunk\n"),
              "input empty.in\tjunk\n#error: missing ';': junk\n#error: unknown command: junk\n");
}

TEST_F(Dispatch, DeepBlocksAndLongLinesEndInMessages) {
    std::string deep(100000, '{');
    std::string shown = run(deep + "\n");
    EXPECT_EQ(shown, deep + "\n#error: {}: syntax error\n");
    std::string closed = std::string(50000, '{') + "input " + std::string(50000, '}');
    EXPECT_EQ(run(closed + "\n"), closed + "\n");
    std::string longword(100000, 'q');
    EXPECT_EQ(run(longword + "\n"), longword + "\n#error: unknown command: " + longword + "\n");
}

}  // namespace
}  // namespace vy
