// cc11 -link with the runtime library: a program that calls the library's
// routines links with the start-up code and runs to its end with the
// right result, whether rt11.lib came with the build or the driver makes
// it from the sources beside it at its first link.
#include <filesystem>

#include "outside/tests/outside_fixture.h"

namespace {

using namespace outside_test;
namespace fs = std::filesystem;

std::string exe(const std::string& name) {
#ifdef _WIN32
    return name + ".exe";
#else
    return name;
#endif
}

// main: (123456 * 789 / 1000) + (int)(1.5 * 2.25 + 1.5) in a linked frame
// made by c_ents after a stack check: 97406 (31870 in 16 bits) + 4.
const char* const MAIN =
    "\tinclude\t\"macro.h11\"\n"
    "\txdef\t_main\n"
    "\txref\tc_check, c_ents, c_lmul, c_ldiv, c_fmul, c_fadd, c_ftoi\n"
    "\tswitch\t.text\n"
    "_main:\tldy\t#-16\n"
    "\tjsr\tc_check\n"
    "\tjsr\tc_ents\n"
    "\tdc.b\t8\n"
    "\tldd\t#1\n"
    "\tstd\t2,x\n"
    "\tldd\t#$E240\n"
    "\tldy\t#k789\n"
    "\tjsr\tc_lmul\n"
    "\tldy\t#k1000\n"
    "\tjsr\tc_ldiv\n"
    "\tstd\t4,x\n"
    "\tldd\tfx\n"
    "\tstd\t2,x\n"
    "\tldd\tfx+2\n"
    "\tldy\t#fy\n"
    "\tjsr\tc_fmul\n"
    "\tldy\t#fx\n"
    "\tjsr\tc_fadd\n"
    "\tjsr\tc_ftoi\n"
    "\taddd\t4,x\n"
    "\tlds\t0,x\n"
    "\tpulx\n"
    "\trts\n"
    "\t; constants\n"
    "k789:\tdc.l\t789\n"
    "k1000:\tdc.l\t1000\n"
    "fx:\tdc.w\t$3FC0,0\n"
    "fy:\tdc.w\t$4010,0\n"
    "\tend\n";

class RuntimeLink : public OutsideTest {
protected:
    // A directory "bin" with the driver, its files, the passes it runs and
    // the library's sources, but no rt11.lib.
    void install() {
        fs::create_directories("bin/rt11");
        fs::path from = VY_BIN_DIR;
        for (const char* p : {"cc11", "ccasm", "lomar"}) fs::copy_file(from / exe(p), fs::path("bin") / exe(p));
        for (const char* f : {"macro.h11", "start11.s", "cc11.lkf"}) fs::copy_file(from / f, fs::path("bin") / f);
        for (const auto& e : fs::directory_iterator(from / "rt11"))
            fs::copy_file(e.path(), fs::path("bin/rt11") / e.path().filename());
    }

    ToolRun cc11(const std::string& dir, const std::string& args) {
        return run_path((fs::path(dir) / exe("cc11")).string(), args);
    }

    // Runs the linked program to its end in vyrsim; the registers.
    std::string run(const std::string& program) {
        Program p;
        if (!p.read(read_bytes(program))) return "";
        write("prog.s19", p.srecords());
        char until[32];
        std::snprintf(until, sizeof until, "until=0x%04x", static_cast<unsigned>(p.symbol("__halt")));
        ToolRun sim = run_tool("vyrsim", std::string("prog.s19 reset ") + until + " regs");
        EXPECT_EQ(sim.status, 0) << sim.err;
        return sim.out;
    }
};

// 31874 = 0x7c82
const char* const RESULT = " a:7c b:82 ";

TEST_F(RuntimeLink, TheDriverMakesTheLibraryAtItsFirstLinkAndKeepsIt) {
    install();
    write("main.s", MAIN);
    ASSERT_FALSE(exists("bin/rt11.lib"));
    ToolRun r = cc11((fs::current_path() / "bin").string(), "-link -o prog.h11 main.s");
    ASSERT_EQ(r.status, 0) << r.err << r.out;
    EXPECT_TRUE(exists("bin/rt11.lib"));
    EXPECT_NE(run("prog.h11").find(RESULT), std::string::npos);
    for (const auto& e : fs::directory_iterator("."))
        EXPECT_EQ(e.path().string().find('~'), std::string::npos) << e.path();
    for (const auto& e : fs::directory_iterator("bin")) EXPECT_NE(e.path().extension(), ".tmp") << e.path();

    // the second link takes the library made at the first
    auto made = fs::last_write_time("bin/rt11.lib");
    fs::remove("prog.h11");
    r = cc11((fs::current_path() / "bin").string(), "-link -o prog.h11 main.s");
    ASSERT_EQ(r.status, 0) << r.err << r.out;
    EXPECT_EQ(fs::last_write_time("bin/rt11.lib"), made);
    EXPECT_NE(run("prog.h11").find(RESULT), std::string::npos);
}

// Where rt11.lib cannot be written (here a directory stands in its way),
// the library serves this link only and goes afterwards.
TEST_F(RuntimeLink, ALibraryThatCannotBeKeptServesOneLink) {
    install();
    fs::create_directories("bin/rt11.lib");
    write("main.s", MAIN);
    ToolRun r = cc11((fs::current_path() / "bin").string(), "-link -o prog.h11 main.s");
    ASSERT_EQ(r.status, 0) << r.err << r.out;
    EXPECT_NE(run("prog.h11").find(RESULT), std::string::npos);
    for (const auto& e : fs::directory_iterator("."))
        EXPECT_EQ(e.path().string().find('~'), std::string::npos) << e.path();
}

// The driver of the build itself (natively with the rt11.lib the build made).
TEST_F(RuntimeLink, TheBuildsDriverLinksWithTheLibrary) {
    write("main.s", MAIN);
    ToolRun r = cc11(bin_dir(), "-link -o prog.h11 main.s");
    ASSERT_EQ(r.status, 0) << r.err << r.out;
    EXPECT_NE(run("prog.h11").find(RESULT), std::string::npos);
}

// Only the members a program needs are linked.
TEST_F(RuntimeLink, OnlyTheMembersTheProgramNeedsAreLinked) {
    write("main.s", MAIN);
    ToolRun r = cc11(bin_dir(), "-link -o prog.h11 main.s");
    ASSERT_EQ(r.status, 0) << r.err << r.out;
    Program p;
    ASSERT_TRUE(p.read(read_bytes("prog.h11")));
    EXPECT_TRUE(p.has_symbol("c_lmul"));
    EXPECT_TRUE(p.has_symbol("c__fpack"));
    EXPECT_FALSE(p.has_symbol("c_dadd"));
    EXPECT_FALSE(p.has_symbol("c_jtab"));
}

}  // namespace
