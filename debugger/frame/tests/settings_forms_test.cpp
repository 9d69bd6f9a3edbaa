// The texts of the settings file: colours, fonts, rectangles, tiling and
// the one-letter options, as the frame writes and reads them.
#include <gtest/gtest.h>

#include <string>

#include "debugger/frame/settings_forms.h"

namespace vy {
namespace {

TEST(SettingsForms, ColoursAreHexInASevenCharacterField) {
    struct Case {
        uint32_t colour;
        const char* text;
    };
    for (const Case& c : {Case{0xFFFF, "0xffff "}, Case{0xFF0000, "0xff0000"}, Case{0x8000, "0x8000 "},
                          Case{0x80, "0x80   "}, Case{0, "0x0    "}, Case{0x12345678, "0x12345678"}})
        EXPECT_EQ(colourtext(c.colour), c.text) << c.colour;
}

TEST(SettingsForms, AColourReadsBackPastItsComment) {
    EXPECT_EQ(colourvalue("0x8000     /* Color for C Comments */"), 0x008000u);
    EXPECT_EQ(colourvalue("0xffff "), 0xFFFFu);
    EXPECT_EQ(colourvalue(""), 0u);
    EXPECT_EQ(colourvalue("blue"), 0u);
    for (const ColourRow& row : colourrows)
        EXPECT_EQ(colourvalue((colourtext(row.initial) + row.comment).c_str()), row.initial) << row.key;
}

TEST(SettingsForms, TheColourTableInWriteOrder) {
    const char* keys[14] = {"Assembler", "BkptOn", "BkptOff", "Source", "Instruction", "C_Keyword", "C_Library",
                            "Comments", "Memory", "Assembler_Mnemonics", "Preprocessor", "Defines", "Typedefs",
                            "Search"};
    for (int i = 0; i < 14; ++i) EXPECT_STREQ(colourrows[i].key, keys[i]);
    EXPECT_EQ(colourrow(422)->palette, 11);
    EXPECT_EQ(colourrow(412)->palette, -1);
    EXPECT_EQ(colourrow(418), nullptr);
}

TEST(SettingsForms, PaletteEntriesPastTheEndAreIgnored) {
    resetpalette();
    uint32_t last = textpalette[18];
    SetTextColour(19, 0x123456);
    SetTextColour(-1, 0x123456);
    EXPECT_EQ(textpalette[18], last);
    SetTextColour(18, 0x123456);
    EXPECT_EQ(textpalette[18], 0x123456u);
    resetpalette();
    EXPECT_EQ(textpalette[18], last);
}

TEST(SettingsForms, RectanglesCarryTheirComments) {
    SettingLine lines[4];
    rectlines(RECT_COMMAND, {20, 20, 350, 100}, lines);
    EXPECT_STREQ(lines[0].key, "Left");
    EXPECT_EQ(lines[0].value, "20    /* Left side of Command Window */");
    EXPECT_EQ(lines[1].value, "20    /* Top of Command Window */");
    EXPECT_EQ(lines[2].value, "350    /* Right side of Command Window */");
    EXPECT_EQ(lines[3].value, "100    /* Bottom of Command Window */");
    rectlines(RECT_REGISTER, {0, 0, 50, 100}, lines);
    const char* order[4] = {"Left", "Right", "Top", "Bottom"};
    for (int i = 0; i < 4; ++i) EXPECT_STREQ(lines[i].key, order[i]);
    EXPECT_EQ(lines[1].value, "50    /* Right side of Register Window */");
    rectlines(RECT_FRAME, {-4, -4, 1284, 1028}, lines);
    EXPECT_EQ(lines[0].value, "-4    /* Left side of Main Window */");
    rectlines(RECT_DISASSEMBLY, {1, 2, 3, 4}, lines);
    EXPECT_EQ(lines[3].value, "4    /* Bottom of Disa Window */");
}

TEST(SettingsForms, DefaultRectanglesFollowTheFrame) {
    WindowRect frame{0, 0, 1280, 1024};
    auto same = [](WindowRect a, WindowRect b) {
        return a.left == b.left && a.top == b.top && a.right == b.right && a.bottom == b.bottom;
    };
    EXPECT_TRUE(same(defaultrect(RECT_MONITOR, frame, 17, 19), {0, 0, 480, 256 + 36}));
    EXPECT_TRUE(same(defaultrect(RECT_STACK, frame, 17, 19), {640, 0, 1280, 292}));
    EXPECT_TRUE(same(defaultrect(RECT_REGISTER, frame, 17, 19), {0, 0, 50, 100}));
    EXPECT_TRUE(same(defaultrect(RECT_COMMAND, frame, 17, 19), {20, 20, 350, 100}));
}

TEST(SettingsForms, FontLinesRoundTrip) {
    FontFields f{-13, 0, 0, 0, 700, 0, 1, 0, 0, 3, 2, 1, 49, "Courier New"};
    std::string line = fontline(f);
    EXPECT_EQ(line, "-13,0,0,0,700,0,1,0,0,3,2,1,49,Courier New");
    FontFields back{};
    ASSERT_TRUE(parsefontline(line.c_str(), back));
    EXPECT_EQ(fontline(back), line);
}

TEST(SettingsForms, FontLinesWithoutThirteenCommasAreRefused) {
    FontFields f{};
    EXPECT_FALSE(parsefontline("", f));
    EXPECT_FALSE(parsefontline("-13,0,0,0,700,0,0,0,0,3,2,1,49", f));
    EXPECT_TRUE(parsefontline("-13,0,0,0,700,0,0,0,0,3,2,1,49,", f));
    EXPECT_STREQ(f.face, "");
    // A face longer than the field is cut; commas in it belong to it.
    ASSERT_TRUE(parsefontline(("1,2,3,4,5,6,7,8,9,10,11,12,13," + std::string(40, 'f') + ",x").c_str(), f));
    EXPECT_EQ(std::string(f.face), std::string(31, 'f'));
    EXPECT_EQ(f.height, 1);
    EXPECT_EQ(f.pitchandfamily, 13);
}

TEST(SettingsForms, TilingByTheFirstLetter) {
    struct Case {
        const char* value;
        int mode;
        const char* written;
    };
    for (const Case& c : {Case{"vx", TILE_VERTICAL, "VERTICAL"}, Case{"Horizontal", TILE_HORIZONTAL, "HORIZONTAL"},
                          Case{"FREE", TILE_FREE, "FREE"}, Case{"Cascade", TILE_CASCADE, "CASCADE"},
                          Case{"zz", TILE_CASCADE, "CASCADE"}, Case{"", TILE_CASCADE, "CASCADE"}}) {
        EXPECT_EQ(tilefromtext(c.value), c.mode) << c.value;
        EXPECT_STREQ(tiletext(tilefromtext(c.value)), c.written);
    }
    EXPECT_STREQ(tiletext(0), "CASCADE");
}

TEST(SettingsForms, OneLetterOptions) {
    EXPECT_EQ(radixcommand("Hexadecimal"), 462);
    EXPECT_EQ(radixcommand("octal"), 461);
    EXPECT_EQ(radixcommand("b"), 463);
    EXPECT_EQ(radixcommand(""), 460);
    EXPECT_EQ(radixcommand("Decimal"), 460);
    for (int command = 460; command <= 463; ++command) EXPECT_EQ(radixcommand(radixtext(command)), command);
    EXPECT_EQ(varformatcommand("Full"), 635);
    EXPECT_EQ(varformatcommand("BRIEF"), 633);
    EXPECT_EQ(varformatcommand("YES"), 0);
    EXPECT_EQ(varformatcommand("Standard"), 0) << "standard is kept as it is";
    EXPECT_STREQ(windowstatetext(true, true), "ICONIC");
    EXPECT_STREQ(windowstatetext(true, false), "YES");
    EXPECT_STREQ(windowstatetext(false, true), "NO");
}

TEST(SettingsForms, StatusBarPanes) {
    StatusParts p = statusbarparts(500);
    EXPECT_EQ(p.edge[0], 120);
    EXPECT_EQ(p.edge[1], 220);
    EXPECT_EQ(p.edge[2], 360);
}

}  // namespace
}  // namespace vy
