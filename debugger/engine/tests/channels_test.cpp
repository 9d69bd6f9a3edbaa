// The error channel, the source-line reader and the search path.
#include <cstring>
#include <filesystem>
#include <string>

#include "debugger/engine/channels.h"
#include "debugger/engine/headless.h"
#include "debugger/engine/runstate.h"
#include "debugger/target/debug_tables.h"
#include "debugger/target/loader.h"
#include "debugger/target/messages.h"
#include "debugger/target/services.h"
#include "debugger/target/source_lines.h"
#include "support/list_node.h"
#include "engine_fixture.h"

namespace vy {

namespace {

using Channels = EngineTest;

TEST_F(Channels, ErrorsAreBoxesOutsideCommandFilesAndOneLineEachInside) {
    dberror({"no ", "line end"});
    ASSERT_EQ(headless.boxes.size(), 1u);
    EXPECT_EQ(headless.boxes[0], "no line end");
    EXPECT_EQ(shown(), "");
    CmdFileRunning = true;
    dberror({"no ", "line end"});
    dberror({"a\rb\x01\x7f", "\tc\n"});
    dberror({"two\nlines\n"});
    msgout(123);
    CmdFileRunning = false;
    EXPECT_EQ(shown(),
              "#error: no line end\n"
              "#error: a\\x0db\\x01\\x7f\tc\n"
              "#error: two\\x0alines\n"
              "#error:  **** Err 123 ****\n");
    EXPECT_EQ(headless.boxes.size(), 1u);
}

TEST_F(Channels, MessageTextsOfTheEngine) {
    EXPECT_STREQ(msgtext(MSG_UNKNOWNCMD), "unknown command");
    EXPECT_STREQ(msgtext(MSG_CANTREDIRECT), "cannot redirect");
    EXPECT_STREQ(msgtext(MSG_NOSOURCE), "no C source defined");
    EXPECT_STREQ(msgtext(123), " **** Err 123 ****");
    for (const MessageText& m : messagelist()) EXPECT_LE(std::string(m.text).size(), 255u) << m.id;
}

TEST_F(Channels, SourceLinesByNumber) {
    write("f.c", "one\n\ttab\nab\tc\r\nfour\n\n\nseven\n8\n9\nten\nlast");
    struct Case {
        uint32_t line;
        const char* text;   // null: none
    } cases[] = {
        {1, "one"},   {2, "    tab"}, {3, "ab  c"}, {0, "four"}, {7, "seven"},
        {10, "ten"},  {3, "ab  c"},   {11, "last"}, {12, nullptr},
        {1, "one"},   {20, nullptr},  {5, ""},
    };
    for (const Case& c : cases) {
        const char* text = readsrcline("f.c", c.line);
        if (c.text) EXPECT_STREQ(text, c.text) << c.line;
        else EXPECT_EQ(text, nullptr) << c.line;
    }
    EXPECT_STREQ(readsrcline("none.c", 1), "file not found");
    EXPECT_EQ(readsrcline("none.c", 2), nullptr);
    EXPECT_EQ(readsrcline(nullptr, 0), nullptr);
    std::string longline(5000, 'z');
    write("long.c", longline + "\n");
    EXPECT_EQ(readsrcline("long.c", 1), longline);
}

TEST_F(Channels, TheSearchPathFindsSourcesAndCommandFiles) {
    write("f.c", "here\n");
    std::filesystem::create_directories("src");
    std::filesystem::create_directories("cmd");
    write("src/g.c", "in src\n");
    write("src/f.c", "in src too\n");
    write("cmd/c.in", "rem from cmd\n");
    SourcePath = "nosuch||src|cmd/";
    EXPECT_STREQ(readsrcline("g.c", 1), "in src");
    // Path elements come before the name as given, for a relative name.
    EXPECT_STREQ(readsrcline("f.c", 1), "in src too");
    EXPECT_EQ(docmdfile("c.in"), 1);
    EXPECT_EQ(shown(), "rem from cmd\n");
    SourcePath.clear();
    EXPECT_STREQ(readsrcline("g.c", 1), "file not found");
    EXPECT_EQ(docmdfile("c.in"), 0);
    EXPECT_EQ(headless.boxes.back(), "c.in: cannot redirect\n");
    EXPECT_EQ(docmdfile(""), 1);
}

TEST_F(Channels, TheFrameTitleNamesThePlace) {
    EXPECT_STREQ(placetitle("f.c", "main", 12), "Vyr ");
    progname = "prog.abs";
    EXPECT_STREQ(placetitle("f.c", "main", 12), "Vyr (prog.abs)  main():f.c:12 ");
    EXPECT_STREQ(placetitle("f.c", ".", 3), "Vyr (prog.abs)  f.c:3 ");
    EXPECT_STREQ(placetitle(nullptr, nullptr, 0), "Vyr (prog.abs)");
    LoadAbortFlag = 1;
    SetPlaceTitle("f.c", "main", 12);
    EXPECT_EQ(headless.title, "Vyr");
    LoadAbortFlag = 0;
    progname.clear();
    SetRunState(1, 0);
    EXPECT_TRUE(RunState);
    EXPECT_TRUE(headless.running);
    SetRunState(0, 0);
    EXPECT_FALSE(headless.running);
}

// The target model's listings read source files through the engine: along
// the search path, lines by number with tabs expanded.
TEST_F(Channels, TheTargetModelsListingsReadThroughTheEngine) {
    std::filesystem::create_directories("src");
    write("src/f.c", "one\n\ttwo\nthree\n");
    SourcePath = "src";
    srcrange("f.c", "main", 2, 3);
    EXPECT_EQ(shown(), "main():2    two\nmain():3three\n");

    // The older core's annotation of a line entry opens the file itself.
    const char name[] = "f.c";
    auto* e = static_cast<DebugEntry*>(newnode(sizeof(DebugEntry) + sizeof name, nullptr));
    std::memcpy(e->text(), name, sizeof name);
    e->line = 3;
    EXPECT_EQ(lineannot(e), 1);
    EXPECT_EQ(shown(), "f.c:3 | three\n");
    e->line = 4;   // past the end: the file is closed
    EXPECT_EQ(lineannot(e), 0);
    freenode(e, nullptr);
    SourcePath.clear();
}

}  // namespace
}  // namespace vy
