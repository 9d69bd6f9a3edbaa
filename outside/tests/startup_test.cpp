// The start-up code and "macro.h11" in the target model: a linked program
// starts from the reset vector, gets its data copied and its bss cleared,
// runs main and ends at __halt with the result in D, again after a reset;
// the macros keep the flags that the code generator relies on; and the
// test tool vyrsim runs the program from S-records.
#include <filesystem>

#include "debugger/target/console_services.h"
#include "debugger/target/decoder.h"
#include "debugger/target/memory.h"
#include "debugger/target/registers.h"
#include "debugger/target/services.h"
#include "outside/tests/outside_fixture.h"

namespace {

using namespace outside_test;

std::string source_file(const std::string& path) { return std::string(VY_SOURCE_DIR) + "/outside/" + path; }

class Startup : public OutsideTest {
protected:
    vy::ConsoleServices console;

    void SetUp() override {
        OutsideTest::SetUp();
        console.capture = true;
        vy::setservices(&console);
        vy::meminit();
        vy::regs = vy::RegImage{};
    }
    void TearDown() override {
        vy::memclose();
        vy::setservices(nullptr);
        OutsideTest::TearDown();
    }

    static ccasm::Options with_includes() {
        ccasm::Options opt;
        opt.include_dirs.push_back(std::string(VY_SOURCE_DIR) + "/outside/include");
        return opt;
    }

    // Links start-up code and `objects` with the driver's link file.
    LinkRun link_program(const std::string& objects) {
        write("start11.s", read(source_file("startup/start11.s")));
        FILE* err = std::fopen("start-errors.txt", "w");
        {
            ccasm::Asm a;
            a.err = err;
            EXPECT_EQ(ccasm::assemble(a, {"start11.s"}), 0);
        }
        std::fclose(err);
        return link(read(source_file("startup/cc11.lkf")) + "start11.o\n" + objects);
    }

    // Memory full of noise, then the program's bytes.
    static void load(const Program& p) {
        for (uint32_t a = 0; a < 0x10000; ++a) vy::wrbyte(static_cast<uint16_t>(a), static_cast<uint8_t>(0xA5 ^ a));
        for (const auto& [address, byte] : p.memory) vy::wrbyte(static_cast<uint16_t>(address), byte);
    }

    // Runs from the PC until it reaches `stop`; false when an instruction
    // is missing or the step bound is spent.
    static bool run_to(uint16_t stop, uint32_t bound = 1000000) {
        for (uint32_t n = 0; n < bound; ++n) {
            if (vy::getpc() == stop) return true;
            if (vy::decinstr(vy::getpc(), vy::DEC_EXEC, nullptr) == vy::NOINSTR) return false;
        }
        return false;
    }
};

const char* const MAIN_WITH_DATA =
    "\txdef\t_main\n"
    "\tswitch\t.data\n"
    "init:\tdc.w\t1000, 234\n"
    "\tswitch\t.bss\n"
    "zero:\tds.b\t6\n"
    "\tswitch\t.bsct\n"
    "zp:\tdc.b\t7\n"
    "\tswitch\t.ubsct\n"
    "uz:\tds.b\t3\n"
    "\tswitch\t.text\n"
    "_main:\tldd\tinit\n"
    "\taddd\tinit+2\n"
    "\taddd\tzero\n"
    "\taddd\tzero+4\n"
    "\taddb\tzp\n"
    "\tadca\t#0\n"
    "\taddb\tuz+2\n"
    "\tadca\t#0\n"
    "\tinc\tinit+1\n"    // a second run must see the first value again
    "\tinc\tzero\n"
    "\tinc\tuz\n"
    "\tinc\tzp\n"
    "\trts\n";

TEST_F(Startup, RunsMainFromResetAndEndsAtHaltWithTheResultInD) {
    assemble("main", MAIN_WITH_DATA);
    LinkRun r = link_program("main.o\n");
    ASSERT_TRUE(r.ok) << r.errors;
    const Program& p = r.program;
    EXPECT_EQ(p.word(0xFFFE), p.symbol("__stext"));
    uint16_t halt = static_cast<uint16_t>(p.symbol("__halt"));
    load(p);
    for (int run = 0; run < 2; ++run) {
        vy::cpureset();
        EXPECT_EQ(vy::getpc(), p.symbol("__stext"));
        ASSERT_TRUE(run_to(halt)) << "run " << run;
        EXPECT_EQ(vy::getreg(vy::REG_D), 1000u + 234u + 7u) << "run " << run;
        EXPECT_EQ(vy::getsp(), 0x7FFF);
        // the stop and the branch back keep the program there, D unchanged
        ASSERT_FALSE(run_to(0, 50));
        EXPECT_EQ(vy::getpc(), halt);
        EXPECT_EQ(vy::getreg(vy::REG_D), 1241u);
    }
}

TEST_F(Startup, ExitEndsTheProgramWithItsStatusFromAnyDepth) {
    assemble("main",
             "\txdef\t_main\n\txref\t_exit\n"
             "_main:\tbsr\tdeeper\n\tldd\t#1\n\trts\n"
             "deeper:\tpshx\n\tldd\t#77\n\tjsr\t_exit\n");
    LinkRun r = link_program("main.o\n");
    ASSERT_TRUE(r.ok) << r.errors;
    load(r.program);
    vy::cpureset();
    ASSERT_TRUE(run_to(static_cast<uint16_t>(r.program.symbol("__halt"))));
    EXPECT_EQ(vy::getreg(vy::REG_D), 77u);
}

// sex: A takes the sign of B; N and Z as for D, V cleared, C kept; and
// pshd/puld push and pull D as a word.
TEST_F(Startup, MacrosSignExtendAndPushDWithTheFlagsTheCodeGeneratorExpects) {
    assemble("m",
             "\tinclude\t\"macro.h11\"\n"
             "\txdef\tsx, sxend, push, pushed, pulled\n"
             "sx:\tsex\n"
             "sxend:\tnop\n"
             "push:\tpshd\n"
             "pushed:\tclra\n\tclrb\n\tpuld\n"
             "pulled:\tnop\n",
             with_includes());
    LinkRun r = link("+seg .text -b0x8000\nm.o\n");
    ASSERT_TRUE(r.ok) << r.errors;
    const Program& p = r.program;
    load(p);
    uint16_t sx = static_cast<uint16_t>(p.symbol("sx")), sxend = static_cast<uint16_t>(p.symbol("sxend"));
    for (int b = 0; b < 256; ++b)
        for (uint8_t cc : {uint8_t(0x00), uint8_t(0x0F), uint8_t(0xC1), uint8_t(0x06)}) {
            vy::setreg(vy::REG_A, 0x5A);
            vy::setreg(vy::REG_B, static_cast<uint32_t>(b));
            vy::setreg(vy::REG_CCR, cc);
            vy::setpc(sx);
            ASSERT_TRUE(run_to(sxend, 10));
            uint16_t d = static_cast<uint16_t>(vy::getreg(vy::REG_D));
            EXPECT_EQ(d, static_cast<uint16_t>(static_cast<int8_t>(b))) << b;
            uint8_t flags = static_cast<uint8_t>(vy::getreg(vy::REG_CCR));
            EXPECT_EQ((flags & vy::CC_N) != 0, (d & 0x8000) != 0) << b;
            EXPECT_EQ((flags & vy::CC_Z) != 0, d == 0) << b;
            EXPECT_EQ(flags & vy::CC_V, 0) << b;
            EXPECT_EQ(flags & vy::CC_C, cc & vy::CC_C) << b;
            EXPECT_EQ(flags & 0xF0, cc & 0xF0) << b;
        }
    vy::setreg(vy::REG_D, 0x1234);
    vy::setreg(vy::REG_SP, 0x7000);
    vy::setpc(p.symbol("push"));
    ASSERT_TRUE(run_to(static_cast<uint16_t>(p.symbol("pushed")), 10));
    EXPECT_EQ(vy::getsp(), 0x6FFE);
    EXPECT_EQ(vy::rdword(0x6FFF), 0x1234);
    ASSERT_TRUE(run_to(static_cast<uint16_t>(p.symbol("pulled")), 10));
    EXPECT_EQ(vy::getreg(vy::REG_D), 0x1234u);
    EXPECT_EQ(vy::getsp(), 0x7000);
}

// The absolute program converted to S-records loads in the test tool of the
// target model and runs to its end.
TEST_F(Startup, TheProgramRunsInVyrsimFromSRecords) {
    assemble("main", MAIN_WITH_DATA);
    LinkRun r = link_program("main.o\n");
    ASSERT_TRUE(r.ok) << r.errors;
    write("prog.s19", r.program.srecords());
    char halt[16];
    std::snprintf(halt, sizeof halt, "0x%04x", static_cast<unsigned>(r.program.symbol("__halt")));
    ToolRun t = run_tool("vyrsim", std::string("prog.s19 reset until=") + halt + " regs mem=0x2000,4");
    ASSERT_EQ(t.status, 0) << t.err;
    EXPECT_NE(t.out.find(" a:04 b:d9 "), std::string::npos) << t.out;
    EXPECT_NE(t.out.find(std::string(" pc:") + (halt + 2)), std::string::npos) << t.out;
    EXPECT_NE(t.out.find("2000  03 E9 00 EA\n"), std::string::npos) << t.out;
}

}  // namespace
