#include <cstring>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "debugger/target/debug_tables.h"
#include "debugger/target/decoder.h"
#include "debugger/target/memory.h"
#include "debugger/target/opcode_table.h"
#include "debugger/target/registers.h"
#include "debugger/target/services.h"
#include "debugger/target/symbols.h"
#include "support/list_node.h"
#include "debugger/target/watch.h"
#include "target_fixture.h"

namespace vy {
namespace {

using DecoderTest = TargetTest;

struct Text {
    std::vector<uint8_t> bytes;
    uint16_t length;
    const char* text;
};

// Disassembly at 0x8000.
const Text texts[] = {
    {{0x86, 0x80}, 2, "ldaa  #0x80"},
    {{0x18, 0x08}, 2, "iny   "},
    {{0x1A, 0x08}, NOINSTR, "???   (0x1a)"},
    {{0x18, 0x83, 0x00, 0x00}, NOINSTR, "???   (0x18)"},
    {{0x87}, NOINSTR, "???   (0x87)"},
    {{0x1A, 0x83, 0x12, 0x34}, 4, "cpd   #0x1234"},
    {{0xCD, 0xEE, 0x05}, 3, "ldx   5,y"},
    {{0x1A, 0xEE, 0xFF}, 3, "ldy   255,x"},
    {{0x24, 0x10}, 2, "bcc   0x8012"},
    {{0x25, 0xFE}, 2, "bcs   0x8000"},
    {{0x05}, 1, "lsld  "},
    {{0x48}, 1, "lsla  "},
    {{0x78, 0x12, 0x34}, 3, "lsl   0x1234"},
    {{0x18, 0x68, 0x00}, 3, "lsl   0,y"},
    {{0x00}, 1, "test  "},
    {{0x96, 0x0A}, 2, "ldaa  <0x0a"},
    {{0xCC, 0x00, 0x07}, 3, "ldd   #0x0007"},
    {{0x12, 0x20, 0x80, 0x05}, 4, "brset <0x20,0x80,0x8009"},
    {{0x1F, 0x12, 0x01, 0xFC}, 4, "brclr 18,x,0x01,0x8000"},
    {{0x18, 0x1C, 0x03, 0x40}, 4, "bset  3,y,0x40"},
    {{0x15, 0x10, 0xFF}, 3, "bclr  <0x10,0xff"},
    {{0x9D, 0x40}, 2, "jsr   <0x40"},
    {{0x18, 0x1E, 0x00, 0xFF, 0xFB}, 5, "brset 0,y,0xff,0x8000"},
    {{0x18, 0x1F, 0xFF, 0x01, 0x80}, 5, "brclr 255,y,0x01,0x7f85"},
    {{0x18, 0x1D, 0x80, 0x08}, 4, "bclr  128,y,0x08"},
    {{0x14, 0x00, 0x00}, 3, "bset  <0x00,0x00"},
    {{0x18, 0x6E, 0x00}, 3, "jmp   0,y"},
    {{0x18, 0xCE, 0xFF, 0xFF}, 4, "ldy   #0xffff"},
    // Aliases stand behind rows of other opcodes; no prefix reaches them.
    {{0x1A, 0x24, 0x00}, NOINSTR, "???   (0x1a)"},
    {{0x1A, 0x25, 0x00}, NOINSTR, "???   (0x1a)"},
    {{0x1A, 0x05}, NOINSTR, "???   (0x1a)"},
    {{0x1A, 0x48}, NOINSTR, "???   (0x1a)"},
    {{0x1A, 0x58}, NOINSTR, "???   (0x1a)"},
    {{0x1A, 0x78, 0x00, 0x00}, NOINSTR, "???   (0x1a)"},
};

TEST_F(DecoderTest, DisassemblyTexts) {
    std::string text;
    for (const Text& t : texts) {
        uint16_t a = 0x8000;
        for (uint8_t b : t.bytes) wrbyte(a++, b);
        EXPECT_EQ(decinstr(0x8000, DEC_TEXT, &text), t.length) << t.text;
        EXPECT_EQ(text, t.text);
    }
}

TEST_F(DecoderTest, AddressesShowTheNearestSymbolWithinAHundredBytes) {
    defsym("buf", 0x1000);
    defsym("start", 0x8000);
    struct Case { std::vector<uint8_t> bytes; const char* text; };
    const Case cases[] = {
        {{0xB6, 0x10, 0x05}, "ldaa  buf+5"},
        {{0xB6, 0x10, 0x63}, "ldaa  buf+99"},
        {{0xB6, 0x10, 0x64}, "ldaa  0x1064"},
        {{0xB6, 0x10, 0x00}, "ldaa  buf"},
        {{0xCE, 0x10, 0x02}, "ldx   #buf+2"},
        {{0x20, 0xFE}, "bra   start"},
        {{0x20, 0x00}, "bra   0x8002"},
    };
    std::string text;
    for (const Case& c : cases) {
        uint16_t a = 0x8000;
        for (uint8_t b : c.bytes) wrbyte(a++, b);
        decinstr(0x8000, DEC_TEXT, &text);
        EXPECT_EQ(text, c.text);
    }
}

TEST_F(DecoderTest, LongSymbolNamesAreNeverCut) {
    std::string name(300, 'n');
    defsym(name.c_str(), 0x20);
    defsym((name + "2").c_str(), 0x9000);
    poke(0x8000, {0x13, 0x20, 0x01, 0x00});  // brclr <name,0x01,0x8004
    poke(0x8004, {0x7E, 0x90, 0x00});
    std::string text;
    decinstr(0x8000, DEC_TEXT, &text);
    EXPECT_EQ(text, "brclr <" + name + ",0x01,0x8004");
    decinstr(0x8004, DEC_TEXT, &text);
    EXPECT_EQ(text, "jmp   " + name + "2");
}

TEST_F(DecoderTest, SourceLinesAnnotateAddressesWithoutSymbols) {
    auto* entry = static_cast<DebugEntry*>(newnode(sizeof(DebugEntry) + 8, nullptr));
    entry->addr = 0x9000;
    entry->kind = DBG_LINE;
    entry->line = 12;
    entry->col = 3;
    debuglist = entry;
    poke(0x8000, {0x7E, 0x90, 0x00, 0x20, 0x7B});
    std::string text;
    decinstr(0x8000, DEC_TEXT, &text);
    EXPECT_EQ(text, "jmp   0x9000 [L12(3)]");
    entry->col = 0;
    decinstr(0x8003, DEC_TEXT, &text);
    EXPECT_EQ(text, "bra   0x8080");
    entry->addr = 0x8080;
    decinstr(0x8003, DEC_TEXT, &text);
    EXPECT_EQ(text, "bra   0x8080 [L12]");
    debuglist = nullptr;
    freenode(entry, nullptr);
}

TEST_F(DecoderTest, TextOnlyDecodingReadsNoDataAndChangesNothing) {
    poke(0x8000, {0x14, 0x30, 0x01});  // bset <0x30,0x01
    auto* e = static_cast<MemEvent*>(newnode(sizeof(MemEvent), nullptr));
    e->number = 9;
    e->flags = MEV_READ;
    e->low = e->high = 0x30;
    memevents = e;
    reindexevents();
    runflags.armed = 1;
    regs.pc = 0x1234;
    std::string text;
    EXPECT_EQ(decinstr(0x8000, DEC_TEXT, &text), 3);
    EXPECT_EQ(runflags.lasthit, 0u);
    EXPECT_EQ(regs.pc, 0x1234);
    EXPECT_EQ(*timeptr, 0u);
    EXPECT_EQ(rdbyte(0x30), 0);
    runflags.armed = 0;
    memevents = nullptr;
    reindexevents();
    freenode(e, nullptr);
}

TEST_F(DecoderTest, NoInstructionExecutesNothing) {
    poke(0x8000, {0x41});
    regs.pc = 0x8000;
    EXPECT_EQ(decinstr(0x8000, DEC_EXEC, nullptr), NOINSTR);
    EXPECT_EQ(regs.pc, 0x8000);
    EXPECT_EQ(*timeptr, 0u);
}

TEST_F(DecoderTest, TableHasItsRowsInOpcodeMapOrder) {
    EXPECT_EQ(optablesize, 319);
    int placeholders = 0;
    for (int i = 0; i < optablesize; ++i) {
        const OpcodeRow& row = optable[i];
        if (!row.mnemonic) {
            ++placeholders;
            EXPECT_TRUE(row.opcode == 0x83 || row.opcode == 0x93 || row.opcode == 0xB3);
            EXPECT_EQ(prefixslot(&row), 1);
        }
        EXPECT_LE(prefixslot(&row), 3);
    }
    EXPECT_EQ(placeholders, 3);
    for (int m = 1; m + 1 < M_COUNT; ++m) EXPECT_LT(std::strcmp(mnemonics[m], mnemonics[m + 1]), 0);
}

// Cycle counts as the reference manual's instruction summary gives them, by
// addressing mode; 0 where the mode does not exist.
struct Published {
    const char* mnemonic;
    int imm, dir, ext, indx, indy, inh;
};
const Published published[] = {
    {"aba", 0, 0, 0, 0, 0, 2},   {"abx", 0, 0, 0, 0, 0, 3},   {"aby", 0, 0, 0, 0, 0, 4},
    {"adca", 2, 3, 4, 4, 5, 0},  {"adcb", 2, 3, 4, 4, 5, 0},  {"adda", 2, 3, 4, 4, 5, 0},
    {"addb", 2, 3, 4, 4, 5, 0},  {"addd", 4, 5, 6, 6, 7, 0},  {"anda", 2, 3, 4, 4, 5, 0},
    {"andb", 2, 3, 4, 4, 5, 0},  {"asl", 0, 0, 6, 6, 7, 0},   {"asla", 0, 0, 0, 0, 0, 2},
    {"aslb", 0, 0, 0, 0, 0, 2},  {"asld", 0, 0, 0, 0, 0, 3},  {"asr", 0, 0, 6, 6, 7, 0},
    {"asra", 0, 0, 0, 0, 0, 2},  {"asrb", 0, 0, 0, 0, 0, 2},  {"bclr", 0, 6, 0, 7, 8, 0},
    {"bita", 2, 3, 4, 4, 5, 0},  {"bitb", 2, 3, 4, 4, 5, 0},  {"brclr", 0, 6, 0, 7, 8, 0},
    {"brset", 0, 6, 0, 7, 8, 0}, {"bset", 0, 6, 0, 7, 8, 0},  {"bsr", 0, 0, 0, 0, 0, 6},
    {"cba", 0, 0, 0, 0, 0, 2},   {"clc", 0, 0, 0, 0, 0, 2},   {"cli", 0, 0, 0, 0, 0, 2},
    {"clr", 0, 0, 6, 6, 7, 0},   {"clra", 0, 0, 0, 0, 0, 2},  {"clrb", 0, 0, 0, 0, 0, 2},
    {"clv", 0, 0, 0, 0, 0, 2},   {"cmpa", 2, 3, 4, 4, 5, 0},  {"cmpb", 2, 3, 4, 4, 5, 0},
    {"com", 0, 0, 6, 6, 7, 0},   {"coma", 0, 0, 0, 0, 0, 2},  {"comb", 0, 0, 0, 0, 0, 2},
    {"cpd", 5, 6, 7, 7, 7, 0},   {"cpx", 4, 5, 6, 6, 7, 0},   {"cpy", 5, 6, 7, 7, 7, 0},
    {"daa", 0, 0, 0, 0, 0, 2},   {"dec", 0, 0, 6, 6, 7, 0},   {"deca", 0, 0, 0, 0, 0, 2},
    {"decb", 0, 0, 0, 0, 0, 2},  {"des", 0, 0, 0, 0, 0, 3},   {"dex", 0, 0, 0, 0, 0, 3},
    {"dey", 0, 0, 0, 0, 0, 4},   {"eora", 2, 3, 4, 4, 5, 0},  {"eorb", 2, 3, 4, 4, 5, 0},
    {"fdiv", 0, 0, 0, 0, 0, 41}, {"idiv", 0, 0, 0, 0, 0, 41}, {"inc", 0, 0, 6, 6, 7, 0},
    {"inca", 0, 0, 0, 0, 0, 2},  {"incb", 0, 0, 0, 0, 0, 2},  {"ins", 0, 0, 0, 0, 0, 3},
    {"inx", 0, 0, 0, 0, 0, 3},   {"iny", 0, 0, 0, 0, 0, 4},   {"jmp", 0, 0, 3, 3, 4, 0},
    {"jsr", 0, 5, 6, 6, 7, 0},   {"ldaa", 2, 3, 4, 4, 5, 0},  {"ldab", 2, 3, 4, 4, 5, 0},
    {"ldd", 3, 4, 5, 5, 6, 0},   {"lds", 3, 4, 5, 5, 6, 0},   {"ldx", 3, 4, 5, 5, 6, 0},
    {"ldy", 4, 5, 6, 6, 6, 0},   {"lsl", 0, 0, 6, 6, 7, 0},   {"lsla", 0, 0, 0, 0, 0, 2},
    {"lslb", 0, 0, 0, 0, 0, 2},  {"lsld", 0, 0, 0, 0, 0, 3},  {"lsr", 0, 0, 6, 6, 7, 0},
    {"lsra", 0, 0, 0, 0, 0, 2},  {"lsrb", 0, 0, 0, 0, 0, 2},  {"lsrd", 0, 0, 0, 0, 0, 3},
    {"mul", 0, 0, 0, 0, 0, 10},  {"neg", 0, 0, 6, 6, 7, 0},   {"nega", 0, 0, 0, 0, 0, 2},
    {"negb", 0, 0, 0, 0, 0, 2},  {"nop", 0, 0, 0, 0, 0, 2},   {"oraa", 2, 3, 4, 4, 5, 0},
    {"orab", 2, 3, 4, 4, 5, 0},  {"psha", 0, 0, 0, 0, 0, 3},  {"pshb", 0, 0, 0, 0, 0, 3},
    {"pshx", 0, 0, 0, 0, 0, 4},  {"pshy", 0, 0, 0, 0, 0, 5},  {"pula", 0, 0, 0, 0, 0, 4},
    {"pulb", 0, 0, 0, 0, 0, 4},  {"pulx", 0, 0, 0, 0, 0, 5},  {"puly", 0, 0, 0, 0, 0, 6},
    {"rol", 0, 0, 6, 6, 7, 0},   {"rola", 0, 0, 0, 0, 0, 2},  {"rolb", 0, 0, 0, 0, 0, 2},
    {"ror", 0, 0, 6, 6, 7, 0},   {"rora", 0, 0, 0, 0, 0, 2},  {"rorb", 0, 0, 0, 0, 0, 2},
    {"rti", 0, 0, 0, 0, 0, 12},  {"rts", 0, 0, 0, 0, 0, 5},   {"sba", 0, 0, 0, 0, 0, 2},
    {"sbca", 2, 3, 4, 4, 5, 0},  {"sbcb", 2, 3, 4, 4, 5, 0},  {"sec", 0, 0, 0, 0, 0, 2},
    {"sei", 0, 0, 0, 0, 0, 2},   {"sev", 0, 0, 0, 0, 0, 2},   {"staa", 0, 3, 4, 4, 5, 0},
    {"stab", 0, 3, 4, 4, 5, 0},  {"std", 0, 4, 5, 5, 6, 0},   {"stop", 0, 0, 0, 0, 0, 2},
    {"sts", 0, 4, 5, 5, 6, 0},   {"stx", 0, 4, 5, 5, 6, 0},   {"sty", 0, 5, 6, 6, 6, 0},
    {"suba", 2, 3, 4, 4, 5, 0},  {"subb", 2, 3, 4, 4, 5, 0},  {"subd", 4, 5, 6, 6, 7, 0},
    {"swi", 0, 0, 0, 0, 0, 14},  {"tab", 0, 0, 0, 0, 0, 2},   {"tap", 0, 0, 0, 0, 0, 2},
    {"tba", 0, 0, 0, 0, 0, 2},   {"test", 0, 0, 0, 0, 0, 0},  {"tpa", 0, 0, 0, 0, 0, 2},
    {"tst", 0, 0, 6, 6, 7, 0},   {"tsta", 0, 0, 0, 0, 0, 2},  {"tstb", 0, 0, 0, 0, 0, 2},
    {"tsx", 0, 0, 0, 0, 0, 3},   {"tsy", 0, 0, 0, 0, 0, 4},   {"txs", 0, 0, 0, 0, 0, 3},
    {"tys", 0, 0, 0, 0, 0, 4},   {"wai", 0, 0, 0, 0, 0, 14},  {"xgdx", 0, 0, 0, 0, 0, 3},
    {"xgdy", 0, 0, 0, 0, 0, 4},
};
// Every relative branch takes 3 cycles (bsr, listed above, 6).
const char* const branches[] = {"bcc", "bcs", "beq", "bge", "bgt", "bhi", "bhs", "ble", "blo",
                                "bls", "blt", "bmi", "bne", "bpl", "bra", "brn", "bvc", "bvs"};

TEST_F(DecoderTest, CyclesAreThePublishedCounts) {
    std::map<std::string, const Published*> byname;
    for (const Published& p : published) byname[p.mnemonic] = &p;
    std::set<std::string> rel(std::begin(branches), std::end(branches));
    std::set<std::string> seen;
    for (int i = 0; i < optablesize; ++i) {
        const OpcodeRow& row = optable[i];
        if (!row.mnemonic) continue;
        std::string name = mnemonics[row.mnemonic];
        seen.insert(name);
        if (rel.count(name)) {
            EXPECT_EQ(row.cycles, 3) << name;
            continue;
        }
        ASSERT_TRUE(byname.count(name)) << name;
        const Published& p = *byname[name];
        int expected = 0;
        switch (addrmode(row.mode)) {
        case IMM: expected = p.imm; break;
        case DIR: expected = p.dir; break;
        case EXT: expected = p.ext; break;
        case INDX: expected = p.indx; break;
        case INDY: expected = p.indy; break;
        default: expected = p.inh; break;
        }
        if (name == "test") EXPECT_EQ(row.cycles, 0);
        else EXPECT_NE(expected, 0) << name << " mode " << int(row.mode);
        EXPECT_EQ(row.cycles, expected) << name << " mode " << int(row.mode);
    }
    EXPECT_EQ(seen.size(), 145u);
}

TEST_F(DecoderTest, ExecutionAddsTheRowCyclesToTime) {
    struct Case { std::vector<uint8_t> bytes; uint32_t cycles; };
    const Case cases[] = {{{0x86, 0x01}, 2}, {{0x02}, 41}, {{0x03}, 41}, {{0x3D}, 10},
                          {{0x18, 0xEE, 0x00}, 6}, {{0x1A, 0x83, 0, 0}, 5}, {{0xCD, 0xAC, 0}, 7}};
    for (const Case& c : cases) {
        *timeptr = 1000;
        uint16_t a = 0x8000;
        for (uint8_t b : c.bytes) wrbyte(a++, b);
        regs.pc = 0x8000;
        regs.x = 1;
        decinstr(0x8000, DEC_EXEC, nullptr);
        EXPECT_EQ(*timeptr, 1000 + c.cycles);
    }
}

}  // namespace
}  // namespace vy
