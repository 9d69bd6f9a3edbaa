// The status bar's help line for menu items and pop-ups.
#include <gtest/gtest.h>

#include <set>
#include <string>

#include "debugger/frame/menu_help.h"

namespace vy {
namespace {

TEST(MenuHelp, TellingRows) {
    struct Case {
        int id;
        const char* text;
    };
    for (const Case& c : {Case{1, " Stop Program Execution "}, Case{101, " Load Program "},
                          Case{117, " Exit Vyr "}, Case{201, " Go. Resume Execution "},
                          Case{210, " Step Program Forever"}, Case{220, "Set an Interrupt "},
                          Case{300, " Toggle Command Window "}, Case{9100, " View peripheral Description"},
                          Case{14000, " Goto Talvex Web Site "}, Case{19901, " File Menu "},
                          Case{19933, " Tools Interface"}, Case{19922, " Set Main Window Layout "}})
        EXPECT_STREQ(helptext(c.id), c.text) << c.id;
}

TEST(MenuHelp, AnIdWithoutARowShowsCommand) {
    EXPECT_STREQ(helptext(180), " Command ");
    EXPECT_STREQ(helptext(-1), " Command ");
    EXPECT_STREQ(helptext(65535), " Command ");
}

TEST(MenuHelp, TheFirstOfTwoRowsWins) {
    int rows360 = 0;
    for (const HelpRow& row : helprows()) rows360 += row.id == 360;
    EXPECT_EQ(rows360, 2);
    EXPECT_STREQ(helptext(360), " Browse Memory (Code or Data) ");
}

TEST(MenuHelp, TableShape) {
    EXPECT_EQ(helprows().size(), 208u);
    EXPECT_EQ(helprows().front().id, 101);
    EXPECT_EQ(helprows().back().id, 14000);
    std::set<int> pseudo;
    for (const HelpRow& row : helprows()) {
        EXPECT_NE(row.text[0], '\0') << row.id;
        if (row.id >= 19901) pseudo.insert(row.id);
    }
    EXPECT_EQ(pseudo.size(), 45u);
}

}  // namespace
}  // namespace vy
