// The I/O-register viewer's portable core: the numbers the user types, the
// ".iod" reader, field values and writes, the item texts and the editors'
// values, against the stand-in target with its call log.
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "debugger/frame/iod_name.h"
#include "ioreg/item_text.h"
#include "ioreg/module_select.h"
#include "ioreg/typed_number.h"
#include "target_standin.h"

namespace vy {
namespace {

using Calls = std::vector<std::string>;

class IodTest : public testing::Test {
protected:
    void SetUp() override {
        standin::reset();
        dbgcalls = standin::table();
    }
    void TearDown() override { freemodules(modules); }

    // A module read from `text` as if opened with `offset`.
    IodModule* load(const std::string& text, int32_t offset = 0) {
        modules = newmodule(modules, "test");
        modules->offset = offset;
        LoadIodText(modules, text);
        return modules;
    }

    IodModule* modules = nullptr;
};

std::vector<IodRegister*> registers(const IodModule* m) {
    std::vector<IodRegister*> list;
    for (IodRegister* r = m->registers; r; r = r->link) list.push_back(r);
    return list;
}

std::vector<std::string> fieldtexts(const IodRegister* r) {
    std::vector<std::string> texts;
    for (const IodField* f = r->fields; f; f = f->link) texts.push_back(FieldText(f));
    return texts;
}

// A field of its own, not read from a file.
struct LoneField {
    IodRegister reg{};
    IodField field{};
    LoneField(uint8_t high, uint8_t low, uint32_t mask = 0) {
        field.reg = &reg;
        field.highbit = high;
        field.lowbit = low;
        field.mask = mask;
    }
};

std::string readfile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// ---------------------------------------------------------------------------
// Typed numbers

TEST(TypedNumber, OffsetField) {
    struct Case {
        const char* text;
        int32_t offset;
    };
    for (const Case& c : {Case{"0x10", 16}, Case{"010", 8}, Case{"10", 10}, Case{"0", 0}, Case{"-4", -4},
                          Case{"0X10", 0}, Case{"", 0}, Case{"offset", 0}, Case{"0x", 0}, Case{"0xffffe000", -0x2000},
                          Case{"4294967297", 1}, Case{"12ab", 12}, Case{" 0x20", 32}})
        EXPECT_EQ(OffsetValue(c.text), c.offset) << '"' << c.text << '"';
}

TEST(TypedNumber, EditBoxTexts) {
    struct Case {
        const char* text;
        bool number;
        uint32_t value;
    };
    for (const Case& c : {Case{"0", true, 0}, Case{"017", true, 15}, Case{"0x17", true, 23},
                          Case{"-1", true, 0xffffffff}, Case{"0x1FF", true, 0x1ff}, Case{"0x000000001F", true, 0x1f},
                          Case{"09", true, 0}, Case{"018", true, 1}, Case{"+7", true, 7}, Case{"", false, 0},
                          Case{"  ", false, 0}, Case{"abc", false, 0}, Case{"-", false, 0}, Case{"x17", false, 0}}) {
        uint32_t value = 99;
        EXPECT_EQ(ReadTypedNumber(c.text, value), c.number) << '"' << c.text << '"';
        EXPECT_EQ(value, c.value) << '"' << c.text << '"';
    }
}

TEST(IodName, LowerCasedAndEndingInIod) {
    struct Case {
        const char* name;
        int iod;
        const char* lowered;
    };
    for (const Case& c : {Case{"a.iod", 1, "a.iod"}, Case{"B.IOD", 1, "b.iod"}, Case{"Timer.Iod", 1, "timer.iod"},
                          Case{"x.io", 0, "x.io"}, Case{".iod", 0, ".iod"}, Case{"a.iod.bak", 0, "a.iod.bak"},
                          Case{"aiod", 0, "aiod"}, Case{"", 0, ""}}) {
        std::string name = c.name;
        EXPECT_EQ(IsIodFile(name.data()), c.iod) << c.name;
        EXPECT_EQ(name, c.lowered);
    }
}

// ---------------------------------------------------------------------------
// Field values and writes

TEST(FieldBits, ValuesOfBitRangesAndScatteredFields) {
    struct Case {
        const char* meaning;
        uint8_t high, low;
        uint32_t mask, regvalue, value, width;
    };
    for (const Case& c : {
             Case{"bits 7..4", 7, 4, 0, 0xA5, 0xA, 0xF},
             Case{"bit 0", 0, 0, 0, 0xA5, 1, 1},
             Case{"bits 1f..0: the whole value", 0x1f, 0, 0, 0xDEADBEEF, 0xDEADBEEF, 0xFFFFFFFF},
             Case{"bit 1f", 0x1f, 0x1f, 0, 0x80000000, 1, 1},
             Case{"mask 8C over FF", SCATTERED, 0, 0x8C, 0xFF, 7, 7},
             Case{"mask 8C over 84", SCATTERED, 0, 0x8C, 0x84, 5, 7},
             Case{"mask 0: no bits", SCATTERED, 0, 0, 0xFF, 0, 0},
             Case{"whole mask", SCATTERED, 0, 0xFFFFFFFF, 0x12345678, 0x12345678, 0xFFFFFFFF},
             Case{"high bit above 1f: empty", 0x21, 0, 0, 0xFFFFFFFF, 0, 0},
             Case{"low above high: empty", 3, 5, 0, 0xFF, 0, 0},
         }) {
        LoneField f(c.high, c.low, c.mask);
        EXPECT_EQ(FieldValue(c.regvalue, &f.field), c.value) << c.meaning;
        EXPECT_EQ(FieldWidthMask(&f.field), c.width) << c.meaning;
    }
}

TEST(FieldBits, WritesChangeOnlyTheFieldsBits) {
    struct Case {
        const char* meaning;
        uint8_t high, low;
        uint32_t mask, regvalue, value, written;
    };
    for (const Case& c : {
             Case{"5 into mask 8C", SCATTERED, 0, 0x8C, 0x00, 5, 0x84},
             Case{"F into mask 8C: three bits", SCATTERED, 0, 0x8C, 0x51, 0xF, 0xDD},
             Case{"0 into mask 8C", SCATTERED, 0, 0x8C, 0xFF, 0, 0x73},
             Case{"13 into bits 3..0", 3, 0, 0, 0xA0, 0x13, 0xA3},
             Case{"2 into bits 5..4", 5, 4, 0, 0xC3, 2, 0xE3},
             Case{"whole long", 0x1f, 0, 0, 0xFFFFFFFF, 0x12345678, 0x12345678},
             Case{"empty field", 3, 5, 0, 0xA5, 0xFF, 0xA5},
             Case{"bit above 1f", 0x25, 0x24, 0, 0xA5, 3, 0xA5},
         }) {
        LoneField f(c.high, c.low, c.mask);
        EXPECT_EQ(FieldInserted(c.regvalue, c.value, &f.field), c.written) << c.meaning;
    }
}

// ---------------------------------------------------------------------------
// The reader

TEST_F(IodTest, RegisterMapOfThe68HC11ReadsEveryRegisterOnceAndShowsItsBytes) {
    const uint8_t bytes[][2] = {{0x00, 0xA5}, {0x0E, 0x12}, {0x0F, 0x34}, {0x20, 0x9A}, {0x2E, 0xC0}};
    for (auto [low, value] : bytes) standin::memory[0x1000 + low] = value;
    IodModule* m = load(readfile(VY_SOURCE_DIR "/ioreg/tests/fixtures/hc11.iod"));

    EXPECT_EQ(standin::calls, (Calls{"ReadByte 0x1000", "ReadWord 0x100e", "ReadByte 0x1020", "ReadByte 0x102e"}));
    std::vector<IodRegister*> regs = registers(m);
    ASSERT_EQ(regs.size(), 4u);
    EXPECT_EQ(RegisterText(regs[0]), "[00001000] PORTA    <0xa5>");
    EXPECT_EQ(fieldtexts(regs[0]), (Calls{"PA7   High <0x1>", "PA2:PA0   inputs 0x5"}));
    EXPECT_EQ(RegisterText(regs[1]), "[0000100e] TCNT    <0x1234>");
    EXPECT_EQ(regs[1]->size, 2);
    EXPECT_EQ(fieldtexts(regs[1]), (Calls{"Count   count 0x1234"}));
    EXPECT_EQ(RegisterText(regs[2]), "[00001020] TCTL1    <0x9a>");
    EXPECT_EQ(fieldtexts(regs[2]), (Calls{"OM2:OL2   Clear <0x2>", "OM3:OL3   Toggle <0x1>", "OM5:OL5   Other 0x2"}));
    EXPECT_EQ(RegisterText(regs[3]), "[0000102e] SCSR    <0xc0>");
    EXPECT_EQ(fieldtexts(regs[3]),
              (Calls{"TDRE   Empty <0x1>", "TC   Complete <0x1>", "RDRF   <0x0>", "OR:NF:FE   None <0x0>"}));
    for (const IodField* f = regs[3]->fields; f; f = f->link) EXPECT_EQ(f->access, 'R') << f->name;
    EXPECT_EQ(regs[2]->fields->access, 'W');
}

TEST_F(IodTest, OffsetIsAddedToEveryAddressAndWrapsIn32Bits) {
    standin::memory[0x3000] = 0x7E;
    IodModule* m = load("Ports\nB 1000,PORTA\n", 0x2000);
    EXPECT_EQ(RegisterText(m->registers), "[00003000] PORTA    <0x7e>");
    EXPECT_EQ(standin::calls, (Calls{"ReadByte 0x3000"}));

    standin::calls.clear();
    m = load("Ports\nB 1000,PORTA\nB 0,LOW\n", -4);
    EXPECT_EQ(RegisterText(m->registers), "[00000ffc] PORTA    <0x0>");
    EXPECT_EQ(RegisterText(m->registers->link), "[fffffffc] LOW    <0x0>");
    EXPECT_EQ(standin::calls, (Calls{"ReadByte 0xffc", "ReadByte 0xfffffffc"}));
}

TEST_F(IodTest, SizeLetterChoosesTheReader) {
    standin::memory[0x10] = 0x12;
    standin::memory[0x11] = 0x34;
    standin::memory[0x12] = 0x56;
    standin::memory[0x13] = 0x78;
    IodModule* m = load("Sizes\nB 10,B\nb 10,b\nW 10,W\nw 10,w\nL 10,L\nQ 10,Q\n");
    std::vector<IodRegister*> regs = registers(m);
    ASSERT_EQ(regs.size(), 6u);
    const uint32_t values[] = {0x12, 0x12, 0x1234, 0x1234, 0x12345678, 0x12345678};
    const uint8_t sizes[] = {1, 1, 2, 2, 4, 4};
    for (std::size_t i = 0; i < regs.size(); ++i) {
        EXPECT_EQ(regs[i]->value, values[i]) << regs[i]->name;
        EXPECT_EQ(regs[i]->size, sizes[i]) << regs[i]->name;
    }
    EXPECT_EQ(standin::calls, (Calls{"ReadByte 0x10", "ReadByte 0x10", "ReadWord 0x10", "ReadWord 0x10",
                                     "ReadLong 0x10", "ReadLong 0x10"}));
}

TEST_F(IodTest, NamesFollowTheDigitsAndOneComma) {
    IodModule* m = load("Names\nB 1000 PORTA\nB 1001,,TWO\nB 0x1002,HEX\nB   1003,SPACED\nB ,NONE\n"
                        "B 1004,a, b \r\nB 1005\n");
    std::vector<IodRegister*> regs = registers(m);
    ASSERT_EQ(regs.size(), 7u);
    const char* names[] = {" PORTA", ",TWO", "HEX", "SPACED", "NONE", "a, b ", ""};
    const uint32_t addresses[] = {0x1000, 0x1001, 0x1002, 0x1003, 0, 0x1004, 0x1005};
    for (std::size_t i = 0; i < regs.size(); ++i) {
        EXPECT_STREQ(regs[i]->name, names[i]);
        EXPECT_EQ(regs[i]->address, addresses[i]) << names[i];
    }
}

TEST_F(IodTest, FieldLinesAccessBitsAndMask) {
    IodModule* m = load("Fields\nL 0,R\n R 7,4,HIGH\n r 3,0,low\n W 20,8C,SCAT\n W 1F,0,ALL\n W 3\n X\n");
    const IodField* f = m->registers->fields;
    struct Expect {
        char access;
        uint8_t high, low;
        uint32_t mask;
        const char* name;
    };
    for (const Expect& e : {Expect{'R', 7, 4, 0, "HIGH"}, Expect{'r', 3, 0, 0, "low"}, Expect{'W', 0x20, 0, 0x8C, "SCAT"},
                            Expect{'W', 0x1f, 0, 0, "ALL"}, Expect{'W', 3, 0, 0, ""}, Expect{'X', 0, 0, 0, ""}}) {
        ASSERT_NE(f, nullptr) << e.name;
        EXPECT_EQ(f->access, e.access) << e.name;
        EXPECT_EQ(f->highbit, e.high) << e.name;
        EXPECT_EQ(f->lowbit, e.low) << e.name;
        EXPECT_EQ(f->mask, e.mask) << e.name;
        EXPECT_STREQ(f->name, e.name);
        EXPECT_EQ(f->reg, m->registers);
        f = f->link;
    }
    EXPECT_EQ(f, nullptr);
}

TEST_F(IodTest, FieldTexts) {
    struct Case {
        const char* meaning;
        const char* lines;
        uint8_t regvalue;
        const char* text;
    };
    for (const Case& c : {
             Case{"named value", "  0,Off\n  1,On\n", 1, "NAME   On <0x1>"},
             Case{"one other-value line", "  X,count\n", 5, "NAME   count 0x5"},
             Case{"one named line, whatever the value", "  1,On\n", 0, "NAME   On 0x0"},
             Case{"no match, no other line", "  0,Off\n  1,On\n", 3, "NAME   <0x3>"},
             Case{"no match: the first other line", "  0,Off\n  X,first\n  X,second\n", 3, "NAME   first 0x3"},
             Case{"the other line counts as 0", "  X,other\n  0,Off\n", 0, "NAME   other 0x0"},
             Case{"no value lines", "", 2, "NAME   <0x2>"},
         }) {
        standin::memory[0] = c.regvalue;
        IodModule* m = load(std::string("T\nB 0,R\n W 3,0,NAME\n") + c.lines);
        EXPECT_EQ(FieldText(m->registers->fields), c.text) << c.meaning;
    }
}

TEST_F(IodTest, LinesAreReadInPiecesOf509Characters) {
    std::string name(600 - 7 - 91, 'N');
    std::string tail = "W 2000,SECOND";
    tail += std::string(91 - tail.size(), 'S');
    IodModule* m = load("Long\nB 1000," + name + tail + "\n");
    std::vector<IodRegister*> regs = registers(m);
    ASSERT_EQ(regs.size(), 2u);
    EXPECT_EQ(std::string(regs[0]->name), name + tail.substr(0, 509 - 7 - name.size()));
    EXPECT_EQ(std::string(regs[1]->name), tail.substr(7));
    EXPECT_EQ(regs[1]->address, 0x2000u);
    EXPECT_EQ(regs[1]->size, 2);
    EXPECT_EQ(std::string(regs[0]->name).size() + 7, 509u);
    EXPECT_EQ(tail.size(), 91u);
}

TEST_F(IodTest, TitleOnlyFileHasNoRegisters) {
    for (const char* text : {"Empty module\n", "Empty module", "Empty module\r\n\r\n", ""})
        EXPECT_EQ(load(text)->registers, nullptr) << text;
    EXPECT_TRUE(standin::calls.empty());
}

TEST_F(IodTest, LinesOfTheWrongShapeNeverReadPastTheirEnd) {
    IodModule* m = load(
        "Odd\n"
        " W 7,0,ORPHAN FIELD\n"
        "  1,orphan value\n"
        "\n"
        "   \n"
        "B\n"
        "  1,no field yet\n"
        " R\n"
        "  \x01\n"
        "  X\n"
        "  5\n"
        " W 7,6\n"
        " W 7\n"
        "b 1\n"
        " Wx,\n");
    std::vector<IodRegister*> regs = registers(m);
    ASSERT_EQ(regs.size(), 2u);
    EXPECT_EQ(regs[0]->address, 0u);
    EXPECT_STREQ(regs[0]->name, "");
    const IodField* f = regs[0]->fields;
    ASSERT_NE(f, nullptr);
    EXPECT_EQ(f->access, 'R');
    EXPECT_EQ(f->valuecount, 3u);
    EXPECT_STREQ(f->name, "");
    EXPECT_EQ(f->values->value, 0u);
    EXPECT_EQ(f->values->link->other, 1);
    EXPECT_EQ(f->values->link->link->value, 5u);
    EXPECT_STREQ(f->values->link->link->text, "");
    ASSERT_NE(f->link, nullptr);
    EXPECT_EQ(f->link->highbit, 7);
    EXPECT_EQ(f->link->lowbit, 6);
    EXPECT_STREQ(f->link->name, "");
    ASSERT_NE(f->link->link, nullptr);
    EXPECT_EQ(f->link->link->lowbit, 0);
    EXPECT_EQ(f->link->link->link, nullptr);
    EXPECT_EQ(regs[1]->address, 1u);
    ASSERT_NE(regs[1]->fields, nullptr);
    EXPECT_EQ(regs[1]->fields->access, 'W');
}

TEST_F(IodTest, ManyValueLinesNeverLookLikeOne) {
    std::string text = "Many\nB 0,R\n W 7,0,F\n";
    for (int i = 0; i < 257; ++i) text += "  " + std::to_string(i % 10) + ",v\n";
    IodField* f = load(text)->registers->fields;
    EXPECT_EQ(f->valuecount, 257u);
    EXPECT_EQ(FieldText(f), "F   v <0x0>");
    EXPECT_EQ(ValueEntries(f).size(), 257u);
}

TEST_F(IodTest, TitleIsTheFirstPieceOfTheFirstLine) {
    auto dir = std::filesystem::path(testing::TempDir()) / "ioreg_title_test";
    std::filesystem::create_directories(dir);
    struct Case {
        const char* meaning;
        std::string contents;
        bool listed;
        std::string title;
    };
    for (const Case& c : {
             Case{"LF", "Timer A\nB 0,X\n", true, "Timer A"},
             Case{"CRLF", "Timer A\r\nB 0,X\r\n", true, "Timer A"},
             Case{"no line end", "Timer A", true, "Timer A"},
             Case{"lone CR cuts", "Timer\rA\n", true, "Timer"},
             Case{"empty first line", "\nB 0,X\n", true, ""},
             Case{"long line", std::string(600, 'T') + "\n", true, std::string(509, 'T')},
             Case{"empty file", "", false, ""},
         }) {
        std::string path = (dir / "t.iod").string();
        std::ofstream(path, std::ios::binary) << c.contents;
        std::string title = "unset";
        EXPECT_EQ(ReadIodTitle(path.c_str(), title), c.listed) << c.meaning;
        if (c.listed) {
            EXPECT_EQ(title, c.title) << c.meaning;
        }
    }
    std::string title;
    EXPECT_FALSE(ReadIodTitle((dir / "missing.iod").string().c_str(), title));
    std::filesystem::remove_all(dir);
}

TEST_F(IodTest, MissingFileLeavesTheModuleEmpty) {
    modules = newmodule(modules, "gone");
    modules->filename = newtext("/nonexistent/gone.iod");
    EXPECT_FALSE(LoadIodModule(modules));
    EXPECT_EQ(modules->registers, nullptr);
}

// ---------------------------------------------------------------------------
// Selection

TEST(Selection, TitlesMatchTheFirstAvailableRecord) {
    IodModule* available = nullptr;
    // Listed in this order; each new record goes to the head.
    AddAvailableModule(available, "Timer", "timer.iod");
    AddAvailableModule(available, "Ports", "ports.iod");
    AddAvailableModule(available, "Timer", "timer2.iod");
    std::vector<std::string> unmatched;
    IodModule* selected = MatchSelection(available, {"Ports", "Nothing", "Timer"}, unmatched);
    EXPECT_EQ(available, nullptr);
    EXPECT_EQ(unmatched, (std::vector<std::string>{"Nothing"}));
    ASSERT_NE(selected, nullptr);
    EXPECT_STREQ(selected->title, "Timer");
    EXPECT_STREQ(selected->filename, "timer2.iod");
    ASSERT_NE(selected->link, nullptr);
    EXPECT_STREQ(selected->link->title, "Ports");
    EXPECT_STREQ(selected->link->filename, "ports.iod");
    EXPECT_EQ(selected->link->link, nullptr);
    EXPECT_EQ(selected->offset, 0);
    freemodules(selected);
}

TEST(Selection, ComparisonIsExact) {
    IodModule* available = nullptr;
    AddAvailableModule(available, "Timer", "timer.iod");
    std::vector<std::string> unmatched;
    IodModule* selected = MatchSelection(available, {"timer", "Timer ", ""}, unmatched);
    EXPECT_EQ(selected, nullptr);
    EXPECT_EQ(unmatched.size(), 3u);
}

TEST(Selection, ClosedViewersLeaveTheOpenList) {
    IodModule* open = nullptr;
    for (const char* title : {"C", "B", "A"}) open = newmodule(open, title);
    IodModule* b = open->link;
    unlinkmodule(open, b);
    EXPECT_STREQ(open->title, "A");
    EXPECT_STREQ(open->link->title, "C");
    EXPECT_EQ(b->link, nullptr);
    unlinkmodule(open, b);   // no longer there: nothing changes
    EXPECT_EQ(open->link->link, nullptr);
    IodModule* a = open;
    unlinkmodule(open, a);
    EXPECT_STREQ(open->title, "C");
    freemodule(a);
    freemodule(b);
    IodModule* c = open;
    unlinkmodule(open, c);
    EXPECT_EQ(open, nullptr);
    freemodule(c);
}

// ---------------------------------------------------------------------------
// Editors' values

TEST_F(IodTest, TypedRegisterValueIsWrittenWholeAndShownUntilReadAgain) {
    IodModule* m = load("E\nB 1000,BYTE\nW 1002,WORD\nL 1004,LONG\n");
    standin::calls.clear();
    std::vector<IodRegister*> regs = registers(m);
    EXPECT_TRUE(TypeRegisterValue(regs[0], "0x1FF"));
    EXPECT_EQ(RegisterText(regs[0]), "[00001000] BYTE    <0x1ff>");
    EXPECT_EQ(standin::memory[0x1000], 0xFF);
    EXPECT_TRUE(TypeRegisterValue(regs[1], "-1"));
    EXPECT_EQ(standin::memory[0x1002], 0xFF);
    EXPECT_EQ(standin::memory[0x1003], 0xFF);
    EXPECT_EQ(standin::memory[0x1004], 0x00);
    EXPECT_TRUE(TypeRegisterValue(regs[2], "017"));
    EXPECT_EQ(standin::calls, (Calls{"WriteByte 0x1000 0x1ff", "VyrDataMemUpdate 1", "WriteWord 0x1002 0xffffffff",
                                     "VyrDataMemUpdate 1", "WriteLong 0x1004 0xf", "VyrDataMemUpdate 1"}));
    EXPECT_EQ(ReadRegister(regs[0]), 0xFFu);

    standin::calls.clear();
    EXPECT_FALSE(TypeRegisterValue(regs[0], "none"));
    EXPECT_EQ(regs[0]->value, 0x1FFu);
    regs[1]->frozen = 1;
    EXPECT_TRUE(TypeRegisterValue(regs[1], "0"));
    EXPECT_EQ(standin::calls, (Calls{"WriteWord 0x1002 0x0"}));
}

TEST_F(IodTest, TypedFieldValueIsCutToTheFieldAndLabelled) {
    standin::memory[0x20] = 0xA0;
    IodModule* m = load("F\nB 20,R\n W 3,0,LOW\n  X,count\n W 20,8C,SCAT\n  0,none\n  X,Other\n");
    IodField* low = m->registers->fields;
    IodField* scat = low->link;
    std::string text;
    standin::calls.clear();
    EXPECT_TRUE(TypeFieldValue(low, low->values, "0x13", text));
    EXPECT_EQ(text, "LOW   count 0x3");
    EXPECT_EQ(standin::memory[0x20], 0xA3);
    EXPECT_TRUE(TypeFieldValue(scat, scat->values->link, "5", text));
    EXPECT_EQ(text, "SCAT   Other 0x5");
    EXPECT_EQ(standin::memory[0x20], 0xA7);   // bits 7 and 2 set, bit 3 cleared
    EXPECT_EQ(FieldValue(m->registers->value, scat), 5u);
    EXPECT_FALSE(TypeFieldValue(low, low->values, "", text));
    EXPECT_EQ(standin::calls, (Calls{"WriteByte 0x20 0xa3", "VyrDataMemUpdate 1", "WriteByte 0x20 0xa7",
                                     "VyrDataMemUpdate 1"}));
}

TEST_F(IodTest, ChosenValueIsCutToTheFieldsWidth) {
    standin::memory[0x20] = 0xC3;
    IodModule* m = load("C\nB 20,R\n W 5,4,MODE\n  0,Off\n  2,Clear\n  7,Wide\n  X,Other\n");
    IodField* f = m->registers->fields;
    EXPECT_EQ(ValueEntries(f), (Calls{"Off", "Clear", "Wide", "Other value"}));
    EXPECT_EQ(ValueSelection(f), 0);
    EXPECT_EQ(ChooseValue(f, ValueAt(f, 1)), "MODE   Clear <0x2>");
    EXPECT_EQ(standin::memory[0x20], 0xE3);
    EXPECT_EQ(ValueSelection(f), 1);
    EXPECT_EQ(ChooseValue(f, ValueAt(f, 2)), "MODE   Wide <0x3>");
    EXPECT_EQ(standin::memory[0x20], 0xF3);
    EXPECT_EQ(ValueAt(f, 4), nullptr);
    EXPECT_EQ(ValueAt(f, -1), nullptr);
}

}  // namespace
}  // namespace vy
