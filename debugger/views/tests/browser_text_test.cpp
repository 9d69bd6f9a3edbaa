// The file and function browsers' texts on a loaded program: the lists
// with their links and marks, the saved and printed lists, the mark a
// toggle writes and the command it runs.
#include <gtest/gtest.h>

#include <string>

#include "debugger/frame/text_buffer.h"
#include "debugger/target/debug_tables.h"
#include "debugger/target/output.h"
#include "debugger/views/browser_text.h"
#include "debugger/views/list_text.h"
#include "list_link.h"
#include "view_program.h"

namespace vy {
namespace {

using BrowserText = ViewProgramTest;

TEST_F(BrowserText, TheSavedListsInTheOrderOfTheDebugTables) {
    ASSERT_TRUE(loadviewprogram()) << console.errors;
    std::string main = hexaddr(startof("main")), helper = hexaddr(startof("helper")), add = hexaddr(startof("add")),
                kept = hexaddr(startof("kept"));
    // The file records stand newest first; of the two "old.c" the older one
    // is not unique and is left out, with its function "gone", as are
    // ".init" and the function without code.
    EXPECT_EQ(savedfilelist(), "\n\t\tFiles List\n\n\told.c\n\tutil.c\n\tmain.c\n");
    EXPECT_EQ(savedfunctionlist(),
              "\n\t\tFunction List\n\n"
              "\n\tFunctions in file: old.c\n"
              "\textern int kept() at " + kept + "\n\n"
              "\n\tFunctions in file: util.c\n"
              "\textern int add(int  a, int  b) at " + add + "\n\n"
              "\n\tFunctions in file: main.c\n"
              "\textern int main() at " + main + "\n\n"
              "\tstatic char helper(int  n) at " + helper + "\n\n");
    EXPECT_EQ(savedfunctionlist(true),
              "\n\t\tFunction List\n\n"
              "\nFunctions in file: old.c\n"
              "extern int kept() at " + kept + "\n\n"
              "\nFunctions in file: util.c\n"
              "extern int add(int  a, int  b) at " + add + "\n\n"
              "\nFunctions in file: main.c\n"
              "extern int main() at " + main + "\n\n"
              "static char helper(int  n) at " + helper + "\n\n");
    EXPECT_EQ(main.size(), 7u);
}

TEST_F(BrowserText, WithoutAProgramTheListsHoldOnlyTheirHeadings) {
    EXPECT_EQ(savedfilelist(), "\n\t\tFiles List\n\n");
    EXPECT_EQ(savedfunctionlist(), "\n\t\tFunction List\n\n");
    TextBuf buf;
    ASSERT_TRUE(fillfilebrowser(buf));
    EXPECT_EQ(buf.text(), "\n\n");
    ASSERT_TRUE(fillfunctionbrowser(buf, nullptr));
    EXPECT_EQ(buf.text(), "");
    EXPECT_EQ(measuretext(buf.text()).lines, 1);
}

TEST_F(BrowserText, TheFileBrowserLinksEachFile) {
    ASSERT_TRUE(loadviewprogram()) << console.errors;
    TextBuf buf;
    ASSERT_TRUE(fillfilebrowser(buf));
    std::string each;
    for (const char* name : {"old.c", "util.c", "main.c"})
        each += std::string(9, ' ') + colour(4) + link('F', name) + colour(1) + std::string(9, ' ') + "\n";
    EXPECT_EQ(buf.text(), "\n" + each + "\n");
    EXPECT_EQ(linkat(textline(buf.text(), 3), 9), "Futil.c");
}

TEST_F(BrowserText, TheFunctionBrowserOfOneFileAndOfAll) {
    ASSERT_TRUE(loadviewprogram()) << console.errors;
    TextBuf buf;
    ASSERT_TRUE(fillfunctionbrowser(buf, "util.c"));
    std::string add = hexaddr(startof("add"));
    EXPECT_EQ(buf.text(), colour(2) + "\nFunctions in file: " + colour(4) + link('L', "util.c") + colour(1) + "\n" +
                              statemark(true) + LT_END + colour(3) + "extern int " + colour(2) + link('E', "add") +
                              colour(1) + "(int  a, int  b)" + " at " + colour(2) + add + "\n" + "\n");
    // As the window shows it: the mark 8 columns wide, then the declaration.
    EXPECT_EQ(plaintext(textline(buf.text(), 3)), " (on)   extern int add(int  a, int  b) at " + add);
    EXPECT_EQ(linkat(textline(buf.text(), 3), 3), "Son");
    EXPECT_EQ(linkat(textline(buf.text(), 3), 20), "Eadd");
    EXPECT_EQ(linkat(textline(buf.text(), 2), 20), "Lutil.c");

    // A switched-off function shows the off mark; names compare exactly.
    findfunc("main")->active = 0;
    ASSERT_TRUE(fillfunctionbrowser(buf, "main.c"));
    EXPECT_EQ(plaintext(textline(buf.text(), 3)).substr(0, 18), " (off)  extern int");
    ASSERT_TRUE(fillfunctionbrowser(buf, "MAIN.C"));
    EXPECT_EQ(buf.text(), "");
    ASSERT_TRUE(fillfunctionbrowser(buf, nullptr));
    std::string plain = plaintext(buf.text());
    EXPECT_NE(plain.find("Functions in file: old.c\n (on)   extern int kept()"), std::string::npos) << plain;
    for (const char* absent : {"gone", ".init", "declared"}) EXPECT_EQ(plain.find(absent), std::string::npos) << absent;
}

TEST_F(BrowserText, AToggleWritesTheOtherMarkInPlaceAndRunsItsCommand) {
    for (bool on : {true, false}) {
        std::string mark = statemark(on);
        EXPECT_EQ(mark.size(), 15u);
        EXPECT_EQ(measuretext(mark).longest, 8);
        // The toggle's 13 bytes and the 2 after them make the other mark.
        std::string rewritten = mark;
        rewritten.replace(0, 13, togglebytes(!on));
        EXPECT_EQ(rewritten, statemark(!on));
    }
    std::string line = statemark(true) + LT_END + colour(3) + "extern int " + colour(2) + link('E', "ma" + colour(2) + "in") +
                       colour(1) + "()";
    EXPECT_EQ(functionlinkname(line), "main");
    EXPECT_EQ(functionlinkname("no link " + link('F', "f.c")), "");
    EXPECT_EQ(togglecommand("Son", "main"), "deact main()");
    EXPECT_EQ(togglecommand("Soff", "main"), "activ main()");
    EXPECT_EQ(togglecommand("S", "main"), "activ main()");
}

TEST_F(BrowserText, AFillThatRunsOutOfMemoryLeavesNoText) {
    std::vector<progbuild::Function> many;
    for (int i = 0; i < 40; ++i) many.push_back(function("function" + std::to_string(i)));
    progbuild::Program p;
    p.files = {file("many.c", many)};
    ASSERT_TRUE(load(p)) << console.errors;
    auto real = textbufrealloc;
    // A block can be had, but none can grow.
    textbufrealloc = [](void* block, std::size_t size) -> void* { return block ? nullptr : std::realloc(block, size); };
    TextBuf buf;
    // The function list outgrows its first 1024 bytes; the file list does
    // not.
    EXPECT_TRUE(fillfilebrowser(buf));
    EXPECT_FALSE(fillfunctionbrowser(buf, nullptr));
    EXPECT_EQ(buf.handle, nullptr);
    EXPECT_EQ(buf.text(), "");
    textbufrealloc = real;
    EXPECT_EQ(console.errors, "Out of memory for Window Display\n");
}

}  // namespace
}  // namespace vy
