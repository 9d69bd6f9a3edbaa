// The debug entries: the text grammar of each kind, the order of the three
// lists, and the clean-up walk that follows the last record.
#include <cstring>
#include <string>
#include <vector>

#include "debugger/target/debug_tables.h"
#include "support/list_node.h"
#include "target_fixture.h"

namespace vy {
namespace {

using DebugTablesTest = TargetTest;

DebugEntry* add(uint8_t kind, uint32_t addr, const std::string& text, bool old = false) {
    DebugEntry* e = newentry(kind, addr, text.data(), text.size());
    if (old) {
        parseoldentry(e);
        insertoldentry(e, false);
    } else {
        parseentry(e);
        insertentry(e);
    }
    return e;
}

// The main list as "kind@addr:text" items.
std::string mainlist() {
    std::string s;
    for (DebugEntry* e = debuglist; e; e = e->next) {
        if (!s.empty()) s += ' ';
        s += std::to_string(e->kind) + "@" + std::to_string(e->addr) + ":" + e->text();
        if (e->kind != DBG_LINE) continue;
        s += '(';
        s += std::to_string(e->line);
        if (e->name) s += ',', s += e->name;
        s += ')';
    }
    return s;
}

struct ParseCase {
    const char* meaning;
    uint8_t kind;
    const char* text;
    bool old;
    const char* file;   // the text as cut
    const char* name;   // null: no name
    uint16_t line, col, endline, endcol, extra;
    uint8_t flags;
};

const ParseCase parsecases[] = {
    {"start with plus, columns and last line", 32, "f.c~main:+12.3-14.7", false, "f.c", "main", 12, 3, 14, 7, 0, DE_PLUS},
    {"start with a line only", 32, "f.c~main:12", false, "f.c", "main", 12, 0, 12, 0, 0, 0},
    {"start of an unnamed region", 32, "p.s~:3-9", false, "p.s", "", 3, 0, 9, 0, 0, 0},
    {"start name ends at its last colon", 32, "f.c~a:b:5", false, "f.c", "a:b", 5, 0, 5, 0, 0, 0},
    {"start without a tilde has no name", 32, "f.c:7", false, "f.c", "", 7, 0, 7, 0, 0, 0},
    {"line with columns", 8, "f.c:5.3-5.9", false, "f.c", nullptr, 5, 3, 5, 9, 0, 0},
    {"line in a file name with a colon", 8, "c:f.c:7", false, "c:f.c", nullptr, 7, 0, 7, 0, 0, 0},
    {"line number of more than seven digits", 8, "f.c:123456789", false, "f.c", nullptr, 54919, 0, 54919, 0, 0, 0},
    {"frame set-up point", 1, "f.c~main:-4.6", false, "f.c", "main", 4, 0, 6, 0, 0, 0},
    {"frame set-up point with three numbers", 1, "f.c~main:4.6.2", false, "f.c", "main", 4, 0, 6, 0, 2, 0},
    {"frame set-up point with one number", 1, "f.c~main:4", false, "f.c", "main", 4, 0, 4, 0, 0, 0},
    {"function exit", 4, "f.c~main:0", false, "f.c", "main", 0, 0, 0, 0, 0, 0},
    {"function end keeps its text", 16, "f.c:9-9", false, "f.c:9-9", nullptr, 0, 0, 0, 0, 0, 0},
    {"function table reference", 2, "f.c~main", false, "f.c", "main", 0, 0, 0, 0, 0, 0},
    {"source file", 64, "f.c", false, "f.c", nullptr, 0, 0, 0, 0, 0, 0},
    {"debug string kept whole", 65, "~x:y", false, "~x:y", nullptr, 0, 0, 0, 0, 0, 0},
    {"option record", 128, "f.c:3", false, "f.c", nullptr, 3, 0, 3, 0, 0, 0},
    {"old: frame set-up point gives the line only", 1, "f.c~main:-4.6", true, "f.c", "main", 4, 0, 0, 0, 0, 0},
    {"old: line, column and last line", 8, "f.c:5.3-7", true, "f.c", nullptr, 5, 3, 7, 0, 0, 0},
    {"old: no last column", 8, "f.c:5.3-7.2", true, "f.c", nullptr, 5, 3, 7, 0, 0, 0},
    {"old: a line alone", 8, "f.c:5", true, "f.c", nullptr, 5, 0, 5, 0, 0, 0},
};

TEST_F(DebugTablesTest, RecordTextsParseAsTheirKindsDemand) {
    for (const ParseCase& c : parsecases) {
        DebugEntry* e = newentry(c.kind, 0, c.text, std::strlen(c.text));
        c.old ? parseoldentry(e) : parseentry(e);
        EXPECT_STREQ(e->text(), c.file) << c.meaning;
        if (c.name) EXPECT_STREQ(e->name, c.name) << c.meaning;
        else EXPECT_EQ(e->name, nullptr) << c.meaning;
        EXPECT_EQ(e->line, c.line) << c.meaning;
        EXPECT_EQ(e->col, c.col) << c.meaning;
        EXPECT_EQ(e->endline, c.endline) << c.meaning;
        EXPECT_EQ(e->endcol, c.endcol) << c.meaning;
        EXPECT_EQ(e->extra, c.extra) << c.meaning;
        EXPECT_EQ(e->flags, c.flags) << c.meaning;
        freenode(e, nullptr);
    }
}

TEST_F(DebugTablesTest, ListsKeepAddressOrderWithEndsInFrontOfStarts) {
    add(8, 0x8010, "f.c:3");
    add(32, 0x8000, "f.c~f:1-2");
    add(8, 0x8000, "f.c:2");
    add(16, 0x8000, "f.c:0-0");   // in front of the start at its address
    add(8, 0x8000, "f.c:9");      // behind the line read before it
    add(64, 0x0000, "f.c");
    EXPECT_EQ(mainlist(), "64@0:f.c 16@32768:f.c:0-0 32@32768:f.c 8@32768:f.c(2) 8@32768:f.c(9) 8@32784:f.c(3)");
    add(65, 8, "~b");
    add(65, 4, "~a");
    add(65, 8, "~c");
    std::string strings;
    for (DebugEntry* e = stringlist; e; e = e->next) strings += e->text();
    EXPECT_EQ(strings, "~a~b~c");
    add(128, 0, "a.c");
    add(129, 0, "b.c");
    EXPECT_STREQ(optionlist->text(), "b.c");  // newest first
    EXPECT_EQ(nfileentries, 1u);
    EXPECT_EQ(nstartentries, 1u);
    EXPECT_EQ(debugstrings, 1);
}

TEST_F(DebugTablesTest, AnEndComesInFrontOfEveryStartOfItsAddressButBehindOtherEntries) {
    add(8, 100, "f.c:1");
    add(32, 100, "f.c~g:2");
    add(32, 100, "f.c~h:3");
    add(16, 100, "f.c:9-9");
    EXPECT_EQ(mainlist(), "8@100:f.c(1) 16@100:f.c:9-9 32@100:f.c 32@100:f.c");
}

TEST_F(DebugTablesTest, CleanUpNamesLinesAndKeepsTheLastLineOfAnAddress) {
    add(32, 100, "f.c~f:1-2");
    add(1, 100, "f.c~f:-4.6");
    add(8, 100, "f.c:3");
    add(8, 100, "f.c:4");
    add(8, 103, "f.c:5");
    add(2, 110, "f.c~f");
    add(8, 110, "f.c:6");          // at the function's end address: dropped
    add(4, 109, "f.c~f:0");
    add(16, 110, "f.c:7-7");
    std::string message;
    ASSERT_TRUE(cleanentries(message)) << message;
    EXPECT_EQ(mainlist(), "32@100:f.c 1@100:f.c 8@100:f.c(4,f) 8@103:f.c(5,f) 4@109:f.c 2@110:f.c 16@110:f.c:7-7");
}

TEST_F(DebugTablesTest, AnUnnamedRegionTakesItsFirstLineAndDropsRepeatedLineNumbers) {
    add(32, 0, "p.s~:1-1");
    add(8, 0, "p.s:3.2-3.8");
    add(8, 2, "p.s:3");
    add(8, 4, "p.s:4");
    add(16, 9, "p.s:9-9");
    add(8, 20, "p.s:10");          // an empty name stays current behind its end
    std::string message;
    ASSERT_TRUE(cleanentries(message)) << message;
    EXPECT_EQ(mainlist(), "32@0:p.s 8@0:p.s(3,) 8@4:p.s(4,) 16@9:p.s:9-9 8@20:p.s(10,)");
    EXPECT_EQ(debuglist->line, 3);
    EXPECT_EQ(debuglist->col, 2);
    EXPECT_EQ(debuglist->endcol, 8);
}

TEST_F(DebugTablesTest, AStartBeforeALineOfAnotherFileTakesThatFilesName) {
    add(32, 50, "a.s~:3-9");
    add(8, 50, "b.s:3");
    add(8, 52, "b.s:4");
    add(16, 54, "a.s:9-9");
    add(8, 60, "a.s:12");
    std::string message;
    ASSERT_TRUE(cleanentries(message)) << message;
    EXPECT_EQ(mainlist(), "32@50:b.s 8@50:b.s(3,) 8@52:b.s(4,) 16@54:b.s 8@60:a.s(12,)");
    EXPECT_STREQ(debuglist->name, "");
}

TEST_F(DebugTablesTest, RecordsThatDoNotHoldTogetherAreRefused) {
    struct Case {
        const char* meaning;
        std::vector<std::pair<uint8_t, const char*>> records;
        const char* message;
    };
    const Case cases[] = {
        {"a line before any function", {{8, "f.c:5"}}, "Missing function for Line: f.c 5"},
        {"a second end", {{32, "f.c~f:1"}, {16, "f.c:2-2"}, {16, "f.c:9-9"}}, "MISSING START INFO FOR: f.c:9-9"},
        {"a line behind a function's end", {{32, "f.c~f:1"}, {16, "f.c:2-2"}, {8, "f.c:3"}},
         "Missing function for Line: f.c 3"},
    };
    for (const Case& c : cases) {
        clearentries();
        uint32_t addr = 0;
        for (const auto& [kind, text] : c.records) add(kind, addr += 2, text);
        std::string message;
        EXPECT_FALSE(cleanentries(message)) << c.meaning;
        EXPECT_EQ(message, c.message) << c.meaning;
    }
}

TEST_F(DebugTablesTest, TheAssemblersLeadingSectionEndClosesNothing) {
    // ccasm's own records open with the end of the section it leaves for
    // the preamble in ".debug", at the same address as the first start:
    // it closes nothing and goes.
    add(16, 0, "p.s:0-0");
    add(32, 0, "p.s~:0-0");
    add(64, 0, "p.s");
    add(8, 0x8000, "p.s:3");
    std::string message;
    ASSERT_TRUE(cleanentries(message)) << message;
    EXPECT_EQ(mainlist(), "32@0:p.s 64@0:p.s 8@32768:p.s(3,)");

    // Linked behind a C function, that end stands where the function ends
    // (and so where no function is open); an assembly source without code
    // of its own puts its end there too.
    clearentries();
    add(32, 0x8000, "m.c~main:2-2");
    add(8, 0x8000, "m.c:2");
    add(16, 0x8006, "m.c:2-2");
    add(16, 0x8006, "c:\\src\\fast.s:0-0");
    add(16, 0x8006, "empty.s:0-0");
    add(32, 0x8006, "c:\\src\\fast.s~:0-0");
    add(32, 0x8006, "c:\\src\\fast.s~:1-1");
    add(8, 0x8006, "c:\\src\\fast.s:4");
    add(32, 0x8006, "empty.s~:0-0");
    ASSERT_TRUE(cleanentries(message)) << message;
    EXPECT_EQ(mainlist(), "32@32768:m.c 8@32768:m.c(2,main) 16@32774:m.c:2-2 32@32774:c:\\src\\fast.s "
                          "32@32774:c:\\src\\fast.s 8@32774:c:\\src\\fast.s(4,) 32@32774:empty.s");

    // An end whose file starts nowhere at its address is still refused.
    clearentries();
    add(32, 0x8000, "m.c~main:2-2");
    add(16, 0x8006, "m.c:2-2");
    add(16, 0x8006, "fast.s:0-0");
    add(32, 0x8006, "other.s~:0-0");
    EXPECT_FALSE(cleanentries(message));
    EXPECT_EQ(message, "MISSING START INFO FOR: fast.s:0-0");
}

TEST_F(DebugTablesTest, OldRecordsGoInFrontOfTheEntryTheyPrecede) {
    add(4, 10, "f.c~f:0", true);
    add(8, 10, "f.c:5", true);      // a line goes in front of an exit
    add(1, 20, "f.c~g:4", true);
    add(32, 20, "f.c~g:3", true);   // a start goes in front of a set-up point
    add(8, 20, "f.c:6", true);
    add(16, 20, "f.c:9", true);     // an end in front of everything at its address
    add(128, 5, "f.c", true);       // options stay on the main list
    EXPECT_EQ(mainlist(), "128@5:f.c 8@10:f.c(5) 4@10:f.c 16@20:f.c:9 32@20:f.c 1@20:f.c 8@20:f.c(6)");
}

TEST_F(DebugTablesTest, OldCleanUpMovesStrayLinesBehindTheNextStart) {
    add(8, 2, "f.c:1", true);
    add(8, 4, "f.c:2", true);
    add(8, 4, "f.c:3", true);       // the same address: only the last stays
    add(32, 6, "f.c~f:4", true);
    add(8, 8, "f.c:5", true);
    add(16, 10, "f.c:6", true);
    add(8, 12, "f.c:7", true);      // no start behind it: no name
    cleanoldentries();
    EXPECT_EQ(mainlist(), "32@6:f.c 8@2:f.c(1,f) 8@4:f.c(3,f) 8@8:f.c(5,f) 16@10:f.c:6 8@12:f.c(7)");
}

TEST_F(DebugTablesTest, FreeingTheTablesEmptiesEveryList) {
    add(64, 0, "f.c");
    add(65, 4, "~x");
    add(128, 8, "f.c");
    freedebug(1);
    EXPECT_EQ(debuglist, nullptr);
    EXPECT_EQ(stringlist, nullptr);
    EXPECT_EQ(optionlist, nullptr);
    EXPECT_EQ(filelist, nullptr);
    EXPECT_EQ(findfile("f.c"), nullptr);
    EXPECT_EQ(findfunc("main"), nullptr);
}

}  // namespace
}  // namespace vy
