#include <cstring>
#include <string>

#include "debugger/target/memory.h"
#include "debugger/target/registers.h"
#include "support/list_node.h"
#include "target_fixture.h"

namespace vy {
namespace {

using RegisterTest = TargetTest;

TEST_F(RegisterTest, DIsAColonBAndWritesAreCutToTheRegisterWidth) {
    setreg(REG_D, 0x1234);
    EXPECT_EQ(regs.a, 0x12);
    EXPECT_EQ(regs.b, 0x34);
    EXPECT_EQ(getreg(REG_D), 0x1234u);
    setreg(REG_A, 0x1FF);
    EXPECT_EQ(regs.a, 0xFF);
    setreg(REG_X, 0x12345);
    EXPECT_EQ(getreg(REG_X), 0x2345u);
    setreg(17, 5);  // no register: ignored
    EXPECT_EQ(getreg(REG_D), 0xFF34u);
    getreg(200);
    EXPECT_EQ(console.errors, "unknown register\n");
}

TEST_F(RegisterTest, NamesAndCodes) {
    struct Case { const char* name; uint16_t code; };
    const Case cases[] = {{"a", 16}, {"b", 32}, {"cc", 48}, {"d", 64}, {"x", 80},
                          {"y", 96}, {"s", 112}, {"pc", 128}, {"A", 0}, {"sp", 0}};
    for (const Case& c : cases) {
        EXPECT_EQ(regcode(c.name), c.code) << c.name;
        if (c.code) {
            EXPECT_STREQ(regname(c.code), c.name);
        }
    }
    EXPECT_STREQ(regname(0), "MC68HC11");
}

TEST_F(RegisterTest, ResetTakesThePcFromTheResetVector) {
    poke(0xFFFE, {0x80, 0x00});
    regs = RegImage{1, 2, 0xFF, 3, 4, 5, 6};
    cpureset();
    EXPECT_EQ(getpc(), 0x8000);
    EXPECT_EQ(regs.cc, 0x50);
    EXPECT_EQ(getreg(REG_D) | regs.x | regs.y | regs.sp, 0u);
    char line[512];
    regline(line);
    EXPECT_STREQ(line, "cc:.X.I.... a:00 b:00 x:0000 y:0000 s:0000 pc:8000");
    regs.cc = 0xD5;
    regs.x = 0xBEEF;
    regline(line);
    EXPECT_EQ(std::string(line).substr(0, 11), "cc:SX.I.Z.C");
    EXPECT_NE(std::strstr(line, "x:beef"), nullptr);
}

TEST_F(RegisterTest, SaveAndRestoreCopyTheWholeImage) {
    regs = RegImage{1, 2, 3, 4, 5, 6, 7};
    RegImage* saved = regsave(nullptr);
    regs = RegImage{};
    regrestore(saved);
    EXPECT_EQ(regs.pc, 7);
    EXPECT_EQ(regs.a, 1);
    EXPECT_EQ(regsize(), sizeof(RegImage));
    freenode(saved, nullptr);
}

}  // namespace
}  // namespace vy
