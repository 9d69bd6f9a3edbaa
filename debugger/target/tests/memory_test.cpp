#include <cstdlib>
#include <cstring>
#include <string>

#include "debugger/target/exports.h"
#include "debugger/target/memory.h"
#include "debugger/target/symbols.h"
#include "target_fixture.h"

namespace vy {
namespace {

using MemoryTest = TargetTest;

TEST_F(MemoryTest, UnwrittenBytesReadZeroAndPagesSurviveTheSwapFile) {
    EXPECT_EQ(rdbyte(0x1234), 0);
    wrbyte(0x0005, 0xA5);
    wrbyte(0xFFFF, 0x5A);
    // Touch every other page, twice over, so that both written pages are
    // pushed out to the swap file and read back.
    for (int round = 0; round < 2; ++round)
        for (uint32_t a = 0x0200; a < 0xFE00; a += PAGESIZE) wrbyte(static_cast<uint16_t>(a), 1);
    EXPECT_EQ(rdbyte(0x0005), 0xA5);
    EXPECT_EQ(rdbyte(0xFFFF), 0x5A);
    EXPECT_EQ(rdbyte(0x0006), 0);
    EXPECT_EQ(rdbyte(0x8000), 1);
    EXPECT_EQ(console.errors, "");
}

TEST_F(MemoryTest, PagesStayInMemoryWhenTheSwapFileCannotBeMade) {
    memclose();
    const char* old = std::getenv("TEMP");
    std::string saved = old ? old : "";
#ifdef _WIN32
    _putenv_s("TEMP", "no-such-dir\\deeper");
#else
    setenv("TEMP", "no-such-dir/deeper", 1);
#endif
    initswap();
    EXPECT_NE(console.errors.find("can't open: "), std::string::npos);
    for (uint32_t a = 0; a < 0x10000; a += PAGESIZE) wrbyte(static_cast<uint16_t>(a), static_cast<uint8_t>(a >> 9));
    for (uint32_t a = 0; a < 0x10000; a += PAGESIZE)
        EXPECT_EQ(rdbyte(static_cast<uint16_t>(a)), static_cast<uint8_t>(a >> 9)) << a;
#ifdef _WIN32
    _putenv_s("TEMP", saved.c_str());
#else
    if (old) setenv("TEMP", saved.c_str(), 1);
    else unsetenv("TEMP");
#endif
}

TEST_F(MemoryTest, LeastRecentlyUsedPageGoesOutEvenAfterTheStampWraps) {
    // Keep page 0 in use while 70,000 stamps go by and every other page
    // passes through the cache; its slot must never be the one chosen.
    wrbyte(0x0000, 0x77);
    for (int i = 0; i < 70000; ++i) {
        rdbyte(0x0000);
        rdbyte(static_cast<uint16_t>(0x0200 + (i % 127) * PAGESIZE));
    }
    EXPECT_NE(resident[0], nullptr);
    EXPECT_EQ(rdbyte(0x0000), 0x77);
}

TEST_F(MemoryTest, WordsAndLongsAreBigEndianAndWrap) {
    WriteWord(0x2000, 0x1234);
    EXPECT_EQ(ReadByte(0x2000), 0x12);
    EXPECT_EQ(ReadByte(0x2001), 0x34);
    WriteLong(0x3000, 0xDEADBEEF);
    EXPECT_EQ(ReadLong(0x3000), 0xDEADBEEFu);
    EXPECT_EQ(ReadByte(0x3000), 0xDE);
    wrbyte(0xFFFF, 0xAB);
    wrbyte(0x0000, 0xCD);
    EXPECT_EQ(rdword(0xFFFF), 0xABCD);
    uint8_t block[3];
    rdblock(block, 0xFFFF, 3);
    EXPECT_EQ(block[0], 0xAB);
    EXPECT_EQ(block[1], 0xCD);
}

// The plug-in passes 32-bit addresses and values (an offset may wrap them):
// the low 16 bits address, the low bits of the size are stored.
TEST_F(MemoryTest, ExportsTakeTheLowBitsOfAddressAndValue) {
    WriteByte(0xFFFF2345, 0x1FF);
    EXPECT_EQ(rdbyte(0x2345), 0xFF);
    EXPECT_EQ(rdbyte(0x2346), 0x00);
    WriteWord(0x10020, 0xFFFFFFFF);
    EXPECT_EQ(rdword(0x0020), 0xFFFF);
    EXPECT_EQ(rdbyte(0x0022), 0x00);
    EXPECT_EQ(ReadWord(0xABCD0020), 0xFFFFu);
    EXPECT_EQ(ReadByte(0x12345), 0xFFu);
}

TEST_F(MemoryTest, WriteEventFiresAfterTheStoreAndOnlyInItsRange) {
    addmemevent(3, MEV_WRITE, 0x1000, 0x1000);
    runflags.armed = 1;
    wrbyte(0x1001, 9);
    EXPECT_EQ(runflags.lasthit, 0u);
    wrbyte(0x1000, 7);
    EXPECT_EQ(runflags.lasthit, 3u);
    EXPECT_EQ(runflags.lasthitaddr, 0x1000);
    EXPECT_EQ(rensym(".abrk")->value, 0x1000u);
    EXPECT_EQ(rensym(".nbrk")->value, 3u);
    EXPECT_EQ(rensym(".tbrk")->value, 2u);
    // Later accesses of the same instruction find the hit and check nothing.
    wrbyte(0x1000, 8);
    EXPECT_EQ(rensym(".abrk")->value, 0x1000u);
    EXPECT_EQ(rdbyte(0x1000), 8);
    freememevents();
}

// Services whose event commands look at the byte being accessed.
class PeekingServices : public ConsoleServices {
public:
    void interp(const char* text, int flag) override {
        if (std::strcmp(text, "{look}") == 0) seen = rdbyte(0x1000);
        else wrbyte(0x2000, 0x99);
    }
    int seen = -1;
};

TEST_F(MemoryTest, ReadEventsRunBeforeTheReadAndWriteEventsAfterTheStore) {
    PeekingServices peeking;
    peeking.capture = true;
    setservices(&peeking);
    addmemevent(1, MEV_WRITE, 0x1000, 0x1000, "{look}");
    addmemevent(2, MEV_READ, 0x2000, 0x2000, "{change}");
    runflags.armed = 1;
    wrbyte(0x1000, 0x42);
    EXPECT_EQ(peeking.seen, 0x42);
    runflags.lasthit = 0;
    EXPECT_EQ(rdbyte(0x2000), 0x99);  // the command's store came first
    EXPECT_EQ(runflags.lasthit, 2u);
    freememevents();
    setservices(&console);
}

TEST_F(MemoryTest, SkipFlagLetsExactlyOneReadGoUnchecked) {
    addmemevent(1, MEV_READ, 0x40, 0x40);
    runflags.armed = 1;
    runflags.skipone = 1;
    rdbyte(0x40);
    EXPECT_EQ(runflags.lasthit, 0u);
    EXPECT_EQ(runflags.skipone, 0);
    rdbyte(0x40);
    EXPECT_EQ(runflags.lasthit, 1u);
    freememevents();
}

TEST_F(MemoryTest, FalseConditionSetsTheHitSymbolsButDoesNotFire) {
    defsym("flag", 0);
    addmemevent(4, MEV_READ, 0x10, 0x20, "flag");
    runflags.armed = 1;
    rdbyte(0x18);
    EXPECT_EQ(runflags.lasthit, 0u);
    EXPECT_EQ(rensym(".nbrk")->value, 4u);
    EXPECT_EQ(rensym(".abrk")->value, 0x18u);
    EXPECT_EQ(rensym(".tbrk")->value, 1u);
    freememevents();
}

TEST_F(MemoryTest, ConditionThatHoldsRunsOnlyTheCommandBehindIt) {
    defsym("flag", 1);
    addmemevent(6, MEV_WRITE, 0x10, 0x10, "flag {note}");
    addmemevent(7, MEV_READ, 0x20, 0x20, "flag");
    runflags.armed = 1;
    wrbyte(0x10, 1);
    EXPECT_EQ(runflags.lasthit, 6u);
    runflags.lasthit = 0;
    rdbyte(0x20);
    EXPECT_EQ(runflags.lasthit, 7u);
    // The condition is evaluated once and never run as a command.
    EXPECT_EQ(console.commands, "{note}\n\n");
    freememevents();
}

TEST_F(MemoryTest, CommandBlockRunsDisarmedAndFiresUnlessItContinues) {
    addmemevent(5, MEV_WRITE, 0x10, 0x10, "{print}");
    runflags.armed = 1;
    wrbyte(0x10, 1);
    EXPECT_EQ(console.commands, "{print}\n");
    EXPECT_EQ(runflags.lasthit, 5u);
    EXPECT_EQ(runflags.armed, 1);
    freememevents();
}

TEST_F(MemoryTest, DeletedEventsArePurgedAfterTheCheck) {
    addmemevent(1, MEV_READ | MEV_DELETED, 0, 0xFFFF);
    addmemevent(2, MEV_READ, 0, 0xFFFF);
    runflags.armed = 1;
    rdbyte(0x50);
    EXPECT_EQ(runflags.lasthit, 2u);
    ASSERT_NE(memevents, nullptr);
    EXPECT_EQ(memevents->number, 2);
    EXPECT_EQ(memevents->next, nullptr);
    freememevents();
}

TEST_F(MemoryTest, TimeBreakFiresOnTheExecutionCheck) {
    defsym(".btime", 100);
    *timeptr = 99;
    EXPECT_EQ(chkmemevt(0x8000, 5), 0u);
    *timeptr = 100;
    EXPECT_EQ(chkmemevt(0x8000, 5), 65535u);
    EXPECT_EQ(rensym(".nbrk")->value, 65535u);
    EXPECT_EQ(rensym(".tbrk")->value, 1u);
}

}  // namespace
}  // namespace vy
