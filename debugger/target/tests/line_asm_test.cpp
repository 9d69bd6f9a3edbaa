#include <cctype>
#include <random>
#include <string>
#include <vector>

#include "debugger/target/line_asm.h"
#include "debugger/target/memory.h"
#include "debugger/target/opcode_table.h"
#include "debugger/target/services.h"
#include "debugger/target/symbols.h"
#include "target_fixture.h"

namespace vy {
namespace {

using LineAsmTest = TargetTest;

struct Case {
    const char* text;
    uint16_t address;
    std::vector<uint8_t> bytes;   // expected; empty with an error or a label alone
    const char* error;            // expected message, or "" for none
};

const Case cases[] = {
    {"ldaa 0,y", 0x8000, {0x18, 0xA6, 0x00}, ""},
    {"cpd #0x1234", 0x8000, {0x1A, 0x83, 0x12, 0x34}, ""},
    {"bra 0x8000", 0x8000, {0x20, 0xFE}, ""},
    {"brset <0x10,0x80,0x8004", 0x8000, {0x12, 0x10, 0x80, 0x00}, ""},
    {"brset 5,y,0x01,0x8000", 0x8000, {0x18, 0x1E, 0x05, 0x01, 0xFB}, ""},
    {"bset 0x10,0x80", 0x8000, {}, "uncompatible addressing mode\n"},
    {"bset <0x10 0x80", 0x8000, {0x14, 0x10, 0x80}, ""},
    {"bhs 0x8010", 0x8000, {0x24, 0x0E}, ""},
    {"blo 0x8010", 0x8000, {0x25, 0x0E}, ""},
    {"asld", 0x8000, {0x05}, ""},
    {"asl 3,y", 0x8000, {0x18, 0x68, 0x03}, ""},
    {"ldx #0x10", 0x8000, {0xCE, 0x00, 0x10}, ""},
    {"ldaa #-128", 0x8000, {0x86, 0x80}, ""},
    {"ldaa #256", 0x8000, {}, "value too large\n"},
    {"ldaa #-129", 0x8000, {}, "value too large\n"},
    {"ldaa <0x100", 0x8000, {}, "value too large\n"},
    {"ldaa 256,x", 0x8000, {}, "value too large\n"},
    {"ldx #0x10000", 0x8000, {}, "value too large\n"},
    {"ldaa 0x1234", 0x8000, {0xB6, 0x12, 0x34}, ""},
    {"ldaa 1,z", 0x8000, {}, "incorrect index register\n"},
    {"staa #1", 0x8000, {}, "uncompatible addressing mode\n"},
    {"jmp <0x10", 0x8000, {}, "uncompatible addressing mode\n"},
    {"bra 0x8082", 0x8000, {}, "offset too large\n"},
    {"bra 0x8081", 0x8000, {0x20, 0x7F}, ""},
    {"bra 0x7F82", 0x8000, {0x20, 0x80}, ""},
    {"bra 0x7F81", 0x8000, {}, "offset too large\n"},
    {"bra 0x0010", 0xFFF0, {0x20, 0x1E}, ""},
    {"ldab", 0x8000, {}, "syntax error\n"},
    {"ldaa #", 0x8000, {}, "syntax error\n"},
    {"bra", 0x8000, {}, "syntax error\n"},
    {"lda #1", 0x8000, {}, "illegal instruction\n"},
    {"LDAA #1", 0x8000, {}, "illegal instruction\n"},
    {"xgdy", 0x8000, {0x18, 0x8F}, ""},
    {"cpy 2,x", 0x8000, {0x1A, 0xAC, 0x02}, ""},
    {"cpx 2,y", 0x8000, {0xCD, 0xAC, 0x02}, ""},
    {"  nop", 0x8000, {0x01}, ""},
};

TEST_F(LineAsmTest, Instructions) {
    for (const Case& c : cases) {
        for (int i = 0; i < 6; ++i) wrbyte(static_cast<uint16_t>(c.address + i), 0xEE);
        console.errors.clear();
        reader.pos = c.text;
        EXPECT_EQ(asmline(c.address), c.bytes.size()) << c.text;
        EXPECT_EQ(console.errors, c.error) << c.text;
        for (std::size_t i = 0; i < 6; ++i) {
            uint8_t expected = i < c.bytes.size() ? c.bytes[i] : 0xEE;
            EXPECT_EQ(rdbyte(static_cast<uint16_t>(c.address + i)), expected) << c.text << " byte " << i;
        }
    }
}

TEST_F(LineAsmTest, LabelsBecomeSymbolsEvenBeforeARefusedInstruction) {
    reader.pos = "loop: nop";
    EXPECT_EQ(asmline(0x8100), 1);
    EXPECT_EQ(rensym("loop")->value, 0x8100u);
    EXPECT_EQ(rdbyte(0x8100), 0x01);
    reader.pos = "alone:";
    EXPECT_EQ(asmline(0x8200), 0);
    EXPECT_EQ(rensym("alone")->value, 0x8200u);
    reader.pos = "here: there: bra loop";
    EXPECT_EQ(asmline(0x8110), 2);
    EXPECT_EQ(rensym("there")->value, 0x8110u);
    EXPECT_EQ(rdword(0x8110), 0x20EE);  // offset -18 back to loop
    reader.pos = "bad: ldaa #300";
    EXPECT_EQ(asmline(0x8300), 0);
    EXPECT_NE(rensym("bad"), nullptr);
    EXPECT_EQ(rdbyte(0x8300), 0);
}

TEST_F(LineAsmTest, OperandsAreExpressionsAndThePositionMovesPastTheInstruction) {
    defsym("buf", 0x1000);
    const char* text = "ldd buf+2 ; rest";
    reader.pos = text;
    EXPECT_EQ(asmline(0x8000), 3);
    EXPECT_EQ(rdword(0x8001), 0x1002);
    EXPECT_EQ(std::string(skipwhite(reader.pos)), "; rest");
}

TEST_F(LineAsmTest, TextThatIsNoInstructionIsAnExpression) {
    reader.pos = "0x12+3";
    EXPECT_EQ(asmline(0x8000), 0x15);
    EXPECT_EQ(rdbyte(0x8000), 0);
}

// Random text built from the pieces of real instructions, with long
// operands, huge numbers and odd spacing: no crash, the reader stays inside
// the text, and an instruction that is refused stores nothing.
TEST_F(LineAsmTest, HostileTextNeverCrashesAndRefusalsStoreNothing) {
    std::mt19937 rng(6112);
    auto below = [&rng](uint32_t n) { return static_cast<uint32_t>(rng() % n); };
    const char* const pieces[] = {"#", "<", ",", ",x", ",y", ",z", ",X", " ", "\t", "  ", ":", "-", "+", "(", ")",
                                  "0x", "0xFFFFFFFF", "4294967296", "99999999999999999999", "255", "256", "-129",
                                  "127", "0x7F", "0x80", "lbl", "_", "x", "y", "0", "1", ";", "$", ".", "\xff"};
    defsym("lbl", 0x8010);
    int refused = 0, stored = 0;
    for (int round = 0; round < 4000; ++round) {
        std::string text;
        if (below(8)) text += mnemonics[1 + below(M_COUNT - 1)];
        else if (below(2)) text += std::string(below(120), 'a');
        for (uint32_t n = below(8); n > 0; --n) {
            switch (below(10)) {
            case 0: text += std::string(below(3000), "0(-9"[below(4)]); break;
            case 1: text += static_cast<char>(1 + below(255)); break;
            default: text += pieces[below(sizeof pieces / sizeof pieces[0])]; break;
            }
        }
        uint16_t address = below(2) ? 0x8000 : 0xFFFC;
        for (int i = 0; i < 8; ++i) wrbyte(static_cast<uint16_t>(address + i), 0xEE);
        console.errors.clear();
        reader.pos = text.c_str();
        uint16_t n = asmline(address);
        ASSERT_TRUE(reader.pos >= text.c_str() && reader.pos <= text.c_str() + text.size()) << text;
        bool instruction = std::isalpha(static_cast<unsigned char>(skipwhite(text.c_str())[0])) ||
                           skipwhite(text.c_str())[0] == '_';
        std::size_t written = instruction && console.errors.empty() ? n : 0;
        ASSERT_LE(written, 6u) << text;
        for (std::size_t i = written; i < 8; ++i)
            ASSERT_EQ(rdbyte(static_cast<uint16_t>(address + i)), 0xEE) << text << " byte " << i;
        if (!console.errors.empty()) ++refused;
        else if (written) ++stored;
    }
    EXPECT_GT(refused, 500);
    EXPECT_GT(stored, 200);
}

TEST_F(LineAsmTest, MnemonicSearch) {
    EXPECT_EQ(mnemindex("aba"), 1);
    EXPECT_EQ(mnemindex("xgdy"), 145);
    EXPECT_EQ(mnemindex("abb"), 0);
    EXPECT_EQ(offsetbad(-128), 0);
    EXPECT_EQ(offsetbad(127), 0);
    EXPECT_EQ(offsetbad(128), 1);
    EXPECT_EQ(offsetbad(-129), 1);
}

}  // namespace
}  // namespace vy
