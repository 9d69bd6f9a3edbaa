// The list text with its inline codes: measuring, reading lines by number,
// what a line paints, and the link and the word under a column.
#include <gtest/gtest.h>

#include <string>

#include "debugger/views/list_text.h"
#include "list_link.h"

namespace vy {
namespace {

// The characters a line paints, and their colours as digits ('-' for the
// text colour).
std::string painted(const std::string& line, int32_t firstcolumn = 0) {
    std::string s;
    for (const Cell& c : linecells(line, firstcolumn)) s += c.ch;
    return s;
}
std::string colours(const std::string& line) {
    std::string s;
    for (const Cell& c : linecells(line, 0)) s += c.colour < 0 ? '-' : static_cast<char>('a' + c.colour);
    return s;
}

TEST(ListText, MeasuringCountsColumnsAndLines) {
    struct Case {
        std::string text;
        int32_t longest, lines;
    };
    const std::string graph = std::string{LT_GRAPH, 'H', 0, 0, 0, 10, 0, 0, '\n', 0};   // a line feed inside
    for (const Case& c : {
             Case{"", 0, 1},
             Case{"abc\n", 3, 1},
             Case{"abc\nde\n\n", 3, 3},
             Case{"abc\nlast", 4, 2},
             Case{"a\tb\n\tc\n", 5, 2},
             Case{"abcd\tx\n", 9, 1},
             Case{colour(2) + "red" + colour(1) + "\n", 3, 1},
             Case{" (" + link('S', "on") + ")\n", 5, 1},
             Case{std::string{LT_EVENTON} + "on\r\n", 2, 1},
             Case{"x" + graph + "y\n", 2, 1},
             Case{std::string{LT_GRAPH, 'B', 0, '\n', 0, 0} + "z\n", 1, 1},
         }) {
        TextSize size = measuretext(c.text);
        EXPECT_EQ(size.longest, c.longest) << testing::PrintToString(c.text);
        EXPECT_EQ(size.lines, c.lines) << testing::PrintToString(c.text);
    }
}

TEST(ListText, TheWantedLineIsTheFourthShown) {
    EXPECT_EQ(toplinefor(10), 7);
    EXPECT_EQ(toplinefor(4), 1);
    EXPECT_EQ(toplinefor(3), 0);
    EXPECT_EQ(toplinefor(0), 0);
    EXPECT_EQ(toplinefor(-5), 0);
}

TEST(ListText, LinesReadByNumberIntoABufferOfItsCapacity) {
    const std::string text = "first\n" + colour(3) + "second\r\nthird";
    char buffer[64];
    EXPECT_EQ(copyline(text, 0, buffer, sizeof buffer), 0u) << "line numbers start at 1";
    EXPECT_EQ(copyline(text, -1, buffer, sizeof buffer), 0u);
    ASSERT_EQ(copyline(text, 1, buffer, sizeof buffer), 5u);
    EXPECT_EQ(std::string(buffer, 5), "first");
    ASSERT_EQ(copyline(text, 2, buffer, sizeof buffer), 8u) << "the colour pair whole, up to the CR";
    EXPECT_EQ(std::string(buffer, 8), colour(3) + "second");
    EXPECT_EQ(textline(text, 3), "third");
    EXPECT_EQ(copyline(text, 4, buffer, sizeof buffer), 0u) << "beyond the text";
    EXPECT_EQ(copyline("", 1, buffer, sizeof buffer), 0u);

    // A line longer than the buffer is cut to it; a code is not split.
    std::string longline(100, 'x');
    EXPECT_EQ(copyline(longline + "\n", 1, buffer, 10), 10u);
    EXPECT_EQ(copyline("abcd" + colour(2) + "e\n", 1, buffer, 5), 4u);
    EXPECT_EQ(copyline("abcd" + colour(2) + "e\n", 1, buffer, 6), 6u);
}

TEST(ListText, ALineIsOverwrittenInPlaceOnlyWhereItHasRoom) {
    std::string text = "one\ntwo lines\nend\n";
    EXPECT_TRUE(putline(text.data(), text.size(), 2, "TWO"));
    EXPECT_EQ(text, "one\nTWO lines\nend\n");
    EXPECT_FALSE(putline(text.data(), text.size(), 1, "longer"));
    EXPECT_FALSE(putline(text.data(), text.size(), 5, "x"));
    EXPECT_EQ(text, "one\nTWO lines\nend\n");
}

TEST(ListText, WhatALinePaints) {
    EXPECT_EQ(painted("ab\tc"), "ab  c");
    EXPECT_EQ(painted("a" + colour(4) + "b" + link('F', "f.c") + "\r"), "abf.c");
    EXPECT_EQ(painted("ab\tc", 3), " c") << "a tab across the first column paints its rest";
    EXPECT_EQ(painted("abc", 5), "");
    // A colour of 19 or more paints in entry 1; a line starts in the text
    // colour.
    EXPECT_EQ(colours("a" + colour(2) + "b" + colour(19) + "c" + colour(200) + "d" + colour(18) + "e"), "-cbbs");
}

TEST(ListText, TheLinkUnderAColumn) {
    // "  f.c  on": columns 2-4 are the file link, 7-8 the state link.
    const std::string line = "  " + colour(4) + link('F', "f.c") + colour(1) + "  " + link('S', "on") + "\n";
    struct Case {
        int32_t column;
        const char* link;
    };
    for (const Case& c : {Case{0, ""}, Case{1, ""}, Case{2, "Ff.c"}, Case{4, "Ff.c"}, Case{5, ""}, Case{7, "Son"},
                          Case{8, "Son"}, Case{9, ""}, Case{40, ""}}) {
        EXPECT_EQ(linkat(line, c.column), c.link) << "column " << c.column;
    }
    // A blank inside the payload ends the link: right of it there is none,
    // left of it the link's text stops at the blank.
    const std::string blank = link('X', "two words") + "\n";
    EXPECT_EQ(linkat(blank, 1), "Xtwo");
    EXPECT_EQ(linkat(blank, 3), "");
    EXPECT_EQ(linkat(blank, 5), "");
    // Codes inside a payload are not part of the link's text.
    EXPECT_EQ(linkat(link('E', "ma" + colour(2) + "in"), 2), "Emain");
    // A tab is as wide as it paints.
    EXPECT_EQ(linkat("\t" + link('V', "v"), 4), "Vv");
    EXPECT_EQ(linkat("\t" + link('V', "v"), 2), "");
}

TEST(ListText, TheWordUnderAColumn) {
    const std::string line = "  " + colour(2) + "_start$1" + colour(1) + " in segment " + colour(3) + "te" +
                             colour(5) + "xt\n";
    EXPECT_EQ(wordat(line, 2), "_start$1");
    EXPECT_EQ(wordat(line, 9), "_start$1");
    EXPECT_EQ(wordat(line, 10), "") << "a blank";
    EXPECT_EQ(wordat(line, 0), "");
    EXPECT_EQ(wordat(line, 23), "text") << "codes inside a word are stripped";
    EXPECT_EQ(wordat(line, 99), "");
    EXPECT_EQ(plaintext(line), "  _start$1 in segment text\n");
}

}  // namespace
}  // namespace vy
