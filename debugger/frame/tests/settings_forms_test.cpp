// The texts of the settings file: colours, fonts, rectangles, tiling and
// the one-letter options, as the frame writes and reads them.
#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <climits>
#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "debugger/frame/settings_forms.h"
#include "support/number_text.h"
#include "support/tests/fuzz_budget.h"

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

// The frame's place and a view's size from a rectangle of any values the
// file may hold: no overflow, at least half the screen, maximised 10 pixels
// in when the screen is covered.
TEST(SettingsForms, PlacesFromAnyRectangle) {
    struct Case {
        WindowRect rect;
        FramePlacement placed;
    } cases[] = {
        {{100, 50, 700, 550}, {100, 50, 600, 500, false}},
        {{0, 0, 100, 100}, {0, 0, 512, 384, false}},   // at least half of 1024 x 768
        {{0, 0, 1024, 768}, {10, 10, 1004, 748, true}},
        {{INT32_MIN, INT32_MIN, INT32_MAX, INT32_MAX}, {INT32_MIN + 10, INT32_MIN + 10, INT32_MAX, INT32_MAX, true}},
        {{INT32_MAX, INT32_MAX, INT32_MIN, INT32_MIN}, {INT32_MAX, INT32_MAX, 512, 384, false}},
        {{INT32_MAX - 5, 0, INT32_MAX, 0}, {INT32_MAX - 5, 0, 512, 384, false}},
    };
    for (const Case& c : cases) {
        FramePlacement p = frameplacement(c.rect, 1024, 768);
        EXPECT_EQ(p.left, c.placed.left);
        EXPECT_EQ(p.top, c.placed.top);
        EXPECT_EQ(p.width, c.placed.width);
        EXPECT_EQ(p.height, c.placed.height);
        EXPECT_EQ(p.maximise, c.placed.maximise);
    }
    EXPECT_EQ(rectspan(20, 350), 330);
    EXPECT_EQ(rectspan(INT32_MIN, INT32_MAX), INT32_MAX);
    EXPECT_EQ(rectspan(INT32_MAX, INT32_MIN), INT32_MIN);
}

// A settings file as the profile functions hand it over: the value of a key
// of a section (names in either case), blanks around it taken off, a pair
// of quotes around it taken off, at most 509 characters; `initial` when the
// key is not there.
std::string profilevalue(const std::string& file, const char* section, const char* key, const char* initial) {
    auto same = [](const std::string& a, const char* b) {
        return a.size() == std::strlen(b) && std::equal(a.begin(), a.end(), b, [](char x, char y) {
                   return std::tolower(static_cast<unsigned char>(x)) == std::tolower(static_cast<unsigned char>(y));
               });
    };
    auto trim = [](std::string t) {
        while (!t.empty() && (t.back() == ' ' || t.back() == '\t' || t.back() == '\r')) t.pop_back();
        std::size_t n = 0;
        while (n < t.size() && (t[n] == ' ' || t[n] == '\t')) ++n;
        return t.substr(n);
    };
    bool inside = false;
    for (std::size_t at = 0; at < file.size();) {
        std::size_t end = file.find('\n', at);
        if (end == std::string::npos) end = file.size();
        std::string line = trim(file.substr(at, end - at));
        at = end + 1;
        if (!line.empty() && line[0] == '[') {
            std::size_t close = line.find(']');
            inside = close != std::string::npos && same(trim(line.substr(1, close - 1)), section);
            continue;
        }
        std::size_t equals = line.find('=');
        if (!inside || equals == std::string::npos || !same(trim(line.substr(0, equals)), key)) continue;
        std::string value = trim(line.substr(equals + 1));
        if (value.size() >= 2 && (value[0] == '"' || value[0] == '\'') && value.back() == value[0])
            value = value.substr(1, value.size() - 2);
        return value.substr(0, std::min<std::size_t>(value.size(), value.find('\0'))).substr(0, 509);
    }
    return initial;
}

// VYRS11.INI files as the frame writes them, mutated: every value the frame
// reads goes through the forms it is read with, and each gives a value in
// its range, without overflow or a read past a value.
TEST(SettingsForms, MutatedSettingsFilesReadIntoRange) {
    std::mt19937 random(vytest::fuzzseed(8120));
    auto below = [&random](std::size_t n) { return n ? static_cast<std::size_t>(random() % n) : 0; };
    auto number = [&random]() -> int32_t {
        switch (random() % 4) {
        case 0: return INT32_MIN + static_cast<int32_t>(random() % 3);
        case 1: return INT32_MAX - static_cast<int32_t>(random() % 3);
        default: return static_cast<int32_t>(random() % 4000) - 1000;
        }
    };
    const char* const texts[] = {"Cascade", "Horizontal", "v", "FREE", "", "Octal", "hex", "Binary", "Full", "Brief",
                                 "YES", "NO", "ICONIC", "c:\\src|c:\\inc", "\"quoted\"", "0x", "-", "1,2,3,"};
    const char specials[] = {'\0', '\r', '\n', '=', '[', ']', ',', '"', ' ', '\t', '\x80', '\x01', '-', '9'};
    for (int i = 0, n = vytest::fuzzcases(1000, 300); i < n; ++i) {
        std::string file = "[Fonts]\n";
        for (const char* key : fontkeys) {
            FontFields f{number(), number(), number(), number(), number(), 0, 0, 0, 0, 0, 0, 0, 0, "Courier New"};
            file += std::string(key) + "=" + fontline(f) + "\n";
        }
        file += "[Colors]\n";
        for (const ColourRow& row : colourrows)
            file += std::string(row.key) + "=" + colourtext(static_cast<uint32_t>(random())) + row.comment + "\n";
        for (int w = RECT_FRAME; w <= RECT_REGISTER; ++w) {
            SettingLine lines[4];
            rectlines(static_cast<RectWindow>(w), {number(), number(), number(), number()}, lines);
            file += std::string("[") + rectsections[w].section + "]\n";
            for (const SettingLine& l : lines) file += std::string(l.key) + "=" + l.value + "\n";
        }
        file += "[Options]\nTile=" + std::string(texts[below(std::size(texts))]) + "\nDefIntFormat=" +
                texts[below(std::size(texts))] + "\nVarFormat=" + texts[below(std::size(texts))] + "\n";
        for (std::size_t m = 1 + below(8); m > 0 && !file.empty(); --m) {
            std::size_t at = below(file.size());
            switch (below(5)) {
            case 0: file[at] = static_cast<char>(random()); break;
            case 1: file.insert(at, 1, specials[below(sizeof specials)]); break;
            case 2: file.erase(at, below(12)); break;
            case 3: file.insert(at, std::string(below(2) ? below(20) : 600 + below(2000), "9,-x "[below(5)])); break;
            default: file.insert(at, file.substr(below(file.size()), below(80))); break;
            }
        }
        SCOPED_TRACE("case " + std::to_string(i));
        for (const char* key : fontkeys) {
            FontFields f{};
            std::string line = profilevalue(file, "Fonts", key, "");
            if (parsefontline(line.c_str(), f)) {
                ASSERT_LE(std::strlen(f.face), sizeof f.face - 1);
                FontFields again{};
                ASSERT_TRUE(parsefontline(fontline(f).c_str(), again));   // what is read writes back
                ASSERT_STREQ(again.face, f.face);
                ASSERT_EQ(again.height, f.height);
            }
        }
        for (const ColourRow& row : colourrows) colourvalue(profilevalue(file, "Colors", row.key, "").c_str());
        WindowRect frame{};
        for (int w = RECT_FRAME; w <= RECT_REGISTER; ++w) {
            int32_t sides[4];
            const char* keys[4] = {"Left", "Top", "Right", "Bottom"};
            for (int k = 0; k < 4; ++k) {
                std::string value = profilevalue(file, rectsections[w].section, keys[k], "0");
                sides[k] = 0;
                scanlong(value.c_str(), static_cast<int32_t>(value.size()), sides[k], 1);
            }
            WindowRect r{sides[0], sides[1], sides[2], sides[3]};
            if (w == RECT_FRAME) frame = r;
            FramePlacement p = frameplacement(r, 1024, 768);
            ASSERT_GE(p.width, 512);
            ASSERT_GE(p.height, 384);
            defaultrect(static_cast<RectWindow>(w), frame, 17, 19);
            rectspan(r.left, r.right);
            rectspan(r.top, r.bottom);
        }
        int tile = tilefromtext(profilevalue(file, "Options", "Tile", "Cascade").c_str());
        ASSERT_TRUE(tile >= TILE_CASCADE && tile <= TILE_FREE);
        int radix = radixcommand(profilevalue(file, "Options", "DefIntFormat", "D").c_str());
        ASSERT_TRUE(radix >= 460 && radix <= 463);
        int format = varformatcommand(profilevalue(file, "Options", "VarFormat", "YES").c_str());
        ASSERT_TRUE(format == 0 || format == 633 || format == 635);
    }
}

}  // namespace
}  // namespace vy
